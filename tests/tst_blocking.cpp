// Work that may block on a volume: the caller waits at most until its deadline, and while it waits
// the windows paint but no timer or command runs.
#include "platform/blocking.h"
#include "widgets/busywindows.h"

#include <QTest>
#include <QTimer>
#include <QWidget>

#include <atomic>
#include <semaphore>

using namespace vu;
using namespace std::chrono_literals;

class TestBlocking : public QObject {
    Q_OBJECT
private slots:
    void deadlines_data();
    void deadlines();
    void manyWorks_data();
    void manyWorks();
    void windowsPaintButTimersWait();
    void abandonedWaitsEndAtOnce();  // last: the program is ending
};

void TestBlocking::deadlines_data()
{
    QTest::addColumn<bool>("answers");  // the work returns before the deadline
    QTest::addColumn<bool>("windows");  // the program's waiter is installed
    QTest::newRow("answers, blocking") << true << false;
    QTest::newRow("hangs, blocking") << false << false;
    QTest::newRow("answers, windows alive") << true << true;
    QTest::newRow("hangs, windows alive") << false << true;
}

void TestBlocking::deadlines()
{
    QFETCH(bool, answers);
    QFETCH(bool, windows);
    if (windows)
        BusyWindows::install();
    auto release = std::make_shared<std::binary_semaphore>(0);
    const int before = blocking::runningWorkers();
    const std::optional<int> r = blocking::call<int>(answers ? 10s : 200ms, [release, answers] {
        if (!answers)
            release->acquire();  // a call the volume never answers, until the test lets it go
        return 42;
    });
    QCOMPARE(r.has_value(), answers);
    if (answers)
        QCOMPARE(*r, 42);
    else
        QCOMPARE(blocking::runningWorkers(), before + 1);  // left behind, still running
    release->release();
    QTRY_COMPARE(blocking::runningWorkers(), before);
    blocking::setWaiter(nullptr);
}

void TestBlocking::manyWorks_data()
{
    QTest::addColumn<bool>("inTurn");  // callInTurn, else callEach
    QTest::addColumn<QList<int>>("hanging");  // the works that do not answer until the test lets them go
    QTest::newRow("each, all answer") << false << QList<int>{};
    QTest::newRow("each, one hangs") << false << QList<int>{1};
    QTest::newRow("in turn, all answer") << true << QList<int>{};
    QTest::newRow("in turn, the first hangs") << true << QList<int>{0};
    QTest::newRow("in turn, two hang") << true << QList<int>{1, 3};
}

void TestBlocking::manyWorks()
{
    QFETCH(bool, inTurn);
    QFETCH(QList<int>, hanging);
    constexpr int Works = 5;
    auto release = std::make_shared<std::counting_semaphore<Works>>(0);
    const int before = blocking::runningWorkers();
    auto work = [release, hanging](size_t i) {
        if (hanging.contains(int(i)))
            release->acquire();
        return int(i) * 10;
    };
    const auto patience = hanging.isEmpty() ? 10s : 300ms;
    std::vector<std::optional<int>> results;
    QList<int> givenUp;
    if (inTurn) {
        results = blocking::callInTurn<int>(patience, Works, work, [&](size_t i) { givenUp << int(i); });
    } else {
        std::vector<std::function<int()>> works;
        for (size_t i = 0; i < Works; ++i)
            works.push_back([work, i] { return work(i); });
        results = blocking::callEach<int>(patience, works);
    }
    QCOMPARE(int(results.size()), Works);
    for (int i = 0; i < Works; ++i)
        QCOMPARE(results[size_t(i)], hanging.contains(i) ? std::nullopt : std::optional<int>(i * 10));
    if (inTurn)
        QCOMPARE(givenUp, hanging);
    QTRY_COMPARE(blocking::runningWorkers(), before + int(hanging.size()));  // each left behind
    release->release(Works);
    QTRY_COMPARE(blocking::runningWorkers(), before);
}

void TestBlocking::abandonedWaitsEndAtOnce()
{
    auto release = std::make_shared<std::binary_semaphore>(0);
    blocking::abandonWaits();
    // Far beyond any watchdog: only the abandoning ends this wait.
    QVERIFY(!blocking::call<int>(std::chrono::hours(1), [release] {
        release->acquire();
        return 1;
    }));
    release->release();
}

void TestBlocking::windowsPaintButTimersWait()
{
    struct Counting : QWidget {
        int paints = 0;
        void paintEvent(QPaintEvent*) override { ++paints; }
    } window;
    window.resize(100, 100);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    BusyWindows::install();
    bool fired = false;
    QTimer::singleShot(1, [&] { fired = true; });
    const int painted = window.paints;
    std::atomic<bool> updated{false};
    blocking::call<int>(10s, [&] {
        // The window is asked to repaint while the caller waits; the work returns once it has.
        QMetaObject::invokeMethod(&window, [&] {
            window.update();
            updated = true;
        });
        while (!updated || window.paints == painted)
            std::this_thread::sleep_for(5ms);
        return 0;
    });
    QVERIFY(window.paints > painted);
    QVERIFY(!fired);  // no timer runs in the middle of the caller's handler
    QTRY_VERIFY(fired);  // it runs once the caller has returned
    blocking::setWaiter(nullptr);
}

QTEST_MAIN(TestBlocking)
#include "tst_blocking.moc"
