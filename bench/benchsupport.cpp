#include "benchsupport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QRandomGenerator>

#include <cmath>
#include <cstdio>
#include <sys/resource.h>

namespace vu::bench {

double bestMs(int runs, const std::function<void()>& work)
{
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        work();
        best = std::min(best, t.nsecsElapsed() / 1e6);
    }
    return best;
}

namespace {

// A "Vm...:" line of /proc/self/status in megabytes, or -1.
double statusMb(const QByteArray& field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith(field))
                return line.mid(field.size()).trimmed().split(' ').first().toDouble() / 1024.0;
        }
    }
    return -1;
}

}  // namespace

double peakRssMb()
{
    // VmHWM starts afresh with each program, unlike the rusage peak, which a child inherits.
    const double peak = statusMb("VmHWM:");
    if (peak >= 0)
        return peak;
    struct rusage u { };
    ::getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss / 1024.0;
}

double rssMb()
{
    return statusMb("VmRSS:");
}

QImage photo(int width, int height, int seed)
{
    QImage image(width, height, QImage::Format_RGB32);
    QRandomGenerator random(quint32(seed) * 7919u + 17u);
    const double fx = 0.002 + 0.001 * (seed % 5), fy = 0.003 + 0.0007 * (seed % 7);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int grain = int(random.bounded(24)) - 12;
            const int r = int(128 + 100 * std::sin(x * fx + seed)) + grain;
            const int g = int(128 + 100 * std::sin(y * fy + x * 0.0011)) + grain;
            const int b = int(128 + 90 * std::cos((x + y) * 0.0017 + seed)) + grain;
            line[x] = qRgb(std::clamp(r, 0, 255), std::clamp(g, 0, 255), std::clamp(b, 0, 255));
        }
    }
    return image;
}

qint64 writeJpeg(const QImage& image, const QString& path, int quality)
{
    QImageWriter writer(path, "jpg");
    writer.setQuality(quality);
    writer.write(image);
    return QFileInfo(path).size();
}

void report(const char* name, double value, const char* unit)
{
    std::printf("  %-58s %10.1f %s\n", name, value, unit);
}

void ratio(const char* name, double value, double goal)
{
    std::printf("  %-58s %10.3fx  (goal: at most %.2fx) %s\n", name, value, goal, value <= goal ? "met" : "NOT MET");
}

}  // namespace vu::bench
