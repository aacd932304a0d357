#include "thumbcache.h"

#include "files.h"
#include "posix.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QtEndian>

#include <array>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

namespace vu {

// ---- names and rules ----

QByteArray fileUri(const QString& absolutePath)
{
    static constexpr char Hex[] = "0123456789ABCDEF";
    const QByteArray path = QFile::encodeName(absolutePath);
    QByteArray uri("file://");
    uri.reserve(7 + path.size() * 3);
    for (const char c : path) {
        const auto b = uchar(c);
        const bool kept = (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9')
            || std::strchr("-_.!~*'()/:@&=+$,", b) != nullptr;
        if (kept && b != 0) {
            uri += char(b);
        } else {
            uri += '%';
            uri += Hex[b >> 4];
            uri += Hex[b & 15];
        }
    }
    return uri;
}

QString thumbnailFileName(const QByteArray& uri)
{
    return QString::fromLatin1(QCryptographicHash::hash(uri, QCryptographicHash::Md5).toHex()) + QStringLiteral(".png");
}

int thumbnailSide(QSize box)
{
    const int longer = std::max(box.width(), box.height());
    for (int side : {128, 256, 512})
        if (longer <= side)
            return side;
    return 1024;
}

QString thumbnailFolder(int side)
{
    switch (side) {
    case 128:
        return QStringLiteral("normal");
    case 256:
        return QStringLiteral("large");
    case 512:
        return QStringLiteral("x-large");
    default:
        return QStringLiteral("xx-large");
    }
}

namespace {

// A whole number of seconds; other programs may write a fraction after it.
std::optional<qint64> seconds(const QString& text)
{
    bool ok = false;
    const qint64 whole = text.toLongLong(&ok);
    if (ok)
        return whole;
    const double d = text.toDouble(&ok);
    if (ok && d >= 0 && d < 9e15)
        return qint64(d);
    return std::nullopt;
}

}  // namespace

bool entryDescribes(const QMap<QString, QString>& texts, const ThumbnailKey& key)
{
    if (!key.valid() || texts.value(QStringLiteral("Thumb::URI")).toLatin1() != key.uri)
        return false;
    const std::optional<qint64> mtime = seconds(texts.value(QStringLiteral("Thumb::MTime")));
    if (!mtime || *mtime != key.mtime)
        return false;
    const auto size = texts.constFind(QStringLiteral("Thumb::Size"));
    if (size != texts.constEnd()) {
        bool ok = false;
        if (size->toLongLong(&ok) != key.size || !ok)
            return false;
    }
    return true;
}

bool settledForEntry(const ThumbnailKey& key)
{
    return key.valid() && key.stampedAt >= key.mtime + 2;
}

// ---- PNG ----

namespace {

quint32 crc32(const QByteArray& data)
{
    static const std::array<quint32, 256> table = [] {
        std::array<quint32, 256> t{};
        for (quint32 n = 0; n < 256; ++n) {
            quint32 c = n;
            for (int k = 0; k < 8; ++k)
                c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    quint32 c = 0xFFFFFFFFu;
    for (const char b : data)
        c = table[(c ^ uchar(b)) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

QByteArray chunk(const char* type, const QByteArray& data)
{
    QByteArray body(type, 4);
    body += data;
    QByteArray out(4, '\0');
    qToBigEndian<quint32>(quint32(data.size()), out.data());
    out += body;
    QByteArray crc(4, '\0');
    qToBigEndian<quint32>(crc32(body), crc.data());
    out += crc;
    return out;
}

}  // namespace

namespace {

// Whether every pixel of `image` is opaque.
bool opaque(const QImage& image)
{
    if (!image.hasAlphaChannel())
        return true;
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x) {
            if (qAlpha(line[x]) != 255)
                return false;
        }
    }
    return true;
}

// A deflate stream kept by each thread that writes entries, so that writing one costs no
// allocation of the compressor's tables (a quarter of a megabyte each time otherwise).
class Deflater {
public:
    Deflater()
    {
        // Huffman coding alone: a thumbnail's filtered rows hold few repeats worth searching for,
        // and coding them takes a fraction of the time a search would.
        ok_ = deflateInit2(&stream_, Z_BEST_SPEED, Z_DEFLATED, 15, 8, Z_HUFFMAN_ONLY) == Z_OK;
    }
    ~Deflater()
    {
        if (ok_)
            deflateEnd(&stream_);
    }
    Deflater(const Deflater&) = delete;
    Deflater& operator=(const Deflater&) = delete;

    // `data` in the zlib format; empty on failure.
    QByteArray compress(const QByteArray& data)
    {
        if (!ok_ || deflateReset(&stream_) != Z_OK)
            return QByteArray();
        QByteArray out(qsizetype(deflateBound(&stream_, uLong(data.size()))), Qt::Uninitialized);
        stream_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
        stream_.avail_in = uInt(data.size());
        stream_.next_out = reinterpret_cast<Bytef*>(out.data());
        stream_.avail_out = uInt(out.size());
        if (deflate(&stream_, Z_FINISH) != Z_STREAM_END)
            return QByteArray();
        out.truncate(out.size() - qsizetype(stream_.avail_out));
        return out;
    }

private:
    z_stream stream_{};
    bool ok_ = false;
};

}  // namespace

QByteArray pngWithTexts(const QImage& image, const QList<QPair<QByteArray, QByteArray>>& texts)
{
    if (image.isNull())
        return QByteArray();
    const bool alpha = !opaque(image);
    const QImage pixels = image.convertToFormat(alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
    const int width = pixels.width(), height = pixels.height(), channels = alpha ? 4 : 3;
    const qsizetype row = qsizetype(width) * channels;
    // Each row filtered by "Sub" (each byte less the byte of the pixel before it), which turns
    // a photo's smooth runs into small numbers that Huffman coding packs well.
    QByteArray filtered(height * (row + 1), Qt::Uninitialized);
    for (int y = 0; y < height; ++y) {
        const uchar* in = pixels.constScanLine(y);
        auto* out = reinterpret_cast<uchar*>(filtered.data()) + y * (row + 1);
        *out++ = 1;
        for (qsizetype x = 0; x < row; ++x)
            out[x] = uchar(in[x] - (x >= channels ? in[x - channels] : 0));
    }
    thread_local Deflater deflater;
    const QByteArray data = deflater.compress(filtered);
    if (data.isEmpty())
        return QByteArray();

    QByteArray header(13, '\0');
    qToBigEndian<quint32>(quint32(width), header.data());
    qToBigEndian<quint32>(quint32(height), header.data() + 4);
    header[8] = 8;  // bits per channel
    header[9] = alpha ? 6 : 2;  // RGBA or RGB
    // Compression 0 (deflate), filtering 0 (adaptive, by row), no interlace.
    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    png += chunk("IHDR", header);
    // The texts go right after the header, ahead of the picture data, where readers that stop
    // early still find them.
    for (const auto& [key, value] : texts)
        png += chunk("tEXt", key + '\0' + value);
    png += chunk("IDAT", data);
    png += chunk("IEND", QByteArray());
    return png;
}

std::optional<QSize> pngSize(const QByteArray& head)
{
    if (head.size() < 24 || !head.startsWith("\x89PNG\r\n\x1a\n") || head.mid(8, 8) != QByteArray("\0\0\0\x0dIHDR", 8))
        return std::nullopt;
    const quint32 width = qFromBigEndian<quint32>(head.constData() + 16);
    const quint32 height = qFromBigEndian<quint32>(head.constData() + 20);
    if (width == 0 || height == 0 || width > 0x7FFFFFFF || height > 0x7FFFFFFF)
        return std::nullopt;
    return QSize(int(width), int(height));
}

QImage readThumbnailEntry(QIODevice& device, int side)
{
    constexpr qint64 MaxEntryBytes = 64 * 1024 * 1024;
    const std::optional<QSize> size = pngSize(device.peek(24));
    if (!size || size->width() > side || size->height() > side)
        return QImage();
    // Qt reads into an array of the size asked for: asked for no more than the file holds.
    const qint64 bytes = device.isSequential() ? MaxEntryBytes + 1 : device.size() - device.pos();
    if (bytes > MaxEntryBytes)
        return QImage();
    QByteArray png = device.read(bytes);
    // Every chunk must lie within the file, up to the end chunk: PNG readers take a chunk's
    // stated length on trust, and a text chunk claiming 2 GB in a file of 200 bytes costs
    // seconds and gigabytes before the read fails.
    qsizetype at = 8;
    while (at + 12 <= png.size() && qFromBigEndian<quint32>(png.constData() + at) <= png.size() - at - 12
        && png.mid(at + 4, 4) != "IEND")
        at += 12 + qsizetype(qFromBigEndian<quint32>(png.constData() + at));
    if (png.size() > MaxEntryBytes || at + 12 > png.size() || png.mid(at + 4, 4) != "IEND")
        return QImage();
    QBuffer buffer(&png);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "png");
    QImage image = reader.read();
    // A picture that decodes to another size than its header states is no entry either.
    return image.width() <= side && image.height() <= side ? image : QImage();
}

// ---- the cache on disk ----

namespace {

qint64 now()
{
    return qint64(std::time(nullptr));
}

// An entry's picture and its text keys; null when there is no readable entry of at most `side`
// pixels each way.
QImage readEntry(const QString& path, int side)
{
    QFile file;
    return openForReading(path, &file).ok() ? readThumbnailEntry(file, side) : QImage();
}

QMap<QString, QString> textsOf(const QImage& image)
{
    QMap<QString, QString> texts;
    for (const QString& key : image.textKeys())
        texts.insert(key, image.text(key));
    return texts;
}

QList<QPair<QByteArray, QByteArray>> keyTexts(const ThumbnailKey& key)
{
    return {{"Thumb::URI", key.uri}, {"Thumb::MTime", QByteArray::number(key.mtime)},
        {"Thumb::Size", QByteArray::number(key.size)}};
}

}  // namespace

FreedesktopThumbnails::FreedesktopThumbnails(const QString& root)
    : root_(QDir::cleanPath(root))
{
    const QString canonical = QFileInfo(root_).canonicalFilePath();
    canonicalRoot_ = canonical.isEmpty() ? root_ : canonical;
}

QString FreedesktopThumbnails::defaultRoot()
{
    return QFile::decodeName(posix::xdgHome("XDG_CACHE_HOME", "/.cache")) + QStringLiteral("/thumbnails");
}

QString FreedesktopThumbnails::entryPath(const QByteArray& uri, int side) const
{
    return root_ + u'/' + thumbnailFolder(side) + u'/' + thumbnailFileName(uri);
}

QString FreedesktopThumbnails::failurePath(const QByteArray& uri) const
{
    return root_ + QStringLiteral("/fail/") + QLatin1String(Program) + u'/' + thumbnailFileName(uri);
}

ThumbnailKey FreedesktopThumbnails::keyOf(const QString& file)
{
    const QString path = QDir::cleanPath(file);
    if (!QDir::isAbsolutePath(path))
        return {};
    const QByteArray name = QFile::encodeName(path);
    struct stat st { };
    // Entries are only for files the user may read: a thumbnail must not show what the file
    // itself would not.
    if (::stat(name.constData(), &st) != 0 || !S_ISREG(st.st_mode) || ::access(name.constData(), R_OK) != 0)
        return {};
    // The cache's own pictures are never thumbnailed.
    auto inside = [](const QString& p, const QString& folder) { return p.startsWith(folder + u'/'); };
    if (inside(path, root_) || inside(path, canonicalRoot_))
        return {};
    char real[PATH_MAX];
    if (::realpath(name.constData(), real) && inside(QFile::decodeName(real), canonicalRoot_))
        return {};
    ThumbnailKey key;
    key.uri = fileUri(path);
    key.mtime = qint64(st.st_mtim.tv_sec);
    key.size = qint64(st.st_size);
    key.stampedAt = now();
    return key;
}

// Checked on every read and write, folder by folder from the root: another user's folder, a link
// or a folder others may write could hand this program any picture as a file's thumbnail, or
// take or swap what it writes. A folder not made yet passes: it is made 0700.
bool FreedesktopThumbnails::trusted(const QString& folder) const
{
    if (folder != root_ && !folder.startsWith(root_ + u'/'))
        return false;
    const QStringList below = folder.mid(root_.size()).split(u'/', Qt::SkipEmptyParts);
    QString path = root_;
    for (qsizetype i = -1; i < below.size(); ++i) {
        if (i >= 0)
            path += u'/' + below[i];
        struct stat st { };
        if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
            return errno == ENOENT;
        if (!S_ISDIR(st.st_mode) || st.st_uid != ::geteuid() || (st.st_mode & (S_IWGRP | S_IWOTH)) != 0)
            return false;
    }
    return true;
}

// The picture of the entry at `path` (of at most `side` pixels) when it describes the file of
// `key`; null otherwise.
QImage FreedesktopThumbnails::entryFor(const QString& path, const ThumbnailKey& key, int side) const
{
    if (!trusted(path.left(path.lastIndexOf(u'/'))))
        return QImage();
    QImage entry = readEntry(path, side);
    return !entry.isNull() && entryDescribes(textsOf(entry), key) ? entry : QImage();
}

QImage FreedesktopThumbnails::find(const ThumbnailKey& key, int side)
{
    for (int s = side; key.valid() && s <= 1024; s *= 2) {
        if (QImage entry = entryFor(entryPath(key.uri, s), key, s); !entry.isNull())
            return entry;
    }
    return QImage();
}

QImage FreedesktopThumbnails::largest(const ThumbnailKey& key)
{
    for (int s = 1024; key.valid() && s >= 128; s /= 2) {
        if (QImage entry = entryFor(entryPath(key.uri, s), key, s); !entry.isNull())
            return entry;
    }
    return QImage();
}

bool FreedesktopThumbnails::failedBefore(const ThumbnailKey& key)
{
    // A failure is noted in a picture of one pixel; none is larger than the smallest entries.
    return key.valid() && !entryFor(failurePath(key.uri), key, 128).isNull();
}

bool FreedesktopThumbnails::store(const ThumbnailKey& key, int side, const QImage& thumbnail, QSize natural)
{
    if (!settledForEntry(key) || thumbnail.isNull() || thumbnail.width() > side || thumbnail.height() > side)
        return false;
    QList<QPair<QByteArray, QByteArray>> texts = keyTexts(key);
    if (natural.isValid()) {
        texts.append(qMakePair(QByteArray("Thumb::Image::Width"), QByteArray::number(natural.width())));
        texts.append(qMakePair(QByteArray("Thumb::Image::Height"), QByteArray::number(natural.height())));
    }
    texts.append(qMakePair(QByteArray("Software"), QByteArray("Vutara! 2.0")));
    return write(entryPath(key.uri, side), thumbnail, texts);
}

bool FreedesktopThumbnails::storeFailure(const ThumbnailKey& key)
{
    if (!settledForEntry(key))
        return false;
    QImage empty(1, 1, QImage::Format_ARGB32);
    empty.fill(Qt::transparent);
    QList<QPair<QByteArray, QByteArray>> texts = keyTexts(key);
    texts.append(qMakePair(QByteArray("Software"), QByteArray("Vutara! 2.0")));
    return write(failurePath(key.uri), empty, texts);
}

bool FreedesktopThumbnails::write(
    const QString& path, const QImage& image, const QList<QPair<QByteArray, QByteArray>>& texts)
{
    const QByteArray png = pngWithTexts(image, texts);
    const QString folder = path.left(path.lastIndexOf(u'/'));
    if (png.isEmpty() || !trusted(folder) || !posix::makeFolders(QFile::encodeName(folder), 0700) || !trusted(folder))
        return false;
    // Written under a temporary name and renamed into place, so that no program ever reads a
    // half-written entry.
    QByteArray temporary = QFile::encodeName(path) + ".XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return false;
    bool ok = ::fchmod(fd, 0600) == 0 && posix::writeAll(fd, png);
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(temporary.constData(), QFile::encodeName(path).constData()) == 0;
    if (!ok)
        ::unlink(temporary.constData());
    return ok;
}

}  // namespace vu
