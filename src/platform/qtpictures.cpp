#include "pictureheader.h"
#include "pictures.h"

#include <QFile>
#include <QImageReader>

#include <limits>

namespace vu {
namespace {

PictureResult failure(int error, const QString& path, const QString& why)
{
    PictureResult r;
    r.error = error;
    r.detail = path + QStringLiteral(": ") + why;
    return r;
}

bool fitsLimit(QSize size)
{
    const qint64 bytes = qint64(size.width()) * size.height() * 4;
    return size.width() > 0 && size.height() > 0 && bytes <= qint64(QtPictures::AllocationLimitMB) * 1024 * 1024;
}

bool swapsAxes(QImageIOHandler::Transformations t)
{
    return t & QImageIOHandler::TransformationRotate90;
}

// Opens a reader on `path` that decides the format from the content and applies EXIF
// orientation; fails for missing files and for formats the program does not show.
std::optional<PictureResult> openReader(QImageReader& reader, QFile& file, const QString& path)
{
    if (!file.open(QIODevice::ReadOnly)) {
        const int e
            = file.error() == QFileDevice::OpenError && !file.exists() ? err::FileNotFound : err::PermissionDenied;
        return failure(e, path, file.errorString());
    }
    // A header that claims more pixels than the file's bytes can carry is refused before any
    // decoder spends seconds and a gigabyte on it. (Claims beyond the allocation limit are
    // refused as too large by the loaders, or as nonsense by the readers.)
    if (const std::optional<PictureClaim> claim = readPictureClaim(file);
        claim && !claim->plausible() && fitsLimit(claim->size)) {
        return failure(err::InvalidPicture, path,
            QStringLiteral("the header claims %1 x %2 pixels, more than the file can hold")
                .arg(claim->size.width())
                .arg(claim->size.height()));
    }
    reader.setDevice(&file);
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(true);
    if (!reader.canRead() || !isShownFormat(reader.format()))
        return failure(err::InvalidPicture, path, QStringLiteral("not a BMP, JPEG, GIF or icon file"));
    return std::nullopt;
}

// The stored size, before orientation; some readers report a negative height for top-down BMPs.
// A header the reader cannot make sense of gives -1 x -1, which is no size (not 1 x 1).
QSize storedSize(QImageReader& reader)
{
    const QSize s = reader.size();
    if (s.width() <= 0 || s.height() == 0 || s.height() == std::numeric_limits<int>::min())
        return QSize();
    return QSize(s.width(), std::abs(s.height()));
}

// Icon files hold several pictures; the program shows the largest.
void pickLargestIcon(QImageReader& reader)
{
    if (reader.format() != "ico" && reader.format() != "cur")
        return;
    const int count = reader.imageCount();
    int best = 0;
    qint64 bestArea = -1;
    for (int i = 0; i < count && i < 256; ++i) {
        if (!reader.jumpToImage(i))
            break;
        const QSize s = storedSize(reader);
        if (qint64(s.width()) * s.height() > bestArea) {
            bestArea = qint64(s.width()) * s.height();
            best = i;
        }
    }
    reader.jumpToImage(best);
}

PictureResult readImage(QImageReader& reader, const QString& path)
{
    PictureResult r;
    if (!reader.read(&r.image) || r.image.isNull())
        return failure(err::InvalidPicture, path, reader.errorString());
    return r;
}

}  // namespace

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
    QFile file(path);
    QImageReader reader;
    if (openReader(reader, file, path))
        return std::nullopt;
    pickLargestIcon(reader);
    QSize s = storedSize(reader);
    if (s.isEmpty())
        return std::nullopt;
    if (swapsAxes(reader.transformation()))
        s.transpose();
    return s;
}

PictureResult QtPictures::load(const QString& path)
{
    QFile file(path);
    QImageReader reader;
    if (auto fail = openReader(reader, file, path))
        return *fail;
    pickLargestIcon(reader);
    const QSize s = storedSize(reader);
    if (s.isValid() && !fitsLimit(s))
        return failure(err::OutOfMemory, path, QStringLiteral("picture too large"));
    return readImage(reader, path);
}

PictureResult QtPictures::loadScaled(const QString& path, QSize box)
{
    if (box.isEmpty())
        return failure(err::InvalidPicture, path, QStringLiteral("empty target size"));
    QFile file(path);
    QImageReader reader;
    if (auto fail = openReader(reader, file, path))
        return *fail;
    pickLargestIcon(reader);
    const QSize s = storedSize(reader);
    if (s.isEmpty())
        return failure(err::InvalidPicture, path, QStringLiteral("no picture size"));

    const bool jpeg = reader.format() == "jpeg" || reader.format() == "jpg";
    if (jpeg) {
        // The JPEG reader scales in the DCT, so only about the requested size is ever decoded.
        // The size is asked for before orientation is applied.
        QSize want = box;
        if (swapsAxes(reader.transformation()))
            want.transpose();
        if (want.width() < s.width() || want.height() < s.height()) {
            reader.setScaledSize(want.boundedTo(s));
            reader.setQuality(75);  // asks the reader for its smooth scaler
        }
    } else if (!fitsLimit(s)) {
        return failure(err::OutOfMemory, path, QStringLiteral("picture too large"));
    }

    PictureResult r = readImage(reader, path);
    if (r.ok() && r.image.size() != box)
        r.image = r.image.scaled(box, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return r;
}

}  // namespace vu
