#include "jpegdecoder.h"

#include <QImage>
#include <QtEndian>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <deque>
#include <limits>
#include <memory>
#include <mutex>
#include <sys/mman.h>
#include <thread>
#include <unistd.h>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

extern "C" {
#include <jpeglib.h>
}

namespace vu::jpeg {

// ---- EXIF ----

namespace {

// Reads the little or big-endian numbers of a TIFF structure, refusing reads past its end.
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
        if (at < 0 || start_ + at + 2 > data_.size())
            return false;
        const auto* p = reinterpret_cast<const uchar*>(data_.constData() + start_ + at);
        *out = big_ ? qFromBigEndian<quint16>(p) : qFromLittleEndian<quint16>(p);
        return true;
    }
    bool u32(qsizetype at, quint32* out) const
    {
        if (at < 0 || start_ + at + 4 > data_.size())
            return false;
        const auto* p = reinterpret_cast<const uchar*>(data_.constData() + start_ + at);
        *out = big_ ? qFromBigEndian<quint32>(p) : qFromLittleEndian<quint32>(p);
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

// ---- geometry ----

namespace {

bool transposes(int orientation)
{
    return orientation >= 5 && orientation <= 8;
}

}  // namespace

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

int scaleEighths(QSize stored, QSize atLeast)
{
    for (int m = 1; m < 8; ++m) {
        const qint64 w = (qint64(stored.width()) * m + 7) / 8, h = (qint64(stored.height()) * m + 7) / 8;
        if (w >= atLeast.width() && h >= atLeast.height())
            return m;
    }
    return 8;
}

// ---- libjpeg ----

namespace {

// A decode ends by a long jump back into the step that called libjpeg; the steps below keep no
// objects with destructors between their setjmp and the library, and everything libjpeg
// allocates belongs to its own pools, released by jpeg_destroy_decompress.
struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

// Progressive files of thousands of scans can keep the decoder busy for minutes without ever
// being wrong; no real picture has more than a few dozen.
constexpr int MaxScans = 500;

extern "C" {

static void onError(j_common_ptr info)
{
    auto* err = reinterpret_cast<ErrorManager*>(info->err);
    (*info->err->format_message)(info, err->message);
    std::longjmp(err->jump, 1);
}

static void onMessage(j_common_ptr)
{
    // Warnings (data cut short, extraneous bytes) are part of showing a damaged picture as far
    // as it goes; they are not printed.
}

static void onProgress(j_common_ptr info)
{
    auto* d = reinterpret_cast<j_decompress_ptr>(info);
    if (d->input_scan_number > MaxScans) {
        auto* err = reinterpret_cast<ErrorManager*>(info->err);
        std::snprintf(err->message, sizeof err->message, "more than %d scans", MaxScans);
        std::longjmp(err->jump, 1);
    }
}

}  // extern "C"

// Reads the file through its descriptor; past its end, an end-of-picture marker stands in, so a
// file cut short decodes as far as its data goes (as libjpeg's own readers do).
struct FileSource {
    static constexpr size_t BufferSize = 64 * 1024;
    jpeg_source_mgr pub;
    int fd;
    JOCTET buffer[BufferSize];
};

extern "C" {

static void initSource(j_decompress_ptr) { }

static boolean fillInput(j_decompress_ptr info)
{
    auto* src = reinterpret_cast<FileSource*>(info->src);
    ssize_t n;
    do {
        n = ::read(src->fd, src->buffer, FileSource::BufferSize);
    } while (n < 0 && errno == EINTR);
    src->pub.next_input_byte = src->buffer;
    if (n <= 0) {
        src->buffer[0] = 0xFF;
        src->buffer[1] = JPEG_EOI;
        src->pub.bytes_in_buffer = 2;
    } else {
        src->pub.bytes_in_buffer = size_t(n);
    }
    return TRUE;
}

static void skipInput(j_decompress_ptr info, long count)
{
    auto* src = reinterpret_cast<FileSource*>(info->src);
    if (count <= 0)
        return;
    if (size_t(count) <= src->pub.bytes_in_buffer) {
        src->pub.next_input_byte += count;
        src->pub.bytes_in_buffer -= size_t(count);
        return;
    }
    const off_t beyond = off_t(size_t(count) - src->pub.bytes_in_buffer);
    src->pub.bytes_in_buffer = 0;
    if (::lseek(src->fd, beyond, SEEK_CUR) < 0)
        ::lseek(src->fd, 0, SEEK_END);  // reading on then finds the end
}

static void termSource(j_decompress_ptr) { }

}  // extern "C"

struct Session {
    jpeg_decompress_struct info;
    ErrorManager err;
    jpeg_progress_mgr progress;
    std::unique_ptr<FileSource> file;
    bool created = false;

    Session()
    {
        std::memset(&info, 0, sizeof info);
        std::memset(&err, 0, sizeof err);
        std::memset(&progress, 0, sizeof progress);
    }
    ~Session()
    {
        if (created)
            jpeg_destroy_decompress(&info);
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
    QString message() const { return QString::fromLocal8Bit(err.message); }
};

// Creates the decompressor; its source is set by the caller.
bool create(Session& s, qint64 maxBytes)
{
    s.info.err = jpeg_std_error(&s.err.pub);
    s.err.pub.error_exit = onError;
    s.err.pub.output_message = onMessage;
    if (setjmp(s.err.jump))
        return false;
    jpeg_create_decompress(&s.info);
    s.created = true;
    // A progressive picture keeps all its coefficients in memory while it decodes; a bound
    // keeps a few bytes claiming an enormous one from taking the machine's memory.
    if (maxBytes > 0)
        s.info.mem->max_memory_to_use = long(std::min<qint64>(maxBytes, std::numeric_limits<long>::max()));
    s.progress.progress_monitor = onProgress;
    s.info.progress = &s.progress;
    return true;
}

void useFile(Session& s, int fd)
{
    s.file = std::make_unique<FileSource>();
    s.file->fd = fd;
    s.file->pub.init_source = initSource;
    s.file->pub.fill_input_buffer = fillInput;
    s.file->pub.skip_input_data = skipInput;
    s.file->pub.resync_to_restart = jpeg_resync_to_restart;
    s.file->pub.term_source = termSource;
    s.file->pub.bytes_in_buffer = 0;
    s.file->pub.next_input_byte = nullptr;
    s.info.src = &s.file->pub;
}

bool useMemory(Session& s, const QByteArray& bytes)
{
    if (setjmp(s.err.jump))
        return false;
    jpeg_mem_src(&s.info, reinterpret_cast<const unsigned char*>(bytes.constData()), (unsigned long)bytes.size());
    return true;
}

bool readHeaderStep(Session& s, bool keepExif)
{
    if (setjmp(s.err.jump))
        return false;
    if (keepExif)
        jpeg_save_markers(&s.info, JPEG_APP0 + 1, 0xFFFF);
    jpeg_read_header(&s.info, TRUE);
    return true;
}

// Every APP1 segment's data in file order, as one block: Qt's reader looked for the EXIF block
// at the start of exactly this, and the orientation is read the same way.
QByteArray app1Data(const Session& s)
{
    QByteArray data;
    for (jpeg_saved_marker_ptr m = s.info.marker_list; m; m = m->next) {
        if (m->marker == JPEG_APP0 + 1)
            data.append(reinterpret_cast<const char*>(m->data), qsizetype(m->data_length));
    }
    return data;
}

Header headerOf(const Session& s)
{
    Header h;
    h.stored = QSize(int(s.info.image_width), int(s.info.image_height));
    const QByteArray block = app1Data(s);
    const Exif exif = parseExif(block);
    h.orientation = exif.orientation > 0 ? exif.orientation : 1;
    if (exif.previewLength > 0)
        h.preview = block.mid(exif.previewOffset, exif.previewLength);
    return h;
}

// Sets up the output in the painted format and starts the decode; the output size is then in
// info.output_width and info.output_height.
bool startStep(Session& s, int eighths, bool cmyk)
{
    if (setjmp(s.err.jump))
        return false;
    s.info.scale_num = unsigned(eighths);
    s.info.scale_denom = 8;
    if (cmyk) {
        s.info.out_color_space = JCS_CMYK;
    } else {
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
        s.info.out_color_space = JCS_EXT_BGRA;  // the bytes of QImage::Format_RGB32, alpha 255
#else
        s.info.out_color_space = JCS_EXT_ARGB;
#endif
    }
    jpeg_calc_output_dimensions(&s.info);
    return true;
}

bool beginStep(Session& s)
{
    if (setjmp(s.err.jump))
        return false;
    jpeg_start_decompress(&s.info);
    return true;
}

// A large picture is written in huge pages where the system offers them: far fewer page faults
// while it fills, and far fewer address translations when a quarter turn writes it by columns.
void preferLargePages(QImage& image)
{
    constexpr quintptr Huge = 2 * 1024 * 1024;
    const auto begin = reinterpret_cast<quintptr>(image.bits());
    const quintptr end = begin + quintptr(image.sizeInBytes());
    const quintptr first = (begin + Huge - 1) & ~(Huge - 1), last = end & ~(Huge - 1);
    if (last > first)
        ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
}

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

constexpr int Tile = 16;
constexpr int BandRows = Tile;

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

// Puts bands of decoded rows into the picture, for a large picture on another core while
// libjpeg decodes the next band, so that turning a portrait photo costs next to nothing.
class BandPlacer {
public:
    BandPlacer(QImage& image, QSize stored, int orientation, bool cmyk)
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
            storage_[size_t(b)].resize(size_t(stored.width()) * 4 * BandRows);
            for (int i = 0; i < BandRows; ++i)
                rows_[size_t(b)].push_back(storage_[size_t(b)].data() + size_t(stored.width()) * 4 * size_t(i));
            free_.push_back(b);
        }
        if (threaded)
            worker_ = std::thread([this] { work(); });
    }
    ~BandPlacer() { finish(); }
    BandPlacer(const BandPlacer&) = delete;
    BandPlacer& operator=(const BandPlacer&) = delete;

    // A band to decode into: BandRows row pointers.
    uchar** acquire()
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
    // The band `rows` now holds `count` rows, stored rows `first` on.
    void submit(uchar** rows, int first, int count)
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
    // Waits until every band handed in is in the picture.
    void finish()
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

private:
    static constexpr qint64 ThreadedAbovePixels = 2'000'000;
    struct Band {
        int index, first, count;
    };

    void place(const Band& band)
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
    void placeOldest(std::unique_lock<std::mutex>& lock)
    {
        const Band band = ready_.front();
        ready_.pop_front();
        lock.unlock();
        place(band);
        lock.lock();
        free_.push_back(band.index);
    }
    void work()
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

// Decodes every row into `image`: straight into its lines where no orientation or conversion
// stands between, else band by band through `placer`.
bool readRowsStep(Session& s, QImage* image, int orientation, BandPlacer* placer)
{
    if (setjmp(s.err.jump))
        return false;
    const int height = int(s.info.output_height);
    if (!placer) {
        while (int(s.info.output_scanline) < height) {
            const int y = int(s.info.output_scanline);
            JSAMPROW row = image->scanLine(orientation == 4 ? height - 1 - y : y);
            jpeg_read_scanlines(&s.info, &row, 1);
        }
    } else {
        while (int(s.info.output_scanline) < height) {
            uchar** band = placer->acquire();
            const int first = int(s.info.output_scanline);
            int count = 0;
            while (count < BandRows && int(s.info.output_scanline) < height)
                count += int(jpeg_read_scanlines(&s.info, band + count, JDIMENSION(BandRows - count)));
            placer->submit(band, first, count);
        }
    }
    // Like Qt's reader, a picture whose data ends in an error after its last row is refused.
    jpeg_finish_decompress(&s.info);
    return true;
}

PictureResult failure(int error, const QString& path, const QString& why)
{
    return PictureResult::failure(error, path + QStringLiteral(": ") + why);
}

// Decodes what the session has read the header of, at `eighths`/8 of its size.
PictureResult decodeSession(Session& s, const QString& path, int orientation, int eighths, qint64 maxBytes)
{
    const J_COLOR_SPACE space = s.info.jpeg_color_space;
    const bool cmyk = space == JCS_CMYK || space == JCS_YCCK;
    if (!cmyk && space != JCS_GRAYSCALE && space != JCS_YCbCr && space != JCS_RGB)
        return failure(err::InvalidPicture, path, QStringLiteral("unsupported JPEG colour space"));
    if (!startStep(s, eighths, cmyk))
        return failure(err::InvalidPicture, path, s.message());
    const QSize out(int(s.info.output_width), int(s.info.output_height));
    if (out.isEmpty())
        return failure(err::InvalidPicture, path, QStringLiteral("no picture size"));
    if (maxBytes > 0 && qint64(out.width()) * out.height() * 4 > maxBytes)
        return failure(err::OutOfMemory, path, QStringLiteral("picture too large"));
    QImage image(orientedSize(out, orientation), QImage::Format_RGB32);
    if (image.isNull())
        return failure(err::OutOfMemory, path, QStringLiteral("out of memory"));
    preferLargePages(image);
    if (!beginStep(s))
        return failure(err::InvalidPicture, path, s.message());
    std::optional<BandPlacer> placer;
    if (cmyk || (orientation != 1 && orientation != 4))
        placer.emplace(image, out, orientation, cmyk);
    const bool read = readRowsStep(s, &image, orientation, placer ? &*placer : nullptr);
    if (placer)
        placer->finish();
    if (!read)
        return failure(err::InvalidPicture, path, s.message());
    PictureResult r;
    r.image = std::move(image);
    return r;
}

// The EXIF preview decoded whole, orientation applied, when it can stand for the picture at
// `needed`; null otherwise (and when it does not decode).
QImage decodePreview(const Header& h, QSize needed, const QString& path)
{
    // A preview lives in one marker segment of at most 64 KB; one claiming more pixels than a
    // few megabytes lies.
    constexpr qint64 MaxPreviewBytes = 16 * 1024 * 1024;
    Session s;
    if (!create(s, MaxPreviewBytes) || !useMemory(s, h.preview) || !readHeaderStep(s, false))
        return QImage();
    const QSize size(int(s.info.image_width), int(s.info.image_height));
    if (!previewCanStandFor(size, h.stored, h.orientation, needed))
        return QImage();
    PictureResult r = decodeSession(s, path, h.orientation, 8, MaxPreviewBytes);
    return r.ok() && r.image.size() == orientedSize(size, h.orientation) ? r.image : QImage();
}

}  // namespace

std::optional<Header> readHeader(int fd)
{
    Session s;
    if (!create(s, 0))
        return std::nullopt;
    useFile(s, fd);
    if (!readHeaderStep(s, true))
        return std::nullopt;
    Header h = headerOf(s);
    if (h.stored.isEmpty())
        return std::nullopt;
    return h;
}

PictureResult decode(int fd, const QString& path, const Request& request)
{
    Session s;
    if (!create(s, request.maxBytes))
        return failure(err::InvalidPicture, path, s.message());
    useFile(s, fd);
    if (!readHeaderStep(s, true))
        return failure(err::InvalidPicture, path, s.message());
    const Header h = headerOf(s);
    if (h.stored.isEmpty())
        return failure(err::InvalidPicture, path, QStringLiteral("no picture size"));

    const bool reduce = !request.atLeast.isEmpty();
    const QSize needed = request.fit ? fittedSize(h.shown(), request.atLeast) : request.atLeast;
    if (reduce && request.preview && !h.preview.isEmpty()) {
        QImage preview = decodePreview(h, needed, path);
        if (!preview.isNull()) {
            PictureResult r;
            r.image = std::move(preview);
            r.natural = h.shown();
            return r;
        }
    }
    const int eighths = reduce ? scaleEighths(h.stored, orientedSize(needed, h.orientation)) : 8;
    PictureResult r = decodeSession(s, path, h.orientation, eighths, request.maxBytes);
    r.natural = h.shown();
    return r;
}

}  // namespace vu::jpeg
