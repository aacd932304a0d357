// The picture service against damaged pictures: every variant of the corpus goes through the
// thumbnail loader (loadScaled), the viewer's and slide show's loader (load) and naturalSize, in
// a child process with bounded memory, each load watched by a deadline.
#include "corpus.h"

#include "platform/pictureheader.h"
#include "platform/pictures.h"
#include "support/testsupport.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace vu;
using namespace vu::corpus;

namespace {

constexpr int MinimumVariants = 2000;
// The box of a thumbnail cell in the large layout.
const QSize ThumbnailBox(120, 90);

#if defined(__SANITIZE_ADDRESS__)
constexpr bool Sanitized = true;
#else
constexpr bool Sanitized = false;
#endif
// A load still going after this much wall-clock time is a hang. How long loads take is no test
// matter: the report below gives the slowest as a ratio to a 12-megapixel photo decoded in the
// same run (the benchmark bench_claims measures the pictures whose headers lie).
constexpr int WatchdogMs = Sanitized ? 60000 : 30000;
// What the loading process may reserve: beyond it an allocation fails, which the loaders must
// survive.
constexpr rlim_t AddressSpaceLimit = rlim_t(4) << 30;
// The reference photo, decoded by the first loading process before the corpus.
const QSize ReferenceSize(4000, 3000);
const QString ReferenceName = QStringLiteral("reference-12mp.jpg");

enum Loader { Scaled, Whole, Size, LoaderCount };
const char* const LoaderNames[LoaderCount] = {"loadScaled", "load", "naturalSize"};

// ---- the loading child ----

// Outcome of one load: "ok", "e<number>" for an error result, "none" when no size is known, or
// "bad:<why>" when the result breaks the service's promises.
QByteArray outcome(const PictureResult& r, Loader loader)
{
    if (r.error == err::None) {
        if (r.image.isNull())
            return "bad:null-without-error";
        if (loader == Scaled && r.image.size() != ThumbnailBox)
            return "bad:wrong-size";
        return "ok";
    }
    if (!r.image.isNull())
        return "bad:image-with-error";
    if (r.error != err::InvalidPicture && r.error != err::OutOfMemory)
        return "bad:unexpected-error-" + QByteArray::number(r.error);
    return "e" + QByteArray::number(r.error);
}

// Processor time used by this process so far, all threads, in milliseconds.
qint64 processorMs()
{
    struct rusage usage { };
    ::getrusage(RUSAGE_SELF, &usage);
    return (qint64(usage.ru_utime.tv_sec) + usage.ru_stime.tv_sec) * 1000
        + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000;
}

// Memory this process holds now, in megabytes.
long residentMB()
{
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return resident * (::sysconf(_SC_PAGESIZE) / 1024) / 1024;
}

int corpusChild(const char* listFile, int start)
{
    if (!Sanitized) {
        struct rlimit limit { };
        limit.rlim_cur = limit.rlim_max = AddressSpaceLimit;
        ::setrlimit(RLIMIT_AS, &limit);
    }
    int argc = 1;
    char name[] = "corpus-child";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    const QList<QByteArray> files = testing::readBytes(QString::fromLocal8Bit(listFile)).split('\n');
    QtPictures pictures;
    auto say = [](const QByteArray& line) {
        std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
        std::fflush(stdout);
    };
    if (start == 0) {
        // The yardsticks of the report: a 12-megapixel photo as a thumbnail, and then whole.
        const QString reference = QFileInfo(QString::fromLocal8Bit(listFile)).dir().filePath(ReferenceName);
        const qint64 before = processorMs();
        const bool thumb = pictures.loadScaled(reference, ThumbnailBox).ok();
        const qint64 thumbMs = processorMs() - before;
        const long held = residentMB();
        const PictureResult whole = pictures.load(reference);
        say("F " + QByteArray::number(thumb && whole.ok() ? thumbMs : -1) + ' '
            + QByteArray::number(residentMB() - held) + '\n');
    }
    for (int i = start; i < files.size(); ++i) {
        const QString path = QString::fromUtf8(files[i]);
        if (path.isEmpty())
            continue;
        for (int l = 0; l < LoaderCount; ++l) {
            say("S " + QByteArray::number(i) + ' ' + QByteArray::number(l) + '\n');
            const qint64 before = processorMs();
            QByteArray result;
            if (l == Scaled) {
                result = outcome(pictures.loadScaled(path, ThumbnailBox), Scaled);
            } else if (l == Whole) {
                result = outcome(pictures.load(path), Whole);
            } else {
                const std::optional<QSize> s = pictures.naturalSize(path);
                result = !s ? "none" : s->isEmpty() ? "bad:empty-size" : "ok";
            }
            say("R " + QByteArray::number(i) + ' ' + QByteArray::number(l) + ' ' + result + ' '
                + QByteArray::number(processorMs() - before) + '\n');
        }
    }
    say("D\n");
    return 0;
}

// ---- the watching parent ----

struct Incident {
    QString file;
    QString loader;
    QString what;
};

struct Report {
    int variants = 0;
    std::map<QByteArray, int> outcomes[LoaderCount];
    QList<Incident> incidents;  // crashes, hangs and broken promises
    qint64 slowestMs = 0;
    QString slowestFile;
    long peakRssMB = 0;
    qint64 referenceMs = -1;  // a 12-megapixel thumbnail decoded
    long referenceMB = 0;  // the memory of that photo decoded whole
    int children = 0;
    QSet<int> retried;  // variants that went over the deadline once
    QSet<qint64> recorded;  // variant * LoaderCount + loader, counted once even when retried
    QByteArray sanitizerLog, crashLog;
};

// Runs the loading child from variant `start` on; returns where the next child has to start
// (files.size() when all are done).
int runChild(const QString& self, const QString& listFile, const QStringList& files, int start, Report& report)
{
    int out[2];
    if (::pipe(out) != 0)
        return int(files.size());
    const QByteArray exe = self.toLocal8Bit(), list = listFile.toLocal8Bit(), from = QByteArray::number(start);
    // The readers' complaints (and any sanitizer report) go to a log, shown when something fails.
    const QString logFile = listFile + QStringLiteral(".log");
    const QByteArray log = logFile.toLocal8Bit();
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int err = ::open(log.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (err >= 0)
            ::dup2(err, STDERR_FILENO);
        ::dup2(out[1], STDOUT_FILENO);
        ::close(out[0]);
        ::close(out[1]);
        const char* args[] = {exe.constData(), "--corpus-child", list.constData(), from.constData(), nullptr};
        ::execv(exe.constData(), const_cast<char* const*>(args));
        ::_exit(127);
    }
    ::close(out[1]);
    ++report.children;

    int current = -1, loader = -1;
    bool done = false, hung = false;
    QElapsedTimer sinceStart;
    QByteArray pending;
    for (;;) {
        const int wait = current >= 0 ? std::max<qint64>(0, WatchdogMs - sinceStart.elapsed()) : WatchdogMs;
        pollfd p{out[0], POLLIN, 0};
        const int ready = ::poll(&p, 1, wait);
        if (ready == 0) {
            hung = true;
            ::kill(pid, SIGKILL);
            break;
        }
        if (ready < 0 && errno == EINTR)
            continue;
        char buffer[4096];
        const ssize_t n = ready > 0 ? ::read(out[0], buffer, sizeof buffer) : -1;
        if (n <= 0)
            break;
        pending.append(buffer, n);
        qsizetype eol;
        while ((eol = pending.indexOf('\n')) >= 0) {
            const QList<QByteArray> words = pending.left(eol).split(' ');
            pending.remove(0, eol + 1);
            if (words.value(0) == "S") {
                current = words.value(1).toInt();
                loader = words.value(2).toInt();
                sinceStart.start();
            } else if (words.value(0) == "R" && words.size() == 5) {
                const int l = words[2].toInt();
                const QByteArray& result = words[3];
                current = -1;
                if (report.recorded.contains(qint64(words[1].toInt()) * LoaderCount + l))
                    continue;
                report.recorded.insert(qint64(words[1].toInt()) * LoaderCount + l);
                const int variant = words[1].toInt();
                report.outcomes[l][result]++;
                if (result.startsWith("bad:"))
                    report.incidents << Incident{
                        files[variant], QString::fromLatin1(LoaderNames[l]), QString::fromLatin1(result)};
                const qint64 ms = words[4].toLongLong();
                if (ms > report.slowestMs) {
                    report.slowestMs = ms;
                    report.slowestFile = files[variant] + u' ' + QString::fromLatin1(LoaderNames[l]);
                }
            } else if (words.value(0) == "F" && words.size() == 3) {
                report.referenceMs = words[1].toLongLong();
                report.referenceMB = words[2].toLong();
            } else if (words.value(0) == "D") {
                done = true;
            }
        }
    }
    ::close(out[0]);
    int status = 0;
    struct rusage usage { };
    ::wait4(pid, &status, 0, &usage);
    report.peakRssMB = std::max(report.peakRssMB, long(usage.ru_maxrss / 1024));
    const QByteArray complaints = testing::readBytes(logFile);
    if (complaints.contains("Sanitizer") || complaints.contains("runtime error:")) {
        report.incidents << Incident{
            current >= 0 ? files[current] : QString(), QString(), QStringLiteral("sanitizer report")};
        report.sanitizerLog += complaints;
    }
    if (done && WIFEXITED(status) && WEXITSTATUS(status) == 0)
        return int(files.size());
    report.crashLog += complaints.right(4000);
    if (current < 0)  // died between loads: nothing to blame, carry on after the last one
        return start >= int(files.size()) ? int(files.size()) : start + 1;
    if (hung && !report.retried.contains(current)) {
        // A busy machine can stretch one load past the deadline: try that variant once more in a
        // fresh process before calling it a hang.
        report.retried.insert(current);
        return current;
    }
    const QString what = hung ? QStringLiteral("hang (over %1 ms)").arg(WatchdogMs)
        : WIFSIGNALED(status) ? QStringLiteral("crash (signal %1)").arg(WTERMSIG(status))
                              : QStringLiteral("exit %1").arg(WEXITSTATUS(status));
    report.incidents << Incident{files[current], QString::fromLatin1(LoaderNames[loader]), what};
    report.outcomes[loader][hung ? "hang" : "crash"]++;
    return current + 1;
}

QString countsText(const std::map<QByteArray, int>& counts)
{
    QStringList parts;
    for (const auto& [what, n] : counts) {
        QString name = QString::fromLatin1(what);
        if (what == "e" + QByteArray::number(err::InvalidPicture))
            name = QStringLiteral("invalid");
        else if (what == "e" + QByteArray::number(err::OutOfMemory))
            name = QStringLiteral("too large");
        parts << QStringLiteral("%1 %2").arg(name).arg(n);
    }
    return parts.join(QStringLiteral(", "));
}

QByteArray digest(const QList<Variant>& variants)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (const Variant& v : variants) {
        hash.addData(v.name.toUtf8());
        hash.addData(v.bytes);
    }
    return hash.result().toHex();
}

