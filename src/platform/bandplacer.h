// Puts bands of decoded rows into a picture where its EXIF orientation sends them: a quarter turn
// sends each stored row to a column, so a band of rows is written column by column, each
// destination row getting the band's neighbouring pixels at once (turned in vector registers
// where the processor has them). Adobe CMYK rows are converted on the way.
#pragma once

#include <QImage>
#include <QSize>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace vu::jpeg {

// For a large picture the bands are placed on another core while the decoder fills the next one.
class BandPlacer {
public:
    // Rows per band.
    static constexpr int Rows = 16;

    // Bands of a picture of `stored` size (as coded) going into `image` (orientation applied).
    BandPlacer(QImage& image, QSize stored, int orientation, bool cmyk);
    ~BandPlacer() { finish(); }
    BandPlacer(const BandPlacer&) = delete;
    BandPlacer& operator=(const BandPlacer&) = delete;

    // A band to decode into: Rows row pointers, each to a row of 4-byte pixels.
    uchar** acquire();
    // The band `rows` now holds `count` rows, stored rows `first` on.
    void submit(uchar** rows, int first, int count);
    // Waits until every band handed in is in the picture.
    void finish();

private:
    static constexpr qint64 ThreadedAbovePixels = 2'000'000;
    struct Band {
        int index, first, count;
    };

    void place(const Band& band);
    void placeOldest(std::unique_lock<std::mutex>& lock);
    void work();

    QImage& image_;
    QSize stored_;
    int orientation_;
    bool cmyk_;
    std::vector<std::vector<uchar>> storage_;
    std::vector<std::vector<uchar*>> rows_;
    std::deque<int> free_;
    std::deque<Band> ready_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool done_ = false;
    std::thread worker_;
};

}  // namespace vu::jpeg
