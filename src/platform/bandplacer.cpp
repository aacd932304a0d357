#include "bandplacer.h"

#include "exif.h"

#include <algorithm>
#include <limits>
#include <sys/mman.h>

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

// The SSE2 turn's square of pixels, as tall as a band.
constexpr int Tile = 16;
static_assert(BandPlacer::Rows == Tile);

#if defined(__x86_64__) && defined(__GNUC__)
// Eight rows of eight pixels turned in place: afterwards r[j] holds column j, top to bottom.
__attribute__((target("avx2"))) inline void turn8x8(__m256i* r)
{
    const __m256i a0 = _mm256_unpacklo_epi32(r[0], r[1]), a1 = _mm256_unpackhi_epi32(r[0], r[1]);
    const __m256i a2 = _mm256_unpacklo_epi32(r[2], r[3]), a3 = _mm256_unpackhi_epi32(r[2], r[3]);
    const __m256i a4 = _mm256_unpacklo_epi32(r[4], r[5]), a5 = _mm256_unpackhi_epi32(r[4], r[5]);
    const __m256i a6 = _mm256_unpacklo_epi32(r[6], r[7]), a7 = _mm256_unpackhi_epi32(r[6], r[7]);
    const __m256i b0 = _mm256_unpacklo_epi64(a0, a2), b1 = _mm256_unpackhi_epi64(a0, a2);
    const __m256i b2 = _mm256_unpacklo_epi64(a1, a3), b3 = _mm256_unpackhi_epi64(a1, a3);
    const __m256i b4 = _mm256_unpacklo_epi64(a4, a6), b5 = _mm256_unpackhi_epi64(a4, a6);
    const __m256i b6 = _mm256_unpacklo_epi64(a5, a7), b7 = _mm256_unpackhi_epi64(a5, a7);
    r[0] = _mm256_permute2x128_si256(b0, b4, 0x20);
    r[1] = _mm256_permute2x128_si256(b1, b5, 0x20);
    r[2] = _mm256_permute2x128_si256(b2, b6, 0x20);
    r[3] = _mm256_permute2x128_si256(b3, b7, 0x20);
    r[4] = _mm256_permute2x128_si256(b0, b4, 0x31);
    r[5] = _mm256_permute2x128_si256(b1, b5, 0x31);
    r[6] = _mm256_permute2x128_si256(b2, b6, 0x31);
    r[7] = _mm256_permute2x128_si256(b3, b7, 0x31);
}

// The quarter turn of a band of Rows rows in AVX2 registers, eight columns at a time. `source`
// holds the band's rows in the order their pixels go into a destination row (bottom to top for
// a clockwise turn), so the turn itself needs no reversing. `out` is the destination row of the
// band's first column and `step` the distance to the next column's. Each destination row gets
// its 16 pixels (one cache line) in two stores, which the processor combines into one line; with
// `stream`, written past the caches, where no line is read only to be overwritten.
__attribute__((target("avx2"))) void turnWithAvx2(
    const uchar* const* source, int columns, uchar* out, qsizetype step, bool stream)
{
    for (int x = 0; x < columns; x += 8, out += 8 * step) {
        __m256i upper[8], lower[8];
#pragma GCC unroll 8
        for (int k = 0; k < 8; ++k) {
            upper[k] = _mm256_load_si256(reinterpret_cast<const __m256i*>(source[k] + 4 * x));
            lower[k] = _mm256_load_si256(reinterpret_cast<const __m256i*>(source[k + 8] + 4 * x));
        }
        turn8x8(upper);
        turn8x8(lower);
        uchar* line = out;
#pragma GCC unroll 8
        for (int j = 0; j < 8; ++j, line += step) {
            auto* v = reinterpret_cast<__m256i*>(line);
            if (stream) {
                _mm256_stream_si256(v, upper[j]);
                _mm256_stream_si256(v + 1, lower[j]);
            } else {
                _mm256_storeu_si256(v, upper[j]);
                _mm256_storeu_si256(v + 1, lower[j]);
            }
        }
    }
    _mm_sfence();
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
    const int column = rowsReversed ? h - first - count : first;
    auto destination = [&](int x) {
        const int dy = columnsReversed ? width - 1 - x : x;
        return reinterpret_cast<QRgb*>(bits + stride * dy) + column;
    };
    int x = 0;
    if (count == BandPlacer::Rows) {
        // The rows in the order their pixels go into a destination row: the turn itself then
        // needs no reversing.
        const uchar* source[BandPlacer::Rows];
        for (int i = 0; i < count; ++i)
            source[i] = rows[rowsReversed ? count - 1 - i : i];
#if defined(__x86_64__) && defined(__GNUC__)
        if (__builtin_cpu_supports("avx2")) {
            uchar* const out = reinterpret_cast<uchar*>(destination(0));
            const bool stream = (reinterpret_cast<quintptr>(out) & 31) == 0 && stride % 32 == 0;
            x = width / 8 * 8;
            turnWithAvx2(source, x, out, columnsReversed ? -stride : stride, stream);
        }
#endif
#ifdef __SSE2__
        // Sixteen by sixteen pixels at a time, turned in registers; each destination row gets
        // one whole cache line, stored past the caches, so no line is read only to be overwritten.
        for (; x + Tile <= width; x += Tile) {
            __m128i turned[Tile][4];
            for (int bi = 0; bi < 4; ++bi) {
                for (int bj = 0; bj < 4; ++bj) {
                    __m128i r[4];
                    for (int k = 0; k < 4; ++k)
                        r[k] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source[4 * bi + k]) + (x / 4 + bj));
                    const __m128i t0 = _mm_unpacklo_epi32(r[0], r[1]), t1 = _mm_unpacklo_epi32(r[2], r[3]);
                    const __m128i t2 = _mm_unpackhi_epi32(r[0], r[1]), t3 = _mm_unpackhi_epi32(r[2], r[3]);
                    // Column j of this block: pixel x + 4bj + j of rows 4bi to 4bi + 3.
                    turned[4 * bj][bi] = _mm_unpacklo_epi64(t0, t1);
                    turned[4 * bj + 1][bi] = _mm_unpackhi_epi64(t0, t1);
                    turned[4 * bj + 2][bi] = _mm_unpacklo_epi64(t2, t3);
                    turned[4 * bj + 3][bi] = _mm_unpackhi_epi64(t2, t3);
                }
            }
            for (int j = 0; j < Tile; ++j) {
                auto* out = reinterpret_cast<__m128i*>(destination(x + j));
                const bool aligned = (reinterpret_cast<quintptr>(out) & 15) == 0;
                for (int v = 0; v < 4; ++v) {
                    if (aligned)
                        _mm_stream_si128(out + v, turned[j][v]);
                    else
                        _mm_storeu_si128(out + v, turned[j][v]);
                }
            }
        }
        _mm_sfence();
