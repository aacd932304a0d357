// The file list's name filter: ";"-separated wildcards ("*" any run, "?" one character),
// compared without regard to letter case.
#pragma once

#include "files.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace vu {

class NamePattern {
public:
    explicit NamePattern(const QString& pattern);
    bool matches(QStringView name) const;

private:
    QStringList parts_;
    QStringList suffixes_;  // parts of the form "*.ext" (no other wildcard), as ".ext"
    bool onlySuffixes_ = true;
};

// The most names a file list holds (its count is a 16-bit signed number).
inline constexpr int MaxListEntries = 32767;

// The files of a listing that a file list shows under `pattern`: regular files (and links to
// them) whose names match, without hidden (dot) files, sorted by name without regard to case
// (ties by the exact name), at most MaxListEntries of them.
QStringList filterFileNames(const std::vector<DirEntry>& entries, const QString& pattern);
// The same names unsorted and not limited (the first step of filterFileNames)...
QStringList matchingFileNames(const std::vector<DirEntry>& entries, const QString& pattern);
// ... and the second: sorted as nameLess orders them, at most MaxListEntries kept.
void sortAndLimitNames(QStringList& names);
// The subfolders of a listing, without hidden ones, in the same order.
QStringList filterFolderNames(const std::vector<DirEntry>& entries);
// The order the lists use.
bool nameLess(const QString& a, const QString& b);

}  // namespace vu
