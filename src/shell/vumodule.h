// The shared module: the values every window reads and writes (the current folder, the file
// chosen last in the file dialog, the thumbnail right-clicked last) and the small routines
// several windows call. Created once and handed to each window.
#pragma once

#include "platform/platform.h"

#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>

namespace vu {

class VuModule {
public:
    explicit VuModule(const Platform& platform);

    const Platform& platform() const { return platform_; }
    Files& files() const { return *platform_.files; }
    Pictures& pictures() const { return *platform_.pictures; }
    Dialogs& dialogs() const { return *platform_.dialogs; }
    Screen& screen() const { return *platform_.screen; }
    Volumes& volumes() const { return *platform_.volumes; }
    Clock& clock() const { return *platform_.clock; }
    UrlOpener& urls() const { return *platform_.urls; }
    ThumbnailCache& thumbnails() const { return *platform_.thumbnails; }

    // The work area in twips.
    double workAreaWidthTwips() const;
    double workAreaHeightTwips() const;

    // Puts `window` above all windows that are not kept above (flag 1) or back into the normal
    // order (flag 0), keeping its place and size and showing it. Any other flag changes nothing.
    // Returns nonzero on success, 0 otherwise.
    qint32 SetTopmost(QWidget* window, qint16 flag);

    // The folder chooser rooted at the place of root kind `k`: the chosen folder without a
    // trailing separator (except the root), or the empty text when cancelled.
    QString FolderDsp(QWidget* owner, qint32 k);

    // Shared values.
    QString CurPath;  // the current folder
    QString DlgFile;  // full path of the file chosen last in the file-open dialog
    quint8 SelPage = 0;
    quint8 SelCell = 0;
    // The full path of the file that cell `cell` (0 to 29) of page `page` shows on the main
    // window's screen; empty when that page is not on the screen or the cell shows nothing.
    // Installed by the main window; the viewer finds its file through it.
    std::function<QString(quint8 page, quint8 cell)> cellFile;

    // Where the settings file is read and written (the working directory by default).
    QString settingsPath = QStringLiteral("初期設定.ini");
    // The main window, owner of the dialogs other windows open on its behalf.
    QPointer<QWidget> mainWindow;
    // Ends the program when the main window closes.
    std::function<void()> endProgram;

private:
    Platform platform_;
};

// The folder a folder chooser of root kind `k` starts at, and whether that kind stands for
// the computer's volumes.
struct FolderRoot {
    QString folder;
    bool volumes = false;
};
FolderRoot folderRootForKind(qint32 k);

}  // namespace vu
