#include "support/testsupport.h"

#include "platform/testing/fixtures.h"

#include <QAction>
#include <QApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QImageWriter>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <QWidget>

namespace vu::testing {

TempCwd::TempCwd()
    : previous_(QDir::currentPath())
{
    QVERIFY2(dir_.isValid(), "temporary folder");
    QDir::setCurrent(dir_.path());
}

TempCwd::~TempCwd()
{
    QDir::setCurrent(previous_);
}

QString dataFile(const QString& relative)
{
    return QStringLiteral(VUTARA_TEST_DATA "/") + relative;
}

QImage makePicture(QSize size, QColor colour)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.fillRect(QRect(0, 0, size.width() / 2, size.height() / 2), colour);
    p.fillRect(
        QRect(size.width() / 2, size.height() / 2, size.width() - size.width() / 2, size.height() - size.height() / 2),
        colour.darker(180));
    return image;
}

QString writePicture(const QString& path, QSize size, const char* format, QColor colour)
{
    if (QByteArray(format) == "gif") {
        writeBytes(path, encodeGif({makePicture(size, colour)}));
        return path;
    }
    QImageWriter writer(path, format);
    QImage image = makePicture(size, colour);
    if (QByteArray(format) == "ico")
        image = image.convertToFormat(QImage::Format_ARGB32);
    if (!writer.write(image))
        qWarning("cannot write %s: %s", qPrintable(path), qPrintable(writer.errorString()));
    return path;
}

QStringList writePictures(const QString& folder, int count, const char* format, const QString& prefix, QSize size)
{
    QDir().mkpath(folder);
    // One picture encoded once, then copied: writing thousands of files stays fast.
    const QString first = QDir(folder).filePath(prefix + QStringLiteral("0000.") + QString::fromLatin1(format));
    writePicture(first, size, format);
    const QByteArray bytes = readBytes(first);
    QStringList names;
    for (int i = 0; i < count; ++i) {
        const QString name
            = prefix + QStringLiteral("%1.").arg(i, 4, 10, QLatin1Char('0')) + QString::fromLatin1(format);
        if (i > 0)
            writeBytes(QDir(folder).filePath(name), bytes);
        names << name;
    }
    if (count == 0)
        QFile::remove(first);
    return names;
}

namespace {

// Packs variable-width codes least significant bit first, as GIF's LZW stream wants.
class BitWriter {
public:
    void put(int code, int width)
    {
        acc_ |= quint32(code) << bits_;
        bits_ += width;
        while (bits_ >= 8) {
            out += char(acc_ & 0xFF);
            acc_ >>= 8;
            bits_ -= 8;
        }
    }
    QByteArray finish()
    {
        if (bits_ > 0)
            out += char(acc_ & 0xFF);
        return out;
    }
    QByteArray out;

private:
    quint32 acc_ = 0;
    int bits_ = 0;
};

void putWord(QByteArray& out, int v)
{
    out += char(v & 0xFF);
    out += char((v >> 8) & 0xFF);
}

int cubeIndex(QRgb c)
{
    auto level = [](int v) { return (v * 5 + 127) / 255; };
    return level(qRed(c)) * 36 + level(qGreen(c)) * 6 + level(qBlue(c));
}

}  // namespace

QByteArray encodeGif(const QList<QImage>& frames, bool interlaced, int delayCentiseconds)
{
    const QSize size = frames.isEmpty() ? QSize(1, 1) : frames.first().size();
    QByteArray out("GIF89a");
    putWord(out, size.width());
    putWord(out, size.height());
    out += char(0xF7);  // global colour table of 256 entries
    out += char(0);
    out += char(0);
    for (int i = 0; i < 256; ++i) {
        const int r = i < 216 ? (i / 36) * 51 : 0, g = i < 216 ? (i / 6 % 6) * 51 : 0, b = i < 216 ? (i % 6) * 51 : 0;
        out += char(r);
        out += char(g);
        out += char(b);
    }
    if (frames.size() > 1)
        out += QByteArray("\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00", 19);
    for (const QImage& frame : frames) {
        const QImage image = frame.convertToFormat(QImage::Format_RGB32);
        out += QByteArray("\x21\xF9\x04\x00", 4);
        putWord(out, delayCentiseconds);
        out += QByteArray("\x00\x00", 2);
        out += char(0x2C);
        putWord(out, 0);
        putWord(out, 0);
        putWord(out, image.width());
        putWord(out, image.height());
        out += char(interlaced ? 0x40 : 0);
        out += char(8);  // minimum code size

        QList<int> rows;
        if (interlaced) {
            for (int start : {0, 4, 2, 1}) {
                const int step = start == 0 ? 8 : start == 4 ? 8 : start == 2 ? 4 : 2;
                for (int y = start; y < image.height(); y += step)
                    rows << y;
            }
        } else {
            for (int y = 0; y < image.height(); ++y)
                rows << y;
        }
        // Every code is a literal; a clear code before the table would need 10-bit codes keeps
        // the code width at 9 bits.
        BitWriter bits;
        int sinceClear = 0;
        bits.put(256, 9);
        for (int y : rows) {
            const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                if (sinceClear == 250) {
                    bits.put(256, 9);
                    sinceClear = 0;
                }
                bits.put(cubeIndex(line[x]), 9);
                ++sinceClear;
            }
        }
        bits.put(257, 9);
        const QByteArray data = bits.finish();
        for (qsizetype at = 0; at < data.size(); at += 255) {
            const QByteArray block = data.mid(at, 255);
            out += char(block.size());
            out += block;
        }
        out += char(0);
    }
    out += char(0x3B);
    return out;
}

