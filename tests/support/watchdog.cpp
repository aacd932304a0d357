#include "support/watchdog.h"

#include <array>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace vu::testing {
namespace {

// What the crash handler prints: written before each step, read only inside the handler.
char crashNote[600];
volatile std::sig_atomic_t crashNoteLength = 0;

constexpr std::array<int, 5> CrashSignals = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
std::array<struct sigaction, CrashSignals.size()> previousActions;
int installed = 0;  // watchdogs alive; the handlers stay while any is

void onCrash(int signal)
{
    static const char head[] = "\nFATAL: crash signal in: ";
    // Nothing is to be done should stderr refuse the note.
    if (::write(STDERR_FILENO, head, sizeof head - 1) > 0
        && ::write(STDERR_FILENO, crashNote, size_t(crashNoteLength)) >= 0)
        (void)!::write(STDERR_FILENO, "\n", 1);
    // Hand the signal on to whoever handled it before (the test framework, a sanitizer).
    for (size_t i = 0; i < CrashSignals.size(); ++i) {
        if (CrashSignals[i] == signal)
            ::sigaction(signal, &previousActions[i], nullptr);
    }
    ::raise(signal);
}

void noteStep(const QString& what)
{
    const QByteArray bytes = what.toUtf8().left(int(sizeof crashNote));
    crashNoteLength = 0;
    std::memcpy(crashNote, bytes.constData(), size_t(bytes.size()));
    crashNoteLength = std::sig_atomic_t(bytes.size());
}

}  // namespace

Watchdog::Watchdog(std::chrono::milliseconds limit)
    : limit_(limit)
{
    if (installed++ == 0) {
        struct sigaction action { };
        action.sa_handler = onCrash;
        sigemptyset(&action.sa_mask);
        for (size_t i = 0; i < CrashSignals.size(); ++i)
            ::sigaction(CrashSignals[i], &action, &previousActions[i]);
    }
    thread_ = std::thread([this] { watch(); });
}

Watchdog::~Watchdog()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
    if (--installed == 0) {
        for (size_t i = 0; i < CrashSignals.size(); ++i)
            ::sigaction(CrashSignals[i], &previousActions[i], nullptr);
    }
}

void Watchdog::finishStep()
{
    if (!running_)
        return;
    const qint64 ms
        = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started_).count();
    if (ms > slowestMs_) {
        slowestMs_ = ms;
        slowest_ = current_;
    }
    running_ = false;
}

void Watchdog::step(const QString& what)
{
    {
        std::lock_guard lock(mutex_);
        finishStep();
        current_ = what;
        started_ = std::chrono::steady_clock::now();
        running_ = true;
        ++generation_;
    }
    noteStep(what);
    changed_.notify_all();
}

void Watchdog::idle()
{
    QString last;
    {
        std::lock_guard lock(mutex_);
        finishStep();
        ++generation_;
        last = current_;
    }
    if (!last.isEmpty())
        noteStep(QStringLiteral("after ") + last);
    changed_.notify_all();
}

void Watchdog::watch()
{
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        if (!running_) {
            changed_.wait(lock);
            continue;
        }
        const std::uint64_t generation = generation_;
        const auto deadline = started_ + limit_;
        if (changed_.wait_until(lock, deadline, [&] { return stopping_ || generation_ != generation; }))
            continue;
        std::fprintf(stderr, "\nFATAL: hang: step still running after %lld ms: %s\n",
            static_cast<long long>(limit_.count()), current_.toUtf8().constData());
        std::fflush(stderr);
        std::_Exit(124);
    }
}

}  // namespace vu::testing
