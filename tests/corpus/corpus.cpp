#include "corpus.h"

#include "support/testsupport.h"

#include <QBuffer>
#include <QDirIterator>
#include <QImageWriter>
#include <QMap>
#include <QtEndian>

#include <algorithm>
#include <set>

namespace vu::corpus {

std::uint64_t Random::next()
{
    // splitmix64: a fixed, portable sequence (the standard library's distributions are not).
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

namespace {

void le16(QByteArray& out, int v)
{
    out += char(v & 0xFF);
    out += char((v >> 8) & 0xFF);
}
void le32(QByteArray& out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out += char((v >> (8 * i)) & 0xFF);
}
void be16(QByteArray& out, int v)
{
    out += char((v >> 8) & 0xFF);
    out += char(v & 0xFF);
}
void be32(QByteArray& out, std::uint32_t v)
{
    for (int i = 3; i >= 0; --i)
        out += char((v >> (8 * i)) & 0xFF);
}
void putLe16(QByteArray& b, qsizetype at, int v)
{
    if (at + 2 <= b.size())
        qToLittleEndian<quint16>(quint16(v), b.data() + at);
}
void putLe32(QByteArray& b, qsizetype at, std::uint32_t v)
{
    if (at + 4 <= b.size())
        qToLittleEndian<quint32>(v, b.data() + at);
}
void putBe16(QByteArray& b, qsizetype at, int v)
{
    if (at + 2 <= b.size())
        qToBigEndian<quint16>(quint16(v), b.data() + at);
}
int getBe16(const QByteArray& b, qsizetype at)
{
    return at + 2 <= b.size() ? qFromBigEndian<quint16>(b.constData() + at) : 0;
}
int getLe16(const QByteArray& b, qsizetype at)
{
    return at + 2 <= b.size() ? qFromLittleEndian<quint16>(b.constData() + at) : 0;
}
std::uint32_t getLe32(const QByteArray& b, qsizetype at)
{
    return at + 4 <= b.size() ? qFromLittleEndian<quint32>(b.constData() + at) : 0;
}

// The distinct colours of a picture in order of appearance (row by row).
QList<QRgb> paletteOf(const QImage& picture)
{
    QList<QRgb> colours;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb c = picture.pixel(x, y) | 0xFF000000u;
            if (!colours.contains(c))
                colours << c;
        }
    }
    return colours;
}

QByteArray bmpHeaders(QSize size, int bits, int compression, std::uint32_t imageBytes, const QList<QRgb>& palette,
    const QList<std::uint32_t>& masks, bool topDown)
{
    const std::uint32_t offBits = 14 + 40 + std::uint32_t(masks.size()) * 4 + std::uint32_t(palette.size()) * 4;
    QByteArray out("BM");
    le32(out, offBits + imageBytes);
    le32(out, 0);
    le32(out, offBits);
    le32(out, 40);
    le32(out, std::uint32_t(size.width()));
    le32(out, std::uint32_t(topDown ? -size.height() : size.height()));
    le16(out, 1);
    le16(out, bits);
    le32(out, std::uint32_t(compression));
    le32(out, imageBytes);
    le32(out, 2835);
    le32(out, 2835);
    le32(out, std::uint32_t(palette.size()));
    le32(out, 0);
    for (std::uint32_t m : masks)
        le32(out, m);
    for (QRgb c : palette) {
        out += char(qBlue(c));
        out += char(qGreen(c));
        out += char(qRed(c));
        out += char(0);
    }
    return out;
}

// Runs of equal palette indexes in one row.
struct Run {
    int index;
    int length;
};
QList<Run> runsOf(const QList<int>& row)
{
    QList<Run> runs;
    for (int x = 0; x < row.size();) {
        int n = 1;
        while (x + n < row.size() && row[x + n] == row[x] && n < 255)
            ++n;
        runs << Run{row[x], n};
        x += n;
    }
    return runs;
}

QImage cubeColours(const QImage& picture)
{
    // What the GIF writer of the test support stores: each channel on six levels.
    QImage out = picture.convertToFormat(QImage::Format_RGB32);
    auto level = [](int v) { return (v * 5 + 127) / 255 * 51; };
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x)
            line[x] = qRgb(level(qRed(line[x])), level(qGreen(line[x])), level(qBlue(line[x])));
    }
    return out;
}

QByteArray pngBytes(const QImage& picture)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    writer.write(picture);
    return bytes;
}

std::uint32_t crc32(const QByteArray& bytes, qsizetype from, qsizetype length)
{
    std::uint32_t crc = 0xFFFFFFFFu;
    for (qsizetype i = from; i < from + length && i < bytes.size(); ++i) {
        crc ^= static_cast<unsigned char>(bytes.at(i));
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

QImage twoColourPicture(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, ((x / 2 + y / 3) % 3 == 0) ? qRgb(0, 0, 0) : qRgb(248, 248, 248));
    return image;
}

}  // namespace

