// Benchmarks of the viewer on a 24-megapixel camera-like photo, each contender measured in turns
// with the others, round by round: opening it against `djpeg -ppm` decoding the same file; a
// portrait photo (EXIF orientation 6) against the same photo upright, in processor time, on two
// cores and on one; how soon the first view is on the screen; the memory an opening takes
// against the decoded picture; and a magnification step against the opening.
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
#include <sched.h>

using namespace vu;

namespace {

constexpr int Rounds = 7;

// Opens a viewer on `file` and waits until the whole picture is painted in it; the time until
// the first view was on the screen goes to `firstViewMs`.
void open(VuModule& module, const QString& file, double* firstViewMs = nullptr)
{
    QElapsedTimer t;
    t.start();
    VuView view(module, nullptr, file);
    if (!view.loaded())
        std::printf("the viewer did not open\n");
    view.show();
    view.repaint();
    QCoreApplication::processEvents();
    if (firstViewMs)
        *firstViewMs = t.nsecsElapsed() / 1e6;
    while (view.busy())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    view.repaint();
    QCoreApplication::processEvents();
}

// A viewer opened on `file`, the whole picture painted, and `keys` but the last typed.
struct Opened {
    Opened(VuModule& module, const QString& file, const QString& keys)
        : view(module, nullptr, file)
    {
        view.show();
        while (view.busy())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        QCoreApplication::processEvents();
        for (qsizetype k = 0; k + 1 < keys.size(); ++k)
            view.Text1_KeyPress(keys[k].unicode());
        QCoreApplication::processEvents();
    }
    // The last key, and the repaint it causes.
    void press(QChar key)
    {
        view.Text1_KeyPress(key.unicode());
        view.repaint();
        QCoreApplication::processEvents();
    }
    VuView view;
};

void djpeg(const QString& file)
{
    QProcess::execute(QStringLiteral("djpeg"),
        {QStringLiteral("-ppm"), QStringLiteral("-outfile"), QStringLiteral("/dev/null"), file});
}

// In a process of its own, so that nothing else has raised the peak before: the resident memory
// before an opening and the peak after it, in megabytes.
int openingMemory(const QString& file)
{
    testing::TestPlatform platform;
    VuModule module(platform.platform());
    const double before = bench::rssMb();
    open(module, file);
    std::printf("%.1f %.1f\n", before, bench::peakRssMb());
    return 0;
}

// Opened from a page of thumbnails, as the viewer always is: the page has left the pictures'
// thumbnails in the cache (the large size, as on a screen of twice the density).
void storeThumbnails(testing::TestPlatform& platform, const QStringList& files)
{
    for (const QString& path : files) {
        const PictureResult thumbnail = platform.pictures.loadFitted(path, QSize(256, 256));
        if (!platform.thumbnails.store(platform.thumbnails.keyOf(path), 256, thumbnail.image, thumbnail.natural))
            std::printf("cannot store the thumbnail of %s\n", qPrintable(path));
    }
}

// The photo upright and turned, opened in the viewer and decoded alone, and djpeg, in turns on
// whatever cores the process may use.
void orientationAndDjpeg(VuModule& module, const QString& upright, const QString& portrait, bool withDjpeg)
{
    Pictures& pictures = module.pictures();
    std::vector<std::function<void()>> contenders = {[&] { open(module, upright); }, [&] { open(module, portrait); },
        [&] { pictures.load(upright); }, [&] { pictures.load(portrait); }};
    if (withDjpeg)
        contenders.push_back([&] { djpeg(upright); });
    const auto costs = bench::inTurns(Rounds, contenders);
    bench::report("open, whole picture painted: wall", bench::wall(costs[0]), "ms");
    bench::report("open, whole picture painted: processor", bench::cpu(costs[0]), "ms");
    bench::report("the same photo with EXIF orientation 6: wall", bench::wall(costs[1]), "ms");
    bench::report("the same photo with EXIF orientation 6: processor", bench::cpu(costs[1]), "ms");
    bench::report("decoding alone, upright: processor", bench::cpu(costs[2]), "ms");
    bench::report("decoding alone, orientation 6: processor", bench::cpu(costs[3]), "ms");
    if (withDjpeg) {
        bench::report("djpeg -ppm of the upright file: wall", bench::wall(costs[4]), "ms");
        bench::report("djpeg -ppm of the upright file: processor", bench::cpu(costs[4]), "ms");
        bench::ratio("open / djpeg -ppm (wall)", bench::ratios(bench::wall(costs[0]), bench::wall(costs[4])), 1.0);
    }
    bench::ratio(
        "open, orientation 6 / upright (processor)", bench::ratios(bench::cpu(costs[1]), bench::cpu(costs[0])), 1.15);
    bench::ratio("decoding alone, orientation 6 / upright (processor)",
        bench::ratios(bench::cpu(costs[3]), bench::cpu(costs[2])), 1.15);
    bench::ratio("open, orientation 6 / upright (wall)", bench::ratios(bench::wall(costs[1]), bench::wall(costs[0])));
}

// The same on one core only, as a machine whose other cores are busy runs it.
int oneCore(const QString& upright, const QString& portrait)
{
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(0, &one);
    if (::sched_setaffinity(0, sizeof one, &one) != 0)
        std::perror("sched_setaffinity");
    testing::TestPlatform platform;
    VuModule module(platform.platform());
    module.SelPage = 1;
    module.SelCell = 0;
    storeThumbnails(platform, {upright, portrait});
    std::printf("\nOn one core (%d usable):\n", QThread::idealThreadCount());
    orientationAndDjpeg(module, upright, portrait, true);
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
    if (argc == 4 && QByteArray(argv[1]) == "--one-core")
        return oneCore(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    QTemporaryDir work;
    testing::TestPlatform platform;  // a 1280 x 994 work area
    VuModule module(platform.platform());
    std::printf("Vutara! viewer benchmarks (%d cores; medians of %d rounds taken in turns, lowest-highest "
                "in brackets)\n",
        QThread::idealThreadCount(), Rounds);

    const QSize size(6000, 4000);
    const QByteArray upright = testing::jpegBytes(bench::cameraPhoto(size.width(), size.height(), 3), 92);
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
    std::printf("\nA camera-like JPEG of %d x %d pixels (%.1f MB, %.1f bits a pixel):\n", size.width(), size.height(),
        upright.size() / 1e6, upright.size() * 8.0 / (qint64(size.width()) * size.height()));
    const bool haveDjpeg = !QStandardPaths::findExecutable(QStringLiteral("djpeg")).isEmpty();
    if (!haveDjpeg)
        std::printf("  (djpeg is not installed: libjpeg-turbo-progs)\n");

    // Without a thumbnail in the cache: the first view is the photo decoded to an eighth.
    std::vector<double> coldFirst;
    const auto cold = bench::inTurns(Rounds, {[&] {
        double first = 0;
        open(module, file, &first);
        coldFirst.push_back(first);
    }});
    storeThumbnails(platform, {file, portrait});
    orientationAndDjpeg(module, file, portrait, haveDjpeg);

    std::vector<double> firstViews;
    const auto costs = bench::inTurns(Rounds,
        {[&] {
             double first = 0;
             open(module, file, &first);
             firstViews.push_back(first);
         },
            [&] {
                QImageReader reader(file);
                reader.setAutoTransform(true);
                if (reader.read().isNull())
                    std::printf("cannot read %s\n", qPrintable(file));
            }});
    // The first round of the list above was not counted.
    bench::Series firstView, coldFirstView;
    firstView.values.assign(firstViews.end() - Rounds, firstViews.end());
    coldFirstView.values.assign(coldFirst.end() - Rounds, coldFirst.end());
    const bench::Series whole = bench::wall(costs[0]);
    bench::report("opening: its thumbnail on the screen", firstView, "ms");
    bench::report("opening: whole picture painted", whole, "ms");
    bench::report("without a thumbnail: first view (decoded to 1/8)", coldFirstView, "ms");
    bench::report("without a thumbnail: whole picture painted", bench::wall(cold[0]), "ms");
    bench::report("decoding the file whole (QImageReader)", bench::wall(costs[1]), "ms");
    bench::ratio("first view on the screen / whole open", bench::ratios(firstView, whole), 0.15);
    bench::ratio("the same without a thumbnail (1/8 decode; the entropy decoding is most of the work)",
        bench::ratios(coldFirstView, bench::wall(cold[0])));
    bench::ratio("open / whole decoding (QImageReader)", bench::ratios(whole, bench::wall(costs[1])), 1.0);

    // A step is timed on a viewer opened for it (not counted), in turns with a whole opening.
    auto step = [&](const QString& keys) {
        return [&module, &file, keys] {
            auto opened = std::make_unique<Opened>(module, file, keys);
            QElapsedTimer t;
            t.start();
            opened->press(keys.back());
            return t.nsecsElapsed() / 1e6;
        };
    };
    bench::Series plus, plusAgain, minus, opening;
    for (int round = 0; round < Rounds; ++round) {
        plus.values.push_back(step(QStringLiteral("+"))());
        plusAgain.values.push_back(step(QStringLiteral("++"))());
        minus.values.push_back(step(QStringLiteral("+-"))());
        opening.values.push_back(bench::cost([&] { open(module, file); }).wallMs);
    }
    bench::report("\"+\" (the whole work area: scaled from memory), painted", plus, "ms");
    bench::report("\"+\" once more (the same size), painted", plusAgain, "ms");
    bench::report("\"-\" back to the natural picture, painted", minus, "ms");
    bench::ratio("\"+\" / open", bench::ratios(plus, opening), 0.2);

    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--opening-memory"), portrait});
    child.waitForFinished(-1);
    const QList<QByteArray> numbers = child.readAllStandardOutput().simplified().split(' ');
    const double decodedMb = size.width() * size.height() * 4 / 1048576.0;
    if (numbers.size() == 2) {
        const double grown = numbers[1].toDouble() - numbers[0].toDouble();
        bench::report("memory an opening (orientation 6) takes at its peak", grown, "MB");
        bench::report("the decoded picture", decodedMb, "MB");
        bench::ratio("opening's peak memory / decoded picture", grown / decodedMb, 1.2);
    }

    std::fflush(stdout);
    QProcess pinned;
    pinned.setProcessChannelMode(QProcess::ForwardedChannels);
    pinned.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--one-core"), file, portrait});
    pinned.waitForFinished(-1);
    return 0;
}
