#include "picturenormaliser.h"

#include "pictureheader.h"

#include <QIODevice>
#include <QtEndian>

#include <bit>

namespace vu {
namespace {

quint32 le32(const QByteArray& b, qsizetype at)
{
    return at >= 0 && at + 4 <= b.size() ? qFromLittleEndian<quint32>(b.constData() + at) : 0;
}
quint16 le16(const QByteArray& b, qsizetype at)
{
    return at >= 0 && at + 2 <= b.size() ? qFromLittleEndian<quint16>(b.constData() + at) : 0;
}
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

NormalisedPicture normaliseBmp(QIODevice& d, qint64 maxBytes)
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
    if (!otherVersion && !shortPalette && info->planes == 1 && !wideMasks)
        return {};

    // Only a file whose parts fit together exactly is rewritten: a header size or offset changed
    // by damage would otherwise take part of a header for colours, and the picture would be drawn
    // wrong instead of refused.
    auto misfit = [] { return refused(QStringLiteral("BMP header that does not fit its file")); };
    if (room < 0 || (otherVersion && info->headerSize % 4 != 0)
        || (otherVersion && !os2 && !(info->bitFields() && (bits == 16 || bits == 32))))
        return misfit();
    // OS/2 2.x pictures of more than 8 bits have no palette: their pixels follow the header.
    if (otherVersion && os2 && full == 0 && room != 0)
        return misfit();
    int paletteSize = 0;
    if (full > 0) {
        // OS/2 1.x states no count: its palette is as long as the room before the pixels.
        const int stated = info->coloursUsed > 0 && info->coloursUsed < quint32(full) ? int(info->coloursUsed) : full;
        paletteSize = shortPalette ? int(room / entry) : stated;
        if (room % entry != 0 || room / entry != paletteSize)
            return misfit();
    }

    // Rewritten with a Windows header: 40 bytes, or 124 (version 5) where bit masks are stated.
    const qint64 width = info->width, rows = std::abs(info->height);
    if (width <= 0 || rows <= 0 || width > 0x7FFFFFFF || rows > 0x7FFFFFFF || pixelsAt > fileSize)
        return misfit();
    if (wideMasks && width * 4 > maxBytes / rows)
        return refused(QStringLiteral("picture too large"), true);
    const bool masks = info->bitFields();
    const int outBits = wideMasks ? 32 : bits;
    const qint64 outRowBytes = (width * outBits + 31) / 32 * 4;
    const qint64 outPixels = wideMasks ? outRowBytes * rows : fileSize - pixelsAt;
    const qint64 headerBytes = masks ? 124 : 40;
    const qint64 outSize = 14 + headerBytes + 4 * qint64(paletteSize) + outPixels;
    if (outSize > maxBytes)
        return refused(QStringLiteral("picture too large"), true);

