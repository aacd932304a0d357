// Picture files the tests and benchmarks make: JPEGs as cameras write them, with an EXIF block
// stating the orientation and carrying an embedded preview.
#pragma once

#include <QByteArray>
#include <QImage>

namespace vu::testing {

// The bytes of `picture` as a baseline JPEG of `quality`.
QByteArray jpegBytes(const QImage& picture, int quality = 90);
// `jpeg` with an EXIF block inserted after its start: the orientation (1 to 8; 0 states none)
// in the first directory and, when `preview` is not empty, that JPEG as the embedded preview in
// the second (at most about 64 KB).
QByteArray withExif(const QByteArray& jpeg, int orientation, const QByteArray& preview = QByteArray());

}  // namespace vu::testing
