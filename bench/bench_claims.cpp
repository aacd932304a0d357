// Benchmark of pictures whose headers lie: files of a few kilobytes claiming 100 megapixels and
// more. Each goes through the thumbnail loader (pages), the whole-picture loader (viewer and slide
// show) and the size reader, in a process of its own so that its peak memory is its own; the
// processor time is given as a ratio to one 12-megapixel thumbnail decoded in the same run, and
// Qt's reader alone shows what the same file cost without the check of the header.
#include "benchsupport.h"

#include "corpus/corpus.h"
#include "platform/pictures.h"

#include <QCoreApplication>
#include <QImageReader>
#include <QTemporaryDir>

#include <cstdio>
#include <ctime>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace vu;

namespace {

const QSize CellBox(120, 90);

double cpuMs()
{
    timespec t{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

struct Cost {
    double cpuMs = -1;
    double extraMb = -1;  // peak memory above what the process held before the load
};

// Runs `load` in a child process; its processor time and the memory it added at its peak.
Cost inChild(const std::function<void()>& load)
{
    int pipeFd[2];
    if (::pipe(pipeFd) != 0)
        return {};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(pipeFd[0]);
        const double before = bench::peakRssMb();
        const double start = cpuMs();
        load();
        const Cost c{cpuMs() - start, bench::peakRssMb() - before};
        [[maybe_unused]] const ssize_t n = ::write(pipeFd[1], &c, sizeof c);
        ::_exit(0);
    }
    ::close(pipeFd[1]);
    Cost c;
    if (::read(pipeFd[0], &c, sizeof c) != ssize_t(sizeof c))
        c = {};
    ::close(pipeFd[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return c;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QtPictures pictures;
    QTemporaryDir work;
    std::printf("Vutara! pictures whose headers claim more than their files hold\n");

    const QString reference = work.filePath(QStringLiteral("reference.jpg"));
    bench::writeJpeg(bench::photo(4000, 3000, 1), reference);
    double referenceMs = 1e300;
    for (int i = 0; i < 3; ++i)
        referenceMs = std::min(referenceMs, inChild([&] { pictures.loadScaled(reference, CellBox); }).cpuMs);
    bench::report("a 12-megapixel JPEG decoded to a thumbnail (reference)", referenceMs, "ms of work");

    std::printf("\n%-38s %7s %-12s %9s %9s %9s %11s %9s\n", "file", "bytes", "claims", "thumbnail", "whole", "size",
        "Qt alone", "peak MB");
    double worstRatio = 0, worstMb = 0;
    for (const corpus::Variant& v : corpus::overclaimingPictures()) {
        const QString path = work.filePath(v.name);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(v.bytes) != v.bytes.size())
            return 1;
        f.close();
        const Cost thumb = inChild([&] { pictures.loadScaled(path, CellBox); });
        const Cost whole = inChild([&] { pictures.load(path); });
        const Cost size = inChild([&] { pictures.naturalSize(path); });
        const Cost qtAlone = inChild([&] {
            QImageReader reader(path);
            reader.setAutoTransform(true);
            reader.read();
        });
        QImageReader header(path);
        const QSize claimed = header.size();
        const double worst = std::max({thumb.cpuMs, whole.cpuMs, size.cpuMs});
        const double peak = std::max({thumb.extraMb, whole.extraMb, size.extraMb});
        worstRatio = std::max(worstRatio, worst / referenceMs);
        worstMb = std::max(worstMb, peak);
        std::printf("%-38s %7lld %5dx%-6d %8.2fx %8.2fx %8.2fx %10.2fx %9.1f\n", qPrintable(v.name),
            static_cast<long long>(v.bytes.size()), claimed.width(), std::abs(claimed.height()),
            thumb.cpuMs / referenceMs, whole.cpuMs / referenceMs, size.cpuMs / referenceMs, qtAlone.cpuMs / referenceMs,
            peak);
    }
    std::printf("\n(processor time as a ratio to the reference; Qt alone: its reader on the same file without "
                "the header check)\n");
    bench::ratio("slowest refusal against the reference thumbnail", worstRatio, 0.5);
    bench::report("most memory added by a refusal", worstMb, "MB (goal: under 64)");
    return 0;
}