QImage comparable(const QImage& image)
{
    return image.convertToFormat(QImage::Format_ARGB32);
}

}  // namespace

class TestCorpus : public QObject {
    Q_OBJECT
private slots:
    void seedsLoadExactly_data();
    void seedsLoadExactly();
    void generatorIsDeterministic();
    void brokenPictures_data();
    void brokenPictures();
    void extremeButRealPicturesAreBelieved_data();
    void extremeButRealPicturesAreBelieved();
    void everyVariantEveryLoader();
};

void TestCorpus::seedsLoadExactly_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QSize>("shown");
    QTest::addColumn<QImage>("expected");
    for (const Seed& s : generatedSeeds())
        QTest::newRow(qPrintable(s.name)) << s.bytes << s.suffix << s.shown << s.expected;
}

// The hand-written seeds are real pictures: each reads back at its size (orientation applied)
// and, where the format is lossless, pixel for pixel.
void TestCorpus::seedsLoadExactly()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, suffix);
    QFETCH(QSize, shown);
    QFETCH(QImage, expected);
    testing::TempCwd cwd;
    const QString path = cwd.file(QStringLiteral("seed.") + suffix);
    testing::writeBytes(path, bytes);
    QtPictures pictures;
    QCOMPARE(pictures.naturalSize(path), std::optional<QSize>(shown));
    const PictureResult whole = pictures.load(path);
    QVERIFY2(whole.ok(), qPrintable(whole.detail));
    QCOMPARE(whole.image.size(), shown);
    if (!expected.isNull())
        QCOMPARE(comparable(whole.image), comparable(expected));
    const PictureResult thumb = pictures.loadScaled(path, ThumbnailBox);
    QVERIFY2(thumb.ok(), qPrintable(thumb.detail));
    QCOMPARE(thumb.image.size(), ThumbnailBox);
}

