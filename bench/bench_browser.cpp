// Benchmarks of the main window: start-up on a huge folder, a page of camera-sized JPEGs, the
// memory of paging through large photos, and listing a huge folder.
#include "benchsupport.h"

#include "browser/vumain.h"
#include "platform/testing/doubles.h"
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
    std::printf("%.1f %.1f %d\n", before, bench::peakRssMb(), int(main->PageNo));
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
    const QString camera = work.filePath(QStringLiteral("camera"));
    QDir().mkpath(camera);
    qint64 bytes = 0;
    for (int i = 0; i < 3; ++i)
        bytes = bench::writeJpeg(bench::photo(4000, 3000, i), camera + QStringLiteral("/src%1.jpg").arg(i));
    QStringList files;
    for (int i = 0; i < 30; ++i) {
        const QString name = camera + QStringLiteral("/p%1.jpg").arg(i, 2, 10, QLatin1Char('0'));
        QFile::copy(camera + QStringLiteral("/src%1.jpg").arg(i % 3), name);
        files << name;
    }
    for (int i = 0; i < 3; ++i)
        QFile::remove(camera + QStringLiteral("/src%1.jpg").arg(i));
    std::printf("\nA page of 30 JPEGs of 4000 x 3000 pixels (%.1f MB each):\n", bytes / 1e6);
    auto main = mainOn(module, camera);
    const QSize cell = main->Img[0]->size();
    const double page = bench::bestMs(3, [&] { main->OkBtn_Click(0); });
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
        djpeg = bench::bestMs(2, [&] {
            for (const QString& f : files)
                QProcess::execute(QStringLiteral("djpeg"),
                    {QStringLiteral("-scale"), QStringLiteral("1/8"), QStringLiteral("-outfile"),
                        QStringLiteral("/dev/null"), f});
        });
    }
    bench::report("page drawn by the main window", page, "ms");
    bench::report("each file decoded whole, then scaled, one after another", whole, "ms");
    if (djpeg >= 0)
        bench::report("djpeg -scale 1/8 on each file in turn", djpeg, "ms");
    bench::ratio("page / whole decoding", page / whole, 0.3);
    if (djpeg >= 0)
        bench::ratio("page / djpeg -scale 1/8", page / djpeg, 0.7);
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
