// JPEG files decoded with libjpeg-turbo itself: straight into the 32-bit format the screen paints,
// with the EXIF orientation applied while the rows are written (never a second full-size copy;
// bandplacer.h), reduced in the DCT when only a smaller picture is wanted, and the EXIF preview
// (exif.h) read from the file's header without touching the picture's own data.
#pragma once

#include "exif.h"
#include "pictures.h"

#include <QByteArray>
#include <QSize>

#include <optional>

namespace vu::jpeg {

// The smallest scale M/8 (M from 1 to 8) at which libjpeg's decode of a stored picture covers
// `atLeast` (stored orientation); 8 when even the whole picture does not.
int scaleEighths(QSize stored, QSize atLeast);

struct Header {
    QSize stored;  // as coded, before orientation
    int orientation = 1;
    QByteArray preview;  // the EXIF preview's JPEG bytes; empty when there is none
    QSize shown() const { return orientedSize(stored, orientation); }
};

// The header of the JPEG open on `fd` (read from its current position), or nothing when the
// file is not a JPEG the decoder can read.
std::optional<Header> readHeader(int fd);

struct Request {
    // Decode reduced in the DCT to the smallest size that still covers this (orientation
    // applied); empty for the whole picture.
    QSize atLeast;
    // `atLeast` is a bound: what must be covered is the picture fitted into it.
    bool fit = false;
    // Use the EXIF preview when it can stand for the picture at `atLeast`.
    bool preview = false;
    // The largest decoded picture admitted, in bytes of 32-bit pixels.
    qint64 maxBytes = 0;
};

// Decodes the JPEG open on `fd` (from its current position). The result has the orientation
// applied and is in QImage::Format_RGB32. `path` only names the file in error details.
PictureResult decode(int fd, const QString& path, const Request& request);

}  // namespace vu::jpeg
