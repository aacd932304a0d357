// Picture service: reading BMP, JPEG, GIF and icon files. The format is decided by the file's
// content, EXIF orientation is applied, and an allocation limit refuses decompression bombs
// while admitting real photos.
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
    bool ok() const { return error == err::None && !image.isNull(); }
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
};

// The formats the program shows, by the names Qt's readers give them.
bool isShownFormat(const QByteArray& format);

}  // namespace vu
