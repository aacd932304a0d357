// Benchmarks of the main window: start-up on a huge folder, a page of camera-sized JPEGs, the
// memory of paging through large photos, and listing a huge folder.
#include "benchsupport.h"

#include "browser/vumain.h"
#include "platform/testing/doubles.h"
#include "platform/testing/fixtures.h"
#include "shell/settings.h"

#include <QApplication>
#include <QDir>
#include <QImageReader>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdio>
#include <unistd.h>

using namespace vu;

namespace {

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

double shellMs(int runs, const QString& command)
{
    return bench::bestMs(runs, [&] { QProcess::execute(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), command}); });
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

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc == 3 && QByteArray(argv[1]) == "--page-memory")
        return pageMemory(QString::fromLocal8Bit(argv[2]));

    QTemporaryDir work;
    QDir::setCurrent(work.path());
    testing::TestPlatform platform;
    VuModule module(platform.platform());
    std::printf("Vutara! main-window benchmarks (%d cores)\n", QThread::idealThreadCount());

    // ---- a page of 30 camera-sized JPEGs ----
    // Three photos of 12 megapixels, each copied ten times, once plain and once as cameras write
    // them, with a 160 x 120 EXIF preview; all dated an hour back, as photos on a disk are (the
    // cache takes no entry of a file changed in the last seconds).
    const QString camera = work.filePath(QStringLiteral("camera"));
    const QString previews = work.filePath(QStringLiteral("previews"));
    QDir().mkpath(camera);
    QDir().mkpath(previews);
    qint64 bytes = 0;
    QList<QByteArray> plain, withPreview;
    for (int i = 0; i < 3; ++i) {
        const QImage picture = bench::photo(4000, 3000, i);
        plain << testing::jpegBytes(picture, 92);
        withPreview << testing::withExif(plain.last(), 1,
            testing::jpegBytes(picture.scaled(160, 120, Qt::IgnoreAspectRatio, Qt::SmoothTransformation), 90));
        bytes = plain.last().size();
    }
    QStringList files;
    const QDateTime hourAgo = QDateTime::currentDateTime().addSecs(-3600);
    for (int i = 0; i < 30; ++i) {
        const QString name = QStringLiteral("/p%1.jpg").arg(i, 2, 10, QLatin1Char('0'));
        for (const auto& [folder, data] : {std::pair(camera, plain[i % 3]), std::pair(previews, withPreview[i % 3])}) {
            QFile f(folder + name);
            if (!f.open(QIODevice::WriteOnly) || f.write(data) != data.size())
                std::printf("cannot write %s\n", qPrintable(f.fileName()));
            f.setFileTime(hourAgo, QFileDevice::FileModificationTime);
        }
        files << camera + name;
    }
    std::printf("\nA page of 30 JPEGs of 4000 x 3000 pixels (%.1f MB each):\n", bytes / 1e6);
    auto main = mainOn(module, camera);
    const QSize cell = main->ui().Img[0]->size();
    const int streams = main->thumbnailThreads();
    auto emptyCache = [&] { QDir(platform.thumbnails.root()).removeRecursively(); };
    auto firstVisit = [&](VuMain& window) {
        return bench::bestMs(3, [&] {
            emptyCache();
            window.OkBtn_Click(0);
        });
    };
    const double first = firstVisit(*main);
    const double second = bench::bestMs(3, [&] { main->OkBtn_Click(0); });
    const double firstWithPreviews = firstVisit(*mainOn(module, previews));
    const double whole = bench::bestMs(2, [&] {
        for (const QString& f : files) {
            QImageReader reader(f);
            reader.setAutoTransform(true);
            const QImage image = reader.read().scaled(cell, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            if (image.isNull())
                std::printf("cannot read %s\n", qPrintable(f));
        }
    });
    double djpeg = -1;
    if (!QStandardPaths::findExecutable(QStringLiteral("djpeg")).isEmpty()) {
        // As many streams as the page decodes at once, each taking every n-th file.
        QString script;
        for (int s = 0; s < streams; ++s) {
            script += QStringLiteral("(for f in");
            for (int i = s; i < files.size(); i += streams)
                script += QStringLiteral(" '%1'").arg(files[i]);
            script += QStringLiteral("; do djpeg -scale 1/8 -outfile /dev/null \"$f\"; done) & ");
        }
        djpeg = shellMs(2, script + QStringLiteral("wait"));
    }
    bench::report("first visit: decoded, entries written to the cache", first, "ms");
    bench::report("second visit: from the cache", second, "ms");
    bench::report("first visit of the photos with EXIF previews", firstWithPreviews, "ms");
    bench::report("each file decoded whole, then scaled, one after another", whole, "ms");
    if (djpeg >= 0) {
        const QString name = QStringLiteral("djpeg -scale 1/8, %1 parallel streams").arg(streams);
        bench::report(qPrintable(name), djpeg, "ms");
    }
    bench::ratio("second visit / first visit", second / first, 0.05);
    bench::ratio("first visit with previews / without", firstWithPreviews / first, 0.1);
    if (djpeg >= 0)
        bench::ratio("first visit / djpeg -scale 1/8 in as many streams", first / djpeg, 1.0);
    bench::ratio("first visit / whole decoding", first / whole, 0.3);
    main.reset();

    // ---- memory while paging through 10 pages of 24-megapixel JPEGs ----
    const QString large = work.filePath(QStringLiteral("large"));
    QDir().mkpath(large);
    for (int i = 0; i < 3; ++i)
        bench::writeJpeg(bench::photo(6000, 4000, 10 + i), work.filePath(QStringLiteral("big%1.jpg").arg(i)));
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
    const double listing = bench::bestMs(5, [&] {
        PosixFiles files;  // a fresh service each time: no earlier listing to reuse
        FileListBox list(files);
        list.setPath(huge);
        list.names();  // sorted, as find | sort is
    });
    const double find = shellMs(5, QStringLiteral("find '%1' -maxdepth 1 -iname '*.jpg' | sort > /dev/null").arg(huge));
    bench::report("listing, counting and sorting it in the file list", listing, "ms");
    bench::report("find DIR -maxdepth 1 -iname '*.jpg' | sort", find, "ms");
    bench::ratio("file list / find | sort", listing / find, 2.0);

    auto startOn = [&](const QString& folder) {
        return bench::bestMs(5, [&] {
            testing::TestPlatform fresh;  // a new program: nothing read before
            VuModule startModule(fresh.platform());
            auto m = mainOn(startModule, folder);
            m->show();
            QCoreApplication::processEvents();
        });
    };
    const double startHuge = startOn(huge);
    const double startEmpty = startOn(empty);
    bench::report("start-up to a shown main window on it", startHuge, "ms");
    bench::report("start-up on an empty folder", startEmpty, "ms");
    bench::ratio("start-up on 32,767 pictures / on an empty folder", startHuge / startEmpty, 3.0);
    return 0;
}