QImage sixteenColourPicture(QSize size)
{
    // Channel values that survive 5- and 6-bit storage exactly (multiples of 8, at most 248).
    static const QRgb colours[16] = {
        qRgb(0, 0, 0),
        qRgb(248, 248, 248),
        qRgb(248, 0, 0),
        qRgb(0, 248, 0),
        qRgb(0, 0, 248),
        qRgb(248, 248, 0),
        qRgb(0, 248, 248),
        qRgb(248, 0, 248),
        qRgb(128, 128, 128),
        qRgb(64, 64, 64),
        qRgb(192, 64, 0),
        qRgb(0, 128, 64),
        qRgb(64, 0, 128),
        qRgb(192, 192, 64),
        qRgb(128, 0, 0),
        qRgb(0, 64, 192),
    };
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            // Long runs on the left half (good for RLE), varied pixels on the right.
            const int index = x < size.width() / 2 ? (y / 3) % 16 : (x * 7 + y * 3) % 16;
            image.setPixel(x, y, colours[index]);
        }
    }
    return image;
}

QByteArray bmpFile(const QImage& picture, int bits, bool topDown)
{
    const QSize size = picture.size();
    QList<QRgb> palette;
    QList<std::uint32_t> masks;
    int compression = 0;
    if (bits <= 8) {
        palette = paletteOf(picture);
        while (palette.size() < (1 << bits))
            palette << qRgb(0, 0, 0);
    } else if (bits == 16 && topDown) {
        compression = 3;  // 5-6-5 bit fields
        masks = {0xF800, 0x07E0, 0x001F};
    }
    const int stride = ((size.width() * bits + 31) / 32) * 4;
    QByteArray pixels(qsizetype(stride) * size.height(), '\0');
    for (int row = 0; row < size.height(); ++row) {
        const int y = topDown ? row : size.height() - 1 - row;
        char* line = pixels.data() + qsizetype(row) * stride;
        for (int x = 0; x < size.width(); ++x) {
            const QRgb c = picture.pixel(x, y);
            switch (bits) {
            case 1:
            case 4:
            case 8: {
                const int index = int(palette.indexOf(c | 0xFF000000u));
                const int perByte = 8 / bits;
                const int shift = (perByte - 1 - x % perByte) * bits;
                line[x / perByte] = char(line[x / perByte] | (index << shift));
                break;
            }
            case 16: {
                const int v = compression == 3 ? ((qRed(c) >> 3) << 11) | ((qGreen(c) >> 2) << 5) | (qBlue(c) >> 3)
                                               : ((qRed(c) >> 3) << 10) | ((qGreen(c) >> 3) << 5) | (qBlue(c) >> 3);
                line[x * 2] = char(v & 0xFF);
                line[x * 2 + 1] = char(v >> 8);
                break;
            }
            case 24:
            case 32: {
                const int bytes = bits / 8;
                line[x * bytes] = char(qBlue(c));
                line[x * bytes + 1] = char(qGreen(c));
                line[x * bytes + 2] = char(qRed(c));
                break;
            }
            default:
                break;
            }
        }
    }
    return bmpHeaders(size, bits, compression, std::uint32_t(pixels.size()), palette, masks, topDown) + pixels;
}

QByteArray bmpRleFile(const QImage& picture, int bits)
{
    QList<QRgb> palette = paletteOf(picture);
    while (palette.size() < (1 << bits))
        palette << qRgb(0, 0, 0);
    QByteArray data;
    for (int y = picture.height() - 1; y >= 0; --y) {
        QList<int> row;
        for (int x = 0; x < picture.width(); ++x)
            row << int(palette.indexOf(picture.pixel(x, y) | 0xFF000000u));
        const QList<Run> runs = runsOf(row);
        for (qsizetype r = 0; r < runs.size();) {
            // Three or more single pixels in a row go in absolute mode, the rest as runs.
            qsizetype singles = 0;
            while (r + singles < runs.size() && runs[r + singles].length == 1 && singles < 200)
                ++singles;
            if (singles >= 3) {
                data += char(0);
                data += char(singles);
                QByteArray literal;
                if (bits == 8) {
                    for (qsizetype k = 0; k < singles; ++k)
                        literal += char(runs[r + k].index);
                } else {
                    for (qsizetype k = 0; k < singles; k += 2) {
                        const int hi = runs[r + k].index;
                        const int lo = k + 1 < singles ? runs[r + k + 1].index : 0;
                        literal += char((hi << 4) | lo);
                    }
                }
                if (literal.size() % 2)
                    literal += char(0);
                data += literal;
                r += singles;
                continue;
            }
            const Run& run = runs[r];
            data += char(run.length);
            data += char(bits == 8 ? run.index : (run.index << 4) | run.index);
            ++r;
        }
        data += char(0);
        data += char(y == 0 ? 1 : 0);  // end of line, or end of the bitmap after the last line
    }
    return bmpHeaders(picture.size(), bits, bits == 8 ? 1 : 2, std::uint32_t(data.size()), palette, {}, false) + data;
}

QByteArray jpegFile(const QImage& picture, bool progressive, int exifOrientation)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(85);
    writer.setProgressiveScanWrite(progressive);
    writer.write(picture);
    if (exifOrientation == 0)
        return bytes;
    // An EXIF segment right after the start-of-image marker: a big-endian TIFF header and one
    // directory with the orientation tag.
    QByteArray tiff("MM");
    be16(tiff, 42);
    be32(tiff, 8);
    be16(tiff, 1);  // one entry
    be16(tiff, 0x0112);  // orientation
    be16(tiff, 3);  // SHORT
    be32(tiff, 1);  // one value
    be16(tiff, exifOrientation);
    be16(tiff, 0);
    be32(tiff, 0);  // no further directory
    QByteArray app1("\xFF\xE1", 2);
    be16(app1, 2 + 6 + int(tiff.size()));
    app1 += QByteArray("Exif\0\0", 6);
    app1 += tiff;
    return bytes.left(2) + app1 + bytes.mid(2);
}

