// The current folder CurPath, one text shared by every window, and the folder the main window's
// lists show. Each way CurPath is set has a setter of its own, named for who sets it, so that its
// separator rules live here alone: CurPath ends in "/" for the root, after the file dialog, after a
// right click and after a viewer step, and otherwise has none.
//
// CurPath need not name the folder the lists show: the file dialog, the slide-show settings dialog
// and the closing batch window set it without moving the lists. Nothing that reads or changes a
// file relies on it for that reason: pages, the information menu, the viewer and the drops work on
// the listed folder and the cell's own name. CurPath is what the settings file stores at the end,
// where a slide show and the batch window start, and what the file dialog opens on.
#pragma once

#include <QObject>
#include <QString>

namespace vu {

class CurrentFolder : public QObject {
    Q_OBJECT
public:
    // CurPath as the windows have set it.
    const QString& curPath() const { return curPath_; }
    // CurPath for joining names and listing: without a final separator except the root (an
    // empty CurPath, a root the settings file stored as "", is the root).
    QString folder() const;
    // CurPath as the settings file stores it when the program ends: one final separator dropped,
    // so the root is stored as the empty text.
    QString forSettings() const;

    // The folder the main window's lists show (no final separator but the root's).
    const QString& listed() const { return listed_; }
    // The folder status panel 4 names for a page of the listed folder: CurPath's own text where it
    // names that folder (with the final separator a right click left), else the listed folder.
    QString shownText() const;

    // The full path of the file chosen last in the file dialog (DlgFile); empty until then.
    const QString& chosenFile() const { return chosenFile_; }

    // The main window's lists show `folder` now (CurPath stays as it is).
    void setListed(const QString& folder);
    // The main window's folder list opened a folder, took over its highlighted one, or the show
    // button was pressed: the lists show `folder`, and CurPath becomes that folder.
    void takeListed(const QString& folder);
    // The folder stored in the settings file, read by the main window at start-up or by the
    // slide-show settings dialog when it opens: CurPath takes it as given.
    void takeStored(const QString& folder);
    // A file chosen in the file dialog: it is DlgFile, and CurPath its folder with the final
    // separator ("/img/sub/a.gif" gives "/img/sub/", "/cat.jpg" gives "/"; a name without any
    // separator gives its first two characters).
    void takeChosenFile(const QString& file);
    // The batch window closing on its source folder: CurPath is that folder with one final
    // separator dropped (the root becomes the empty text).
    void takeHandedBack(const QString& folder);
    // A right click on a thumbnail or a viewer step: CurPath gains a final separator when it has
    // none, and keeps it.
    void appendSeparator();

signals:
    // The folder the main window's lists show has changed.
    void listedChanged(const QString& folder);

private:
    QString curPath_;
    QString listed_;
    QString chosenFile_;
};

}  // namespace vu
