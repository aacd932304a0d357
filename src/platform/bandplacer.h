// Puts bands of decoded rows into a picture where its EXIF orientation sends them, as soon as the
// decoder has filled each band (while it is still in the processor's cache): a quarter turn sends
// each stored row to a column, so a band of 16 rows is written column by column, turned in vector
// registers, each destination row getting one whole cache line at once, stored past the caches.
// Adobe CMYK rows are converted on the way. One core does it all, and turning a portrait photo
// costs little more than writing it upright: its whole price is the picture's bytes written
// to memory in cache lines scattered down its rows rather than in order.
#pragma once

#include <QImage>
#include <QSize>

#include <vector>

namespace vu::jpeg {

// A picture of `size` in QImage::Format_RGB32 whose lines start on cache lines, in huge pages
// where the system offers them (far fewer page faults while it fills, and far fewer address
// translations when a quarter turn writes it by columns); null when there is no memory for it.
// The lines are padded only where that costs little (a narrow picture would grow many times
// over) and the picture stays within `maxBytes` (0: no bound) as its unpadded lines do.
QImage newPicture(QSize size, qint64 maxBytes = 0);

class BandPlacer {
public:
    // Rows per band: 16 pixels of 4 bytes make one cache line of a turned picture's row.
    static constexpr int Rows = 16;

    // Bands of a picture of `stored` size (as coded) going into `image` (orientation applied,
    // from newPicture()).
    BandPlacer(QImage& image, QSize stored, int orientation, bool cmyk);

    // How many rows the band from stored row `first` takes: Rows, but fewer at the end, and for a
    // turn that reverses the rows a shorter first band, so that every later band fills whole
    // cache lines of the picture.
    int rowsAt(int first) const;
    // The band to decode into: Rows row pointers, each to a row of 4-byte pixels.
    uchar** rows() { return rows_.data(); }
    // The band now holds `count` rows, stored rows `first` on: puts them into the picture.
    void place(int first, int count);

private:
    QImage& image_;
    QSize stored_;
    int orientation_;
    bool cmyk_;
    std::vector<uchar> storage_;
    std::vector<uchar*> rows_;
};

}  // namespace vu::jpeg
