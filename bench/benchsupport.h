// Small helpers for the benchmarks: timing, peak memory, generated photos.
#pragma once

#include <QImage>
#include <QString>

#include <functional>

namespace vu::bench {

// Wall time of `work` in milliseconds, the best of `runs`.
double bestMs(int runs, const std::function<void()>& work);
// The process's peak resident memory so far, in megabytes.
double peakRssMb();
// The process's resident memory now, in megabytes.
double rssMb();
// A photo-like picture (smooth gradients with fine grain) of the given size; `seed` varies it.
QImage photo(int width, int height, int seed);
// Writes `image` as a JPEG of the given quality; returns the file size in bytes.
qint64 writeJpeg(const QImage& image, const QString& path, int quality = 92);
// Prints "name: value unit" aligned.
void report(const char* name, double value, const char* unit);
// Prints a ratio with its goal, and whether it is met.
void ratio(const char* name, double value, double goal);

}  // namespace vu::bench
