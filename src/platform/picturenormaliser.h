// BMP and icon files that Qt's readers would refuse or draw wrong, rewritten into the plain form
// those readers draw right: the header versions they do not know (OS/2 2.x, the 52 and 56-byte
// Windows headers), short OS/2 palettes, a plane count other than 1, bit masks wider than 8 bits
// (10-10-10, 11-11-10 and the like: their pixels are brought to 8 bits a channel), and icon
// directories whose sizes disagree with the pictures they point to. Whatever cannot be brought
// into such a form is refused rather than shown wrong.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

class QIODevice;

namespace vu {

struct NormalisedPicture {
    enum class Kind {
        AsIs,  // Qt's reader draws the file right as it is
        Rewritten,  // `bytes` is the file in a form Qt's reader draws right
        Refused,  // the file cannot be drawn right: `why`
    };
    Kind kind = Kind::AsIs;
    QByteArray bytes;
    QString why;
    bool tooLarge = false;  // refused for the size a rewritten file would have
};

// What the reader is to make of the file: only its size, or its pixels too.
enum class Need { Size, Pixels };

// The BMP or icon file on `device` (read from its start; other formats are left as they are).
// `maxBytes`: the largest rewritten file made. For its pixels, a BMP is read whole whatever Qt's
// reader would leave unwritten: the pixels that run-length codes skip, and the rows a file cut
// short lacks, are the palette's first colour (black, or transparent where a mask states alpha).
NormalisedPicture normalisePicture(QIODevice& device, qint64 maxBytes, Need need = Need::Pixels);

// Indices beyond the palette of an indexed `image` take the palette's first colour (Qt's
// conversions and scaler would read past the end of the colour table for them).
void completePalette(QImage& image);

}  // namespace vu
