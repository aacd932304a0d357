#include "benchsupport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QPainter>
#include <QPainterPath>
#include <QRandomGenerator>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
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

QImage cameraPhoto(int width, int height, int seed)
{
    QRandomGenerator random(quint32(seed) * 104729u + 7u);
    auto colour = [&](int low, int high) {
        return qRgb(low + int(random.bounded(high - low)), low + int(random.bounded(high - low)),
            low + int(random.bounded(high - low)));
    };
    // A random field of `cells` across, smoothly enlarged to the picture: uneven light when the
    // cells are large, the texture of surfaces when they are a few pixels.
    auto field = [&](int cell, int low, int high) {
        QImage small(std::max(2, width / cell), std::max(2, height / cell), QImage::Format_RGB32);
        for (int y = 0; y < small.height(); ++y)
            for (int x = 0; x < small.width(); ++x)
                small.setPixel(x, y, colour(low, high));
        return small.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    };
    const QImage light = field(std::max(width, height) / 6, 110, 255);
    const QImage texture = field(5, 0, 255);

    // The scene: shapes with hard edges (no smoothing), large to small, and thin lines.
    QImage scene(width, height, QImage::Format_RGB32);
    scene.fill(colour(40, 220));
    {
        QPainter p(&scene);
        p.setPen(Qt::NoPen);
        const int side = std::max(width, height);
        for (int i = 0; i < 400; ++i) {
            const int size = std::max(4, int(side / (4 + i * 0.25)));
            const QRect r(int(random.bounded(width)) - size / 2, int(random.bounded(height)) - size / 2,
                size / 2 + int(random.bounded(size)), size / 2 + int(random.bounded(size)));
            p.setBrush(QColor(colour(0, 255)));
            switch (random.bounded(3)) {
            case 0:
                p.drawRect(r);
                break;
            case 1:
                p.drawEllipse(r);
                break;
            default: {
                QPolygon polygon;
                for (int k = 0; k < 5; ++k)
                    polygon << QPoint(
                        r.left() + int(random.bounded(r.width())), r.top() + int(random.bounded(r.height())));
                p.drawPolygon(polygon);
            }
            }
        }
        for (int i = 0; i < 300; ++i) {
            p.setPen(QPen(QColor(colour(0, 255)), 1 + int(random.bounded(3))));
            p.drawLine(int(random.bounded(width)), int(random.bounded(height)), int(random.bounded(width)),
                int(random.bounded(height)));
        }
    }

    // Light times surface, the texture's relief, and the sensor's noise.
    quint64 state = quint64(seed) * 0x9E3779B97F4A7C15ull + 1;
    for (int y = 0; y < height; ++y) {
        auto* out = reinterpret_cast<QRgb*>(scene.scanLine(y));
        const auto* l = reinterpret_cast<const QRgb*>(light.constScanLine(y));
        const auto* t = reinterpret_cast<const QRgb*>(texture.constScanLine(y));
        for (int x = 0; x < width; ++x) {
            state ^= state << 13;
            state ^= state >> 7;
            state ^= state << 17;
            const int relief = (qGreen(t[x]) - 128) / 4;
            const int noise = int(state & 15) - 8;
            auto channel = [&](int surface, int lit, int chroma) {
                return std::clamp(surface * lit / 255 + relief + noise + chroma, 0, 255);
            };
            out[x] = qRgb(channel(qRed(out[x]), qRed(l[x]), int(state >> 8 & 3) - 1),
                channel(qGreen(out[x]), qGreen(l[x]), 0),
                channel(qBlue(out[x]), qBlue(l[x]), int(state >> 10 & 3) - 1));
        }
    }
    return scene;
}

qint64 writeJpeg(const QImage& image, const QString& path, int quality)
{
    QImageWriter writer(path, "jpg");
    writer.setQuality(quality);
    writer.write(image);
    return QFileInfo(path).size();
}

namespace {

double processorMs()
{
    timespec self{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &self);
    struct rusage children { };
    ::getrusage(RUSAGE_CHILDREN, &children);
    auto ms = [](const timeval& t) { return t.tv_sec * 1e3 + t.tv_usec / 1e3; };
    return self.tv_sec * 1e3 + self.tv_nsec / 1e6 + ms(children.ru_utime) + ms(children.ru_stime);
}

}  // namespace

Cost cost(const std::function<void()>& work)
{
    const double cpuBefore = processorMs();
    QElapsedTimer t;
    t.start();
    work();
    Cost c;
    c.wallMs = t.nsecsElapsed() / 1e6;
    c.cpuMs = processorMs() - cpuBefore;
    return c;
}

double Series::median() const
{
    if (values.empty())
        return 0;
    std::vector<double> sorted = values;
    std::sort(sorted.begin(), sorted.end());
    const size_t n = sorted.size();
    return n % 2 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
}

double Series::min() const
{
    return values.empty() ? 0 : *std::min_element(values.begin(), values.end());
}

double Series::max() const
{
    return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
}

std::vector<std::vector<Cost>> inTurns(int rounds, const std::vector<std::function<void()>>& contenders)
{
    std::vector<Contender> plain;
    for (const auto& work : contenders)
        plain.push_back({nullptr, work});
    return inTurns(rounds, plain);
}

std::vector<std::vector<Cost>> inTurns(int rounds, const std::vector<Contender>& contenders)
{
    std::vector<std::vector<Cost>> costs(contenders.size());
    for (int round = -1; round < rounds; ++round) {
        for (size_t i = 0; i < contenders.size(); ++i) {
            if (contenders[i].before)
                contenders[i].before();
            const Cost c = cost(contenders[i].work);
            if (round >= 0)
                costs[i].push_back(c);
        }
    }
    return costs;
}

Series wall(const std::vector<Cost>& costs)
{
    Series s;
    for (const Cost& c : costs)
        s.values.push_back(c.wallMs);
    return s;
}

Series cpu(const std::vector<Cost>& costs)
{
    Series s;
    for (const Cost& c : costs)
        s.values.push_back(c.cpuMs);
    return s;
}

Series ratios(const Series& a, const Series& b)
{
    Series s;
    for (size_t i = 0; i < a.values.size() && i < b.values.size(); ++i)
        s.values.push_back(b.values[i] > 0 ? a.values[i] / b.values[i] : 0);
    return s;
}

void report(const char* name, const Series& values, const char* unit)
{
    std::printf("  %-58s %10.1f %s  (%.1f-%.1f)\n", name, values.median(), unit, values.min(), values.max());
}

void ratio(const char* name, const Series& ratios, double goal)
{
    const double m = ratios.median();
    std::printf("  %-58s %10.3fx  (%.3f-%.3f; goal: at most %.2fx) %s\n", name, m, ratios.min(), ratios.max(), goal,
        m <= goal ? "met" : "NOT MET");
}

void ratio(const char* name, const Series& ratios)
{
    std::printf("  %-58s %10.3fx  (%.3f-%.3f)\n", name, ratios.median(), ratios.min(), ratios.max());
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
