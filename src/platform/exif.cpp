#include "exif.h"

#include "bytes.h"

#include <cstring>

namespace vu::jpeg {

namespace {

// Reads the numbers of a TIFF structure in its byte order, refusing reads past its end.
class TiffReader {
public:
    TiffReader(const QByteArray& data, qsizetype start, bool bigEndian)
        : data_(data)
        , start_(start)
        , big_(bigEndian)
    {
    }
    bool u16(qsizetype at, quint16* out) const
    {
        if (at < 0 || !bytes::within(data_, start_ + at, 2))
            return false;
        *out = bytes::u16(data_, start_ + at, big_);
        return true;
    }
    bool u32(qsizetype at, quint32* out) const
    {
        if (at < 0 || !bytes::within(data_, start_ + at, 4))
            return false;
        *out = bytes::u32(data_, start_ + at, big_);
        return true;
    }
    qsizetype size() const { return data_.size() - start_; }

private:
    const QByteArray& data_;
    qsizetype start_;
    bool big_;
};

// The orientation as Qt's own JPEG reader has always read it (the first orientation entry of
// the first ten directories, a wrong one meaning none), so that every file keeps the
// orientation it was shown with before.
int orientationOf(const TiffReader& tiff, quint32 firstIfd)
{
    constexpr int MaxDirectories = 10;
    quint32 offset = firstIfd;
    qsizetype position = 8;  // just past the TIFF header
    for (int n = 0; n < MaxDirectories; ++n) {
        if (qsizetype(offset) < position || qsizetype(offset) >= tiff.size())
            return 0;  // backwards, or past the end
        quint16 entries = 0;
        if (!tiff.u16(offset, &entries))
            return 0;
        qsizetype at = qsizetype(offset) + 2;
        for (int i = 0; i < entries; ++i, at += 12) {
            quint16 tag = 0, type = 0, value = 0;
            quint32 count = 0;
            if (!tiff.u16(at, &tag) || !tiff.u16(at + 2, &type) || !tiff.u32(at + 4, &count)
                || !tiff.u16(at + 8, &value))
                return 0;
            if (tag == 0x0112)
                return count == 1 && type == 3 && value >= 1 && value <= 8 ? value : 0;
        }
        if (!tiff.u32(at, &offset) || offset == 0)
            return 0;
        position = at + 4;
    }
    return 0;
}

}  // namespace

Exif parseExif(const QByteArray& block)
{
    Exif exif;
    constexpr qsizetype Tiff = 6;  // past "Exif\0\0"
    if (block.size() < Tiff + 8 || std::memcmp(block.constData(), "Exif\0\0", 6) != 0)
        return exif;
    const QByteArray order = block.mid(Tiff, 2);
    if (order != "II" && order != "MM")
        return exif;
    const TiffReader tiff(block, Tiff, order == "MM");
    quint16 magic = 0;
    quint32 ifd0 = 0;
    if (!tiff.u16(2, &magic) || magic != 0x2A || !tiff.u32(4, &ifd0))
        return exif;
    exif.orientation = orientationOf(tiff, ifd0);

    // The preview: a JPEG named by the second directory (IFD1).
    quint16 entries = 0;
    if (!tiff.u16(ifd0, &entries))
        return exif;
    quint32 ifd1 = 0;
    if (!tiff.u32(qsizetype(ifd0) + 2 + 12 * qsizetype(entries), &ifd1) || ifd1 == 0 || !tiff.u16(ifd1, &entries))
        return exif;
    quint32 offset = 0, length = 0;
    for (int i = 0; i < entries; ++i) {
        const qsizetype at = qsizetype(ifd1) + 2 + 12 * qsizetype(i);
        quint16 tag = 0;
        quint32 value = 0;
        if (!tiff.u16(at, &tag) || !tiff.u32(at + 8, &value))
            break;
        if (tag == 0x0201)
            offset = value;
        else if (tag == 0x0202)
            length = value;
    }
    if (offset == 0 || length < 4 || qsizetype(offset) + qsizetype(length) > tiff.size())
        return exif;
    exif.previewOffset = Tiff + qsizetype(offset);
    exif.previewLength = qsizetype(length);
    return exif;
}

bool transposes(int orientation)
{
    return orientation >= 5 && orientation <= 8;
}

QSize orientedSize(QSize stored, int orientation)
{
    return transposes(orientation) ? stored.transposed() : stored;
}

QPoint orientedPoint(QPoint p, QSize stored, int orientation)
{
    const int w = stored.width(), h = stored.height(), x = p.x(), y = p.y();
    switch (orientation) {
    case 2:  // mirrored
        return {w - 1 - x, y};
    case 3:  // turned half round
        return {w - 1 - x, h - 1 - y};
    case 4:  // flipped upside down
        return {x, h - 1 - y};
    case 5:  // mirrored along the falling diagonal
        return {y, x};
    case 6:  // turned a quarter clockwise
        return {h - 1 - y, x};
    case 7:  // mirrored along the rising diagonal
        return {h - 1 - y, w - 1 - x};
    case 8:  // turned a quarter anticlockwise
        return {y, w - 1 - x};
    default:
        return p;
    }
}

bool previewCanStandFor(QSize preview, QSize stored, int orientation, QSize needed)
{
    if (preview.isEmpty() || stored.isEmpty())
        return false;
    const QSize shown = orientedSize(preview, orientation);
    if (shown.width() < needed.width() || shown.height() < needed.height())
        return false;
    const double ratio = (double(preview.width()) / preview.height()) / (double(stored.width()) / stored.height());
    return ratio >= 0.99 && ratio <= 1.01;
}

}  // namespace vu::jpeg
