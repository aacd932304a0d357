#include "currentfolder.h"

#include "platform/paths.h"

namespace vu {

QString CurrentFolder::folder() const
{
    if (curPath_.isEmpty())
        return QString(paths::Separator);
    return curPath_.size() > 1 ? paths::dropOneSeparator(curPath_) : curPath_;
}

QString CurrentFolder::forSettings() const
{
    return paths::dropOneSeparator(curPath_);
}

QString CurrentFolder::shownText() const
{
    return paths::cleanFolder(folder()) == listed_ ? curPath_ : listed_;
}

void CurrentFolder::setListed(const QString& folder)
{
    if (folder == listed_)
        return;
    listed_ = folder;
    emit listedChanged(listed_);
}

void CurrentFolder::takeListed(const QString& folder)
{
    setListed(folder);
    curPath_ = folder;
}

void CurrentFolder::takeStored(const QString& folder)
{
    curPath_ = folder;
}

void CurrentFolder::takeChosenFile(const QString& file)
{
    chosenFile_ = file;
    // The root's separator is the first character on this system, so the search reaches it.
    const qsizetype cut = file.lastIndexOf(paths::Separator);
    curPath_ = cut >= 0 ? file.left(cut + 1) : file.left(2);
}

void CurrentFolder::takeHandedBack(const QString& folder)
{
    curPath_ = paths::dropOneSeparator(folder);
}

void CurrentFolder::appendSeparator()
{
    curPath_ = paths::withSeparator(curPath_);
}

}  // namespace vu
