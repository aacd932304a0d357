#include "picturenormaliser.h"

#include "bytes.h"
#include "pictureheader.h"

#include <QIODevice>
#include <QtEndian>

#include <algorithm>
#include <bit>
#include <limits>

namespace vu {
namespace {

using bytes::le16;
using bytes::le32;

void put32(QByteArray& b, quint32 v)
{
    char bytes[4];
    qToLittleEndian<quint32>(v, bytes);
    b.append(bytes, 4);
}
void put16(QByteArray& b, quint16 v)
{
    char bytes[2];
    qToLittleEndian<quint16>(v, bytes);
    b.append(bytes, 2);
}

NormalisedPicture refused(const QString& why, bool tooLarge = false)
{
    NormalisedPicture n;
    n.kind = NormalisedPicture::Kind::Refused;
    n.why = why;
    n.tooLarge = tooLarge;
    return n;
}

// One channel's bit mask: where it starts and how many bits it has; nothing when its bits are
// not contiguous.
struct Channel {
    quint32 mask = 0;
    int shift = 0;
    quint32 max = 0;  // the largest value, 0 for an absent channel
};
std::optional<Channel> channelOf(quint32 mask)
{
    Channel c;
    c.mask = mask;
    if (mask == 0)
        return c;
    c.shift = std::countr_zero(mask);
    c.max = mask >> c.shift;
    if ((c.max & (c.max + 1)) != 0)
        return std::nullopt;
    return c;
}

// A channel brought to 8 bits as ImageMagick brings it (and Qt's reader narrower channels):
// shifted, not stretched, so 5 bits of ones give 248.
quint32 scaled(quint32 pixel, const Channel& c)
{
    const quint32 v = (pixel & c.mask) >> c.shift;
    const int bits = std::bit_width(c.max);
    return bits >= 8 ? v >> (bits - 8) : v << (8 - bits);
}

// The header sizes Qt's BMP reader knows and draws right.
bool knownHeader(quint32 size)
{
    return size == 12 || size == 40 || size == 108 || size == 124;
}

// The bytes of `rows` rows of `width` pixels of `bits` each, as BMP stores them (each row padded
// to 4 bytes); width and rows below 2^31, bits at most 64.
qint64 bmpRowsBytes(qint64 width, int bits, qint64 rows)
{
    const qint64 row = (width * bits + 31) / 32 * 4;
    return row > std::numeric_limits<qint64>::max() / std::max<qint64>(rows, 1) ? std::numeric_limits<qint64>::max()
                                                                                : row * rows;
}

// The pixels of an RLE8 or RLE4 picture (`bits` 8 or 4) coded in `data`, as rows of one byte a
// pixel in the order the file stores them, each row padded to 4 bytes. Pixels the codes skip
// (a delta, a row or the picture ended early, the data cut short) stay 0, the palette's first
// colour; runs past a row's end are cut there.
void expandRle(const QByteArray& data, int bits, qint64 width, qint64 rows, uchar* out)
{
    const qint64 rowBytes = (width + 3) / 4 * 4;
    const auto* in = reinterpret_cast<const uchar*>(data.constData());
    const qsizetype size = data.size();
    qsizetype at = 0;
    qint64 x = 0, y = 0;
    auto put = [&](uchar index) {
        if (x < width)
            out[y * rowBytes + x] = index;
        ++x;
    };
    while (y < rows && at + 2 <= size) {
        const int count = in[at], value = in[at + 1];
        at += 2;
        if (count > 0) {  // a run of one index, or of two alternating in RLE4
            for (int i = 0; i < count && x < width; ++i)
                put(uchar(bits == 8 ? value : (i % 2 == 0 ? value >> 4 : value & 15)));
        } else if (value == 0) {  // end of the row
            x = 0;
            ++y;
        } else if (value == 1) {  // end of the picture
            break;
        } else if (value == 2) {  // move right and up
            if (at + 2 > size)
                break;
            x += in[at];
            y += in[at + 1];
            at += 2;
        } else {  // `value` indices as they are, padded to 2 bytes
            const qsizetype bytes = bits == 8 ? value : (value + 1) / 2;
            for (int i = 0; i < value && at + (bits == 8 ? i : i / 2) < size; ++i) {
                const uchar b = in[at + (bits == 8 ? i : i / 2)];
                put(uchar(bits == 8 ? b : (i % 2 == 0 ? b >> 4 : b & 15)));
            }
            at += bytes + (bytes & 1);
        }
    }
}

NormalisedPicture normaliseBmp(QIODevice& d, qint64 maxBytes, bool pixels)
{
    const qint64 fileSize = d.size();
    if (!d.seek(0))
        return {};
    const QByteArray fileHeader = d.read(14);
    const std::optional<BmpInfo> info = readBmpInfo(d, 14);
    if (fileHeader.size() < 14 || !info)
        return {};  // Qt's reader decides
    const qint64 pixelsAt = le32(fileHeader, 10);
    const int bits = info->bits;
    const bool os2 = info->os2();
    // OS/2 2.x codes Huffman 1D as 3 and RLE24 as 4; neither can be put into a form Qt draws.
    if ((os2 && info->compression > 2) || (!os2 && info->compression > 3 && info->compression != 6))
        return {};
    const qint64 width = info->width, rows = std::abs(info->height);
    if (width <= 0 || rows <= 0 || width > 0x7FFFFFFF || rows > 0x7FFFFFFF)
        return {};
    // Bit depths Qt's reader knows: the rest it refuses on its own, in a header it reads.
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) {
        if (knownHeader(info->headerSize) && info->planes == 1)
            return {};
        return refused(QStringLiteral("BMP of a bit depth no reader draws"));
    }
    // Run-length coded pictures are expanded here: Qt's reader leaves the pixels that the codes
    // skip as whatever memory held before.
    const bool rle = (bits == 8 && info->compression == 1) || (bits == 4 && info->compression == 2);
    if (!rle && (info->compression == 1 || info->compression == 2))
        return {};

