// Benchmarks of the main window, each contender measured in turns with the others, round by
// round: a page of 30 camera-like JPEGs (first visit against djpeg at as many parallel streams,
// photos with EXIF previews against the decode path, a revisit from the cache against the first
// visit, a first visit over planted giant cache entries against one with an empty cache), the
// program's own start-up, the memory of paging through large photos, listing a huge
// folder, and start-up on it.
#include "benchsupport.h"

#include "browser/vumain.h"
#include "platform/testing/doubles.h"
#include "platform/testing/fixtures.h"
#include "platform/thumbcache.h"
#include "shell/settings.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QtConcurrent/QtConcurrentMap>

#include <QtEndian>

#include <algorithm>
#include <cstdio>
#include <unistd.h>
#include <zlib.h>

using namespace vu;

namespace {

constexpr int Rounds = 7;

// A main window on `folder`, built in the current working directory.
std::unique_ptr<VuMain> mainOn(VuModule& module, const QString& folder)
{
    SettingsRec rec;
    rec.set(SettingsRec::PathName, folder);
    PosixFiles files;
    writeSettings(files, module.settingsPath, rec);
    return std::make_unique<VuMain>(module);
}

// `count` names in `folder` that are all hard links of `source`.
void linkMany(const QString& source, const QString& folder, int count, const QString& suffix)
{
    QDir().mkpath(folder);
    const QByteArray from = QFile::encodeName(source);
    for (int i = 0; i < count; ++i) {
        const QByteArray to
            = QFile::encodeName(folder + QStringLiteral("/img%1").arg(i, 5, 10, QLatin1Char('0')) + suffix);
        if (::link(from.constData(), to.constData()) != 0)
            std::perror("link");
    }
}

void shell(const QString& command)
{
    QProcess::execute(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), command});
}

// The entries in `folder` of the cache, once there are `count` of them (the page writes them
// after it is shown); how long that took past the call, in milliseconds.
double waitForEntries(const QString& folder, int count)
{
    QElapsedTimer t;
    t.start();
    while (QDir(folder).entryList({QStringLiteral("*.png")}, QDir::Files).size() < count) {
        if (t.elapsed() > 60000) {
            std::printf("the cache's entries did not come: %s\n", qPrintable(folder));
            break;
        }
        QThread::usleep(200);
    }
    return t.nsecsElapsed() / 1e6;
}

QByteArray pngChunk(const char* type, const QByteArray& body)
{
    const QByteArray chunk = QByteArray(type, 4) + body;
    QByteArray out(4, 0), crc(4, 0);
    qToBigEndian(quint32(body.size()), out.data());
    qToBigEndian(
        quint32(::crc32(0, reinterpret_cast<const Bytef*>(chunk.constData()), uInt(chunk.size()))), crc.data());
    return out + chunk + crc;
}

// The compressed pixels of a PNG of `side` x `side` RGB pixels of one colour, as a careless
// program writes them: deflated row by row at the fastest level.
QByteArray oneColourPixels(int side)
{
    QByteArray row(1 + 3 * side, '\xff');
    row[0] = 0;  // no filter
    z_stream z{};
    deflateInit(&z, 1);
    QByteArray out;
    std::vector<unsigned char> buffer(1 << 20);
    for (int y = 0; y < side; ++y) {
        z.next_in = reinterpret_cast<Bytef*>(row.data());
        z.avail_in = uInt(row.size());
        const int flush = y + 1 == side ? Z_FINISH : Z_NO_FLUSH;
        do {
            z.next_out = buffer.data();
            z.avail_out = uInt(buffer.size());
            deflate(&z, flush);
            out.append(reinterpret_cast<const char*>(buffer.data()), qsizetype(buffer.size() - z.avail_out));
        } while (z.avail_out == 0 || (flush == Z_FINISH && z.avail_in > 0));
    }
    deflateEnd(&z);
    return out;
}

