// File work that may block on a volume runs aside, on a thread of its own, while the thread that
// asked for it (the windows' thread) waits without stopping: it keeps painting, answers the
// window manager, and carries out, in order, what the work hands back to it (progress, log
// lines, the questions put to the user). A copy onto a share that stops answering then holds its
// own thread, never the windows.
#pragma once

#include "platform/blocking.h"

#include <deque>
#include <functional>
#include <memory>

namespace vu::engine {

// What a work running aside can hand back to the thread that waits for it.
class Aside {
public:
    // Runs `f` on the waiting thread, after whatever was handed over before it, and returns once
    // it has run: true, or false at once when the waiting thread no longer waits (the program
    // is ending) and `f` will never run.
    bool call(std::function<void()> f);
    // The same without waiting for it to run.
    void post(std::function<void()> f);

    struct State;
    explicit Aside(std::shared_ptr<State> state)
        : state_(std::move(state))
    {
    }

private:
    std::shared_ptr<State> state_;
};

namespace detail {
// Starts `work` aside and carries out what it hands back until it has finished: true, or false
// when the program ended the wait first (the work then goes on alone, and whatever it hands
// back is dropped).
bool runAndServe(std::function<void(Aside&)> work);
}  // namespace detail

// Runs `work` aside and returns its result; `ifAbandoned` when the program ended first. The
// work must own what it uses (copies, or objects that live as long as the program): when the
// program ends first, it outlives its caller.
template <class T> T runAside(std::function<T(Aside&)> work, T ifAbandoned = T{})
{
    auto finished = std::make_shared<T>();
    const bool done
        = detail::runAndServe([finished, work = std::move(work)](Aside& aside) { *finished = work(aside); });
    return done ? std::move(*finished) : std::move(ifAbandoned);
}

}  // namespace vu::engine