    // What Qt's reader would refuse or draw wrong: header versions it does not know (OS/2 2.x,
    // and the 52 and 56-byte headers of bit-mask pictures), OS/2 1.x palettes shorter than the
    // bit depth allows, a plane count other than 1, and bit masks wider than 8 bits.
    const bool otherVersion = !knownHeader(info->headerSize);
    bool wideMasks = false;
    std::array<Channel, 4> channels;
    if (info->bitFields() && (bits == 16 || bits == 32)) {
        for (int c = 0; c < 4; ++c) {
            const std::optional<Channel> channel = channelOf(info->masks[size_t(c)]);
            if (!channel)
                return refused(QStringLiteral("BMP bit masks whose bits are not contiguous"));
            channels[size_t(c)] = *channel;
            wideMasks = wideMasks || channel->max > 255;
        }
    }
    const int masksBytes = info->headerSize == 40 && info->bitFields() ? (info->compression == 6 ? 16 : 12) : 0;
    const qint64 paletteAt = 14 + info->headerSize + masksBytes;
    const qint64 room = pixelsAt - paletteAt;
    const int entry = info->paletteEntryBytes();
    const int full = bits >= 1 && bits <= 8 ? 1 << bits : 0;
    const bool shortPalette = info->headerSize == 12 && room >= 0 && room / entry < full;
    const bool newHeader = otherVersion || shortPalette || info->planes != 1 || wideMasks;
    const qint64 pixelBytes = bmpRowsBytes(width, bits, rows);
    // Pictures beyond the allocation limit (pixels counted at 4 bytes, as the loaders count them)
    // are refused by the loaders for their size and never decoded: only their header matters.
    const bool overLimit = width > maxBytes / 4 / rows;
    if (wideMasks && overLimit)
        return refused(QStringLiteral("picture too large"), true);
    if (!newHeader && (overLimit || !pixels))
        return {};

