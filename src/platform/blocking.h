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
#include <vector>

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
// Whether abandonWaits() was called.
bool waitsAbandoned();

// The state a caller and its worker share; the worker may outlive the caller.
template <class T> struct Shared {
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

// For callers that keep their own workers (a page of pictures taken in turn): starts `work` on a
// thread of its own, counted as running until it returns; tells the installed waiter that some
// work finished; waits with the installed waiter (or blocks) until `finished()` or `until`.
inline void startWorker(std::function<void()> work)
{
    detail::start(std::move(work));
}
inline void workFinished()
{
    detail::wakeWaiter();
}
inline void waitFor(const std::function<bool()>& finished, Clock::time_point until)
{
    detail::wait(finished, until);
}

// Runs `work` on a thread of its own and waits for its result until `deadline` has passed: the
// result, or none when the work has not answered in time (it goes on alone; what it returns
// later is dropped).
template <class T> std::optional<T> call(std::chrono::milliseconds deadline, std::function<T()> work)
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

// Runs each of `works` on a thread of its own, all at once, and waits until every one has
// answered or `deadline` has passed: one volume that does not answer costs the deadline once,
// not once for each work behind it. Each work's result, or none for one that has not answered.
template <class T>
std::vector<std::optional<T>> callEach(std::chrono::milliseconds deadline, std::vector<std::function<T()>> works)
{
    struct All {
        std::mutex mutex;
        std::vector<std::optional<T>> results;
        size_t left = 0;
    };
    auto all = std::make_shared<All>();
    all->results.resize(works.size());
    all->left = works.size();
    for (size_t i = 0; i < works.size(); ++i) {
        detail::start([all, i, work = std::move(works[i])] {
            T value = work();
            {
                std::lock_guard lock(all->mutex);
                all->results[i] = std::move(value);
                --all->left;
            }
            detail::wakeWaiter();
        });
    }
    detail::wait(
        [&] {
            std::lock_guard lock(all->mutex);
            return all->left == 0;
        },
        Clock::now() + deadline);
    std::lock_guard lock(all->mutex);
    return all->results;
}

// Runs work(0) to work(n - 1) in turn on a thread of its own, and waits for each at most
// `patience` from when its turn came. One that has not answered by then (a link into a volume
// that stopped answering) is given up on: `givenUp(i)` is told (it may tell the works that
// follow to answer at once), and the rest go on, in turn, on a new thread. Each work's result,
// or none for one given up on. Many quick works cost one thread, not one each.
template <class T>
std::vector<std::optional<T>> callInTurn(std::chrono::milliseconds patience, size_t n, std::function<T(size_t)> work,
    std::function<void(size_t)> givenUp = {})
{
    struct Turns {
        std::mutex mutex;
        std::vector<std::optional<T>> results;
        size_t next = 0;  // the work whose turn it is
        int round = 0;  // the thread working now: an earlier one, given up on, publishes nothing
    };
    auto turns = std::make_shared<Turns>();
    turns->results.resize(n);
    auto progress = [&] {
        std::lock_guard lock(turns->mutex);
        return turns->next;
    };
    for (;;) {
        size_t from = 0;
        int round = 0;
        {
            std::lock_guard lock(turns->mutex);
            from = turns->next;
            round = ++turns->round;
        }
        if (from >= n)
            break;
        detail::start([turns, work, from, round, n] {
            for (size_t i = from; i < n; ++i) {
                T value = work(i);
                {
                    std::lock_guard lock(turns->mutex);
                    if (turns->round != round)
                        return;
                    turns->results[i] = std::move(value);
                    turns->next = i + 1;
                }
                detail::wakeWaiter();
            }
        });
        size_t seen = from;
        for (;;) {
            const Clock::time_point until = Clock::now() + patience;
            detail::wait([&] { return progress() != seen; }, until);
            const size_t now = progress();
            if (now >= n)
                break;
            if (now != seen) {
                seen = now;
                continue;
            }
            if (Clock::now() < until)  // the waits were abandoned: the program is ending
                return std::vector<std::optional<T>>(n);
            bool stalled = false;
            {
                std::lock_guard lock(turns->mutex);
                stalled = turns->next == seen;  // else it answered just now
                if (stalled) {
                    turns->next = seen + 1;
                    ++turns->round;  // whatever the stalled thread answers later is dropped
                }
            }
            if (!stalled)
                continue;
            if (givenUp)
                givenUp(seen);
            break;
        }
    }
    std::lock_guard lock(turns->mutex);
    return turns->results;
}

// Workers still running: those whose callers stopped waiting for them among them. A program
// that ends while any runs must not wait for it (it may never return).
int runningWorkers();

}  // namespace vu::blocking
