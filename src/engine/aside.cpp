#include "aside.h"

#include <condition_variable>
#include <mutex>

namespace vu::engine {

struct Aside::State {
    std::mutex mutex;
    std::condition_variable answered;  // a call handed back has run, or the waiter has gone
    std::deque<std::function<void()>> handedBack;
    bool finished = false;  // the work has returned
    bool waiterGone = false;  // the waiting thread stopped waiting: nothing handed back runs
    unsigned long ran = 0;  // how many of the calls handed back have run
    unsigned long queued = 0;  // how many have been handed back
};

bool Aside::call(std::function<void()> f)
{
    unsigned long mine = 0;
    {
        std::lock_guard lock(state_->mutex);
        if (state_->waiterGone)
            return false;
        state_->handedBack.push_back(std::move(f));
        mine = ++state_->queued;
    }
    blocking::detail::wakeWaiter();
    std::unique_lock lock(state_->mutex);
    state_->answered.wait(lock, [&] { return state_->waiterGone || state_->ran >= mine; });
    return state_->ran >= mine;
}

void Aside::post(std::function<void()> f)
{
    {
        std::lock_guard lock(state_->mutex);
        if (state_->waiterGone)
            return;
        state_->handedBack.push_back(std::move(f));
        ++state_->queued;
    }
    blocking::detail::wakeWaiter();
}

namespace detail {

bool runAndServe(std::function<void(Aside&)> work)
{
    auto state = std::make_shared<Aside::State>();
    blocking::detail::start([state, work = std::move(work)] {
        Aside aside(state);
        work(aside);
        {
            std::lock_guard lock(state->mutex);
            state->finished = true;
        }
        blocking::detail::wakeWaiter();
    });
    auto ready = [&] {
        std::lock_guard lock(state->mutex);
        return state->finished || !state->handedBack.empty();
    };
    for (;;) {
        blocking::detail::wait(ready, blocking::Clock::now() + std::chrono::hours(1));
        std::function<void()> next;
        {
            std::lock_guard lock(state->mutex);
            if (!state->handedBack.empty()) {
                next = std::move(state->handedBack.front());
                state->handedBack.pop_front();
            } else if (state->finished) {
                return true;
            } else if (blocking::waitsAbandoned()) {
                state->waiterGone = true;
                state->answered.notify_all();
                return false;
            }
        }
        if (next) {
            next();  // may itself wait (a question's dialog): the work waits with it
            std::lock_guard lock(state->mutex);
            ++state->ran;
            state->answered.notify_all();
        }
    }
}

}  // namespace detail
}  // namespace vu::engine
