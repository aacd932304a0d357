#include "mainsettings.h"

#include <cstdio>

namespace vu {

FsStatus takeStoredFolder(VuModule& module, SettingsRec* settings)
{
    if (FsStatus s = readSettings(module.files(), module.settingsPath, settings); !s.ok())
        return s;
    module.folder().takeStored(startFolder(*settings));
    return FsStatus::success();
}

FsStatus driveReady(VuModule& module, const QString& folder)
{
    const QString root = module.volumes().rootOf(folder);
    if (root.isEmpty() || !module.volumes().isReady(root))
        return FsStatus::failure(err::DeviceUnavailable, folder + QStringLiteral(": drive not ready"));
    return FsStatus::success();
}

FsStatus storeCurrentFolder(VuModule& module, SettingsRec* settings)
{
    const QString folder = module.folder().forSettings();
    if (FsStatus s = readSettings(module.files(), module.settingsPath, settings); !s.ok())
        return s;
    settings->setHeaders();
    settings->set(SettingsRec::PathName, folder);
    return writeSettings(module.files(), module.settingsPath, *settings);
}

void keepTrashChoice(VuModule& module, QWidget* window, bool useTrash)
{
    if (!module.preferences().setUseTrash(useTrash)) {
        module.dialogs().message(window, QStringLiteral("削除時にごみ箱を使う"),
            QStringLiteral("この設定を保存できませんでした。次回の起動時には元の設定に戻ります。\n")
                + module.preferences().file(),
            MsgIcon::Error, MsgButtons::Ok);
    }
}

void reportUnstored(const FsStatus& stored)
{
    if (!stored.ok()) {
        std::fprintf(stderr, "vutara: the settings could not be stored (%s): %s\n",
            qPrintable(err::describe(stored.error)), qPrintable(stored.detail));
    }
}

}  // namespace vu
