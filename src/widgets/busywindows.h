// The program's windows while it waits for work on another thread (a listing, a stat, a page's
// pictures on a slow or hung volume): they keep painting and answering the window manager, so
// that they never look frozen, but take no commands meanwhile. The user's clicks and keys are not
// lost: the window system holds them, and they are handled in order once the wait is over (a
// click on 進む while a page fills turns the page after it). Timers wait too, so that no handler
// ever runs in the middle of another.
#pragma once

#include "platform/blocking.h"

#include <condition_variable>
#include <mutex>

namespace vu {

class BusyWindows final : public blocking::Waiter {
public:
    // Installs a waiter for the main thread for the rest of the program; call once, after the
    // application object exists.
    static void install();

    void wait(const std::function<bool()>& finished, blocking::Clock::time_point until) override;
    void wake() override;

private:
    std::mutex mutex_;
    std::condition_variable woken_;
    bool pending_ = false;
    blocking::Clock::time_point lookedAfter_;  // when the windows were last looked after
};

}  // namespace vu