QByteArray icoFile(const QList<QImage>& pictures, const QList<bool>& png)
{
    QList<QByteArray> bodies;
    for (qsizetype i = 0; i < pictures.size(); ++i) {
        const QImage image = pictures[i].convertToFormat(QImage::Format_ARGB32);
        if (png.value(i)) {
            bodies << pngBytes(image);
            continue;
        }
        // A 32-bit DIB of twice the height (colour rows, then the transparency mask rows).
        const int w = image.width(), h = image.height();
        QByteArray body;
        le32(body, 40);
        le32(body, std::uint32_t(w));
        le32(body, std::uint32_t(h * 2));
        le16(body, 1);
        le16(body, 32);
        le32(body, 0);
        const int maskStride = ((w + 31) / 32) * 4;
        le32(body, std::uint32_t(w * h * 4 + maskStride * h));
        le32(body, 0);
        le32(body, 0);
        le32(body, 0);
        le32(body, 0);
        for (int y = h - 1; y >= 0; --y) {
            for (int x = 0; x < w; ++x) {
                const QRgb c = image.pixel(x, y);
                body += char(qBlue(c));
                body += char(qGreen(c));
                body += char(qRed(c));
                body += char(qAlpha(c));
            }
        }
        body += QByteArray(qsizetype(maskStride) * h, '\0');
        bodies << body;
    }
    QByteArray out;
    le16(out, 0);
    le16(out, 1);
    le16(out, int(pictures.size()));
    std::uint32_t offset = 6 + 16 * std::uint32_t(pictures.size());
    for (qsizetype i = 0; i < pictures.size(); ++i) {
        const QSize s = pictures[i].size();
        out += char(s.width() >= 256 ? 0 : s.width());
        out += char(s.height() >= 256 ? 0 : s.height());
        out += char(0);
        out += char(0);
        le16(out, 1);
        le16(out, 32);
        le32(out, std::uint32_t(bodies[i].size()));
        le32(out, offset);
        offset += std::uint32_t(bodies[i].size());
    }
    for (const QByteArray& body : bodies)
        out += body;
    return out;
}

QList<Seed> generatedSeeds()
{
    QList<Seed> seeds;
    const QSize size(21, 13);  // odd sizes exercise the row padding
    const QImage sixteen = sixteenColourPicture(size);
    const QImage two = twoColourPicture(size);
    auto add = [&](const char* name, const char* suffix, const QByteArray& bytes, QSize shown, const QImage& expected) {
        seeds << Seed{QString::fromLatin1(name), QString::fromLatin1(suffix), bytes, shown, expected};
    };
    add("bmp-1", "bmp", bmpFile(two, 1), size, two);
    add("bmp-4", "bmp", bmpFile(sixteen, 4), size, sixteen);
    add("bmp-8", "bmp", bmpFile(sixteen, 8), size, sixteen);
    add("bmp-16", "bmp", bmpFile(sixteen, 16), size, sixteen);
    add("bmp-16-565-topdown", "bmp", bmpFile(sixteen, 16, true), size, sixteen);
    add("bmp-24", "bmp", bmpFile(sixteen, 24), size, sixteen);
    add("bmp-24-topdown", "bmp", bmpFile(sixteen, 24, true), size, sixteen);
    add("bmp-32", "bmp", bmpFile(sixteen, 32), size, sixteen);
    add("bmp-rle4", "bmp", bmpRleFile(sixteen, 4), size, sixteen);
    add("bmp-rle8", "bmp", bmpRleFile(sixteen, 8), size, sixteen);

    const QImage cube = cubeColours(testing::makePicture(QSize(23, 17), QColor(200, 60, 40)));
    add("gif-static", "gif", testing::encodeGif({cube}), cube.size(), cube);
    const QImage frame2 = cubeColours(testing::makePicture(QSize(23, 17), QColor(40, 60, 200)));
    const QImage frame3 = cubeColours(testing::makePicture(QSize(23, 17), QColor(40, 200, 60)));
    add("gif-animated", "gif", testing::encodeGif({cube, frame2, frame3}), cube.size(), cube);
    const QImage tall = cubeColours(sixteenColourPicture(QSize(19, 29)));
    add("gif-interlaced", "gif", testing::encodeGif({tall}, true), tall.size(), tall);

    const QImage photo = testing::makePicture(QSize(40, 24), QColor(30, 140, 220));
    add("jpeg-baseline", "jpg", jpegFile(photo, false), photo.size(), QImage());
    add("jpeg-progressive", "jpg", jpegFile(photo, true), photo.size(), QImage());
    add("jpeg-exif-3", "jpg", jpegFile(photo, false, 3), photo.size(), QImage());
    add("jpeg-exif-6", "jpg", jpegFile(photo, false, 6), photo.size().transposed(), QImage());
    add("jpeg-exif-8-progressive", "jpg", jpegFile(photo, true, 8), photo.size().transposed(), QImage());

    QList<QImage> icons;
    for (int s : {16, 32, 48})
        icons << testing::makePicture(QSize(s, s), QColor(220, 120, 20)).convertToFormat(QImage::Format_ARGB32);
    add("ico-bmp", "ico", icoFile(icons, {false, false, false}), QSize(48, 48), icons.last());
    QList<QImage> mixed = icons;
    mixed << testing::makePicture(QSize(64, 64), QColor(20, 120, 220)).convertToFormat(QImage::Format_ARGB32);
    mixed << testing::makePicture(QSize(256, 256), QColor(120, 20, 220)).convertToFormat(QImage::Format_ARGB32);
    add("ico-png", "ico", icoFile(mixed, {false, true, false, true, true}), QSize(256, 256), mixed.last());
    return seeds;
}

