#include "wildcard.h"

#include <algorithm>

namespace vu {
namespace {

// Classic iterative glob matching with one backtrack point; case-insensitive.
bool globMatch(QStringView pattern, QStringView name)
{
    qsizetype p = 0, n = 0, starP = -1, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == u'*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() && (pattern[p] == u'?' || pattern[p].toCaseFolded() == name[n].toCaseFolded())) {
            ++p;
            ++n;
        } else if (starP >= 0) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*')
        ++p;
    return p == pattern.size();
}

}  // namespace

NamePattern::NamePattern(const QString& pattern)
{
    for (const QString& part : pattern.split(u';', Qt::SkipEmptyParts)) {
        const QString trimmed = part.trimmed();
        if (trimmed.isEmpty())
            continue;
        parts_ << trimmed;
        const QStringView rest = QStringView(trimmed).mid(1);
        if (trimmed.startsWith(u'*') && !rest.contains(u'*') && !rest.contains(u'?'))
            suffixes_ << rest.toString();
        else
            onlySuffixes_ = false;
    }
}

bool NamePattern::matches(QStringView name) const
{
    if (onlySuffixes_) {
        return std::any_of(suffixes_.begin(), suffixes_.end(),
            [&](const QString& s) { return name.endsWith(s, Qt::CaseInsensitive); });
    }
    return std::any_of(parts_.begin(), parts_.end(), [&](const QString& p) { return globMatch(p, name); });
}

bool nameLess(const QString& a, const QString& b)
{
    const int c = QString::compare(a, b, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a < b;
}

namespace {

// Sorts names as nameLess does, folding each name's case once rather than in every comparison.
QStringList sortedNames(std::vector<std::pair<QString, QString>>& keyed)
{
    std::sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) {
        const int c = QString::compare(a.first, b.first, Qt::CaseSensitive);
        return c != 0 ? c < 0 : a.second < b.second;
    });
    QStringList names;
    names.reserve(qsizetype(keyed.size()));
    for (auto& k : keyed)
        names << std::move(k.second);
    return names;
}

}  // namespace

QStringList matchingFileNames(const std::vector<DirEntry>& entries, const QString& pattern)
{
    const NamePattern match(pattern);
    QStringList names;
    for (const DirEntry& e : entries) {
        if (!e.isDir && !e.name.startsWith(u'.') && match.matches(e.name))
            names << e.name;
    }
    return names;
}

void sortAndLimitNames(QStringList& names)
{
    std::vector<std::pair<QString, QString>> keyed;
    keyed.reserve(size_t(names.size()));
    for (QString& name : names)
        keyed.emplace_back(name.toCaseFolded(), std::move(name));
    names = sortedNames(keyed);
    if (names.size() > MaxListEntries)
        names.resize(MaxListEntries);
}

QStringList filterFileNames(const std::vector<DirEntry>& entries, const QString& pattern)
{
    QStringList names = matchingFileNames(entries, pattern);
    sortAndLimitNames(names);
    return names;
}

QStringList filterFolderNames(const std::vector<DirEntry>& entries)
{
    std::vector<std::pair<QString, QString>> keyed;
    for (const DirEntry& e : entries) {
        if (e.isDir && !e.name.startsWith(u'.'))
            keyed.emplace_back(e.name.toCaseFolded(), e.name);
    }
    return sortedNames(keyed);
}

}  // namespace vu
