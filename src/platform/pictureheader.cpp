#include "pictureheader.h"
#include "bytes.h"

#include <QIODevice>

#include <algorithm>
#include <array>
#include <limits>

// The least bytes each coding needs, derived from the formats. Every bound is far below what a
// real picture of the test data or from a camera holds, so that only headers that lie fall under
// it; the picture test data and the damaged-picture corpus check that.
//
// - BMP without compression: every row is stored in full (padded to 4 bytes). A file cut short
//   is still shown as far as it goes, as long as it holds a 64th of its rows.
// - BMP with RLE8, RLE4 or OS/2 RLE24: a run of at most 255 pixels takes 2 bytes (4 for RLE24).
//   Delta and end-of-bitmap codes may leave parts of a picture unpainted, so three quarters of
//   the pixels may go without any run: at least 2 bytes per 1020 pixels (4 for RLE24).
// - GIF: an LZW code is at most 12 bits and stands for at most 4096 pixels, its dictionary
//   having 4096 entries: at least 12 bits per 4096 pixels of the picture.
// - JPEG with Huffman coding: every 8 x 8 block of every component has at least its DC
//   difference coded, in a code of at least one bit: at least one bit per block (a baseline
//   picture also codes each block's end, so real files hold twice that and more). Arithmetic
//   coding can press a block into a fraction of a bit, so its bound is a 64th of that. A lossless
//   picture codes each sample in at least one bit.
// - Icons: each picture as a BMP without compression (its colour rows and its mask) or, for a
//   PNG entry, its filtered rows deflated at deflate's best ratio of 1032 to 1.