QList<Seed> shippedSeeds()
{
    QStringList files;
    QDirIterator it(testing::dataFile(QString()), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString suffix = QFileInfo(path).suffix().toLower();
        if (suffix == QStringLiteral("bmp") || suffix == QStringLiteral("jpg") || suffix == QStringLiteral("gif")
            || suffix == QStringLiteral("ico"))
            files << path;
    }
    files.sort();
    QList<Seed> seeds;
    const QString base = testing::dataFile(QString());
    for (const QString& path : files) {
        QString name = path.mid(base.size());
        name.replace(u'/', u'_');
        name.chop(QFileInfo(path).suffix().size() + 1);
        seeds << Seed{QStringLiteral("data_") + name, QFileInfo(path).suffix().toLower(), testing::readBytes(path),
            QSize(), QImage()};
    }
    return seeds;
}

namespace {

class Maker {
public:
    Maker(QList<Variant>& out, const Seed& seed)
        : out_(out)
        , seed_(seed)
    {
    }
    void add(const QString& what, const QByteArray& bytes)
    {
        if (bytes == seed_.bytes || !seen_.insert(bytes).second)
            return;  // a mutation that changed nothing, or one already made
        out_ << Variant{seed_.name + u'-' + prefix + what + u'.' + seed_.suffix, bytes};
    }
    QString prefix;  // names the part of the file the next edits concern
    template <typename Edit> void edit(const QString& what, Edit change)
    {
        QByteArray b = seed_.bytes;
        change(b);
        add(what, b);
    }

private:
    QList<Variant>& out_;
    const Seed& seed_;
    std::set<QByteArray> seen_;
};

QString hex(qsizetype v)
{
    return QString::number(v, 16);
}

void truncations(Maker& m, const QByteArray& bytes, int dense, int spread)
{
    const qsizetype n = bytes.size();
    std::set<qsizetype> cuts;
    for (qsizetype at = 1; at < std::min<qsizetype>(n, dense); at += 3)
        cuts.insert(at);
    for (int i = 1; i <= spread; ++i)
        cuts.insert(n * i / (spread + 1));
    cuts.insert(n - 1);
    for (qsizetype at : cuts) {
        if (at > 0 && at < n)
            m.add(QStringLiteral("cut%1").arg(at), bytes.left(at));
    }
}

void bitFlips(Maker& m, const QByteArray& bytes, Random& rnd, int single, int multiple, int spans)
{
    const int n = int(bytes.size());
    if (n == 0)
        return;
    for (int i = 0; i < single; ++i) {
        const int at = i % 2 == 0 ? rnd.below(std::min(n, 128)) : rnd.below(n);
        const int bit = rnd.below(8);
        m.edit(QStringLiteral("flip%1.%2").arg(hex(at)).arg(bit),
            [&](QByteArray& b) { b[at] = char(b[at] ^ (1 << bit)); });
    }
    for (int i = 0; i < multiple; ++i) {
        m.edit(QStringLiteral("flips%1").arg(i), [&](QByteArray& b) {
            for (int k = 0; k < 8; ++k) {
                const int at = rnd.below(n);
                b[at] = char(b[at] ^ (1 << rnd.below(8)));
            }
        });
    }
    static const char fills[3] = {'\xFF', '\0', '\x80'};
    for (int i = 0; i < spans; ++i) {
        const int at = rnd.below(n);
        const char fill = fills[i % 3];
        m.edit(QStringLiteral("span%1.%2").arg(hex(at)).arg(i % 3), [&](QByteArray& b) {
            for (int k = at; k < std::min(n, at + 4); ++k)
                b[k] = fill;
        });
    }
}

void bmpFields(Maker& m, qsizetype base)
{
    // base: where the info header starts (14 in a BMP file, 0 in an icon's entry).
    const std::uint32_t sizes[] = {0, 1, 0xFFFFFFFFu, 0x7FFFFFFFu, 0x80000000u, 65535, 100000, 16384, 8192, 30000};
    for (std::uint32_t v : sizes) {
        m.edit(QStringLiteral("width%1").arg(hex(v)), [&](QByteArray& b) { putLe32(b, base + 4, v); });
        m.edit(QStringLiteral("height%1").arg(hex(v)), [&](QByteArray& b) { putLe32(b, base + 8, v); });
    }
    // Both at once: 2^31 x 2^31 pixels, whose bytes no 64-bit count holds.
    m.edit(QStringLiteral("size7fffffffx7fffffff"), [&](QByteArray& b) {
        putLe32(b, base + 4, 0x7FFFFFFF);
        putLe32(b, base + 8, 0x7FFFFFFF);
    });
    // Claims that just fit the allocation limit, and just do not.
    m.edit(QStringLiteral("size16384x8192"), [&](QByteArray& b) {
        putLe32(b, base + 4, 16384);
        putLe32(b, base + 8, 8192);
    });
    m.edit(QStringLiteral("size16384x8193"), [&](QByteArray& b) {
        putLe32(b, base + 4, 16384);
        putLe32(b, base + 8, 8193);
    });
    for (int bits : {0, 2, 3, 7, 9, 33, 48, 64, 0xFFFF})
        m.edit(QStringLiteral("bits%1").arg(bits), [&](QByteArray& b) { putLe16(b, base + 14, bits); });
    for (std::uint32_t c : {1u, 2u, 3u, 4u, 5u, 6u, 99u, 0xFFFFFFFFu})
        m.edit(QStringLiteral("compression%1").arg(hex(c)), [&](QByteArray& b) { putLe32(b, base + 16, c); });
    for (std::uint32_t c : {1u, 2u, 255u, 257u, 65536u, 1u << 30, 0xFFFFFFFFu})
        m.edit(QStringLiteral("colours%1").arg(hex(c)), [&](QByteArray& b) { putLe32(b, base + 32, c); });
    for (std::uint32_t h : {0u, 12u, 16u, 39u, 41u, 64u, 108u, 124u, 0xFFFFu, 0xFFFFFFFFu})
        m.edit(QStringLiteral("header%1").arg(hex(h)), [&](QByteArray& b) { putLe32(b, base, h); });
    for (int planes : {0, 2, 0xFFFF})
        m.edit(QStringLiteral("planes%1").arg(planes), [&](QByteArray& b) { putLe16(b, base + 12, planes); });
    for (std::uint32_t s : {0u, 1u, 0xFFFFFFFFu})
        m.edit(QStringLiteral("imagesize%1").arg(hex(s)), [&](QByteArray& b) { putLe32(b, base + 20, s); });
}

void bmpFileFields(Maker& m, const QByteArray& bytes)
{
    const std::uint32_t n = std::uint32_t(bytes.size());
    for (std::uint32_t off : {0u, 1u, 14u, 53u, n - 1, n, n + 100, 0x7FFFFFFFu, 0xFFFFFFFFu})
        m.edit(QStringLiteral("offbits%1").arg(hex(off)), [&](QByteArray& b) { putLe32(b, 10, off); });
    for (std::uint32_t s : {0u, 1u, 0xFFFFFFFFu})
        m.edit(QStringLiteral("filesize%1").arg(hex(s)), [&](QByteArray& b) { putLe32(b, 2, s); });
    bmpFields(m, 14);
}

// The first image descriptor of a GIF made by the test support (or -1).
qsizetype gifDescriptor(const QByteArray& b)
{
    if (b.size() < 13)
        return -1;
    qsizetype at = 13;
    const auto flags = static_cast<unsigned char>(b.at(10));
    if (flags & 0x80)
        at += 3 * (2 << (flags & 7));
    while (at < b.size()) {
        const auto c = static_cast<unsigned char>(b.at(at));
        if (c == 0x2C)
            return at;
        if (c != 0x21 || at + 2 >= b.size())
            return -1;
        at += 2;  // introducer and label, then sub-blocks up to the terminator
        while (at < b.size() && b.at(at) != 0)
            at += 1 + static_cast<unsigned char>(b.at(at));
        ++at;
    }
    return -1;
}

void gifFields(Maker& m, const QByteArray& bytes)
{
    for (int v : {0, 1, 0x7FFF, 0xFFFF}) {
        m.edit(QStringLiteral("screenw%1").arg(hex(v)), [&](QByteArray& b) { putLe16(b, 6, v); });
        m.edit(QStringLiteral("screenh%1").arg(hex(v)), [&](QByteArray& b) { putLe16(b, 8, v); });
    }
    m.edit(QStringLiteral("screen8192x16384"), [&](QByteArray& b) {
        putLe16(b, 6, 8192);
        putLe16(b, 8, 16384);
    });
    for (int flags : {0x00, 0x70, 0x80, 0xF0, 0xFF})
        m.edit(QStringLiteral("gctflags%1").arg(hex(flags)), [&](QByteArray& b) { b[10] = char(flags); });
    const qsizetype d = gifDescriptor(bytes);
    if (d < 0)
        return;
    for (int v : {0, 1, 0x7FFF, 0xFFFF}) {
        m.edit(QStringLiteral("left%1").arg(hex(v)), [&](QByteArray& b) { putLe16(b, d + 1, v); });
        m.edit(QStringLiteral("top%1").arg(hex(v)), [&](QByteArray& b) { putLe16(b, d + 3, v); });
        m.edit(QStringLiteral("framew%1").arg(hex(v)), [&](QByteArray& b) { putLe16(b, d + 5, v); });
        m.edit(QStringLiteral("frameh%1").arg(hex(v)), [&](QByteArray& b) { putLe16(b, d + 7, v); });
    }
    for (int flags : {0x80, 0x87, 0xC0, 0x3F})
        m.edit(QStringLiteral("lctflags%1").arg(hex(flags)), [&](QByteArray& b) {
            if (d + 9 < b.size())
                b[d + 9] = char(flags);
        });
    for (int code : {0, 1, 2, 11, 12, 13, 255})
        m.edit(QStringLiteral("lzwsize%1").arg(code), [&](QByteArray& b) {
            if (d + 10 < b.size())
                b[d + 10] = char(code);
        });
    for (int block : {0, 1, 254, 255})
        m.edit(QStringLiteral("block%1").arg(block), [&](QByteArray& b) {
            if (d + 11 < b.size())
                b[d + 11] = char(block);
        });
    m.edit(QStringLiteral("notrailer"), [&](QByteArray& b) { b.chop(1); });
    m.edit(QStringLiteral("garbagetail"), [&](QByteArray& b) { b += QByteArray(300, '\xFF'); });
}

// Marker segments of a JPEG before its image data: position of the marker and its length.
QList<std::pair<qsizetype, int>> jpegSegments(const QByteArray& b)
{
    QList<std::pair<qsizetype, int>> segments;
    qsizetype at = 2;
    while (at + 4 <= b.size() && static_cast<unsigned char>(b.at(at)) == 0xFF) {
        const auto marker = static_cast<unsigned char>(b.at(at + 1));
        const int length = getBe16(b, at + 2);
        segments << std::pair{at, length};
        if (marker == 0xDA)  // start of scan: entropy-coded data follows
            break;
        at += 2 + length;
    }
    return segments;
}

void jpegFields(Maker& m, const QByteArray& bytes)
{
    for (const auto& segment : jpegSegments(bytes)) {
        const qsizetype at = segment.first;
        const int length = segment.second;
        const auto marker = static_cast<unsigned char>(bytes.at(at + 1));
        const QString tag = QStringLiteral("m%1at%2").arg(hex(marker), hex(at));
        for (int v : {0, 1, 2, length - 1, length + 1, 0xFFFF})
            m.edit(tag + QStringLiteral("len%1").arg(hex(v)), [&](QByteArray& b) { putBe16(b, at + 2, v); });
        if (marker == 0xC0 || marker == 0xC2) {  // frame header: precision, height, width, components
            for (int v : {0, 1, 0x7FFF, 0xFFFF}) {
                m.edit(tag + QStringLiteral("h%1").arg(hex(v)), [&](QByteArray& b) { putBe16(b, at + 5, v); });
                m.edit(tag + QStringLiteral("w%1").arg(hex(v)), [&](QByteArray& b) { putBe16(b, at + 7, v); });
            }
            m.edit(tag + QStringLiteral("size16000x8000"), [&](QByteArray& b) {
                putBe16(b, at + 5, 8000);
                putBe16(b, at + 7, 16000);
            });
            for (int p : {0, 1, 12, 16, 255})
                m.edit(tag + QStringLiteral("precision%1").arg(p), [&](QByteArray& b) { b[at + 4] = char(p); });
            for (int n : {0, 2, 4, 255})
                m.edit(tag + QStringLiteral("components%1").arg(n), [&](QByteArray& b) { b[at + 9] = char(n); });
            for (int s : {0x00, 0x44, 0xFF, 0x14})
                m.edit(tag + QStringLiteral("sampling%1").arg(hex(s)), [&](QByteArray& b) {
                    if (at + 11 < b.size())
                        b[at + 11] = char(s);
                });
            for (int q : {4, 255})
                m.edit(tag + QStringLiteral("qtable%1").arg(q), [&](QByteArray& b) {
                    if (at + 12 < b.size())
                        b[at + 12] = char(q);
                });
        } else if (marker == 0xDA) {  // scan header: components and their tables
            for (int n : {0, 4, 255})
                m.edit(tag + QStringLiteral("components%1").arg(n), [&](QByteArray& b) { b[at + 4] = char(n); });
            for (int t : {0x44, 0xFF})
                m.edit(tag + QStringLiteral("tables%1").arg(hex(t)), [&](QByteArray& b) {
                    if (at + 6 < b.size())
                        b[at + 6] = char(t);
                });
        } else if (marker == 0xC4) {  // Huffman table: class and id, then the code counts
            for (int c : {0x04, 0x20, 0xFF})
                m.edit(tag + QStringLiteral("class%1").arg(hex(c)), [&](QByteArray& b) { b[at + 4] = char(c); });
            m.edit(tag + QStringLiteral("counts"), [&](QByteArray& b) {
                for (int k = 0; k < 16 && at + 5 + k < b.size(); ++k)
                    b[at + 5 + k] = char(0xFF);
            });
        } else if (marker == 0xDB) {  // quantisation table: precision and id
            for (int c : {0x04, 0x10, 0xFF})
                m.edit(tag + QStringLiteral("id%1").arg(hex(c)), [&](QByteArray& b) { b[at + 4] = char(c); });
        } else if (marker == 0xE1) {  // EXIF: orientation value, byte order, directory offset and size
            const qsizetype tiff = at + 10;
            for (int o : {0, 5, 7, 9, 255, 0xFFFF})
                m.edit(QStringLiteral("orientation%1").arg(hex(o)), [&](QByteArray& b) { putBe16(b, tiff + 18, o); });
            m.edit(QStringLiteral("exifintel"), [&](QByteArray& b) {
                b[tiff] = 'I';
                b[tiff + 1] = 'I';
            });
            for (std::uint32_t off : {0u, 7u, 0xFFFFu, 0xFFFFFFFFu})
                m.edit(QStringLiteral("ifdoffset%1").arg(hex(off)), [&](QByteArray& b) {
                    if (tiff + 8 <= b.size())
                        qToBigEndian<quint32>(off, b.data() + tiff + 4);
                });
            for (int count : {0, 2, 0xFFFF})
                m.edit(
                    QStringLiteral("ifdcount%1").arg(hex(count)), [&](QByteArray& b) { putBe16(b, tiff + 8, count); });
            for (int type : {0, 4, 0xFFFF})
                m.edit(
                    QStringLiteral("exiftype%1").arg(hex(type)), [&](QByteArray& b) { putBe16(b, tiff + 12, type); });
        }
    }
    m.edit(QStringLiteral("noeoi"), [&](QByteArray& b) { b.chop(2); });
    m.edit(QStringLiteral("doublesoi"), [&](QByteArray& b) { b.insert(2, QByteArray("\xFF\xD8", 2)); });
}

void icoFields(Maker& m, const QByteArray& bytes)
{
    for (int count : {0, 1, 6, 255, 0xFFFF})
        m.edit(QStringLiteral("count%1").arg(hex(count)), [&](QByteArray& b) { putLe16(b, 4, count); });
    for (int type : {0, 2, 3})
        m.edit(QStringLiteral("type%1").arg(type), [&](QByteArray& b) { putLe16(b, 2, type); });
    const int entries = getLe16(bytes, 4);
    for (int e = 0; e < entries; ++e) {
        const qsizetype at = 6 + 16 * e;
        const QString tag = QStringLiteral("e%1").arg(e);
        for (int v : {0, 1, 255}) {
            m.edit(tag + QStringLiteral("w%1").arg(v), [&](QByteArray& b) { b[at] = char(v); });
            m.edit(tag + QStringLiteral("h%1").arg(v), [&](QByteArray& b) { b[at + 1] = char(v); });
        }
        for (int bits : {0, 1, 3, 64, 0xFFFF})
            m.edit(tag + QStringLiteral("dirbits%1").arg(hex(bits)), [&](QByteArray& b) { putLe16(b, at + 6, bits); });
        const std::uint32_t size = getLe32(bytes, at + 8);
        const std::uint32_t offset = getLe32(bytes, at + 12);
        for (std::uint32_t v : {0u, 1u, size - 1, size + 1, 0x7FFFFFFFu, 0xFFFFFFFFu})
            m.edit(tag + QStringLiteral("bytes%1").arg(hex(v)), [&](QByteArray& b) { putLe32(b, at + 8, v); });
        for (std::uint32_t v : {0u, 6u, offset + 1, std::uint32_t(bytes.size()), 0xFFFFFFFFu})
            m.edit(tag + QStringLiteral("offset%1").arg(hex(v)), [&](QByteArray& b) { putLe32(b, at + 12, v); });
        if (offset + 8 > std::uint32_t(bytes.size()))
            continue;
        if (bytes.mid(offset, 8) == QByteArray("\x89PNG\r\n\x1A\n", 8)) {
            // The PNG's own header, with its checksum made right so that the size is believed.
            const qsizetype ihdr = offset + 8;
            for (std::uint32_t v : {0u, 65535u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
                m.edit(tag + QStringLiteral("pngw%1").arg(hex(v)), [&](QByteArray& b) {
                    qToBigEndian<quint32>(v, b.data() + ihdr + 8);
                    qToBigEndian<quint32>(crc32(b, ihdr + 4, 17), b.data() + ihdr + 21);
                });
                m.edit(tag + QStringLiteral("pngwh%1").arg(hex(v)), [&](QByteArray& b) {
                    qToBigEndian<quint32>(v, b.data() + ihdr + 8);
                    qToBigEndian<quint32>(v, b.data() + ihdr + 12);
                    qToBigEndian<quint32>(crc32(b, ihdr + 4, 17), b.data() + ihdr + 21);
                });
            }
            m.edit(tag + QStringLiteral("pngcrc"), [&](QByteArray& b) { b[ihdr + 21] = char(b[ihdr + 21] ^ 0x55); });
        } else {
            m.prefix = tag;
            bmpFields(m, offset);
            m.prefix.clear();
        }
    }
}

void foreignFiles(QList<Variant>& out)
{
    auto add = [&](const char* name, const QByteArray& bytes) { out << Variant{QString::fromLatin1(name), bytes}; };
    for (const char* name : {"empty.bmp", "empty.jpg", "empty.gif", "empty.ico"})
        add(name, QByteArray());
    add("png-named.jpg", pngBytes(testing::makePicture(QSize(20, 10))));
    add("png-named.bmp", pngBytes(testing::makePicture(QSize(20, 10))));
    add("text-named.jpg", QByteArray("This is not a picture.\nこれは画像ではありません。\n"));
    add("html-named.gif", QByteArray("<!DOCTYPE html><html><body><img src=x.gif></body></html>\n"));
    add("magic-only.bmp", QByteArray("BM"));
    add("magic-only.gif", QByteArray("GIF89a"));
    add("magic-only87.gif", QByteArray("GIF87a"));
    add("magic-only.jpg", QByteArray("\xFF\xD8", 2));
    add("magic-marker.jpg", QByteArray("\xFF\xD8\xFF", 3));
    add("magic-eoi.jpg", QByteArray("\xFF\xD8\xFF\xD9", 4));
    add("magic-only.ico", QByteArray("\0\0\1\0", 4));
    add("header-only.ico", QByteArray("\0\0\1\0\xFF\xFF", 6));
    Random rnd(0x5EED);
    for (int size : {1, 100, 4096, 65536}) {
        QByteArray noise(size, '\0');
        for (char& c : noise)
            c = char(rnd.next() & 0xFF);
        out << Variant{QStringLiteral("noise%1.bmp").arg(size), noise};
        out << Variant{QStringLiteral("noise%1.jpg").arg(size), QByteArray("\xFF\xD8", 2) + noise};
        out << Variant{QStringLiteral("noise%1.gif").arg(size), QByteArray("GIF89a") + noise};
        out << Variant{QStringLiteral("noise%1.ico").arg(size), QByteArray("\0\0\1\0\1\0", 6) + noise};
    }
}

}  // namespace

QImage grainyPhoto(QSize size)
{
    QImage photo(size, QImage::Format_RGB32);
    Random grain(7);
    for (int y = 0; y < size.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(photo.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            const std::uint64_t g = grain.next();
            line[x] = qRgb(int((x / 16 + (g & 15)) & 255), int((y / 5 + ((g >> 8) & 15)) & 255),
                int((120 + (x + y) / 64 + ((g >> 16) & 15)) & 255));
        }
    }
    return photo;
}

QList<Variant> overclaimingPictures()
{
    QList<Variant> out;
    const QImage sixteen = sixteenColourPicture(QSize(21, 13));
    for (const auto& [name, bytes] : {std::pair{"bmp-4", bmpFile(sixteen, 4)}, {"bmp-rle8", bmpRleFile(sixteen, 8)}}) {
        QByteArray b = bytes;
        putLe32(b, 18, 16384);
        putLe32(b, 22, 8192);
        out << Variant{QString::fromLatin1(name) + QStringLiteral("-claims16384x8192.bmp"), b};
    }

    QByteArray gif = testing::encodeGif({cubeColours(testing::makePicture(QSize(23, 17)))});
    const qsizetype d = gifDescriptor(gif);
    for (qsizetype at : {qsizetype(6), d + 5}) {
        putLe16(gif, at, 16384);
        putLe16(gif, at + 2, 8192);
    }
    out << Variant{QStringLiteral("gif-claims16384x8192.gif"), gif};

    const QImage photo = testing::makePicture(QSize(40, 24), QColor(30, 140, 220));
    for (const auto& [name, progressive, orientation] :
        {std::tuple{"jpeg-baseline", false, 0}, {"jpeg-progressive", true, 0}, {"jpeg-exif-6", false, 6}}) {
        QByteArray b = jpegFile(photo, progressive, orientation);
        for (const auto& [at, length] : jpegSegments(b)) {
            if (b.at(at + 1) == char(0xC0) || b.at(at + 1) == char(0xC2)) {
                putBe16(b, at + 5, 8000);
                putBe16(b, at + 7, 16000);
            }
        }
        out << Variant{QString::fromLatin1(name) + QStringLiteral("-claims16000x8000.jpg"), b};
    }

    const QImage icon = testing::makePicture(QSize(32, 32)).convertToFormat(QImage::Format_ARGB32);
    for (const bool png : {true, false}) {
        QByteArray b = icoFile({icon}, {png});
        const qsizetype at = getLe32(b, 6 + 12);
        if (png) {
            qToBigEndian<quint32>(12000, b.data() + at + 16);
            qToBigEndian<quint32>(9000, b.data() + at + 20);
            qToBigEndian<quint32>(crc32(b, at + 12, 17), b.data() + at + 29);
        } else {
            putLe32(b, at + 4, 12000);
            putLe32(b, at + 8, 2 * 9000);  // the colour rows and the mask
        }
        out << Variant{
            png ? QStringLiteral("ico-png-claims12000x9000.ico") : QStringLiteral("ico-bmp-claims12000x9000.ico"), b};
    }
    return out;
}

QList<Variant> damagedVariants(const QList<Seed>& seeds, std::uint64_t seed)
{
    QList<Variant> out;
    foreignFiles(out);
    Random rnd(seed);
    for (const Seed& s : seeds) {
        Maker m(out, s);
        const bool shipped = s.name.startsWith(QStringLiteral("data_"));
        if (shipped) {
            // The shipped files: a few cuts and flips each, and the file itself.
            out << Variant{s.name + QStringLiteral("-as-is.") + s.suffix, s.bytes};
            truncations(m, s.bytes, 0, 3);
            bitFlips(m, s.bytes, rnd, 4, 1, 1);
            continue;
        }
        truncations(m, s.bytes, 96, 12);
        bitFlips(m, s.bytes, rnd, 24, 8, 6);
        if (s.suffix == QStringLiteral("bmp"))
            bmpFileFields(m, s.bytes);
        else if (s.suffix == QStringLiteral("gif"))
            gifFields(m, s.bytes);
        else if (s.suffix == QStringLiteral("jpg"))
            jpegFields(m, s.bytes);
        else if (s.suffix == QStringLiteral("ico"))
            icoFields(m, s.bytes);
    }
    return out;
}

}  // namespace vu::corpus
