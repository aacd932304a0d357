// A hang and crash detector for tests that drive windows over many inputs. Each step is named
// when it starts; a step still running when its time is up ends the test program (exit status
// 124) with the step's name, and a crash signal names the step it interrupted (or the step it
// came after) before the program dies of it.
#pragma once

#include <QString>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

namespace vu::testing {

class Watchdog {
public:
    explicit Watchdog(std::chrono::milliseconds limit);
    ~Watchdog();
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

    // Starts timing a step, ending the one before.
    void step(const QString& what);
    // Ends the step running, if any.
    void idle();

    // The longest step so far, wall-clock milliseconds, and its name.
    qint64 slowestMs() const { return slowestMs_; }
    const QString& slowest() const { return slowest_; }
    std::chrono::milliseconds limit() const { return limit_; }

private:
    void watch();
    void finishStep();

    const std::chrono::milliseconds limit_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::thread thread_;
    bool running_ = false;  // a step is being timed
    bool stopping_ = false;
    std::uint64_t generation_ = 0;  // counts the steps, so that the watcher sees a new one
    std::chrono::steady_clock::time_point started_;
    QString current_;
    qint64 slowestMs_ = 0;
    QString slowest_;
};

}  // namespace vu::testing
