// A folder's file names as the file lists show them, without a control: the names of the
// folder's files that match a pattern, sorted and capped at MaxListEntries.
#pragma once

#include "files.h"
#include "wildcard.h"

#include <QStringList>

#include <algorithm>

namespace vu {

class FolderListing {
public:
    explicit FolderListing(Files& files, const QString& pattern = QStringLiteral("*.*"));

    QString path() const { return path_; }
    // Points the listing at `folder` and re-reads it. On failure the listing is empty.
    FsStatus setPath(const QString& folder);
    QString pattern() const { return pattern_; }
    // Sets the ";"-separated wildcards and re-reads the folder.
    FsStatus setPattern(const QString& pattern);
    // Reads the folder again, unless what was read from it still holds (same folder, same
    // pattern, and the folder's mark still holds).
    FsStatus refresh();

    int count() const { return int(std::min<qsizetype>(names_.size(), MaxListEntries)); }
    QString item(int index) const { return names().value(index); }
    const QStringList& names() const;
    // How many times the names were read afresh: a view shows them again when this moves on.
    int reads() const { return reads_; }

private:
    Files& files_;
    QString path_;
    QString pattern_;
    // The names are sorted when first asked for: a listing that is only counted (a huge folder
    // while the program starts) never pays for sorting.
    mutable QStringList names_;
    mutable bool sorted_ = true;
    int reads_ = 0;
    // What the names were read from, so that re-reading an unchanged folder costs nothing.
    QString readPath_, readPattern_;
    ListingMark mark_;
};

}  // namespace vu
