// Picture service: reading BMP, JPEG, GIF and icon files. The format is decided by the file's
// content, EXIF orientation is applied, and an allocation limit refuses decompression bombs
// while admitting real photos. Files are opened without ever blocking: a FIFO, device or folder
// named like a picture is refused as not a picture.
#pragma once

#include "fsstatus.h"

#include <QImage>
#include <QSize>
#include <QString>

#include <optional>

namespace vu {

struct PictureResult {
    QImage image;  // null on failure
    int error = err::None;
    QString detail;
    // The picture's own size, orientation applied, where the loader learnt it (a reduced
    // picture's is larger than the image).
    QSize natural;
    bool ok() const { return error == err::None && !image.isNull(); }
    static PictureResult failure(int error, QString detail)
    {
        PictureResult r;
        r.error = error;
        r.detail = std::move(detail);
        return r;
    }
    // A failure to load the file at `path`, `why` worded after its path as every loader words it.
    static PictureResult failure(int error, const QString& path, const QString& why)
    {
        return failure(error, path + QStringLiteral(": ") + why);
    }
};

class Pictures {
public:
    virtual ~Pictures() = default;
    // The size the picture is shown at, orientation applied, read without decoding the pixels.
    virtual std::optional<QSize> naturalSize(const QString& path) = 0;
    // The whole picture at its natural size.
    virtual PictureResult load(const QString& path) = 0;
    // The picture stretched to exactly `box` (proportions not kept), decoded straight to about
    // that size where the format allows it, so a large photo never exists in memory whole.
    // Safe to call from several threads at once.
    virtual PictureResult loadScaled(const QString& path, QSize box) = 0;
    // The picture reduced to fit within `bound`, proportions kept, never enlarged: the way
    // thumbnails are stored. A JPEG's embedded EXIF preview stands in for the picture when it
    // covers that size and has the picture's proportions; else the picture is decoded reduced.
    // Safe to call from several threads at once.
    virtual PictureResult loadFitted(const QString& path, QSize bound) = 0;
    // A first view of a large picture to show at once, while the whole picture decodes: the
    // `thumbnail` at hand (null for none) when it has the picture's proportions, else for a JPEG
    // the decoder's own reduction to an eighth; a smaller picture, or one of another format
    // without a thumbnail, comes whole as load() gives it. `natural` is the picture's size
    // either way, and a picture whose header load() would refuse (gone, unreadable, not a
    // picture, too large) is refused alike.
    virtual PictureResult loadFirstView(const QString& path, const QImage& thumbnail) = 0;
};

class QtPictures final : public Pictures {
public:
    // Largest decoded picture admitted, in megabytes of 32-bit pixels: 512 MB holds a
    // 130-megapixel photo.
    static constexpr int AllocationLimitMB = 512;

    QtPictures();
    std::optional<QSize> naturalSize(const QString& path) override;
    PictureResult load(const QString& path) override;
    PictureResult loadScaled(const QString& path, QSize box) override;
    PictureResult loadFitted(const QString& path, QSize bound) override;
    PictureResult loadFirstView(const QString& path, const QImage& thumbnail) override;

    // Pictures of more pixels than this get a reduced first view.
    static constexpr qint64 FirstViewAbovePixels = 3'000'000;
};

// The formats the program shows, by the names Qt's readers give them.
bool isShownFormat(const QByteArray& format);

// The size `natural` takes when fitted into `bound` with its proportions, never enlarged; at
// least one pixel each way.
QSize fittedSize(QSize natural, QSize bound);

}  // namespace vu
