// The watchdog the robustness tests rely on to turn a hang or a crash into a named failure: run
// in a child process, a step that outlives its limit ends the child with the step's name, a crash
// names the step it interrupted, and quick steps pass unnoticed.
#include "support/watchdog.h"

#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace vu::testing;
using namespace std::chrono_literals;

namespace {

struct Outcome {
    int exitCode = -1;  // -1 when ended by a signal
    int signal = 0;
    QByteArray errors;  // what the child wrote to stderr
};

Outcome inChild(const std::function<void()>& body)
{
    int err[2];
    if (::pipe(err) != 0)
        return {};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(err[1], STDERR_FILENO);
        ::close(err[0]);
        ::close(err[1]);
        // The crashes made on purpose end the child plainly: without the test framework's own
        // crash report (inherited from the parent) and without a core file.
        ::signal(SIGSEGV, SIG_DFL);
        struct rlimit noCore { };
        ::setrlimit(RLIMIT_CORE, &noCore);
        body();
        ::_exit(0);
    }
    ::close(err[1]);
    Outcome out;
    char buffer[1024];
    ssize_t n;
    while ((n = ::read(err[0], buffer, sizeof buffer)) > 0)
        out.errors.append(buffer, n);
    ::close(err[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (WIFEXITED(status))
        out.exitCode = WEXITSTATUS(status);
    else if (WIFSIGNALED(status))
        out.signal = WTERMSIG(status);
    return out;
}

}  // namespace

class TestWatchdog : public QObject {
    Q_OBJECT
private slots:
    void catches_data();
    void catches();
    void slowestStep();
};

void TestWatchdog::catches_data()
{
    QTest::addColumn<QString>("what");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<int>("signal");
    QTest::addColumn<QByteArray>("says");
    QTest::newRow("quick steps") << "quick" << 0 << 0 << QByteArray();
    QTest::newRow("a step that hangs") << "hang" << 124 << 0
                                       << QByteArray("hang: step still running after 200 ms: step 3");
    QTest::newRow("a step that crashes") << "crash" << -1 << int(SIGSEGV) << QByteArray("crash signal in: step 3");
    QTest::newRow("a crash between steps")
        << "idle crash" << -1 << int(SIGSEGV) << QByteArray("crash signal in: after step 3");
}

void TestWatchdog::catches()
{
    QFETCH(QString, what);
    QFETCH(int, exitCode);
    QFETCH(int, signal);
    QFETCH(QByteArray, says);
    const Outcome out = inChild([what] {
        Watchdog dog(200ms);
        for (int i = 0; i < 3; ++i) {
            dog.step(QStringLiteral("step %1").arg(i + 1));
            std::this_thread::sleep_for(5ms);
        }
        if (what == QStringLiteral("hang"))
            std::this_thread::sleep_for(10s);
        if (what.endsWith(QStringLiteral("crash"))) {
            if (what.startsWith(QStringLiteral("idle")))
                dog.idle();
            ::raise(SIGSEGV);
        }
        dog.idle();
    });
    QCOMPARE(out.exitCode, exitCode);
    QCOMPARE(out.signal, signal);
    if (says.isEmpty())
        QVERIFY2(out.errors.isEmpty(), out.errors.constData());
    else
        QVERIFY2(out.errors.contains(says), out.errors.constData());
}

void TestWatchdog::slowestStep()
{
    Watchdog dog(10s);
    dog.step(QStringLiteral("short"));
    std::this_thread::sleep_for(5ms);
    dog.step(QStringLiteral("long"));
    std::this_thread::sleep_for(60ms);
    dog.idle();
    std::this_thread::sleep_for(80ms);  // not a step: not counted
    dog.step(QStringLiteral("short again"));
    dog.idle();
    QCOMPARE(dog.slowest(), QStringLiteral("long"));
    QVERIFY(dog.slowestMs() >= 60 && dog.slowestMs() < 80 + 5000);
}

QTEST_GUILESS_MAIN(TestWatchdog)
#include "tst_watchdog.moc"