void TestCorpus::generatorIsDeterministic()
{
    const QList<Seed> seeds = generatedSeeds();
    const QList<Variant> first = damagedVariants(seeds, CorpusSeed);
    QCOMPARE(digest(damagedVariants(generatedSeeds(), CorpusSeed)), digest(first));
    QVERIFY(digest(damagedVariants(seeds, CorpusSeed + 1)) != digest(first));
    QSet<QString> names;
    for (const Variant& v : first)
        names.insert(v.name);
    QCOMPARE(names.size(), first.size());
}

void TestCorpus::brokenPictures_data()
{
    // What the loaders give for damage of each kind: an error result, or for a picture whose
    // data ends early the part that could be decoded.
    QTest::addColumn<QString>("variant");
    QTest::addColumn<int>("scaledError");
    QTest::addColumn<int>("wholeError");
    QTest::addColumn<bool>("sizeKnown");
    const int invalid = err::InvalidPicture, tooLarge = err::OutOfMemory, none = err::None;
    QTest::newRow("empty file") << "empty.jpg" << invalid << invalid << false;
    QTest::newRow("PNG named .jpg") << "png-named.jpg" << invalid << invalid << false;
    QTest::newRow("text named .jpg") << "text-named.jpg" << invalid << invalid << false;
    QTest::newRow("random bytes") << "noise4096.bmp" << invalid << invalid << false;
    // A header cut short has no size at all (not 1 x 1).
    QTest::newRow("BMP header only") << "bmp-24-cut19.bmp" << invalid << invalid << false;
    QTest::newRow("BMP claiming 2 gigapixels") << "bmp-24-width7fffffff.bmp" << invalid << invalid << false;
    QTest::newRow("BMP height of -2^31") << "bmp-24-height80000000.bmp" << invalid << invalid << false;
    QTest::newRow("BMP claiming 2^31 x 2^31") << "bmp-32-size7fffffffx7fffffff.bmp" << invalid << invalid << false;
    QTest::newRow("icon whose BMP claims 2^31 x 2^31") << "ico-bmp-e2size7fffffffx7fffffff.ico" << none << none << true;
    QTest::newRow("BMP over the allocation limit") << "bmp-24-size16384x8193.bmp" << tooLarge << tooLarge << true;
    QTest::newRow("BMP missing half its rows") << "bmp-24-cut477.bmp" << none << none << true;
    QTest::newRow("BMP palette claiming 2^30 colours") << "bmp-8-colours40000000.bmp" << invalid << invalid << true;
    QTest::newRow("RLE8 BMP cut in its data") << "bmp-rle8-cut908.bmp" << invalid << invalid << true;
    QTest::newRow("GIF cut in its header") << "gif-animated-cut22.gif" << invalid << invalid << false;
    QTest::newRow("GIF with an LZW code size of 13") << "gif-static-lzwsize13.gif" << invalid << invalid << true;
    QTest::newRow("JPEG cut before its scan") << "jpeg-baseline-cut597.jpg" << invalid << invalid << false;
    QTest::newRow("JPEG cut inside its scan") << "jpeg-baseline-cut663.jpg" << none << none << true;
    QTest::newRow("icon with no pictures") << "ico-png-count0.ico" << invalid << invalid << true;
    QTest::newRow("icon whose PNG claims 65535 x 65535") << "ico-png-e4pngwhffff.ico" << invalid << invalid << true;
    // Headers claiming 100 megapixels and more in a few kilobytes: refused before decoding.
    for (const Variant& v : overclaimingPictures())
        QTest::newRow(qPrintable(v.name)) << v.name << invalid << invalid << false;
}

