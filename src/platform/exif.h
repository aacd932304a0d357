// What a JPEG's EXIF block says about showing the picture: its orientation and where its embedded
// preview lies; the geometry of the eight orientations; and when that preview may stand in for
// the picture. The reader keeps to the block it is given and never reads past it.
#pragma once

#include <QByteArray>
#include <QPoint>
#include <QSize>

namespace vu::jpeg {

// What an EXIF block (the data of an APP1 "Exif" segment) says: the orientation (1 to 8; 0 when
// it states none or states it wrongly) and where the embedded preview's JPEG bytes lie in it.
struct Exif {
    int orientation = 0;
    qsizetype previewOffset = 0;  // from the start of the block
    qsizetype previewLength = 0;  // 0: no preview
};
Exif parseExif(const QByteArray& block);

// Whether `orientation` (EXIF 1 to 8) swaps the picture's width and height.
bool transposes(int orientation);
// The size a stored picture is shown at once `orientation` (EXIF 1 to 8) is applied.
QSize orientedSize(QSize stored, int orientation);
// Where pixel `p` of a stored picture of `stored` size lands once `orientation` is applied.
QPoint orientedPoint(QPoint p, QSize stored, int orientation);

// Whether an embedded preview of `preview` size can stand for a stored picture of `stored` size
// where `needed` device pixels (orientation applied) are wanted: it must cover them, and its
// proportions must be the picture's within 1 % (a preview padded with black bands to another
// shape, or left behind by an editor that cropped the picture, is not the picture).
bool previewCanStandFor(QSize preview, QSize stored, int orientation, QSize needed);

}  // namespace vu::jpeg