#endif
    }
    for (; x < width; ++x) {
        QRgb* out = destination(x);
        for (int i = 0; i < count; ++i)
            out[rowsReversed ? count - 1 - i : i] = reinterpret_cast<const QRgb*>(rows[i])[x];
    }
}

struct Mapping {
    void* start;
    size_t length;
};

void unmapPicture(void* info)
{
    auto* mapping = static_cast<Mapping*>(info);
    ::munmap(mapping->start, mapping->length);
    delete mapping;
}

}  // namespace

QImage newPicture(QSize size, qint64 maxBytes)
{
    constexpr size_t Huge = 2 * 1024 * 1024;
    constexpr qsizetype Line = 64;
    if (size.isEmpty())
        return QImage();
    const qsizetype plain = qsizetype(size.width()) * 4;
    const qsizetype padded = (plain + Line - 1) / Line * Line;
    const bool padding = (padded - plain) * 16 <= plain && (maxBytes <= 0 || padded * size.height() <= maxBytes);
    const qsizetype stride = padding ? padded : plain;
    const size_t bytes = size_t(stride) * size_t(size.height());
    if (bytes < 2 * Huge || stride > std::numeric_limits<int>::max())
        return QImage(size, QImage::Format_RGB32);
    // Mapped with room to start on a huge page; the slack on either side is given back.
    const size_t length = (bytes + Huge - 1) / Huge * Huge;
    void* mapped = ::mmap(nullptr, length + Huge, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED)
        return QImage();
    auto* const base = static_cast<uchar*>(mapped);
    uchar* const start = reinterpret_cast<uchar*>((reinterpret_cast<quintptr>(base) + Huge - 1) & ~quintptr(Huge - 1));
    if (start > base)
        ::munmap(base, size_t(start - base));
    if (const size_t tail = size_t(base + length + Huge - (start + length)); tail > 0)
        ::munmap(start + length, tail);
    ::madvise(start, length, MADV_HUGEPAGE);
    QImage image(
        start, size.width(), size.height(), stride, QImage::Format_RGB32, unmapPicture, new Mapping{start, length});
    return image;
}

BandPlacer::BandPlacer(QImage& image, QSize stored, int orientation, bool cmyk)
    : image_(image)
    , stored_(stored)
    , orientation_(orientation)
    , cmyk_(cmyk)
{
    // Each row starts on a cache line: the turn reads it in whole vectors.
    const size_t row = (size_t(stored.width()) * 4 + 63) / 64 * 64;
    storage_.resize(row * Rows + 64);
    uchar* const aligned = reinterpret_cast<uchar*>((reinterpret_cast<quintptr>(storage_.data()) + 63) & ~quintptr(63));
    for (int i = 0; i < Rows; ++i)
        rows_.push_back(aligned + row * size_t(i));
}

int BandPlacer::rowsAt(int first) const
{
    const int h = stored_.height();
    const bool rowsReversed = orientation_ == 6 || orientation_ == 7;
    if (rowsReversed && first == 0 && h % Rows != 0)
        return h % Rows;
    return std::min(Rows, h - first);
}

void BandPlacer::place(int first, int count)
{
    if (cmyk_) {
        for (int i = 0; i < count; ++i)
            cmykToRgb32(rows_[size_t(i)], stored_.width());
    }
    placeBand(image_, rows_.data(), count, first, stored_.width(), stored_, orientation_);
}

}  // namespace vu::jpeg
