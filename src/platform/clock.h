// Clock service: the local time of day, settable in tests.
#pragma once

#include <QDateTime>

namespace vu {

class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() = 0;
};

class SystemClock final : public Clock {
public:
    QDateTime now() override { return QDateTime::currentDateTime(); }
};

}  // namespace vu
