#include "busywindows.h"

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>

namespace vu {
namespace {

// How often the windows are looked after while waiting: once a screen frame at most, however
// often the workers wake the wait, and across waits that follow each other (a page waits once for
// each cell), so that the windows are painted once a frame, not once for each arrival.
constexpr std::chrono::milliseconds Frame{16};
// A wait that lasts longer than this shows the busy cursor.
constexpr std::chrono::milliseconds Noticeable{250};

}  // namespace

void BusyWindows::install()
{
    static BusyWindows waiter;
    blocking::setWaiter(&waiter);
}

void BusyWindows::wait(const std::function<bool()>& finished, blocking::Clock::time_point until)
{
    const auto began = blocking::Clock::now();
    bool cursor = false;
    while (!finished()) {
        const auto now = blocking::Clock::now();
        if (now >= until)
            break;
        if (!cursor && now - began >= Noticeable) {
            QGuiApplication::setOverrideCursor(QCursor(Qt::BusyCursor));
            cursor = true;
        }
        if (now - lookedAfter_ >= Frame) {
            // Painting, expose and the window manager's pings; not input, not timers.
            lookedAfter_ = now;
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents | QEventLoop::X11ExcludeTimers);
        }
        std::unique_lock lock(mutex_);
        woken_.wait_until(lock, std::min(until, lookedAfter_ + Frame), [&] { return pending_; });
        pending_ = false;
    }
    if (cursor)
        QGuiApplication::restoreOverrideCursor();
}

void BusyWindows::wake()
{
    {
        std::lock_guard lock(mutex_);
        pending_ = true;
    }
    woken_.notify_all();
}

}  // namespace vu
