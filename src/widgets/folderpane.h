// A folder pane: a drive list, a folder list and the names of the files of the folder shown, kept
// in step. The main window's left side is one (its files are listed, not shown), and so is each
// half of the batch window (its files shown in a file list). The windows place the controls and
// keep their own handlers, which call the pane's steps.
#pragma once

#include "listcontrols.h"

#include <QObject>

#include <memory>

namespace vu {

class FolderPane : public QObject {
    Q_OBJECT
public:
    // The controls are children of `parent`, on the working directory, as the controls stand before
    // a window's loading moves them; the files match `pattern`. `showFiles`: the names are shown in
    // a file list; otherwise they are only listed.
    FolderPane(Files& files, Volumes& volumes, QWidget* parent, const QString& pattern, bool showFiles);
    ~FolderPane() override;

    DriveListBox* drives() const { return drives_; }
    DirListBox* folders() const { return folders_; }
    // The file list control; null where the names are only listed.
    FileListBox* fileBox() const { return fileBox_; }
    // The names of the files listed: the folder's that match the pattern.
    const FolderListing& listing() const;

    // The folder the folder list shows.
    QString folder() const { return folders_->path(); }

    // The lists on `folder`: the drive list on its volume, the folder list on it, and the files of
    // it where it is a folder (a file list cannot show what is not there). Silent when it cannot.
    void show(const QString& folder);
    // The folder list follows the volume the drive list chose; where that volume cannot be opened
    // (not ready, no medium), the drive list goes back to the volume of the folder still shown.
    void followDrive();
    // The folder list takes its highlighted entry as its folder (a folder gone since it was listed
    // leaves the list re-read instead).
    void takeHighlighted();
    // Lists the files of `folder` with the pane's pattern.
    void listFiles(const QString& folder);
    // The pattern (";"-separated wildcards) of the files listed; the folder is read again.
    void setPattern(const QString& pattern);
    // Reads the drives, the folders and the files again (files added or removed meanwhile).
    void refresh();
    // Reads the files again.
    void refreshFiles();
    // Where the folder shown has gone, the folder list climbs to the nearest folder above it
    // that is still there.
    void climbIfGone();

signals:
    // The user chose a volume in the drive list.
    void driveChosen();
    // The folder list shows another folder.
    void folderChanged();
    // The focus moved from the folder list to another control of its window.
    void folderLostFocus();

private:
    Files& files_;
    DriveListBox* drives_;
    DirListBox* folders_;
    FileListBox* fileBox_ = nullptr;
    std::unique_ptr<FolderListing> listed_;  // where the names are only listed
};

}  // namespace vu
