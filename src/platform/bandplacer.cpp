#include "bandplacer.h"

#include "exif.h"

#include <algorithm>

#ifdef __SSE2__
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

namespace vu::jpeg {

namespace {

// Adobe's CMYK as Qt's reader converts it (the channels stored inverted), in place: four bytes
// a pixel in, four out.
void cmykToRgb32(uchar* row, int width)
{
    auto* out = reinterpret_cast<QRgb*>(row);
    for (int x = 0; x < width; ++x) {
        const uchar* in = row + 4 * x;
        const int k = in[3];
        out[x] = qRgb(k * in[0] / 255, k * in[1] / 255, k * in[2] / 255);
    }
}

// The SSE2 turn's square of pixels; a band is a whole number of them.
constexpr int Tile = 16;
static_assert(BandPlacer::Rows % Tile == 0);

#if defined(__x86_64__) && defined(__GNUC__)
// The quarter turn of placeBand eight by eight pixels at a time in AVX2 registers, for the
// processors that have them; returns the first column left for the narrower code.
__attribute__((target("avx2"))) int turnWithAvx2(uchar* const* rows, int count, int width, uchar* bits,
    qsizetype stride, bool columnsReversed, bool rowsReversed, int column)
{
    const __m256i reversed = _mm256_setr_epi32(7, 6, 5, 4, 3, 2, 1, 0);
    int x = 0;
    for (; x + 8 <= width; x += 8) {
        for (int t = 0; t < count; t += 8) {
            __m256i r[8];
            for (int k = 0; k < 8; ++k)
                r[k] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(rows[t + k] + 4 * x));
            const __m256i a0 = _mm256_unpacklo_epi32(r[0], r[1]), a1 = _mm256_unpackhi_epi32(r[0], r[1]);
            const __m256i a2 = _mm256_unpacklo_epi32(r[2], r[3]), a3 = _mm256_unpackhi_epi32(r[2], r[3]);
            const __m256i a4 = _mm256_unpacklo_epi32(r[4], r[5]), a5 = _mm256_unpackhi_epi32(r[4], r[5]);
            const __m256i a6 = _mm256_unpacklo_epi32(r[6], r[7]), a7 = _mm256_unpackhi_epi32(r[6], r[7]);
            const __m256i b0 = _mm256_unpacklo_epi64(a0, a2), b1 = _mm256_unpackhi_epi64(a0, a2);
            const __m256i b2 = _mm256_unpacklo_epi64(a1, a3), b3 = _mm256_unpackhi_epi64(a1, a3);
            const __m256i b4 = _mm256_unpacklo_epi64(a4, a6), b5 = _mm256_unpackhi_epi64(a4, a6);
            const __m256i b6 = _mm256_unpacklo_epi64(a5, a7), b7 = _mm256_unpackhi_epi64(a5, a7);
            // Column j of the block: pixel x + j of rows t to t + 7.
            const __m256i c[8] = {_mm256_permute2x128_si256(b0, b4, 0x20), _mm256_permute2x128_si256(b1, b5, 0x20),
                _mm256_permute2x128_si256(b2, b6, 0x20), _mm256_permute2x128_si256(b3, b7, 0x20),
                _mm256_permute2x128_si256(b0, b4, 0x31), _mm256_permute2x128_si256(b1, b5, 0x31),
                _mm256_permute2x128_si256(b2, b6, 0x31), _mm256_permute2x128_si256(b3, b7, 0x31)};
            for (int j = 0; j < 8; ++j) {
                const int dy = columnsReversed ? width - 1 - (x + j) : x + j;
                auto* out = reinterpret_cast<QRgb*>(bits + stride * dy) + column + (rowsReversed ? count - 8 - t : t);
                const __m256i v = rowsReversed ? _mm256_permutevar8x32_epi32(c[j], reversed) : c[j];
                // Stored past the caches: no line is read only to be overwritten.
                if ((reinterpret_cast<quintptr>(out) & 31) == 0) {
                    _mm256_stream_si256(reinterpret_cast<__m256i*>(out), v);
                } else if ((reinterpret_cast<quintptr>(out) & 15) == 0) {
                    _mm_stream_si128(reinterpret_cast<__m128i*>(out), _mm256_castsi256_si128(v));
                    _mm_stream_si128(reinterpret_cast<__m128i*>(out) + 1, _mm256_extracti128_si256(v, 1));
                } else {
                    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), v);
                }
            }
        }
    }
    _mm_sfence();
    return x;
}
#endif

