#include "vumodule.h"

#include "platform/paths.h"
#include "platform/twips.h"

namespace vu {

VuModule::VuModule(const Platform& platform)
    : boundedFiles_(std::make_unique<DeadlineFiles>(*platform.files, *platform.volumes))
    , boundedPictures_(std::make_unique<DeadlinePictures>(*platform.pictures, *platform.volumes))
    , platform_(platform)
{
    platform_.files = boundedFiles_.get();
    platform_.pictures = boundedPictures_.get();
    guideFile = programDocument(QStringLiteral("guide.html"));
}

double VuModule::workAreaWidthTwips() const
{
    return twips::fromPx(platform_.screen->workArea().width());
}
double VuModule::workAreaHeightTwips() const
{
    return twips::fromPx(platform_.screen->workArea().height());
}

qint32 VuModule::SetTopmost(QWidget* window, qint16 flag)
{
    if (flag != 0 && flag != 1)
        return 0;
    return platform_.windowing->setStaysOnTop(window, flag == 1) ? 1 : 0;
}

FolderRoot folderRootForKind(qint32 k, const Places& places)
{
    switch (k) {
    case 0:  // the desktop
    case 16:  // the desktop folder (kind 12)
        return {places.folder(Place::Desktop)};
    case 2:  // program groups
    case 11:  // start menu
        return {places.folder(Place::Applications)};
    case 5:  // personal documents
        return {places.folder(Place::Documents)};
    case 6:  // favourites
    case 8:  // recent documents
    case 9:  // send-to
        return {places.folder(Place::Home)};
    case 7:  // start-up group
        return {places.folder(Place::Autostart)};
    case 10:  // recycle bin
        return {places.folder(Place::Trash)};
    case 20:  // fonts (kind 16)
        return {places.folder(Place::Fonts)};
    case 21:  // templates (kind 17)
        return {places.folder(Place::Templates)};
    default:  // control panel, printers, network: the computer's volumes
        return {QStringLiteral("/")};
    }
}

QString VuModule::FolderDsp(QWidget* owner, qint32 k)
{
    // Kinds 12 to 17 name the shell's folders 16 to 21; kind 1 and every kind above 17 the
    // computer's drives. A negative kind names no folder, so the chooser starts at the drives.
    qint32 id = k;
    if (k >= 12 && k <= 17)
        id = k + 4;
    else if (k == 1 || k > 17 || k < 0)
        id = 17;
    const FolderRoot root = folderRootForKind(id, *platform_.places);
    return platform_.dialogs->chooseFolder(owner, QStringLiteral("フォルダを選択してください"), root.folder);
}

}  // namespace vu
