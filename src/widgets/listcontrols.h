// The classic drive, folder and file list controls, on the file and volume services.
#pragma once

#include "platform/files.h"
#include "platform/folderlisting.h"
#include "platform/volumes.h"
#include "platform/wildcard.h"

#include <QComboBox>
#include <QListView>
#include <QListWidget>
#include <QStringList>

class QStringListModel;

namespace vu {

// A drop-down of the volumes. Choosing one (by the user or by code) raises changed().
class DriveListBox : public QComboBox {
    Q_OBJECT
public:
    DriveListBox(Volumes& volumes, QWidget* parent = nullptr);
    // Root of the volume chosen.
    QString drive() const;
    // Chooses the volume that holds `path`; raises changed() when that is another volume.
    // False when no volume holds it.
    bool setDrive(const QString& path);
    // Re-reads the volumes, keeping the choice.
    void refresh();

signals:
    void changed();

private:
    void fill();
    void userChose(int index);

    Volumes& volumes_;
    QString drive_;
};

// The folder list: the chain of folders from the volume root down to the current folder
// (open folders, indented by depth), then the current folder's subfolders (closed folders,
// sorted by name). A click only highlights an entry; a double click or Enter opens it.
class DirListBox : public QListWidget {
    Q_OBJECT
public:
    DirListBox(Files& files, Volumes& volumes, QWidget* parent = nullptr);
    QString path() const { return path_; }
    // Shows `folder`; raises changed() when it differs from the folder shown. Fails (leaving
    // everything as it was) when the folder cannot be listed.
    FsStatus setPath(const QString& folder);
    // Shows the current folder of the volume with this root.
    FsStatus setDrive(const QString& root);
    // The highlighted entry (a row), or -1.
    int listIndex() const { return currentRow(); }
    // Full path of the entry at `row`, empty when there is none.
    QString entryPath(int row) const;
    // Re-reads the subfolders. When the folder shown has vanished, the nearest folder above it
    // that still exists is shown instead (raising changed()).
    FsStatus refresh();

signals:
    void changed();
    // The focus moved on to another control of the list's window (see movesWithinWindow).
    void lostFocus();

protected:
    void focusOutEvent(QFocusEvent* event) override;

private:
    FsStatus fill(const QString& folder);

    Files& files_;
    Volumes& volumes_;
    QString path_;
    ListingMark mark_;  // when the subfolders were read
};

// Whether the focus passing from `from` to `to` stays within one window: another control of the
// same window, not a pop-up, a dialog, a message box or another window.
bool movesWithinWindow(const QWidget* from, const QWidget* to);

// A file list: a view of a folder listing (see FolderListing), which it owns.
class FileListBox : public QListView {
    Q_OBJECT
public:
    FileListBox(Files& files, QWidget* parent = nullptr);
    const FolderListing& listing() const { return listing_; }
    QString path() const { return listing_.path(); }
    // Points the list at `folder` and re-reads it. On failure the list is empty.
    FsStatus setPath(const QString& folder);
    QString pattern() const { return listing_.pattern(); }
    // Sets the ";"-separated wildcards and re-reads the folder.
    FsStatus setPattern(const QString& pattern);
    FsStatus refresh();
    int count() const { return listing_.count(); }
    QString item(int index) const { return listing_.item(index); }
    const QStringList& names() const { return listing_.names(); }

signals:
    // The list was re-read.
    void reread();

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Shows the listing's names (sorting them) unless they are shown already.
    void showNames();
    FsStatus afterRead(FsStatus s);

    FolderListing listing_;
    QStringListModel* model_;
    int shownReads_ = 0;  // the listing's reads() the model shows
};

}  // namespace vu
