// A page of 30 pictures on a volume that answers slowly: a FUSE mount (bindfs) whose server is
// stopped for bursts of 200 ms, 100 ms apart, while the page fills. Reports the longest stall of
// the window's event loop as a ratio of one frame (16.7 ms), and the revisit of the page (its
// thumbnails in the cache) as a ratio of the first visit. Needs the superuser and bindfs; says
// so and ends where the machine cannot mount.
#include "benchsupport.h"

#include "support/hungmount.h"
#include "support/mainfixture.h"
#include "widgets/busywindows.h"

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>

#include <atomic>
#include <cstdio>
#include <thread>

using namespace vu;
using namespace vu::testing;

namespace {

constexpr double FrameMs = 1000.0 / 60;

// Counts the longest gap between two turns of the window thread's event handling: a posted
// event that posts itself again each time it is handled.
class StallMeter : public QObject {
public:
    void start()
    {
        longest_ = 0;
        clock_.start();
        last_ = 0;
        running_ = true;
        QCoreApplication::postEvent(this, new QEvent(QEvent::User));
    }
    double stop()
    {
        running_ = false;
        return longest_;
    }
    bool event(QEvent* e) override
    {
        if (e->type() != QEvent::User)
            return QObject::event(e);
        const double now = clock_.nsecsElapsed() / 1e6;
        longest_ = std::max(longest_, now - last_);
        last_ = now;
        if (running_)
            QCoreApplication::postEvent(this, new QEvent(QEvent::User));
        return true;
    }

private:
    QElapsedTimer clock_;
    double last_ = 0, longest_ = 0;
    bool running_ = false;
};

}  // namespace

int main(int argc, char** argv)
{
    useOwnMounts();
    QApplication app(argc, argv);
    BusyWindows::install();
    MainFixture f;
    f.setUp();
    double stall = 0, first = 0, again = 0;
    {
        HungMount share;
        if (!share.ok()) {
            std::printf("bench_slowvolume: skipped: %s\n", qPrintable(share.why()));
            return 0;
        }
        const QString source = share.source() + QStringLiteral("/photos");
        QDir().mkpath(source);
        const QDateTime old = QDateTime::currentDateTime().addSecs(-3600);
        for (int i = 0; i < 30; ++i) {
            const QString path = source + QStringLiteral("/p%1.jpg").arg(i, 4, 10, QLatin1Char('0'));
            bench::writeJpeg(bench::cameraPhoto(1600, 1200, i), path);
            QFile file(path);
            file.open(QIODevice::ReadWrite);
            file.setFileTime(old, QFileDevice::FileModificationTime);  // old enough for a cache entry
        }
        VuMain& main = f.open(share.mountPoint() + QStringLiteral("/photos"));
        main.show();

        std::atomic<bool> slow{true};
        std::thread bursts([&] {
            while (slow) {
                share.stop();
                std::this_thread::sleep_for(std::chrono::milliseconds(200));
                share.resume();
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
        });
        StallMeter meter;
        QElapsedTimer t;
        meter.start();
        t.start();
        main.OkBtn_Click(0);
        first = t.nsecsElapsed() / 1e6;
        QCoreApplication::processEvents();
        stall = meter.stop();
        slow = false;
        bursts.join();
        // Let the cache entries be written before the revisit.
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(1000));
        t.restart();
        main.OkBtn_Click(0);
        again = t.nsecsElapsed() / 1e6;
        int shown = 0;
        for (int i = 0; i < 30; ++i)
            shown += main.ui().Img[i]->hasPicture() ? 1 : 0;
        std::printf("bench_slowvolume: first visit %.0f ms on the slow volume, longest event-loop stall %.1f ms"
                    " = %.2f frames; revisit %.0f ms = %.3f x the first visit; %d of 30 pictures shown\n",
            first, stall, stall / FrameMs, again, again / first, shown);
        f.main.reset();
    }
    f.tearDown();
    return 0;
}
