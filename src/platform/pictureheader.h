// What a picture file's header claims, read from its first bytes without decoding a pixel, and
// whether the file holds bytes enough to carry that claim. A file of a few kilobytes that claims
// a hundred megapixels is no picture cut short but a header that lies: decoding it would cost
// seconds and a gigabyte of memory to show grey, so it is refused before any decoder runs.
#pragma once

#include <QSize>

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

}  // namespace vu
