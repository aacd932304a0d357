#include "batchlog.h"

namespace vu {

void BatchLog::append(const QString& line)
{
    if (count() >= capacity_ && !lines_.empty())
        lines_.pop_front();
    lines_.push_back(line);
    ++total_;
}

QStringList BatchLog::lines() const
{
    QStringList out;
    out.reserve(count());
    for (const QString& line : lines_)
        out << line;
    return out;
}

}  // namespace vu
