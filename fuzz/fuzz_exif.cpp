// The EXIF reader and the orientation geometry on any bytes: the block's orientation is 0 or one
// of the eight, its preview lies within the block, and every pixel of a picture lands inside the
// turned picture.
#include "harness.h"
#include "platform/exif.h"

using namespace vu;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray block = fuzz::bytes(data, size);
    const jpeg::Exif exif = jpeg::parseExif(block);
    fuzz::require(exif.orientation >= 0 && exif.orientation <= 8, "an orientation is 0 to 8");
    fuzz::require(exif.previewLength == 0
            || (exif.previewOffset >= 0 && exif.previewLength > 0 && exif.previewOffset <= block.size()
                && exif.previewLength <= block.size() - exif.previewOffset),
        "the preview lies within the block");
    // The geometry, for a picture whose size the block's first bytes give.
    const int o = exif.orientation == 0 ? 1 : exif.orientation;
    const QSize stored(1 + (size > 0 ? data[0] : 0), 1 + (size > 1 ? data[1] : 0));
    const QSize shown = jpeg::orientedSize(stored, o);
    fuzz::require(shown == (jpeg::transposes(o) ? stored.transposed() : stored), "a turn keeps the pixels");
    for (const QPoint p : {QPoint(0, 0), QPoint(stored.width() - 1, 0), QPoint(0, stored.height() - 1),
             QPoint(stored.width() - 1, stored.height() - 1), QPoint(stored.width() / 2, stored.height() / 3)}) {
        const QPoint q = jpeg::orientedPoint(p, stored, o);
        fuzz::require(q.x() >= 0 && q.y() >= 0 && q.x() < shown.width() && q.y() < shown.height(),
            "a pixel lands inside the turned picture");
    }
    const QSize preview(size > 2 ? data[2] * 7 : 0, size > 3 ? data[3] * 5 : 0);
    (void)jpeg::previewCanStandFor(preview, stored, o, QSize(size > 4 ? data[4] : 0, size > 5 ? data[5] : 0));
    return 0;
}
