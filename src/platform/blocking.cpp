#include "blocking.h"

#include <atomic>
#include <thread>

namespace vu::blocking {
namespace {

std::atomic<Waiter*> installed{nullptr};
std::atomic<std::thread::id> waiterThread;
std::atomic<int> running{0};
std::atomic<bool> abandoned{false};
// Wakes callers that block (those without a waiter).
std::mutex wakeMutex;
std::condition_variable wakeup;

}  // namespace

Waiter* setWaiter(Waiter* waiter)
{
    waiterThread = std::this_thread::get_id();
    return installed.exchange(waiter);
}

void abandonWaits()
{
    abandoned = true;
    detail::wakeWaiter();
}

bool waitsAbandoned()
{
    return abandoned;
}

int runningWorkers()
{
    return running;
}

namespace detail {

void start(std::function<void()> work)
{
    ++running;
    std::thread([work = std::move(work)] {
        work();
        --running;
    }).detach();
}

void wakeWaiter()
{
    {
        // Taken so that a blocking caller between its check and its wait cannot miss the wake-up.
        std::lock_guard lock(wakeMutex);
    }
    wakeup.notify_all();
    if (Waiter* w = installed.load())
        w->wake();
}

void wait(const std::function<bool()>& finished, Clock::time_point until)
{
    auto over = [&] { return abandoned || finished(); };
    Waiter* w = installed.load();
    if (w && waiterThread.load() == std::this_thread::get_id()) {
        w->wait(over, until);
        return;
    }
    std::unique_lock lock(wakeMutex);
    wakeup.wait_until(lock, until, over);
}

}  // namespace detail
}  // namespace vu::blocking