    // Where Qt's reader finds the pixels: after the palette, or further on where the file says.
    int paletteSize = 0;
    qint64 dataAt = pixelsAt;
    if (!newHeader) {
        paletteSize = full == 0 ? 0 : info->coloursUsed ? int(std::min<quint32>(info->coloursUsed, 257)) : full;
        const qint64 paletteEnd = paletteAt + qint64(paletteSize) * entry;
        // A palette Qt's reader refuses (too long, or running to the end of the file) stays its
        // refusal; so does a file whose pixels are whole.
        if (paletteSize > 256 || paletteEnd >= fileSize
            || (!rle && fileSize >= std::max(pixelsAt, paletteEnd) + pixelBytes))
            return {};
        dataAt = std::max(pixelsAt, paletteEnd);
    } else {
        // Only a file whose parts fit together exactly gets a new header: a header size or offset
        // changed by damage would otherwise take part of a header for colours, and the picture
        // would be drawn wrong instead of refused.
        auto misfit = [] { return refused(QStringLiteral("BMP header that does not fit its file")); };
        if (room < 0 || (otherVersion && info->headerSize % 4 != 0)
            || (otherVersion && !os2 && !(info->bitFields() && (bits == 16 || bits == 32))))
            return misfit();
        // OS/2 2.x pictures of more than 8 bits have no palette: their pixels follow the header.
        if (otherVersion && os2 && full == 0 && room != 0)
            return misfit();
        if (full > 0) {
            // OS/2 1.x states no count: its palette is as long as the room before the pixels.
            const int stated
                = info->coloursUsed > 0 && info->coloursUsed < quint32(full) ? int(info->coloursUsed) : full;
            paletteSize = shortPalette ? int(room / entry) : stated;
            if (room % entry != 0 || room / entry != paletteSize)
                return misfit();
        }
        if (pixelsAt > fileSize)
            return misfit();
    }

    // Rewritten with a Windows header: 40 bytes, or 124 (version 5) where bit masks are stated;
    // the pixels whole, whatever the file holds: rows it lacks are zeros, the palette's first
    // colour (black, or transparent where a mask states alpha).
    // A 32-bit picture whose version 4 or 5 header states an alpha mask keeps it.
    const bool alphaMask = !info->bitFields() && bits == 32 && info->headerSize >= 108 && info->masks[3] == 0xFF000000u;
    const bool masks = info->bitFields() || alphaMask;
    const int outBits = wideMasks ? 32 : rle ? 8 : bits;
    const qint64 outPixels = overLimit || !pixels ? 0 : bmpRowsBytes(width, outBits, rows);
    if (outPixels > maxBytes)
        return refused(QStringLiteral("picture too large"), true);
    const qint64 headerBytes = masks ? 124 : 40;
    const qint64 outSize = 14 + headerBytes + 4 * qint64(paletteSize) + outPixels;

