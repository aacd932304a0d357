// Benchmarks of the viewer on a 24-megapixel photo: opening it against decoding the file whole,
// and a magnification step against the opening.
#include "benchsupport.h"

#include "platform/testing/doubles.h"
#include "viewer/vuview.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImageReader>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>

using namespace vu;

namespace {

// Runs `key` on a freshly opened viewer, `runs` times; the best time of the key's handling and
// the repaint it causes.
double stepMs(VuModule& module, int runs, const QString& keys)
{
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        VuView view(module, nullptr);
        view.show();
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

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir work;
    testing::TestPlatform platform;  // a 1280 x 994 work area
    VuModule module(platform.platform());
    std::printf("Vutara! viewer benchmarks (%d cores)\n", QThread::idealThreadCount());

    const QString file = work.filePath(QStringLiteral("photo.jpg"));
    const qint64 bytes = bench::writeJpeg(bench::photo(6000, 4000, 3), file);
    module.SelPage = 1;
    module.SelCell = 0;
    module.cellFile = [&](quint8, quint8) { return file; };
    std::printf("\nA JPEG of 6000 x 4000 pixels (%.1f MB):\n", bytes / 1e6);

    const double decode = bench::bestMs(5, [&] {
        QImageReader reader(file);
        reader.setAutoTransform(true);
        if (reader.read().isNull())
            std::printf("cannot read %s\n", qPrintable(file));
    });
    const double open = bench::bestMs(5, [&] {
        VuView view(module, nullptr);
        if (!view.loaded())
            std::printf("the viewer did not open\n");
        view.show();
        QCoreApplication::processEvents();
    });
    const double plus = stepMs(module, 5, QStringLiteral("+"));
    const double plusAgain = stepMs(module, 5, QStringLiteral("++"));
    const double minus = stepMs(module, 5, QStringLiteral("+-"));
    const int loads = platform.pictures.loads();

    bench::report("decoding the file whole (QImageReader)", decode, "ms");
    bench::report("opening the viewer on it, shown and painted", open, "ms");
    bench::report("\"+\" (the whole work area: scaled from memory), painted", plus, "ms");
    bench::report("\"+\" once more (the same size), painted", plusAgain, "ms");
    bench::report("\"-\" back to the natural picture, painted", minus, "ms");
    std::printf("  files decoded by the viewer: %d for %d openings\n", loads, 5 + 3 * 5);
    bench::report("peak memory of the benchmark (one decoded photo: 96 MB)", bench::peakRssMb(), "MB");
    bench::ratio("open / whole decoding", open / decode, 1.2);
    bench::ratio("\"+\" / open", plus / open, 0.2);
    return 0;
}
