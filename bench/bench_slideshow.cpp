// How long a slide-show tick takes until its picture is painted, for 24-megapixel JPEG photos:
// with each next picture decoded ahead in the background (the show as it runs) against decoding
// it on the tick itself (the baseline). Prints both delays and their ratio.
#include "benchsupport.h"

#include "platform/platform.h"
#include "shell/settings.h"
#include "shell/vumodule.h"
#include "slideshow/vuslide.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int Pictures = 4;
constexpr int Rounds = 2;
const QSize PhotoSize(6000, 4000);  // 24 megapixels

class PaintSpy : public QObject {
public:
    bool painted = false;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            painted = true;
        return false;
    }
};

// Runs the event loop until `done` holds or `ms` milliseconds have passed.
template <typename F> bool waitUntil(F done, int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return true;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

// Milliseconds from each tick to the picture painted on the screen.
std::vector<double> measure(vu::VuModule& module, bool decodeAhead)
{
    std::vector<double> delays;
    for (int round = 0; round < Rounds; ++round) {
        auto* timer = new vu::ManualSlideTimer;
        auto* slide = new vu::VuSlide(module, nullptr, {timer, decodeAhead});
        PaintSpy spy;
        slide->ui().imgScr->installEventFilter(&spy);
        slide->show();
        if (!waitUntil([&] { return slide->windowHandle() && slide->windowHandle()->isExposed(); }, 10000))
            std::fprintf(stderr, "the show window was not exposed\n");
        for (int i = 0; i < Pictures; ++i) {
            // The display time passes: a picture decoded ahead is ready by then.
            waitUntil([&] { return !slide->busy(); }, 60000);
            QCoreApplication::processEvents();
            spy.painted = false;
            QElapsedTimer clock;
            clock.start();
            timer->fire();
            while (!spy.painted)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            delays.push_back(clock.nsecsElapsed() / 1e6);
        }
        delete slide;
    }
    return delays;
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    QTemporaryDir work;
    const QString folder = work.filePath(QStringLiteral("photos"));
    QDir().mkpath(folder);
    std::printf("writing %d JPEG photos of %dx%d...\n", Pictures, PhotoSize.width(), PhotoSize.height());
    std::fflush(stdout);
    for (int i = 0; i < Pictures; ++i) {
        const QString path = QDir(folder).filePath(QStringLiteral("photo%1.jpg").arg(i));
        if (vu::bench::writeJpeg(vu::bench::photo(PhotoSize.width(), PhotoSize.height(), i), path, 90) <= 0) {
            std::fprintf(stderr, "cannot write the photos\n");
            return 1;
        }
    }

    vu::SystemPlatform system;
    vu::VuModule module(system.platform());
    module.settingsPath = work.filePath(vu::SettingsFileName);
    vu::SettingsRec rec;
    rec.set(vu::SettingsRec::SlideSec, QStringLiteral("5"));
    if (!vu::writeSettings(*system.platform().files, module.settingsPath, rec).ok()) {
        std::fprintf(stderr, "cannot write the settings\n");
        return 1;
    }
    module.folder().takeStored(folder + u'/');

    const std::vector<double> onTick = measure(module, false);
    const std::vector<double> ahead = measure(module, true);
    const double base = median(onTick), fast = median(ahead);
    std::printf("tick to painted, 24-megapixel JPEG (median of %zu ticks):\n", onTick.size());
    std::printf("  decoded on the tick (baseline): %8.1f ms\n", base);
    std::printf("  decoded ahead:                  %8.1f ms\n", fast);
    std::printf("  ratio ahead / on the tick:      %8.3f  (goal: at most 0.1)\n", fast / base);
    return 0;
}