    if (!d.seek(0))
        return {};
    const QByteArray file = d.read(fileSize);
    NormalisedPicture n;
    n.kind = NormalisedPicture::Kind::Rewritten;
    QByteArray& out = n.bytes;
    out.reserve(outSize);
    out += "BM";
    put32(out, quint32(outSize));
    put32(out, 0);
    put32(out, quint32(14 + headerBytes + 4 * paletteSize));
    put32(out, quint32(headerBytes));
    put32(out, quint32(qint32(width)));
    put32(out, quint32(qint32(info->height)));
    put16(out, 1);  // planes
    put16(out, quint16(outBits));
    put32(out, masks ? 3 : info->compression);
    put32(out, 0);  // image size: worked out by the reader
    put32(out, 2835);  // 72 dots per inch
    put32(out, 2835);
    put32(out, quint32(paletteSize));
    put32(out, 0);
    if (masks) {
        const bool alpha = info->masks[3] != 0;
        if (wideMasks)
            for (quint32 m : {0x00FF0000u, 0x0000FF00u, 0x000000FFu, alpha ? 0xFF000000u : 0u})
                put32(out, m);
        else
            for (quint32 m : info->masks)
                put32(out, m);
        put32(out, 0x73524742);  // 'sRGB'
        out.append(QByteArray(124 - 60, '\0'));
    }
    for (int i = 0; i < paletteSize; ++i) {
        const qsizetype at = paletteAt + qsizetype(i) * info->paletteEntryBytes();
        out += file.mid(at, 3).leftJustified(3, '\0');
        out += '\0';
    }
    if (!wideMasks) {
        out += file.mid(pixelsAt);
        return n;
    }
    // Each channel brought to 8 bits. Rows the file does not hold in full are left out: the
    // reader then shows the picture as far as it goes, as it does any file cut short.
    const qint64 inRowBytes = (width * bits + 31) / 32 * 4;
    const int step = bits / 8;
    for (qint64 r = 0; r < rows && pixelsAt + (r + 1) * inRowBytes <= file.size(); ++r) {
        const qsizetype row = pixelsAt + r * inRowBytes;
        const qsizetype start = out.size();
        out.resize(start + outRowBytes);
        auto* to = reinterpret_cast<uchar*>(out.data() + start);
        for (qint64 x = 0; x < width; ++x) {
            const quint32 p = step == 4 ? le32(file, row + 4 * x) : le16(file, row + 2 * x);
            to[4 * x] = uchar(channels[2].max ? scaled(p, channels[2]) : 0);
            to[4 * x + 1] = uchar(channels[1].max ? scaled(p, channels[1]) : 0);
            to[4 * x + 2] = uchar(channels[0].max ? scaled(p, channels[0]) : 0);
            to[4 * x + 3] = uchar(channels[3].max ? scaled(p, channels[3]) : 255);
        }
    }
    return n;
}

// An icon whose directory states sizes its pictures do not have: Qt's reader trusts the
// directory and then reads the picture wrong or not at all; other readers trust the picture.
NormalisedPicture normaliseIcon(QIODevice& d, qint64 maxBytes)
{
    constexpr qint64 LargestIcon = 64 * 1024 * 1024;
    const qint64 fileSize = d.size();
    if (fileSize > std::min(maxBytes, LargestIcon) || !d.seek(0))
        return {};
    QByteArray file = d.read(fileSize);
    const int count = le16(file, 4);
    bool changed = false;
    for (int i = 0; i < count && i < 256; ++i) {
        const qsizetype entry = 6 + 16 * qsizetype(i);
        if (entry + 16 > file.size())
            break;
        const qint64 at = le32(file, entry + 12);
        if (at <= 0 || at + 40 > file.size())
            continue;
        qint64 width = 0, height = 0;
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
            // No icon picture is larger (and the bytes of a larger one are not counted safely).
            if (width < 1 || height < 1 || width > 4096 || height > 4096)
                continue;
            // The picture's own size counts only when its rows fit the data the entry holds.
            const qint64 colours = info->bits <= 8 ? (info->coloursUsed ? info->coloursUsed : 1 << info->bits) : 0;
            const qint64 needs = info->headerSize + 4 * colours + (width * info->bits + 31) / 32 * 4 * height
                + (width + 31) / 32 * 4 * height;
            const qint64 holds = std::min<qint64>(le32(file, entry + 8), file.size() - at);
            if (needs > holds)
                continue;
        }
        if (width < 1 || height < 1 || width > 4096 || height > 4096)
            continue;
        const int w = width >= 256 ? 0 : int(width), h = height >= 256 ? 0 : int(height);
        if (uchar(file[entry]) != w || uchar(file[entry + 1]) != h) {
            file[entry] = char(w);
            file[entry + 1] = char(h);
            changed = true;
        }
    }
    if (!changed)
        return {};
    NormalisedPicture n;
    n.kind = NormalisedPicture::Kind::Rewritten;
    n.bytes = file;
    return n;
}

}  // namespace

NormalisedPicture normalisePicture(QIODevice& device, qint64 maxBytes)
{
    if (!device.isReadable() || device.isSequential() || !device.seek(0))
        return {};
    const QByteArray magic = device.read(4);
    NormalisedPicture n;
    if (magic.startsWith("BM"))
        n = normaliseBmp(device, maxBytes);
    else if (magic == QByteArrayLiteral("\0\0\1\0") || magic == QByteArrayLiteral("\0\0\2\0"))
        n = normaliseIcon(device, maxBytes);
    device.seek(0);
    return n;
}

}  // namespace vu
