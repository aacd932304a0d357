// The shared module: the values every window reads and writes (the current folder, the file
// chosen last in the file dialog, the thumbnail right-clicked last) and the small routines
// several windows call. Created once and handed to each window; it holds no window.
#pragma once

#include "currentfolder.h"

#include "engine/journal.h"
#include "platform/deadlines.h"
#include "platform/platform.h"

#include <QString>
#include <QWidget>

#include <memory>

namespace vu {

class VuModule {
public:
    // The windows get the platform's file and picture services with deadlines (see deadlines.h):
    // nothing they ask of a volume can stop them.
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
    Preferences& preferences() const { return *platform_.preferences; }

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

    // The current folder CurPath and the folder the main window lists, with the file chosen
    // last in the file dialog.
    CurrentFolder& folder() { return folder_; }
    const CurrentFolder& folder() const { return folder_; }

    // The thumbnail right-clicked last: its page (1 to 255) and cell (0 to 29).
    quint8 SelPage = 0;
    quint8 SelCell = 0;

    // Where the settings file is read and written (the working directory by default).
    QString settingsPath = QStringLiteral("初期設定.ini");
    // The user guide the help menu opens where no web address was built in (empty: none found).
    QString guideFile;

    // What the batch runs and drops of this run did to files, newest last, for 元に戻す.
    engine::Journal& journal() { return journal_; }
    // What the waste bin and the batch deletion do with a file: delete it for good, or move it
    // into the desktop's trash where the user chose so (設定 > 削除時にごみ箱を使う).
    engine::DeleteMode deleteMode() const
    {
        return preferences().useTrash() ? engine::DeleteMode::Trash : engine::DeleteMode::Final;
    }

private:
    std::unique_ptr<DeadlineFiles> boundedFiles_;
    std::unique_ptr<DeadlinePictures> boundedPictures_;
    Platform platform_;
    CurrentFolder folder_;
    engine::Journal journal_;
};

// The folder a folder chooser of root kind `k` starts at (the root for the kinds that stand for
// the computer's volumes).
struct FolderRoot {
    QString folder;
};
FolderRoot folderRootForKind(qint32 k, const Places& places);

}  // namespace vu