void TestCorpus::brokenPictures()
{
    QFETCH(QString, variant);
    QFETCH(int, scaledError);
    QFETCH(int, wholeError);
    QFETCH(bool, sizeKnown);
    QList<Seed> seeds = generatedSeeds();
    const QList<Variant> variants = damagedVariants(seeds, CorpusSeed) + overclaimingPictures();
    auto it = std::find_if(variants.begin(), variants.end(), [&](const Variant& v) { return v.name == variant; });
    QVERIFY2(it != variants.end(), "the corpus holds this variant");
    testing::TempCwd cwd;
    const QString path = cwd.file(variant);
    testing::writeBytes(path, it->bytes);
    QtPictures pictures;
    const PictureResult thumb = pictures.loadScaled(path, ThumbnailBox);
    QCOMPARE(thumb.error, scaledError);
    QCOMPARE(thumb.image.isNull(), scaledError != err::None);
    const PictureResult whole = pictures.load(path);
    QCOMPARE(whole.error, wholeError);
    QCOMPARE(whole.image.isNull(), wholeError != err::None);
    QCOMPARE(pictures.naturalSize(path).has_value(), sizeKnown);
    if (scaledError != err::None)
        QVERIFY(thumb.detail.contains(variant));
}

void TestCorpus::extremeButRealPicturesAreBelieved_data()
{
    // The bounds that refuse headers claiming more than their files hold must leave real pictures
    // alone: one colour all over (the best any coding compresses), and a photo cut short. Each is
    // just above the size from which claims are checked.
    QTest::addColumn<QByteArray>("bytes");
    const QSize size(4096, 1100);
    QImage uniform(size, QImage::Format_RGB32);
    uniform.fill(QColor(90, 90, 90));
    QTest::newRow("one-colour JPEG") << jpegFile(uniform, false);
    QTest::newRow("one-colour progressive JPEG") << jpegFile(uniform, true);
    QTest::newRow("one-colour RLE8 BMP") << bmpRleFile(uniform.convertToFormat(QImage::Format_Indexed8), 8);
    const QByteArray jpeg = jpegFile(grainyPhoto(size), false);
    QTest::newRow("photo cut to a tenth") << jpeg.left(jpeg.size() / 10);
    const QByteArray bmp = bmpFile(uniform, 24);
    QTest::newRow("BMP cut to a tenth") << bmp.left(bmp.size() / 10);
}

