#include "files.h"
#include "jpegdecoder.h"
#include "pictureheader.h"
#include "picturenormaliser.h"
#include "pictures.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace vu {
namespace {

constexpr qint64 LimitBytes = qint64(QtPictures::AllocationLimitMB) * 1024 * 1024;

PictureResult failure(int error, const QString& path, const QString& why)
{
    return PictureResult::failure(error, path + QStringLiteral(": ") + why);
}

bool fitsLimit(QSize size)
{
    // Pixels counted before bytes: 2^31 x 2^31 pixels times 4 bytes would not fit in 64 bits.
    return size.width() > 0 && size.height() > 0 && qint64(size.width()) * size.height() <= LimitBytes / 4;
}

// A picture file open for reading, closed with this object. It is opened without blocking, so a
// FIFO or device named like a picture never holds up a page, the viewer or a slide show, and
// anything but a regular file is refused.
class PictureFile {
public:
    std::optional<PictureResult> open(const QString& path)
    {
        // Never a plain open: a pipe in the picture's place would hold the program until
        // written to.
        if (const FsStatus s = openForReading(path, &file_); !s.ok())
            return failure(s.error, path, s.detail);
        fd_ = file_.handle();
        const ssize_t n = ::pread(fd_, head_, sizeof head_, 0);
        headSize_ = n > 0 ? int(n) : 0;
        // A header that claims more pixels than the file's bytes can carry is refused before any
        // decoder spends seconds and a gigabyte on it. (Claims beyond the allocation limit are
        // refused as too large by the loaders, or as nonsense by the readers.)
        QFile file;
        if (file.open(fd_, QIODevice::ReadOnly, QFileDevice::DontCloseHandle)) {
            const std::optional<PictureClaim> claim = readPictureClaim(file);
            file.close();
            if (claim && !claim->plausible() && fitsLimit(claim->size)) {
                return failure(err::InvalidPicture, path,
                    QStringLiteral("the header claims %1 x %2 pixels, more than the file can hold")
                        .arg(claim->size.width())
                        .arg(claim->size.height()));
            }
        }
        if (::lseek(fd_, 0, SEEK_SET) != 0)
            return failure(err::InvalidPicture, path, QStringLiteral("cannot read the file"));
        return std::nullopt;
    }
    int fd() const { return fd_; }
    bool isJpeg() const { return headSize_ >= 2 && uchar(head_[0]) == 0xFF && uchar(head_[1]) == 0xD8; }

private:
    QFile file_;
    int fd_ = -1;
    char head_[16] = {};
    int headSize_ = 0;
};

bool swapsAxes(QImageIOHandler::Transformations t)
{
    return t & QImageIOHandler::TransformationRotate90;
}

// A Qt reader on the open file (BMP, GIF, icons) that decides the format from the content and
// applies EXIF orientation; fails for formats the program does not show.
class QtReader {
    QFile file_;
    QBuffer rewritten_;

public:
    // `need`: whether the pixels will be read, or only the size.
    std::optional<PictureResult> open(const PictureFile& picture, const QString& path, Need need)
    {
        if (!file_.open(picture.fd(), QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
            return failure(err::InvalidPicture, path, file_.errorString());
        // BMP and icon files Qt's readers would refuse or draw wrong go to them rewritten.
        NormalisedPicture normalised = normalisePicture(file_, LimitBytes, need);
        QIODevice* device = &file_;
        if (normalised.kind == NormalisedPicture::Kind::Refused) {
            return failure(normalised.tooLarge ? err::OutOfMemory : err::InvalidPicture, path, normalised.why);
        } else if (normalised.kind == NormalisedPicture::Kind::Rewritten) {
            rewritten_.setData(normalised.bytes);
            rewritten_.open(QIODevice::ReadOnly);
            device = &rewritten_;
        }
        reader.setDevice(device);
        reader.setDecideFormatFromContent(true);
        reader.setAutoTransform(true);
        if (!reader.canRead() || !isShownFormat(reader.format()))
            return failure(err::InvalidPicture, path, QStringLiteral("not a BMP, JPEG, GIF or icon file"));
        pickLargestIcon();
        return std::nullopt;
    }

    // The stored size, before orientation; some readers report a negative height for top-down
    // BMPs. A header the reader cannot make sense of gives -1 x -1, which is no size (not 1 x 1).
    QSize storedSize()
    {
        const QSize s = reader.size();
        if (s.width() <= 0 || s.height() == 0 || s.height() == std::numeric_limits<int>::min())
            return QSize();
        return QSize(s.width(), std::abs(s.height()));
    }
    QSize shownSize()
    {
        QSize s = storedSize();
        if (swapsAxes(reader.transformation()))
            s.transpose();
        return s;
    }

    PictureResult read(const QString& path)
    {
        PictureResult r;
        if (!reader.read(&r.image) || r.image.isNull())
            return failure(err::InvalidPicture, path, reader.errorString());
        completePalette(r.image);
        r.natural = r.image.size();
        return r;
    }

    QImageReader reader;

private:
    // Icon files hold several pictures; the program shows the largest.
    void pickLargestIcon()
    {
        if (reader.format() != "ico" && reader.format() != "cur")
            return;
        const int count = reader.imageCount();
        int best = 0;
        qint64 bestArea = -1;
        for (int i = 0; i < count && i < 256; ++i) {
            if (!reader.jumpToImage(i))
                break;
            const QSize s = storedSize();
            if (qint64(s.width()) * s.height() > bestArea) {
                bestArea = qint64(s.width()) * s.height();
                best = i;
            }
        }
        reader.jumpToImage(best);
    }
};

QImage smoothlyScaled(const QImage& image, QSize size)
{
    return image.size() == size ? image : image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

// The picture at `atLeast` or larger (orientation applied; with `fit`, at the size it takes in
// that bound): a JPEG decoded reduced in the DCT or through its EXIF preview, other formats
// decoded whole, which the allocation limit must then admit.
PictureResult loadReduced(const QString& path, QSize atLeast, bool fit)
{
    PictureFile file;
    if (auto fail = file.open(path))
        return *fail;
    if (file.isJpeg())
        return jpeg::decode(file.fd(), path, {atLeast, fit, true, LimitBytes});
    QtReader qt;
    if (auto fail = qt.open(file, path, Need::Pixels))
        return *fail;
    const QSize s = qt.storedSize();
    if (s.isEmpty())
        return failure(err::InvalidPicture, path, QStringLiteral("no picture size"));
    if (!fitsLimit(s))
        return failure(err::OutOfMemory, path, QStringLiteral("picture too large"));
    return qt.read(path);
}

}  // namespace

QSize fittedSize(QSize natural, QSize bound)
{
    if (natural.width() <= bound.width() && natural.height() <= bound.height())
        return natural;
    return natural.scaled(bound, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
}

bool isShownFormat(const QByteArray& format)
{
    return format == "bmp" || format == "dib" || format == "jpeg" || format == "jpg" || format == "gif"
        || format == "ico" || format == "cur";
}

QtPictures::QtPictures()
{
    QImageReader::setAllocationLimit(AllocationLimitMB);
}

std::optional<QSize> QtPictures::naturalSize(const QString& path)
{
    PictureFile file;
    if (file.open(path))
        return std::nullopt;
    if (file.isJpeg()) {
        const std::optional<jpeg::Header> h = jpeg::readHeader(file.fd());
        return h ? std::optional<QSize>(h->shown()) : std::nullopt;
    }
    QtReader qt;
    if (qt.open(file, path, Need::Size))
        return std::nullopt;
    const QSize s = qt.shownSize();
    return s.isEmpty() ? std::nullopt : std::optional<QSize>(s);
}

PictureResult QtPictures::load(const QString& path)
{
    PictureFile file;
    if (auto fail = file.open(path))
        return *fail;
    if (file.isJpeg())
        return jpeg::decode(file.fd(), path, {QSize(), false, false, LimitBytes});
    QtReader qt;
    if (auto fail = qt.open(file, path, Need::Pixels))
        return *fail;
    const QSize s = qt.storedSize();
    if (s.isValid() && !fitsLimit(s))
        return failure(err::OutOfMemory, path, QStringLiteral("picture too large"));
    return qt.read(path);
}

PictureResult QtPictures::loadScaled(const QString& path, QSize box)
{
    if (box.isEmpty())
        return failure(err::InvalidPicture, path, QStringLiteral("empty target size"));
    PictureResult r = loadReduced(path, box, false);
    if (r.ok())
        r.image = smoothlyScaled(r.image, box);
    return r;
}

PictureResult QtPictures::loadFitted(const QString& path, QSize bound)
{
    if (bound.isEmpty())
        return failure(err::InvalidPicture, path, QStringLiteral("empty target size"));
    PictureResult r = loadReduced(path, bound, true);
    if (r.ok())
        r.image = smoothlyScaled(r.image, fittedSize(r.natural, bound));
    return r;
}

PictureResult QtPictures::loadFirstView(const QString& path, const QImage& thumbnail)
{
    {
        PictureFile file;
        if (auto fail = file.open(path))
            return *fail;
        QSize stored, shown;
        if (file.isJpeg()) {
            if (const std::optional<jpeg::Header> h = jpeg::readHeader(file.fd())) {
                stored = h->stored;
                shown = h->shown();
            }
        } else {
            QtReader qt;
            if (!qt.open(file, path, Need::Size)) {
                stored = qt.storedSize();
                shown = qt.shownSize();
            }
        }
        if (qint64(stored.width()) * stored.height() > FirstViewAbovePixels) {
            if (!fitsLimit(stored))
                return failure(err::OutOfMemory, path, QStringLiteral("picture too large"));
            // A thumbnail stands for the picture when it is the picture fitted into its square.
            const QSize expected = fittedSize(shown, thumbnail.size().expandedTo(thumbnail.size().transposed()));
            if (!thumbnail.isNull() && std::abs(expected.width() - thumbnail.width()) <= 1
                && std::abs(expected.height() - thumbnail.height()) <= 1) {
                PictureResult r;
                r.image = thumbnail.convertToFormat(QImage::Format_RGB32);
                r.natural = shown;
                return r;
            }
            const QSize eighth((shown.width() + 7) / 8, (shown.height() + 7) / 8);
            if (file.isJpeg() && ::lseek(file.fd(), 0, SEEK_SET) == 0)
                return jpeg::decode(file.fd(), path, {eighth, false, false, LimitBytes});
        }
    }
    return load(path);
}

}  // namespace vu
