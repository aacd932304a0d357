// The shared module: the values every window reads and writes (the current folder, the file
// chosen last in the file dialog, the thumbnail right-clicked last) and the small routines
// several windows call. Created once and handed to each window.
#pragma once

#include "engine/journal.h"
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

    // ---- the current folder ----
    // The folder the main window lists, shared by every window. Only the main window's lists
    // set it; a window that makes another folder current (the batch window when it closes, the
    // file dialog) hands it over, and the main window's lists move there first. So the folder
    // named here is always the one the user sees listed, and no command works on another.
    // It has no final separator, except the root and after a right click, a viewer step or
    // the file dialog, which keep the one the other windows expect.
    const QString& curPath() const { return curPath_; }
    // The current folder without a final separator (except the root), for joining names.
    QString curFolder() const;
    // The current folder as the settings file stores it: one final separator dropped (the root
    // becomes the empty text).
    QString curPathForSettings() const;
    // Sets the current folder: for the main window, whose lists it names.
    void setCurPath(const QString& folder);
    // Adds the final separator after a right click or a viewer step.
    void appendSeparatorToCurPath();
    // Another window making `folder` the current folder: the main window, when there is one,
    // lists it first; then it is the current folder as given. False when the main window's
    // lists cannot reach it (the current folder then stays the folder they list).
    bool handOverCurPath(const QString& folder);
    // Installed by the main window: shows `folder` in its lists; false when it cannot.
    std::function<bool(const QString& folder)> listFolder;

    // Shared values.
    QString DlgFile;  // full path of the file chosen last in the file-open dialog
    quint8 SelPage = 0;
    quint8 SelCell = 0;
    // The full path of the file that cell `cell` (0 to 29) of page `page` shows on the main
    // window's screen; empty when that page is not on the screen or the cell shows nothing.
    // Installed by the main window; the viewer finds its file through it.
    std::function<QString(quint8 page, quint8 cell)> cellFile;

    // Where the settings file is read and written (the working directory by default).
    QString settingsPath = QStringLiteral("初期設定.ini");
    // The user guide the help menu opens where no web address was built in (empty: none found).
    QString guideFile;
    // The main window, owner of the dialogs other windows open on its behalf.
    QPointer<QWidget> mainWindow;
    // Ends the program when the main window closes.
    std::function<void()> endProgram;

    // What the batch runs and drops of this run did to files, newest last, for 元に戻す.
    engine::Journal& journal() { return journal_; }
    // What the waste bin and the batch deletion do with a file: delete it for good, or move it
    // into the desktop's trash.
    engine::DeleteMode deleteMode = engine::DeleteMode::Final;

private:
    Platform platform_;
    QString curPath_;
    engine::Journal journal_;
};

// The folder a folder chooser of root kind `k` starts at, and whether that kind stands for
// the computer's volumes.
struct FolderRoot {
    QString folder;
    bool volumes = false;
};
FolderRoot folderRootForKind(qint32 k, const Places& places);

}  // namespace vu
