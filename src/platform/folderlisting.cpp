#include "folderlisting.h"
#include "paths.h"
#include "wildcard.h"

namespace vu {

FolderListing::FolderListing(Files& files, const QString& pattern)
    : files_(files)
    , pattern_(pattern)
{
}

const QStringList& FolderListing::names() const
{
    if (!sorted_) {
        sortAndLimitNames(names_);
        sorted_ = true;
    }
    return names_;
}

FsStatus FolderListing::setPath(const QString& folder)
{
    path_ = paths::cleanFolder(folder);
    return refresh();
}

FsStatus FolderListing::setPattern(const QString& pattern)
{
    pattern_ = pattern;
    return refresh();
}

FsStatus FolderListing::refresh()
{
    const std::optional<FolderStamp> stamp = path_.isEmpty() ? std::nullopt : files_.folderStamp(path_);
    if (path_ == readPath_ && pattern_ == readPattern_ && mark_.holds(stamp))
        return FsStatus::success();
    const ListingMark mark = ListingMark::startingNow(stamp);
    std::vector<DirEntry> entries;
    FsStatus s = path_.isEmpty() ? FsStatus::failure(err::PathNotFound) : files_.listDir(path_, &entries);
    names_ = s.ok() ? matchingFileNames(entries, pattern_) : QStringList();
    sorted_ = false;
    ++reads_;
    readPath_ = s.ok() ? path_ : QString();
    readPattern_ = pattern_;
    mark_ = mark;
    return s;
}

}  // namespace vu