// Cache entries that another program might have left for `files` in `folder`: pictures of `side`
// x `side` pixels whose keys describe the files, far larger than any thumbnail.
void plantEntries(
    FreedesktopThumbnails& cache, const QString& folder, const QStringList& files, int side, const QByteArray& pixels)
{
    QDir().mkpath(folder);
    QByteArray header(13, 0);
    qToBigEndian(quint32(side), header.data());
    qToBigEndian(quint32(side), header.data() + 4);
    header[8] = 8;  // bits a sample
    header[9] = 2;  // RGB
    const QByteArray head = QByteArray("\x89PNG\r\n\x1a\n", 8) + pngChunk("IHDR", header);
    const QByteArray tail = pngChunk("IDAT", pixels) + pngChunk("IEND", {});
    for (const QString& file : files) {
        const ThumbnailKey key = cache.keyOf(file);
        auto text = [](const char* name, const QByteArray& value) {
            return pngChunk("tEXt", QByteArray(name) + '\0' + value);
        };
        const QByteArray texts = text("Thumb::URI", key.uri) + text("Thumb::MTime", QByteArray::number(key.mtime))
            + text("Thumb::Size", QByteArray::number(key.size));
        QFile f(folder + u'/' + thumbnailFileName(key.uri));
        if (!f.open(QIODevice::WriteOnly) || f.write(head + texts + tail) <= 0)
            std::printf("cannot plant %s\n", qPrintable(f.fileName()));
    }
}

// Waits until the page has written its own entries over the planted ones.
void waitForOwnEntries(const QString& folder, qint64 plantedBytes)
{
    QElapsedTimer t;
    t.start();
    for (;;) {
        const QFileInfoList found = QDir(folder).entryInfoList({QStringLiteral("*.png")}, QDir::Files);
        if (std::all_of(found.begin(), found.end(), [&](const QFileInfo& i) { return i.size() < plantedBytes; }))
            return;
        if (t.elapsed() > 60000) {
            std::printf("the page did not write its own entries over the planted ones\n");
            return;
        }
        QThread::usleep(200);
    }
}

int pageMemory(const QString& folder)
{
    // Run in a process of its own, so that nothing else has raised the peak before.
    testing::TestPlatform platform;
    VuModule module(platform.platform());
    auto main = mainOn(module, folder);
    const double before = bench::peakRssMb();
    main->OkBtn_Click(0);
    for (int page = 2; page <= 10; ++page)
        main->pageForward();
    std::printf("%.1f %.1f %d\n", before, bench::peakRssMb(), int(main->pageNo()));
    return 0;
}

