// How long a slide-show tick takes until its picture is painted, for 24-megapixel JPEG photos:
// with each next picture decoded ahead in the background (the show as it runs) against decoding
// it on the tick itself (the baseline). Prints both delays and their ratio.
#include "platform/platform.h"
#include "shell/settings.h"
#include "shell/vumodule.h"
#include "slideshow/vuslide.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImageWriter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <QWindow>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

constexpr int Pictures = 4;
constexpr int Rounds = 2;
const QSize PhotoSize(6000, 4000);  // 24 megapixels

// A photo-like picture: smooth colour fields with fine grain, so the JPEG holds as much detail
// as a real photo and its decoding costs as much.
QImage photo(int seed)
{
    QImage image(PhotoSize, QImage::Format_RGB32);
    QRandomGenerator noise(quint32(seed) + 1);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int grain = int(noise.bounded(24)) - 12;
            const int r = 128 + int(90 * std::sin((x + seed * 300) / 410.0)) + grain;
            const int g = 128 + int(90 * std::sin((y + x / 3) / 270.0)) + grain;
            const int b = 128 + int(90 * std::cos((x - y + seed * 500) / 530.0)) + grain;
            line[x] = qRgb(std::clamp(r, 0, 255), std::clamp(g, 0, 255), std::clamp(b, 0, 255));
        }
    }
    return image;
}

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
        slide->imgScr->installEventFilter(&spy);
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
        QImageWriter writer(QDir(folder).filePath(QStringLiteral("photo%1.jpg").arg(i)), "jpg");
        writer.setQuality(90);
        if (!writer.write(photo(i))) {
            std::fprintf(stderr, "cannot write the photos: %s\n", qPrintable(writer.errorString()));
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
    module.CurPath = folder + u'/';

    const std::vector<double> onTick = measure(module, false);
    const std::vector<double> ahead = measure(module, true);
    const double base = median(onTick), fast = median(ahead);
    std::printf("tick to painted, 24-megapixel JPEG (median of %zu ticks):\n", onTick.size());
    std::printf("  decoded on the tick (baseline): %8.1f ms\n", base);
    std::printf("  decoded ahead:                  %8.1f ms\n", fast);
    std::printf("  ratio ahead / on the tick:      %8.3f  (goal: at most 0.1)\n", fast / base);
    return 0;
}
