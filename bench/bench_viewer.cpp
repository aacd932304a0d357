// Benchmarks of the viewer on a 24-megapixel photo: opening it against djpeg decoding the same
// file, a portrait photo (EXIF orientation 6) against the same photo upright, how soon the first
// view is on the screen, the memory an opening takes against the decoded picture, and a
// magnification step against the opening.
#include "benchsupport.h"

#include "platform/testing/doubles.h"
#include "platform/testing/fixtures.h"
#include "viewer/vuview.h"

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QImageReader>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>

using namespace vu;

namespace {

// Runs `key` on a freshly opened viewer, `runs` times; the best time of the key's handling and
// the repaint it causes.
double stepMs(VuModule& module, const QString& file, int runs, const QString& keys)
{
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        VuView view(module, nullptr, file);
        view.show();
        while (view.busy())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        QCoreApplication::processEvents();
        for (qsizetype k = 0; k + 1 < keys.size(); ++k)  // the steps before the one measured
            view.Text1_KeyPress(keys[k].unicode());
        QCoreApplication::processEvents();
        QElapsedTimer t;
        t.start();
        view.Text1_KeyPress(keys.back().unicode());
        view.repaint();
        QCoreApplication::processEvents();
        best = std::min(best, t.nsecsElapsed() / 1e6);
    }
    return best;
}

struct Opening {
    double firstView = 1e300;  // until the window is on the screen, painted
    double whole = 1e300;  // until the whole picture is painted in it
};

// The best of `runs` openings of the viewer on `file`.
Opening open(VuModule& module, const QString& file, int runs)
{
    Opening best;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        VuView view(module, nullptr, file);
        if (!view.loaded())
            std::printf("the viewer did not open\n");
        view.show();
        view.repaint();
        QCoreApplication::processEvents();
        best.firstView = std::min(best.firstView, t.nsecsElapsed() / 1e6);
        while (view.busy())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        view.repaint();
        QCoreApplication::processEvents();
        best.whole = std::min(best.whole, t.nsecsElapsed() / 1e6);
    }
    return best;
}

// In a process of its own, so that nothing else has raised the peak before: the resident memory
// before an opening and the peak after it, in megabytes.
int openingMemory(const QString& file)
{
    testing::TestPlatform platform;
    VuModule module(platform.platform());
    const double before = bench::rssMb();
    open(module, file, 1);
    std::printf("%.1f %.1f\n", before, bench::peakRssMb());
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc == 3 && QByteArray(argv[1]) == "--opening-memory")
        return openingMemory(QString::fromLocal8Bit(argv[2]));
    QTemporaryDir work;
    testing::TestPlatform platform;  // a 1280 x 994 work area
    VuModule module(platform.platform());
    std::printf("Vutara! viewer benchmarks (%d cores)\n", QThread::idealThreadCount());

    const QSize size(6000, 4000);
    const QByteArray upright = testing::jpegBytes(bench::photo(size.width(), size.height(), 3), 92);
    const QString file = work.filePath(QStringLiteral("photo.jpg"));
    const QString portrait = work.filePath(QStringLiteral("portrait.jpg"));
    // Dated an hour back, as photos on a disk are: the thumbnail cache takes entries of them.
    for (const auto& [path, bytes] : {std::pair(file, upright), std::pair(portrait, testing::withExif(upright, 6))}) {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            std::printf("cannot write %s\n", qPrintable(path));
        f.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime);
    }
    module.SelPage = 1;
    module.SelCell = 0;
    std::printf("\nA JPEG of %d x %d pixels (%.1f MB):\n", size.width(), size.height(), upright.size() / 1e6);

    double djpeg = -1;
    if (!QStandardPaths::findExecutable(QStringLiteral("djpeg")).isEmpty()) {
        djpeg = bench::bestMs(5, [&] {
            QProcess::execute(QStringLiteral("djpeg"),
                {QStringLiteral("-bmp"), QStringLiteral("-outfile"), QStringLiteral("/dev/null"), file});
        });
    }
    const double decode = bench::bestMs(5, [&] {
        QImageReader reader(file);
        reader.setAutoTransform(true);
        if (reader.read().isNull())
            std::printf("cannot read %s\n", qPrintable(file));
    });
    // Opened from a page of thumbnails, as the viewer always is: the page has left the
    // picture's thumbnail in the cache (the large size, as on a screen of twice the density).
    const Opening cold = open(module, file, 5);
    for (const QString& path : {file, portrait}) {
        const PictureResult thumbnail = platform.pictures.loadFitted(path, QSize(256, 256));
        if (!platform.thumbnails.store(platform.thumbnails.keyOf(path), 256, thumbnail.image, thumbnail.natural))
            std::printf("cannot store the thumbnail of %s\n", qPrintable(path));
    }
    // Taken in turns, so that whatever else the machine does weighs on both alike.
    Opening portraitOpen, uprightOpen;
    for (int i = 0; i < 7; ++i) {
        for (auto [path, best] : {std::pair(file, &uprightOpen), std::pair(portrait, &portraitOpen)}) {
            const Opening o = open(module, path, 1);
            best->firstView = std::min(best->firstView, o.firstView);
            best->whole = std::min(best->whole, o.whole);
        }
    }
    const double plus = stepMs(module, file, 5, QStringLiteral("+"));
    const double plusAgain = stepMs(module, file, 5, QStringLiteral("++"));
    const double minus = stepMs(module, file, 5, QStringLiteral("+-"));

    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--opening-memory"), portrait});
    child.waitForFinished(-1);
    const QList<QByteArray> numbers = child.readAllStandardOutput().simplified().split(' ');
    const double decodedMb = size.width() * size.height() * 4 / 1048576.0;

    if (djpeg >= 0)
        bench::report("djpeg -bmp of the file", djpeg, "ms");
    bench::report("decoding the file whole (QImageReader)", decode, "ms");
    bench::report("opening the viewer: its thumbnail on the screen", uprightOpen.firstView, "ms");
    bench::report("opening the viewer: whole picture painted", uprightOpen.whole, "ms");
    bench::report("without a thumbnail: first view (decoded to 1/8)", cold.firstView, "ms");
    bench::report("without a thumbnail: whole picture painted", cold.whole, "ms");
    bench::report("the same photo with EXIF orientation 6, whole", portraitOpen.whole, "ms");
    bench::report("\"+\" (the whole work area: scaled from memory), painted", plus, "ms");
    bench::report("\"+\" once more (the same size), painted", plusAgain, "ms");
    bench::report("\"-\" back to the natural picture, painted", minus, "ms");
    if (djpeg >= 0)
        bench::ratio("open / djpeg -bmp", uprightOpen.whole / djpeg, 1.0);
    bench::ratio("open with orientation 6 / upright", portraitOpen.whole / uprightOpen.whole, 1.15);
    bench::ratio("first view on the screen / whole open", uprightOpen.firstView / uprightOpen.whole, 0.15);
    std::printf("  %-58s %10.3fx  (no goal: the entropy decoding is most of the work)\n",
        "  the same without a thumbnail (1/8 decode)", cold.firstView / cold.whole);
    if (numbers.size() == 2) {
        const double grown = numbers[1].toDouble() - numbers[0].toDouble();
        bench::report("memory an opening (orientation 6) takes at its peak", grown, "MB");
        bench::report("the decoded picture", decodedMb, "MB");
        bench::ratio("opening's peak memory / decoded picture", grown / decodedMb, 1.2);
    }
    bench::ratio("open / whole decoding (QImageReader)", uprightOpen.whole / decode, 1.0);
    bench::ratio("\"+\" / open", plus / uprightOpen.whole, 0.2);
    return 0;
}
