#include "names.h"

#include <algorithm>

namespace vu::engine {
namespace {

// The name split before its last four characters.
QString head(const QString& name)
{
    return name.left(std::max<qsizetype>(0, name.size() - 4));
}
QString tail(const QString& name)
{
    return name.right(std::min<qsizetype>(4, name.size()));
}

}  // namespace

QString timeStamp(const QTime& time, StampForm form)
{
    const int digits = time.minute() * 100 + time.second();
    if (form == StampForm::Move)
        return QStringLiteral("%1").arg(digits, 4, 10, QLatin1Char('0'));
    return digits == 0 ? QString() : QString::number(digits);
}

QString stampedName(const QString& name, const QString& stamp)
{
    return head(name) + stamp + tail(name);
}

QString numberedName(const QString& name, int n)
{
    return head(name) + u'(' + QString::number(n) + u')' + tail(name);
}

QString TakenNames::firstFree(const QString& candidate) const
{
    if (!contains(candidate))
        return candidate;
    for (int n = 2;; ++n) {
        const QString next = numberedName(candidate, n);
        if (!contains(next))
            return next;
    }
}

QString renameNumber(int index)
{
    return index == 0 ? QString() : QString::number(index);
}

QString renamedName(const QString& prefix, int index, const QString& oldName)
{
    return prefix + u'_' + renameNumber(index) + tail(oldName);
}

QString asideName(const QString& name, int n)
{
    return head(name) + u'~' + QString::number(n) + tail(name);
}

}  // namespace vu::engine
