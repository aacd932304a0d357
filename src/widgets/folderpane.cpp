#include "folderpane.h"

#include "platform/paths.h"

#include <QDir>

namespace vu {

FolderPane::FolderPane(Files& files, Volumes& volumes, QWidget* parent, const QString& pattern, bool showFiles)
    : QObject(parent)
    , files_(files)
    , drives_(new DriveListBox(volumes, parent))
    , folders_(new DirListBox(files, volumes, parent))
{
    if (showFiles)
        fileBox_ = new FileListBox(files, parent);
    else
        listed_ = std::make_unique<FolderListing>(files, pattern);
    const QString here = QDir::currentPath();
    drives_->setDrive(here);
    folders_->setPath(here);
    if (fileBox_)
        fileBox_->setPattern(pattern);
    listFiles(here);
    connect(drives_, &DriveListBox::changed, this, &FolderPane::driveChosen);
    connect(folders_, &DirListBox::changed, this, &FolderPane::folderChanged);
    connect(folders_, &DirListBox::lostFocus, this, &FolderPane::folderLostFocus);
}

FolderPane::~FolderPane() = default;

const FolderListing& FolderPane::listing() const
{
    return fileBox_ ? fileBox_->listing() : *listed_;
}

void FolderPane::show(const QString& folder)
{
    drives_->setDrive(folder);
    folders_->setPath(folder);
    const QString clean = paths::cleanFolder(folder);
    if (!clean.isEmpty() && folder.startsWith(paths::Separator) && files_.isDir(clean))
        listFiles(clean);
}

void FolderPane::followDrive()
{
    if (!folders_->setDrive(drives_->drive()).ok())
        drives_->setDrive(folders_->path());
}

void FolderPane::takeHighlighted()
{
    const int row = folders_->listIndex();
    if (row >= 0 && !folders_->setPath(folders_->entryPath(row)).ok())
        folders_->refresh();
}

void FolderPane::listFiles(const QString& folder)
{
    if (fileBox_)
        fileBox_->setPath(folder);
    else
        listed_->setPath(folder);
}

void FolderPane::setPattern(const QString& pattern)
{
    if (fileBox_)
        fileBox_->setPattern(pattern);
    else
        listed_->setPattern(pattern);
}

void FolderPane::refresh()
{
    drives_->refresh();
    folders_->refresh();
    refreshFiles();
}

void FolderPane::refreshFiles()
{
    if (fileBox_)
        fileBox_->refresh();
    else
        listed_->refresh();
}

void FolderPane::climbIfGone()
{
    if (!files_.isDir(folders_->path()))
        folders_->refresh();
}

}  // namespace vu
