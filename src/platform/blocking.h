// Work that may block on a volume. A network share that stops answering (NFS, SMB, sshfs) or a
// failing drive can hold any call that touches it (stat, statfs, open, read, a listing) for ever,
// in the kernel, where no thread can be interrupted. Such work runs on a thread of its own, and
// whoever asked for it waits at most until a deadline: a call that has not answered by then is
// treated as a volume that is not ready, and its thread is left behind. Nobody ever waits for a
// left-behind thread, not even when the program ends (see runningWorkers()).
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

namespace vu::blocking {

using Clock = std::chrono::steady_clock;

// How long a call on a volume may take before the volume counts as not ready: far longer than a
// healthy disk, a card reader or a network share ever needs for one listing or one stat.
inline constexpr std::chrono::milliseconds VolumeDeadline{3000};

// How the asking thread waits for a worker: until `finished()` holds or `until` has come. The
// default blocks the thread; the program installs one on its main thread that keeps the windows
// painted meanwhile. A worker that finishes calls wake(), from its own thread.
class Waiter {
public:
    virtual ~Waiter() = default;
    virtual void wait(const std::function<bool()>& finished, Clock::time_point until) = 0;
    // Called from a worker thread when something the waiter may wait for has finished.
    virtual void wake() = 0;
};
// Installs the waiter of the calling thread, which lives as long as the program (null: block);
// other threads keep blocking. Returns the one it replaces.
Waiter* setWaiter(Waiter* waiter);
// From now on no wait lasts: every caller goes on as if its deadline had passed. For the end of
// the program, so that nothing still waiting delays it.
void abandonWaits();

// The state a caller and its worker share; the worker may outlive the caller.
template <class T>
struct Shared {
    std::mutex mutex;
    std::optional<T> result;
    bool done = false;
};

namespace detail {
// Starts `work` on a new detached thread, counted as running until it returns.
void start(std::function<void()> work);
// Tells the installed waiter that some worker finished.
void wakeWaiter();
// Waits with the installed waiter (or blocks) until `finished()` or `until`.
void wait(const std::function<bool()>& finished, Clock::time_point until);
}  // namespace detail

// Runs `work` on a thread of its own and waits for its result until `deadline` has passed: the
// result, or none when the work has not answered in time (it goes on alone; what it returns
// later is dropped).
template <class T>
std::optional<T> call(std::chrono::milliseconds deadline, std::function<T()> work)
{
    auto shared = std::make_shared<Shared<T>>();
    detail::start([shared, work = std::move(work)] {
        T value = work();
        {
            std::lock_guard lock(shared->mutex);
            shared->result = std::move(value);
            shared->done = true;
        }
        detail::wakeWaiter();
    });
    detail::wait(
        [&] {
            std::lock_guard lock(shared->mutex);
            return shared->done;
        },
        Clock::now() + deadline);
    std::lock_guard lock(shared->mutex);
    return shared->done ? std::move(shared->result) : std::nullopt;
}

// Workers still running: those whose callers stopped waiting for them among them. A program
// that ends while any runs must not wait for it (it may never return).
int runningWorkers();

}  // namespace vu::blocking