    if (!d.seek(0))
        return {};
    const QByteArray file = d.read(fileSize);
    NormalisedPicture n;
    n.kind = NormalisedPicture::Kind::Rewritten;
    QByteArray& out = n.bytes;
    out.reserve(outSize);
    out += "BM";
    put32(out, quint32(std::min<qint64>(outSize, 0xFFFFFFFF)));
    put32(out, 0);
    put32(out, quint32(14 + headerBytes + 4 * paletteSize));
    put32(out, quint32(headerBytes));
    put32(out, quint32(qint32(width)));
    put32(out, quint32(qint32(info->height)));
    put16(out, 1);  // planes
    put16(out, quint16(outBits));
    put32(out, masks ? 3 : 0);
    put32(out, 0);  // image size: worked out by the reader
    put32(out, 2835);  // 72 dots per inch
    put32(out, 2835);
    put32(out, quint32(paletteSize));
    put32(out, 0);
    if (masks) {
        const bool alpha = info->masks[3] != 0;
        if (wideMasks || alphaMask)
            for (quint32 m : {0x00FF0000u, 0x0000FF00u, 0x000000FFu, alpha ? 0xFF000000u : 0u})
                put32(out, m);
        else
            for (quint32 m : info->masks)
                put32(out, m);
        put32(out, 0x73524742);  // 'sRGB'
        out.append(QByteArray(124 - 60, '\0'));
    }
    for (int i = 0; i < paletteSize; ++i) {
        const qsizetype at = paletteAt + qsizetype(i) * entry;
        out += file.mid(at, 3).leftJustified(3, '\0');
        out += '\0';
    }
    const qsizetype pixelsStart = out.size();
    out.append(QByteArray(outPixels, '\0'));
    auto* to = reinterpret_cast<uchar*>(out.data() + pixelsStart);
    if (outPixels == 0) {
        return n;
    } else if (rle) {
        expandRle(file.mid(dataAt), bits, width, rows, to);
    } else if (!wideMasks) {
        const QByteArray held = file.mid(dataAt, outPixels);
        std::copy_n(held.constData(), held.size(), to);
    } else {
        // Each channel brought to 8 bits; rows the file does not hold in full stay zeros.
        const qint64 inRowBytes = (width * bits + 31) / 32 * 4, outRowBytes = width * 4;
        const int step = bits / 8;
        for (qint64 r = 0; r < rows && dataAt + (r + 1) * inRowBytes <= file.size(); ++r) {
            const qsizetype row = dataAt + r * inRowBytes;
            uchar* line = to + r * outRowBytes;
            for (qint64 x = 0; x < width; ++x) {
                const quint32 p = step == 4 ? le32(file, row + 4 * x) : le16(file, row + 2 * x);
                line[4 * x] = uchar(channels[2].max ? scaled(p, channels[2]) : 0);
                line[4 * x + 1] = uchar(channels[1].max ? scaled(p, channels[1]) : 0);
                line[4 * x + 2] = uchar(channels[0].max ? scaled(p, channels[0]) : 0);
                line[4 * x + 3] = uchar(channels[3].max ? scaled(p, channels[3]) : 255);
            }
        }
    }
    return n;
}

// A 24-bit icon picture (its header at `at` in `file`, `width` x `height` pixels, its colour rows
// from `rowsAt`) as a 32-bit one whose alpha is its mask, which Qt's reader drops for 24 bits: the
// masked pixels transparent, as in every other depth. Its mask follows, as in any icon picture.
QByteArray iconWithAlpha(const QByteArray& file, qint64 rowsAt, qint64 width, qint64 height)
{
    const qint64 inRow = (width * 24 + 31) / 32 * 4, maskRow = (width + 31) / 32 * 4;
    const qint64 maskAt = rowsAt + inRow * height;
    QByteArray out;
    out.reserve(40 + (width * 4 + maskRow) * height);
    put32(out, 40);
    put32(out, quint32(width));
    put32(out, quint32(2 * height));
    put16(out, 1);  // planes
    put16(out, 32);
    for (int field = 0; field < 6; ++field)  // compression, image size, resolutions, colours
        put32(out, 0);
    const auto* in = reinterpret_cast<const uchar*>(file.constData());
    for (qint64 y = 0; y < height; ++y) {
        const uchar* row = in + rowsAt + y * inRow;
        const uchar* mask = in + maskAt + y * maskRow;
        for (qint64 x = 0; x < width; ++x) {
            const bool masked = mask[x / 8] & (0x80 >> (x % 8));
            const char pixel[4] = {masked ? '\0' : char(row[3 * x]), masked ? '\0' : char(row[3 * x + 1]),
                masked ? '\0' : char(row[3 * x + 2]), masked ? '\0' : '\xFF'};
            out.append(pixel, 4);
        }
    }
    out += file.mid(maskAt, maskRow * height);
    return out;
}

// Icons whose directory Qt's reader misreads: sizes its pictures do not have (Qt trusts the
// directory and then reads the picture wrong or not at all; other readers trust the picture),
// a bit count or plane count that makes no sense (Qt then refuses the file, although the picture
// itself says what it is), and with `pixels`, 24-bit pictures, whose mask Qt drops: they are
// appended as 32-bit pictures with the mask as alpha, and their entries point there.
NormalisedPicture normaliseIcon(QIODevice& d, qint64 maxBytes, bool pixels)
{
    constexpr qint64 LargestIcon = 64 * 1024 * 1024;
    const qint64 fileSize = d.size();
    if (fileSize > std::min(maxBytes, LargestIcon) || !d.seek(0))
        return {};
    QByteArray file = d.read(fileSize);
    const QByteArray original = file;
    const int count = le16(file, 4);
    const bool cursor = le16(file, 2) == 2;  // whose planes and bits are its hot spot
    QByteArray appended;
    for (int i = 0; i < count && i < 256; ++i) {
        const qsizetype entry = 6 + 16 * qsizetype(i);
        if (entry + 16 > file.size())
            break;
        const qint64 at = le32(file, entry + 12);
        if (at <= 0 || at + 40 > file.size())
            continue;
        qint64 width = 0, height = 0;
        int bits = 32;
        bool converted = false;
        if (file.mid(at, 8) == QByteArrayLiteral("\x89PNG\r\n\x1a\n")) {
            width = qFromBigEndian<quint32>(file.constData() + at + 16);
            height = qFromBigEndian<quint32>(file.constData() + at + 20);
        } else {
            d.seek(0);
            const std::optional<BmpInfo> info = readBmpInfo(d, at);
            if (!info || info->headerSize < 40 || info->bits < 1 || info->bits > 32)
                continue;
            width = info->width;
            height = std::abs(info->height) / 2;  // colour rows and mask
            bits = info->bits;
            // No icon picture is larger (and the bytes of a larger one are not counted safely).
            if (width < 1 || height < 1 || width > 4096 || height > 4096)
                continue;
            // The picture's own size counts only when its rows fit the data the entry holds.
            const qint64 colours = info->bits <= 8 ? (info->coloursUsed ? info->coloursUsed : 1 << info->bits) : 0;
            const qint64 rowsAt = at + info->headerSize + 4 * colours;
            const qint64 needs
                = rowsAt - at + (width * info->bits + 31) / 32 * 4 * height + (width + 31) / 32 * 4 * height;
            const qint64 holds = std::min<qint64>(le32(file, entry + 8), file.size() - at);
            if (needs > holds)
                continue;
            if (pixels && bits == 24 && info->compression == 0 && info->height > 0
                && fileSize + appended.size() + 40 + (width * 4 + 4) * height * 2 <= maxBytes) {
                const QByteArray picture = iconWithAlpha(file, rowsAt, width, height);
                qToLittleEndian<quint32>(quint32(picture.size()), file.data() + entry + 8);
                qToLittleEndian<quint32>(quint32(fileSize + appended.size()), file.data() + entry + 12);
                appended += picture;
                bits = 32;
                converted = true;
            }
        }
        if (width < 1 || height < 1 || width > 4096 || height > 4096)
            continue;
        file[entry] = char(width >= 256 ? 0 : width);
        file[entry + 1] = char(height >= 256 ? 0 : height);
        if (!cursor && (converted || le16(file, entry + 4) > 1 || le16(file, entry + 6) > 32)) {
            qToLittleEndian<quint16>(1, file.data() + entry + 4);
            qToLittleEndian<quint16>(quint16(bits), file.data() + entry + 6);
        }
    }
    if (file == original)
        return {};
    NormalisedPicture n;
    n.kind = NormalisedPicture::Kind::Rewritten;
    n.bytes = file + appended;
    return n;
}

}  // namespace

NormalisedPicture normalisePicture(QIODevice& device, qint64 maxBytes, Need need)
{
    if (!device.isReadable() || device.isSequential() || !device.seek(0))
        return {};
    const QByteArray magic = device.read(4);
    NormalisedPicture n;
    if (magic.startsWith("BM"))
        n = normaliseBmp(device, maxBytes, need == Need::Pixels);
    else if (magic == QByteArrayLiteral("\0\0\1\0") || magic == QByteArrayLiteral("\0\0\2\0"))
        n = normaliseIcon(device, maxBytes, need == Need::Pixels);
    device.seek(0);
    return n;
}

void completePalette(QImage& image)
{
    if (image.format() != QImage::Format_Indexed8 && image.format() != QImage::Format_Mono
        && image.format() != QImage::Format_MonoLSB)
        return;
    const int full = 1 << image.depth();
    QList<QRgb> colours = image.colorTable();
    if (colours.size() >= full)
        return;
    const QRgb first = colours.isEmpty() ? qRgb(0, 0, 0) : colours.first();
    colours.resize(full, first);
    image.setColorTable(colours);
}

}  // namespace vu
