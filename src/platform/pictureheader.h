// What a picture file's header claims, read from its first bytes without decoding a pixel, and
// whether the file holds bytes enough to carry that claim. A file of a few kilobytes that claims
// a hundred megapixels is no picture cut short but a header that lies: decoding it would cost
// seconds and a gigabyte of memory to show grey, so it is refused before any decoder runs.
#pragma once

#include <QSize>

#include <array>
#include <optional>

class QIODevice;

namespace vu {

struct PictureClaim {
    QSize size;  // the pixels the decoder would make, before any orientation is applied
    qint64 leastDataBytes = 0;  // the fewest bytes of coded data that could carry them
    qint64 dataBytes = 0;  // the coded data the file holds

    // Pictures up to this many pixels are never refused for their size: decoding one costs
    // little, and small pictures cut short keep showing what they hold.
    static constexpr qint64 AlwaysPlausiblePixels = qint64(4) << 20;
    bool plausible() const
    {
        return qint64(size.width()) * size.height() <= AlwaysPlausiblePixels || dataBytes >= leastDataBytes;
    }
};

// The claim of a BMP, GIF, JPEG or icon file read from `device` (its position is kept); for an
// icon, the least plausible of its pictures. Nothing when the header is none of these or makes no
// sense: the decoders' own checks then decide.
std::optional<PictureClaim> readPictureClaim(QIODevice& device);

// A BMP information header, whichever of its versions the file uses: OS/2 1.x (12 bytes), OS/2
// 2.x (16 to 64 bytes, any prefix of its fields), Windows 3.x (40), the 52 and 56-byte versions
// that add bit masks, Windows 4 (108) and 5 (124).
struct BmpInfo {
    quint32 headerSize = 0;
    qint64 width = 0;
    qint64 height = 0;  // negative: rows stored top-down
    int planes = 0;
    int bits = 0;
    quint32 compression = 0;
    quint32 coloursUsed = 0;
    // Red, green, blue and alpha masks where the header or the masks after it state them.
    std::array<quint32, 4> masks{};
    bool os2() const
    {
        return headerSize == 12
            || (headerSize >= 16 && headerSize <= 64 && headerSize != 40 && headerSize != 52 && headerSize != 56);
    }
    // The bytes of one palette entry: 3 for OS/2 1.x, else 4.
    int paletteEntryBytes() const { return headerSize == 12 ? 3 : 4; }
    // Whether the pixels are coded by bit masks (BI_BITFIELDS, BI_ALPHABITFIELDS).
    bool bitFields() const { return !os2() && (compression == 3 || compression == 6); }
};
// The information header at `at` (14 in a BMP file, an icon picture's offset), with the masks
// that follow a 40-byte header; nothing when it is none of the versions above.
std::optional<BmpInfo> readBmpInfo(QIODevice& device, qint64 at);

}  // namespace vu
