#include "mainsettings.h"

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

}  // namespace vu
