// The batch window's log store: the lines written during one opening of the window, oldest
// first. It keeps at most `capacity()` lines; when it is full each new line pushes the oldest
// out. It also counts every line appended, dropped or not, so that a view can tell which lines
// it lacks without comparing texts (VuLog::follow).
#pragma once

#include "batchrules.h"

#include <QString>
#include <QStringList>

#include <deque>

namespace vu {

class BatchLog {
public:
    explicit BatchLog(int capacity = batch::MaxLogLines)
        : capacity_(capacity)
    {
    }

    // Adds a line at the end; when the store is full its oldest line makes room.
    void append(const QString& line);

    // The lines held, at most capacity().
    int count() const { return int(lines_.size()); }
    // The line in `row`, 0 being the oldest held.
    const QString& line(int row) const { return lines_[std::size_t(row)]; }
    // Every line held, oldest first.
    QStringList lines() const;
    // Lines appended so far, including those the full store has dropped.
    qint64 total() const { return total_; }
    int capacity() const { return capacity_; }

private:
    int capacity_;
    std::deque<QString> lines_;
    qint64 total_ = 0;
};

}  // namespace vu
