// Small helpers for the benchmarks: timing, contenders measured in turns, peak memory, generated
// photos.
#pragma once

#include <QImage>
#include <QString>

#include <functional>
#include <vector>

namespace vu::bench {

// Wall time of `work` in milliseconds, the best of `runs`.
double bestMs(int runs, const std::function<void()>& work);
// The process's peak resident memory so far, in megabytes.
double peakRssMb();
// The process's resident memory now, in megabytes.
double rssMb();
// A photo-like picture (smooth gradients with fine grain) of the given size; `seed` varies it.
QImage photo(int width, int height, int seed);
// A picture that codes as a camera's photo does (3.3 to 3.5 bits a pixel at quality 92):
// hard-edged shapes under uneven light, textured surfaces, thin lines and sensor noise. Each
// `seed` gives another scene.
QImage cameraPhoto(int width, int height, int seed);
// Writes `image` as a JPEG of the given quality; returns the file size in bytes.
qint64 writeJpeg(const QImage& image, const QString& path, int quality = 92);
// What one run of some work cost: wall time, and processor time of this process (all its
// threads) and of the child processes it waited for, in milliseconds.
struct Cost {
    double wallMs = 0;
    double cpuMs = 0;
};
Cost cost(const std::function<void()>& work);

// One figure over the rounds of a benchmark.
struct Series {
    std::vector<double> values;
    double median() const;
    double min() const;
    double max() const;
};

// The contenders run in turns, A B C A B C ..., `rounds` times after one round not counted (files
// read into the cache, pools started), so that whatever else the machine does meanwhile weighs
// on all of them alike. Each contender's costs, round by round.
std::vector<std::vector<Cost>> inTurns(int rounds, const std::vector<std::function<void()>>& contenders);
// The same where each contender has something to do before each run that is not measured
// (emptying a cache, say).
struct Contender {
    std::function<void()> before;
    std::function<void()> work;
};
std::vector<std::vector<Cost>> inTurns(int rounds, const std::vector<Contender>& contenders);
// The wall or processor times of one contender's costs.
Series wall(const std::vector<Cost>& costs);
Series cpu(const std::vector<Cost>& costs);
// Round by round, a / b.
Series ratios(const Series& a, const Series& b);

// Prints "name: median unit (lowest-highest)".
void report(const char* name, const Series& values, const char* unit);
// Prints the median of round-by-round ratios with their range, with its goal and whether it is met.
void ratio(const char* name, const Series& ratios, double goal);
// The same without a goal, for figures reported beside.
void ratio(const char* name, const Series& ratios);

// Prints "name: value unit" aligned.
void report(const char* name, double value, const char* unit);
// Prints a ratio with its goal, and whether it is met.
void ratio(const char* name, double value, double goal);

}  // namespace vu::bench
