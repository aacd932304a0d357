#include "jpegdecoder.h"

#include "bandplacer.h"

#include <QImage>

#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <unistd.h>

extern "C" {
#include <jpeglib.h>
}

namespace vu::jpeg {

int scaleEighths(QSize stored, QSize atLeast)
{
    for (int m = 1; m < 8; ++m) {
        const qint64 w = (qint64(stored.width()) * m + 7) / 8, h = (qint64(stored.height()) * m + 7) / 8;
        if (w >= atLeast.width() && h >= atLeast.height())
            return m;
    }
    return 8;
}

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
            const int first = int(s.info.output_scanline);
            const int rows = placer->rowsAt(first);
            uchar** band = placer->rows();
            int count = 0;
            while (count < rows && int(s.info.output_scanline) < height)
                count += int(jpeg_read_scanlines(&s.info, band + count, JDIMENSION(rows - count)));
            placer->place(first, count);
        }
    }
    // Like Qt's reader, a picture whose data ends in an error after its last row is refused.
    jpeg_finish_decompress(&s.info);
    return true;
}

// Decodes what the session has read the header of, at `eighths`/8 of its size.
PictureResult decodeSession(Session& s, const QString& path, int orientation, int eighths, qint64 maxBytes)
{
    const J_COLOR_SPACE space = s.info.jpeg_color_space;
    const bool cmyk = space == JCS_CMYK || space == JCS_YCCK;
    if (!cmyk && space != JCS_GRAYSCALE && space != JCS_YCbCr && space != JCS_RGB)
        return PictureResult::failure(err::InvalidPicture, path, QStringLiteral("unsupported JPEG colour space"));
    if (!startStep(s, eighths, cmyk))
        return PictureResult::failure(err::InvalidPicture, path, s.message());
    const QSize out(int(s.info.output_width), int(s.info.output_height));
    if (out.isEmpty())
        return PictureResult::failure(err::InvalidPicture, path, QStringLiteral("no picture size"));
    if (maxBytes > 0 && qint64(out.width()) * out.height() * 4 > maxBytes)
        return PictureResult::failure(err::OutOfMemory, path, QStringLiteral("picture too large"));
    QImage image = newPicture(orientedSize(out, orientation), maxBytes);
    if (image.isNull())
        return PictureResult::failure(err::OutOfMemory, path, QStringLiteral("out of memory"));
    if (!beginStep(s))
        return PictureResult::failure(err::InvalidPicture, path, s.message());
    std::optional<BandPlacer> placer;
    if (cmyk || (orientation != 1 && orientation != 4))
        placer.emplace(image, out, orientation, cmyk);
    if (!readRowsStep(s, &image, orientation, placer ? &*placer : nullptr))
        return PictureResult::failure(err::InvalidPicture, path, s.message());
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
        return PictureResult::failure(err::InvalidPicture, path, s.message());
    useFile(s, fd);
    if (!readHeaderStep(s, true))
        return PictureResult::failure(err::InvalidPicture, path, s.message());
    const Header h = headerOf(s);
    if (h.stored.isEmpty())
        return PictureResult::failure(err::InvalidPicture, path, QStringLiteral("no picture size"));

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