void TestCorpus::extremeButRealPicturesAreBelieved()
{
    QFETCH(QByteArray, bytes);
    QBuffer buffer(&bytes);
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    const std::optional<PictureClaim> claim = readPictureClaim(buffer);
    QVERIFY(claim);
    QCOMPARE(claim->size, QSize(4096, 1100));
    QVERIFY2(claim->plausible(),
        qPrintable(QStringLiteral("%1 bytes, at least %2").arg(claim->dataBytes).arg(claim->leastDataBytes)));
}

void TestCorpus::everyVariantEveryLoader()
{
    QList<Seed> seeds = generatedSeeds();
    const int generated = int(seeds.size());
    seeds += shippedSeeds();
    const QList<Variant> variants = damagedVariants(seeds, CorpusSeed) + overclaimingPictures();
    QVERIFY2(variants.size() >= MinimumVariants, qPrintable(QString::number(variants.size())));

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(grainyPhoto(ReferenceSize).save(dir.filePath(ReferenceName), "JPEG", 90));
    QStringList files;
    QByteArray list;
    for (const Variant& v : variants) {
        const QString path = dir.filePath(v.name);
        testing::writeBytes(path, v.bytes);
        files << path;
        list += path.toUtf8() + '\n';
    }
    const QString listFile = dir.filePath(QStringLiteral("corpus.list"));
    testing::writeBytes(listFile, list);

    Report report;
    report.variants = int(variants.size());
    QElapsedTimer timer;
    timer.start();
    for (int next = 0; next < files.size();)
        next = runChild(QCoreApplication::applicationFilePath(), listFile, files, next, report);

    std::printf("corpus: %d variants from %d hand-written and %d shipped pictures, %d loads in %.1f s "
                "(%d loading process%s)\n",
        report.variants, generated, int(seeds.size()) - generated, report.variants * LoaderCount,
        timer.elapsed() / 1000.0, report.children, report.children == 1 ? "" : "es");
    for (int l = 0; l < LoaderCount; ++l)
        std::printf("  %-11s %s\n", LoaderNames[l], qPrintable(countsText(report.outcomes[l])));
    const double reference = std::max<qint64>(report.referenceMs, 1);
    std::printf("  slowest load %lld ms of work (%s), %.2fx a 12-megapixel thumbnail (%lld ms); %d retried after a "
                "hang\n  peak memory %ld MB, %.1fx a 12-megapixel photo decoded whole (%ld MB)\n",
        static_cast<long long>(report.slowestMs), qPrintable(QFileInfo(report.slowestFile).fileName()),
        report.slowestMs / reference, static_cast<long long>(report.referenceMs), int(report.retried.size()),
        report.peakRssMB, double(report.peakRssMB) / std::max<long>(report.referenceMB, 1), report.referenceMB);
    for (const Incident& i : report.incidents)
        std::printf("  FAILED %s on %s: %s\n", qPrintable(i.loader), qPrintable(QFileInfo(i.file).fileName()),
            qPrintable(i.what));
    if (!report.incidents.isEmpty()) {
        std::printf("%s\n%s\n", report.sanitizerLog.right(20000).constData(), report.crashLog.constData());
    }
    std::fflush(stdout);

    QCOMPARE(report.incidents.size(), 0);
    QVERIFY2(report.referenceMs >= 0, "the reference photo loads");
    int loads = 0;
    for (const auto& counts : report.outcomes)
        for (const auto& [what, n] : counts)
            loads += n;
    QCOMPARE(loads, report.variants * LoaderCount);
}

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "--corpus-child") == 0)
        return corpusChild(argv[2], std::atoi(argv[3]));
    QGuiApplication app(argc, argv);
    TestCorpus test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_corpus.moc"