// The program's start-up: a process that builds the main window on `folder`, shows it and ends.
int startUp(const QString& folder)
{
    testing::TestPlatform platform;
    VuModule module(platform.platform());
    auto main = mainOn(module, folder);
    main->show();
    QCoreApplication::processEvents();
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc == 3 && QByteArray(argv[1]) == "--page-memory")
        return pageMemory(QString::fromLocal8Bit(argv[2]));
    if (argc == 3 && QByteArray(argv[1]) == "--start-up")
        return startUp(QString::fromLocal8Bit(argv[2]));

    QTemporaryDir work;
    QDir::setCurrent(work.path());
    testing::TestPlatform platform;
    VuModule module(platform.platform());
    std::printf("Vutara! main-window benchmarks (%d cores; medians of %d rounds taken in turns, "
                "lowest-highest in brackets)\n",
        QThread::idealThreadCount(), Rounds);

    // ---- a page of 30 camera-like JPEGs ----
    // Thirty photos of 12 megapixels, each another scene, once plain and once as cameras write
    // them, with a 160 x 120 EXIF preview; all dated an hour back, as photos on a disk are (the
    // cache takes no entry of a file changed in the last seconds).
    const QString camera = work.filePath(QStringLiteral("camera"));
    const QString previews = work.filePath(QStringLiteral("previews"));
    QDir().mkpath(camera);
    QDir().mkpath(previews);
    QList<int> seeds;
    for (int i = 0; i < 30; ++i)
        seeds << 100 + i;
    const QList<qint64> sizes = QtConcurrent::blockingMapped(seeds, [&](int seed) {
        const QImage picture = bench::cameraPhoto(4000, 3000, seed);
        const QByteArray plain = testing::jpegBytes(picture, 92);
        const QByteArray withPreview = testing::withExif(plain, 1,
            testing::jpegBytes(picture.scaled(160, 120, Qt::IgnoreAspectRatio, Qt::SmoothTransformation), 90));
        const QString name = QStringLiteral("/p%1.jpg").arg(seed - 100, 2, 10, QLatin1Char('0'));
        for (const auto& [folder, data] : {std::pair(camera, plain), std::pair(previews, withPreview)}) {
            QFile f(folder + name);
            if (!f.open(QIODevice::WriteOnly) || f.write(data) != data.size())
                std::printf("cannot write %s\n", qPrintable(f.fileName()));
            f.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime);
        }
        return qint64(plain.size());
    });
    qint64 bytes = 0;
    for (const qint64 s : sizes)
        bytes += s;
    QStringList files;
    for (const QString& name : QDir(camera).entryList({QStringLiteral("*.jpg")}, QDir::Files, QDir::Name))
        files << camera + u'/' + name;
    std::printf("\nA page of 30 camera-like JPEGs of 4000 x 3000 pixels (%.1f MB each, %.1f bits a pixel):\n",
        bytes / 30 / 1e6, bytes * 8.0 / 30 / 12e6);

    auto main = mainOn(module, camera);
    auto mainPreviews = mainOn(module, previews);
    const int streams = main->thumbnailThreads();
    const QString entries = platform.thumbnails.root() + u'/'
        + thumbnailFolder(thumbnailSide((QSizeF(main->ui().Img[0]->size()) * main->devicePixelRatioF()).toSize()));
    auto emptyCache = [&] { QDir(platform.thumbnails.root()).removeRecursively(); };
    bench::Series entriesWritten, entriesWrittenPreviews;
    auto firstVisit = [&](VuMain& window, bench::Series* written) {
        return bench::Contender{emptyCache, [&window, written, &entries] {
                                    window.OkBtn_Click(0);
                                    // Not counted: each visit starts once the last one's entries are in.
                                    written->values.push_back(waitForEntries(entries, 30));
                                }};
    };
    // As many streams as the page decodes at once, each taking every n-th file.
    QString djpegScript;
    for (int s = 0; s < streams; ++s) {
        djpegScript += QStringLiteral("(for f in");
        for (int i = s; i < files.size(); i += streams)
            djpegScript += QStringLiteral(" '%1'").arg(files[i]);
        djpegScript += QStringLiteral("; do djpeg -scale 1/8 -outfile /dev/null \"$f\"; done) & ");
    }
    djpegScript += QStringLiteral("wait");
    const bool haveDjpeg = !QStandardPaths::findExecutable(QStringLiteral("djpeg")).isEmpty();
    if (!haveDjpeg)
        std::printf("  (djpeg is not installed: libjpeg-turbo-progs)\n");
    std::vector<bench::Contender> contenders = {
        firstVisit(*main, &entriesWritten),
        {nullptr, [&] { main->OkBtn_Click(0); }},
        firstVisit(*mainPreviews, &entriesWrittenPreviews),
        {nullptr,
            [&] {
                QProcess::execute(QCoreApplication::applicationFilePath(), {QStringLiteral("--start-up"), camera});
            }},
    };
    // Entries of 11000 x 11000 pixels whose keys match the page's photos, planted before each
    // visit: they are no thumbnails, so the page must pass them over without decoding them.
    constexpr int PlantedSide = 11000;
    const QByteArray plantedPixels = oneColourPixels(PlantedSide);
    const qint64 plantedBytes = plantedPixels.size();
    bool plantedShown = false;
    contenders.push_back({[&] {
                              emptyCache();
                              plantEntries(platform.thumbnails, entries, files, PlantedSide, plantedPixels);
                          },
        [&] {
            main->OkBtn_Click(0);
            // The cells show the photos, not the planted white.
            const QImage cell = main->ui().Img[0]->picture();
            plantedShown = plantedShown || cell.isNull()
                || cell.pixel(cell.width() / 2, cell.height() / 2) == qRgb(255, 255, 255);
            waitForOwnEntries(entries, plantedBytes);
        }});
    if (haveDjpeg)
        contenders.push_back({nullptr, [&] { shell(djpegScript); }});
    const auto costs = bench::inTurns(Rounds, contenders);
    // The waits of the round not counted.
    entriesWritten.values.erase(entriesWritten.values.begin());
    entriesWrittenPreviews.values.erase(entriesWrittenPreviews.values.begin());
    const bench::Series first = bench::wall(costs[0]), revisit = bench::wall(costs[1]),
                        withPreviews = bench::wall(costs[2]), startUp = bench::wall(costs[3]);
    bench::report("first visit: decoded, shown", first, "ms");
    bench::report("  then its cache entries written, after the page", entriesWritten, "ms");
    bench::report("revisit: from the cache", revisit, "ms");
    bench::report("first visit of the photos with EXIF previews", withPreviews, "ms");
    bench::report("  then its cache entries written, after the page", entriesWrittenPreviews, "ms");
    bench::report("start-up of a process showing the main window on the folder", startUp, "ms");
    const bench::Series planted = bench::wall(costs[4]);
    bench::report("first visit with 30 planted 11000 x 11000 cache entries", planted, "ms");
    std::printf("  (each entry %.1f MB of file, %.0f MB of pixels; the cells show %s)\n", plantedBytes / 1e6,
        3.0 * PlantedSide * PlantedSide / 1e6, plantedShown ? "the planted pictures" : "the photos");
    if (haveDjpeg) {
        const QString name = QStringLiteral("djpeg -scale 1/8, %1 parallel streams").arg(streams);
        bench::report(qPrintable(name), bench::wall(costs[5]), "ms");
        bench::ratio(
            "first visit / djpeg -scale 1/8 in as many streams", bench::ratios(first, bench::wall(costs[5])), 1.0);
        bench::ratio("  the same, processor time", bench::ratios(bench::cpu(costs[0]), bench::cpu(costs[5])));
    }
    bench::ratio("first visit with planted entries / with an empty cache", bench::ratios(planted, first), 3.0);
    bench::ratio("first visit with previews / without", bench::ratios(withPreviews, first), 0.05);
    bench::ratio("revisit / first visit", bench::ratios(revisit, first), 0.05);
    bench::ratio("start-up (beside the page) / first visit", bench::ratios(startUp, first));
    main.reset();
    mainPreviews.reset();

    // ---- memory while paging through 10 pages of 24-megapixel JPEGs ----
    const QString large = work.filePath(QStringLiteral("large"));
    QDir().mkpath(large);
    for (int i = 0; i < 3; ++i)
        bench::writeJpeg(bench::cameraPhoto(6000, 4000, 10 + i), work.filePath(QStringLiteral("big%1.jpg").arg(i)));
    for (int i = 0; i < 300; ++i) {
        const QByteArray from = QFile::encodeName(work.filePath(QStringLiteral("big%1.jpg").arg(i % 3)));
        const QByteArray to = QFile::encodeName(large + QStringLiteral("/b%1.jpg").arg(i, 3, 10, QLatin1Char('0')));
        if (::link(from.constData(), to.constData()) != 0)
            std::perror("link");
    }
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--page-memory"), large});
    child.waitForFinished(-1);
    const QList<QByteArray> numbers = child.readAllStandardOutput().simplified().split(' ');
    if (numbers.size() == 3) {
        const double before = numbers[0].toDouble(), peak = numbers[1].toDouble();
        std::printf("\nPaging through 10 pages of 6000 x 4000 JPEGs (reached page %s):\n", numbers[2].constData());
        bench::report("peak memory of the program", peak, "MB");
        bench::report("of which before the first page", before, "MB");
        bench::report("whole pictures kept per cell would need (30 x 96 MB)", 30 * 96.0, "MB");
        bench::ratio("peak / 250 MB", peak / 250.0, 1.0);
    }

    // ---- a folder of 32,767 pictures ----
    const QString huge = work.filePath(QStringLiteral("huge"));
    const QString empty = work.filePath(QStringLiteral("empty"));
    QDir().mkpath(empty);
    const QString tiny = work.filePath(QStringLiteral("tiny.jpg"));
    bench::writeJpeg(bench::photo(8, 8, 1), tiny);
    linkMany(tiny, huge, 32767, QStringLiteral(".jpg"));
    // A photo folder is not being written to while it is browsed; listings of a folder changed
    // in the last two seconds are always read afresh.
    QThread::msleep(2100);
    std::printf("\nA folder of 32,767 pictures:\n");
    auto startOn = [&](const QString& folder) {
        return [&module, folder] {
            testing::TestPlatform fresh;  // a new program: nothing read before
            VuModule startModule(fresh.platform());
            auto m = mainOn(startModule, folder);
            m->show();
            QCoreApplication::processEvents();
        };
    };
    const auto listing = bench::inTurns(Rounds,
        {[&] {
             PosixFiles files;  // a fresh service each time: no earlier listing to reuse
             FileListBox list(files);
             list.setPath(huge);
             list.names();  // sorted, as find | sort is
         },
            [&] { shell(QStringLiteral("find '%1' -maxdepth 1 -iname '*.jpg' | sort > /dev/null").arg(huge)); },
            startOn(huge), startOn(empty)});
    bench::report("listing, counting and sorting it in the file list", bench::wall(listing[0]), "ms");
    bench::report("find DIR -maxdepth 1 -iname '*.jpg' | sort", bench::wall(listing[1]), "ms");
    bench::ratio("file list / find | sort", bench::ratios(bench::wall(listing[0]), bench::wall(listing[1])), 2.0);
    bench::report("start-up to a shown main window on it", bench::wall(listing[2]), "ms");
    bench::report("start-up on an empty folder", bench::wall(listing[3]), "ms");
    bench::ratio("start-up on 32,767 pictures / on an empty folder",
        bench::ratios(bench::wall(listing[2]), bench::wall(listing[3])), 3.0);
    return 0;
}
