#include "fixtures.h"

#include <QBuffer>
#include <QImageWriter>

namespace vu::testing {
namespace {

void be16(QByteArray& out, int v)
{
    out += char((v >> 8) & 0xFF);
    out += char(v & 0xFF);
}

void be32(QByteArray& out, quint32 v)
{
    be16(out, int(v >> 16));
    be16(out, int(v & 0xFFFF));
}

// One directory entry: tag, type (3 SHORT, 4 LONG), one value.
void entry(QByteArray& out, int tag, int type, quint32 value)
{
    be16(out, tag);
    be16(out, type);
    be32(out, 1);
    if (type == 3) {
        be16(out, int(value));
        be16(out, 0);
    } else {
        be32(out, value);
    }
}

}  // namespace

QByteArray jpegBytes(const QImage& picture, int quality)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpg");
    writer.setQuality(quality);
    writer.write(picture);
    return buffer.data();
}

QByteArray withExif(const QByteArray& jpeg, int orientation, const QByteArray& preview)
{
    // A big-endian TIFF structure: IFD0 at 8 with the orientation, IFD1 right after it naming
    // the preview, the preview's bytes last.
    QByteArray tiff("MM\0\x2a", 4);
    be32(tiff, 8);
    const int ifd0Entries = orientation > 0 ? 1 : 0;
    const quint32 ifd1 = 8 + 2 + 12 * ifd0Entries + 4;
    be16(tiff, ifd0Entries);
    if (orientation > 0)
        entry(tiff, 0x0112, 3, quint32(orientation));
    be32(tiff, preview.isEmpty() ? 0 : ifd1);
    if (!preview.isEmpty()) {
        const quint32 data = ifd1 + 2 + 3 * 12 + 4;
        be16(tiff, 3);
        entry(tiff, 0x0103, 3, 6);  // compression: JPEG
        entry(tiff, 0x0201, 4, data);
        entry(tiff, 0x0202, 4, quint32(preview.size()));
        be32(tiff, 0);
        tiff += preview;
    }
    const QByteArray exif = QByteArray("Exif\0\0", 6) + tiff;
    QByteArray segment("\xff\xe1", 2);
    be16(segment, int(exif.size()) + 2);
    segment += exif;
    return jpeg.left(2) + segment + jpeg.mid(2);
}

}  // namespace vu::testing