QByteArray withExifOrientation(const QByteArray& jpeg, int orientation)
{
    return withExif(jpeg, orientation);
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        qWarning("cannot write %s", qPrintable(path));
}

QByteArray readBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace vu::testing

#include <csignal>
#include <fcntl.h>
#include <linux/fs.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vu::testing {
namespace {

// The small disks a test mounts live in a mount namespace of the test's own, made before any
// thread starts: however the test ends (a failure, a crash, a watchdog's kill), they vanish with
// it instead of staying mounted on the machine.
[[maybe_unused]] const bool privateMounts = [] {
    return ::geteuid() == 0 && ::unshare(CLONE_NEWNS) == 0
        && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
}();

}  // namespace

QTimer* whenShown(std::function<QWidget*()> find, std::function<void(QWidget*)> act, int ms)
{
    auto* timer = new QTimer;
    timer->setInterval(2);
    const QDeadlineTimer deadline(ms);
    QObject::connect(timer, &QTimer::timeout, [timer, deadline, find = std::move(find), act = std::move(act)] {
        QWidget* w = find();
        if (!w && !deadline.hasExpired())
            return;
        timer->stop();
        timer->deleteLater();
        if (w)
            act(w);
    });
    timer->start();
    return timer;
}

QStringList menuCaptions(const std::function<void()>& open)
{
    QStringList captions;
    whenShown([] { return QApplication::activePopupWidget(); },
        [&captions](QWidget* menu) {
            for (QAction* a : menu->actions())
                captions << a->text();
            menu->close();
        });
    open();
    return captions;
}

int runLimitedChild(long maxFileBytes, const std::function<int()>& body, bool keepSizeSignal)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::signal(SIGXFSZ, keepSizeSignal ? SIG_DFL : SIG_IGN);
        struct rlimit limit { };
        limit.rlim_cur = limit.rlim_max = rlim_t(maxFileBytes);
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ::_exit(body());
    }
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

TmpfsMount::TmpfsMount(const QString& folder, qint64 bytes, qint64 inodes)
    : folder_(folder)
    , options_("size=" + QByteArray::number(bytes) + ",mode=0755"
          + (inodes > 0 ? ",nr_inodes=" + QByteArray::number(inodes) : QByteArray()))
{
    QDir().mkpath(folder);
    mounted_ = ::mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", 0, options_.constData()) == 0;
}

TmpfsMount::~TmpfsMount()
{
    if (mounted_)
        ::umount2(QFile::encodeName(folder_).constData(), MNT_DETACH);
}

bool TmpfsMount::setReadOnly(bool readOnly)
{
    const unsigned long flags = MS_REMOUNT | (readOnly ? MS_RDONLY : 0);
    return mounted_
        && ::mount("tmpfs", QFile::encodeName(folder_).constData(), "tmpfs", flags, options_.constData()) == 0;
}

BindMount::BindMount(const QString& source, const QString& folder, Kind kind)
    : folder_(folder)
{
    QDir().mkpath(folder);
    if (kind == Bind) {
        mounted_ = ::mount(QFile::encodeName(source).constData(), QFile::encodeName(folder).constData(), nullptr,
                       MS_BIND, nullptr)
            == 0;
    } else if (::geteuid() == 0 && !QStandardPaths::findExecutable(QStringLiteral("bindfs")).isEmpty()) {
        mounted_ = QProcess::execute(QStringLiteral("bindfs"), {source, folder}) == 0;
    }
}

BindMount::~BindMount()
{
    if (mounted_)
        ::umount2(QFile::encodeName(folder_).constData(), MNT_DETACH);
}

bool setImmutable(const QString& path, bool on)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    int flags = 0;
    bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (done) {
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return done;
}

}  // namespace vu::testing