namespace vu {
namespace {

constexpr qint64 PlainBmpShare = 64;

// Reads `n` bytes at `at`, fewer at the end of the device.
QByteArray readAt(QIODevice& d, qint64 at, qint64 n)
{
    if (at < 0 || !d.seek(at))
        return {};
    return d.read(n);
}

using bytes::be16;
using bytes::be32;
using bytes::le16;
using bytes::le32;

// A byte as an int, for the arithmetic on marker fields.
int byteAt(const QByteArray& b, qsizetype at)
{
    return int(bytes::byteAt(b, at));
}

qint64 ceilDiv(qint64 a, qint64 b)
{
    return (a + b - 1) / b;
}

// Products and sums of claimed sizes stop at the largest qint64 instead of wrapping: a header
// claiming 2^31 x 2^31 pixels of 64 bits each needs more than 64 bits, and a wrapped count
// could make the claim look plausible.
qint64 product(qint64 a, qint64 b)
{
    qint64 p = 0;
    return __builtin_mul_overflow(a, b, &p) ? std::numeric_limits<qint64>::max() : p;
}
qint64 sum(qint64 a, qint64 b)
{
    qint64 s = 0;
    return __builtin_add_overflow(a, b, &s) ? std::numeric_limits<qint64>::max() : s;
}

// The bytes of `rows` rows of `width` pixels of `bits` each, padded to 4 bytes as BMP stores them.
qint64 bmpRowBytes(qint64 width, qint64 bits, qint64 rows)
{
    return product(ceilDiv(width * bits, 32) * 4, rows);
}

// A BMP's information header (at `info` in the device): the size it claims and the least bytes
// its pixel data, of `dataBytes`, must hold. `icon`: the header of an icon's picture, whose
// height counts its colour rows and its mask.
std::optional<PictureClaim> bmpClaim(QIODevice& d, qint64 info, qint64 dataBytes, bool icon)
{
    const std::optional<BmpInfo> header = readBmpInfo(d, info);
    if (!header)
        return std::nullopt;
    const quint32 headerSize = header->headerSize;
    const qint64 width = header->width;
    qint64 height = std::abs(header->height);  // negative: rows stored top-down
    const int bits = header->bits;
    const quint32 compression = header->compression;
    if (icon)
        height /= 2;
    if (width <= 0 || height <= 0 || width > 0x7FFFFFFF || height > 0x7FFFFFFF || bits <= 0 || bits > 64)
        return std::nullopt;

    PictureClaim claim;
    claim.size = QSize(int(width), int(height));
    claim.dataBytes = std::max<qint64>(0, dataBytes);
    const qint64 pixels = width * height;
    const bool os2v2 = headerSize == 16 || headerSize == 64;
    if (compression == 0 || compression == 3 || compression == 6) {  // rows as they are
        qint64 rows = bmpRowBytes(width, bits, height);
        if (icon)
            rows = sum(rows, bmpRowBytes(width, 1, height));  // the mask
        claim.leastDataBytes = rows / PlainBmpShare;
    } else if (compression == 1 || compression == 2) {  // RLE8, RLE4
        claim.leastDataBytes = pixels / 1020 * 2;
    } else if (compression == 4 && os2v2) {  // RLE24
        claim.leastDataBytes = pixels / 1020 * 4;
    } else {
        return std::nullopt;  // JPEG, PNG or Huffman inside: not shown anyway
    }
    return claim;
}

std::optional<PictureClaim> bmpFileClaim(QIODevice& d, qint64 fileSize)
{
    const QByteArray h = readAt(d, 0, 14);
    return bmpClaim(d, 14, fileSize - qint64(le32(h, 10)), false);
}

std::optional<PictureClaim> gifClaim(QIODevice& d, qint64 fileSize)
{
    const QByteArray h = readAt(d, 0, 13);
    if (h.size() < 13)
        return std::nullopt;
    qint64 width = le16(h, 6), height = le16(h, 8);
    // The first picture comes after the colour table and any extension blocks.
    qint64 at = 13;
    if (byteAt(h, 10) & 0x80)
        at += 3 * (qint64(2) << (byteAt(h, 10) & 7));
    for (int blocks = 0; blocks < 4096; ++blocks) {
        const QByteArray b = readAt(d, at, 10);
        if (b.isEmpty())
            return std::nullopt;
        if (byteAt(b, 0) == 0x2C) {
            // The picture is made at the size of its screen, clipped to it; a file without a
            // screen size is made at the size of its first picture.
            if (width == 0 || height == 0) {
                width = le16(b, 5);
                height = le16(b, 7);
            }
            break;
        }
        if (byteAt(b, 0) != 0x21 || b.size() < 3)
            return std::nullopt;
        at += 2;
        for (int sub = 0; sub < 65536; ++sub) {
            const QByteArray n = readAt(d, at, 1);
            if (n.isEmpty())
                return std::nullopt;
            at += 1 + byteAt(n, 0);
            if (byteAt(n, 0) == 0)
                break;
        }
    }
    if (width <= 0 || height <= 0)
        return std::nullopt;
    PictureClaim claim;
    claim.size = QSize(int(width), int(height));
    claim.dataBytes = std::max<qint64>(0, fileSize - at);
    claim.leastDataBytes = width * height / 4096 * 12 / 8;
    return claim;
}

std::optional<PictureClaim> jpegClaim(QIODevice& d, qint64 fileSize)
{
    qint64 at = 2;
    for (int segments = 0; segments < 65536; ++segments) {
        QByteArray m = readAt(d, at, 4);
        if (m.size() < 2 || byteAt(m, 0) != 0xFF)
            return std::nullopt;
        const int marker = byteAt(m, 1);
        if (marker == 0xFF) {  // fill byte
            ++at;
            continue;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {  // no length
            at += 2;
            continue;
        }
        if (marker == 0xD9 || marker == 0xDA)  // the end, or a scan before any frame
            return std::nullopt;
        const qint64 length = be16(m, 2);
        if (length < 2)
            return std::nullopt;
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (!frame) {
            at += 2 + length;
            continue;
        }
        const QByteArray f = readAt(d, at + 4, length - 2);
        const qint64 height = be16(f, 1), width = be16(f, 3);
        const int components = byteAt(f, 5);
        if (width == 0 || height == 0 || components == 0 || f.size() < 6 + 3 * components)
            return std::nullopt;
        int hMax = 1, vMax = 1;
        for (int c = 0; c < components; ++c) {
            hMax = std::max(hMax, byteAt(f, 7 + 3 * c) >> 4);
            vMax = std::max(vMax, byteAt(f, 7 + 3 * c) & 15);
        }
        const bool lossless = marker == 0xC3 || marker == 0xC7 || marker == 0xCB || marker == 0xCF;
        const bool arithmetic = marker >= 0xC9;
        qint64 units = 0;  // blocks, or samples of a lossless picture
        for (int c = 0; c < components; ++c) {
            const int hs = std::max(1, byteAt(f, 7 + 3 * c) >> 4), vs = std::max(1, byteAt(f, 7 + 3 * c) & 15);
            const qint64 w = ceilDiv(width * hs, hMax), h = ceilDiv(height * vs, vMax);
            units += lossless ? w * h : ceilDiv(w, 8) * ceilDiv(h, 8);
        }
        PictureClaim claim;
        claim.size = QSize(int(width), int(height));
        claim.dataBytes = std::max<qint64>(0, fileSize - (at + 2 + length));
        claim.leastDataBytes = units / 8 / (arithmetic ? 64 : 1);
        return claim;
    }
    return std::nullopt;
}

std::optional<PictureClaim> pngClaim(QIODevice& d, qint64 at, qint64 dataBytes)
{
    const QByteArray h = readAt(d, at, 33);
    const qint64 width = be32(h, 16), height = be32(h, 20);
    const int depth = byteAt(h, 24);
    static const std::array<int, 7> channels = {1, 0, 3, 1, 2, 0, 4};  // by colour type
    const int type = byteAt(h, 25);
    if (h.size() < 33 || width == 0 || height == 0 || type >= int(channels.size()) || channels[type] == 0 || depth == 0)
        return std::nullopt;
    PictureClaim claim;
    claim.size = QSize(int(std::min<qint64>(width, 0x7FFFFFFF)), int(std::min<qint64>(height, 0x7FFFFFFF)));
    claim.dataBytes = dataBytes;
    // Rows of up to 2^32 pixels, as many of them: divided before multiplying, so that the
    // product stays within 64 bits.
    const qint64 row = ceilDiv(width * channels[type] * depth, 8) + 1;
    claim.leastDataBytes = row / 1032 * height + (row % 1032) * height / 1032;
    return claim;
}

std::optional<PictureClaim> iconClaim(QIODevice& d, qint64 fileSize)
{
    const QByteArray h = readAt(d, 0, 6);
    const int count = le16(h, 4);
    std::optional<PictureClaim> worst;
    for (int i = 0; i < count && i < 256; ++i) {
        const QByteArray e = readAt(d, 6 + 16 * i, 16);
        if (e.size() < 16)
            break;
        const qint64 offset = le32(e, 12);
        const qint64 bytes = std::min<qint64>(le32(e, 8), fileSize - offset);
        if (offset >= fileSize)
            continue;
        const bool png = readAt(d, offset, 8) == QByteArrayLiteral("\x89PNG\r\n\x1a\n");
        const std::optional<PictureClaim> c = png ? pngClaim(d, offset, bytes) : bmpClaim(d, offset, bytes, true);
        if (c && (!worst || (worst->plausible() && !c->plausible())))
            worst = c;
    }
    return worst;
}

}  // namespace

std::optional<BmpInfo> readBmpInfo(QIODevice& d, qint64 at)
{
    // The longest header and the masks after a 40-byte one, zeros past the end of the file.
    const QByteArray read = readAt(d, at, 124);
    const qsizetype got = read.size();
    auto u16 = [&](int offset) { return le16(read, offset); };
    auto u32 = [&](int offset) { return le32(read, offset); };
    BmpInfo b;
    b.headerSize = u32(0);
    if (b.headerSize == 12) {  // OS/2 1.x
        if (got < 12)
            return std::nullopt;
        b.width = u16(4);
        b.height = u16(6);
        b.planes = u16(8);
        b.bits = u16(10);
        return b;
    }
    if (b.headerSize < 16 || b.headerSize > 124 || got < 16)
        return std::nullopt;
    // Fields the header is too short to hold stay 0, as OS/2 2.x leaves them.
    auto field = [&](int offset) { return offset + 4 <= int(b.headerSize) ? u32(offset) : 0u; };
    b.width = qint32(u32(4));
    b.height = qint32(u32(8));
    b.planes = u16(12);
    b.bits = u16(14);
    b.compression = field(16);
    b.coloursUsed = field(32);
    if (b.headerSize >= 52) {
        b.masks = {field(40), field(44), field(48), field(52)};
    } else if (b.headerSize == 40 && (b.compression == 3 || b.compression == 6)) {
        b.masks = {u32(40), u32(44), u32(48), b.compression == 6 ? u32(52) : 0u};
    }
    return b;
}

std::optional<PictureClaim> readPictureClaim(QIODevice& device)
{
    if (!device.isReadable() || device.isSequential())
        return std::nullopt;
    const qint64 kept = device.pos();
    const qint64 fileSize = device.size();
    const QByteArray magic = readAt(device, 0, 4);
    std::optional<PictureClaim> claim;
    if (magic.startsWith("BM"))
        claim = bmpFileClaim(device, fileSize);
    else if (magic.startsWith("GIF8"))
        claim = gifClaim(device, fileSize);
    else if (magic.startsWith("\xFF\xD8"))
        claim = jpegClaim(device, fileSize);
    else if (magic == QByteArrayLiteral("\0\0\1\0") || magic == QByteArrayLiteral("\0\0\2\0"))
        claim = iconClaim(device, fileSize);
    device.seek(kept);
    return claim;
}

}  // namespace vu