// Puts `count` decoded rows (stored rows `first` on, `width` pixels each) where `orientation`
// sends them in `image`. A quarter turn sends each stored row to a column: the band of rows is
// written column by column, so each destination row gets `count` neighbouring pixels at once.
void placeBand(QImage& image, uchar* const* rows, int count, int first, int width, QSize stored, int orientation)
{
    if (!transposes(orientation)) {
        for (int i = 0; i < count; ++i) {
            const auto* in = reinterpret_cast<const QRgb*>(rows[i]);
            const int y = first + i;
            const int dy = orientation == 3 || orientation == 4 ? stored.height() - 1 - y : y;
            auto* out = reinterpret_cast<QRgb*>(image.scanLine(dy));
            if (orientation == 2 || orientation == 3)
                std::reverse_copy(in, in + width, out);
            else
                std::copy(in, in + width, out);
        }
        return;
    }
    // 5 and 8 keep the row order across a destination row; 6 and 7 reverse it. 5 and 6 keep the
    // column order down the picture; 7 and 8 reverse it.
    const bool rowsReversed = orientation == 6 || orientation == 7;
    const bool columnsReversed = orientation == 7 || orientation == 8;
    const int h = stored.height();
    uchar* const bits = image.bits();
    const qsizetype stride = image.bytesPerLine();
    auto destination = [&](int x) {
        const int dy = columnsReversed ? width - 1 - x : x;
        return reinterpret_cast<QRgb*>(bits + stride * dy) + (rowsReversed ? h - first - count : first);
    };
    int x = 0;
#if defined(__x86_64__) && defined(__GNUC__)
    if (count % 8 == 0 && __builtin_cpu_supports("avx2")) {
        x = turnWithAvx2(
            rows, count, width, bits, stride, columnsReversed, rowsReversed, rowsReversed ? h - first - count : first);
    }
#endif
#ifdef __SSE2__
    if (count % Tile == 0) {
        // Sixteen by sixteen pixels at a time, turned in registers; each destination row gets
        // whole cache lines, stored past the caches, so no line is read only to be overwritten.
        for (; x + Tile <= width; x += Tile) {
            for (int t = 0; t < count; t += Tile) {
                __m128i turned[Tile][4];
                for (int bi = 0; bi < 4; ++bi) {
                    for (int bj = 0; bj < 4; ++bj) {
                        __m128i r[4];
                        for (int k = 0; k < 4; ++k)
                            r[k] = _mm_loadu_si128(
                                reinterpret_cast<const __m128i*>(rows[t + 4 * bi + k]) + (x / 4 + bj));
                        const __m128i t0 = _mm_unpacklo_epi32(r[0], r[1]), t1 = _mm_unpacklo_epi32(r[2], r[3]);
                        const __m128i t2 = _mm_unpackhi_epi32(r[0], r[1]), t3 = _mm_unpackhi_epi32(r[2], r[3]);
                        __m128i c[4] = {_mm_unpacklo_epi64(t0, t1), _mm_unpackhi_epi64(t0, t1),
                            _mm_unpacklo_epi64(t2, t3), _mm_unpackhi_epi64(t2, t3)};
                        for (int j = 0; j < 4; ++j) {
                            // Column j of this block: pixel x + 4bj + j of rows 4bi to 4bi + 3.
                            if (rowsReversed)
                                turned[4 * bj + j][3 - bi] = _mm_shuffle_epi32(c[j], 0x1B);
                            else
                                turned[4 * bj + j][bi] = c[j];
                        }
                    }
                }
                for (int j = 0; j < Tile; ++j) {
                    auto* out = reinterpret_cast<__m128i*>(destination(x + j) + (rowsReversed ? count - Tile - t : t));
                    const bool aligned = (reinterpret_cast<quintptr>(out) & 15) == 0;
                    for (int v = 0; v < 4; ++v) {
                        if (aligned)
                            _mm_stream_si128(out + v, turned[j][v]);
                        else
                            _mm_storeu_si128(out + v, turned[j][v]);
                    }
                }
            }
        }
        _mm_sfence();
    }
#endif
    for (; x < width; ++x) {
        QRgb* out = destination(x);
        for (int i = 0; i < count; ++i)
            out[rowsReversed ? count - 1 - i : i] = reinterpret_cast<const QRgb*>(rows[i])[x];
    }
}

}  // namespace

