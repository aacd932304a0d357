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
        } else if (p < pattern.size()
                   && (pattern[p] == u'?' || pattern[p].toCaseFolded() == name[n].toCaseFolded())) {
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
        if (!trimmed.isEmpty())
            parts_ << trimmed;
    }
}

bool NamePattern::matches(QStringView name) const
{
    return std::any_of(parts_.begin(), parts_.end(), [&](const QString& p) { return globMatch(p, name); });
}

bool nameLess(const QString& a, const QString& b)
{
    const int c = QString::compare(a, b, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a < b;
}

QStringList filterFileNames(const std::vector<DirEntry>& entries, const QString& pattern)
{
    const NamePattern match(pattern);
    QStringList names;
    for (const DirEntry& e : entries) {
        if (!e.isDir && !e.name.startsWith(u'.') && match.matches(e.name))
            names << e.name;
    }
    std::sort(names.begin(), names.end(), nameLess);
    if (names.size() > MaxListEntries)
        names.resize(MaxListEntries);
    return names;
}

QStringList filterFolderNames(const std::vector<DirEntry>& entries)
{
    QStringList names;
    for (const DirEntry& e : entries) {
        if (e.isDir && !e.name.startsWith(u'.'))
            names << e.name;
    }
    std::sort(names.begin(), names.end(), nameLess);
    return names;
}

}  // namespace vu