BandPlacer::BandPlacer(QImage& image, QSize stored, int orientation, bool cmyk)
    : image_(image)
    , stored_(stored)
    , orientation_(orientation)
    , cmyk_(cmyk)
{
    const bool threaded = qint64(stored.width()) * stored.height() >= ThreadedAbovePixels;
    const int bands = threaded ? 3 : 1;
    storage_.resize(size_t(bands));
    rows_.resize(size_t(bands));
    for (int b = 0; b < bands; ++b) {
        storage_[size_t(b)].resize(size_t(stored.width()) * 4 * Rows);
        for (int i = 0; i < Rows; ++i)
            rows_[size_t(b)].push_back(storage_[size_t(b)].data() + size_t(stored.width()) * 4 * size_t(i));
        free_.push_back(b);
    }
    if (threaded)
        worker_ = std::thread([this] { work(); });
}

uchar** BandPlacer::acquire()
{
    std::unique_lock<std::mutex> lock(mutex_);
    // With no band free, the other core is busy elsewhere: this thread places a waiting band
    // itself rather than wait for it.
    while (free_.empty()) {
        if (ready_.empty()) {
            changed_.wait(lock);
            continue;
        }
        placeOldest(lock);
    }
    const int b = free_.front();
    free_.pop_front();
    return rows_[size_t(b)].data();
}

void BandPlacer::submit(uchar** rows, int first, int count)
{
    const int b = int(
        std::find_if(rows_.begin(), rows_.end(), [&](const auto& r) { return r.data() == rows; }) - rows_.begin());
    if (!worker_.joinable()) {
        place({b, first, count});
        free_.push_back(b);
        return;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    ready_.push_back({b, first, count});
    changed_.notify_all();
}

void BandPlacer::finish()
{
    if (!worker_.joinable())
        return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        done_ = true;
        changed_.notify_all();
    }
    worker_.join();
}

void BandPlacer::place(const Band& band)
{
    uchar** rows = rows_[size_t(band.index)].data();
    if (cmyk_) {
        for (int i = 0; i < band.count; ++i)
            cmykToRgb32(rows[i], stored_.width());
    }
    placeBand(image_, rows, band.count, band.first, stored_.width(), stored_, orientation_);
}

// Places the oldest waiting band and frees it; the lock is let go while the band is placed,
// so the decoder can hand in the next one meanwhile. `lock` is held on entry and on return.
void BandPlacer::placeOldest(std::unique_lock<std::mutex>& lock)
{
    const Band band = ready_.front();
    ready_.pop_front();
    lock.unlock();
    place(band);
    lock.lock();
    free_.push_back(band.index);
}

void BandPlacer::work()
{
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return done_ || !ready_.empty(); });
        if (ready_.empty())
            return;  // done, and nothing left
        placeOldest(lock);
        changed_.notify_all();
    }
}

}  // namespace vu::jpeg
