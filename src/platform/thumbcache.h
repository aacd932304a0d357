// The desktop's shared thumbnail cache, as the freedesktop Thumbnail Managing Standard defines
// it: $XDG_CACHE_HOME/thumbnails/normal (128 pixels), large (256), x-large (512) and xx-large
// (1024), each entry a PNG named by the MD5 of the file's URI that states the file's URI,
// modification time and size; this program's failures under fail/vutara/. The desktop's other
// image programs read what this program writes, and the other way round.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QMap>
#include <QSize>
#include <QString>

#include <optional>

class QIODevice;

namespace vu {

// What an entry must state to describe a file as it is now.
struct ThumbnailKey {
    QByteArray uri;  // file:///...
    qint64 mtime = 0;  // seconds since 1970
    qint64 size = 0;  // bytes
    qint64 stampedAt = 0;  // when the file was looked at (seconds since 1970)
    bool valid() const { return !uri.isEmpty(); }
};

// The file URI of an absolute path, escaped exactly as GLib does (the text the desktop's
// programs hash to name an entry): "file://" and the path with every byte outside
// A-Z a-z 0-9 - _ . ! ~ * ' ( ) / : @ & = + $ , written as %XX.
QByteArray fileUri(const QString& absolutePath);
// An entry's file name: the MD5 of the URI in lower-case hex, then ".png".
QString thumbnailFileName(const QByteArray& uri);
// The entry size for a cell of `box` device pixels: the smallest of 128, 256, 512 and 1024 that
// holds its longer side (1024 for anything larger).
int thumbnailSide(QSize box);
// The folder of that size below the cache root: "normal", "large", "x-large" or "xx-large".
QString thumbnailFolder(int side);
// Whether an entry's text keys describe the file of `key`: Thumb::URI and Thumb::MTime must
// match, and Thumb::Size where the entry states one.
bool entryDescribes(const QMap<QString, QString>& texts, const ThumbnailKey& key);
// Whether an entry of a file stamped `key` can be trusted to tell a later change: the file's
// time must lie at least two seconds before the look (coarse file-system clocks), else a change
// within the same second would keep the time an entry states.
bool settledForEntry(const ThumbnailKey& key);

class ThumbnailCache {
public:
    virtual ~ThumbnailCache() = default;
    // The key of `file` (an absolute path) as it is now; invalid when the file cannot be read,
    // is not a regular file, or lies inside the cache itself.
    virtual ThumbnailKey keyOf(const QString& file) = 0;
    // The entry of `key` at `side` (or a larger size), as long as it still describes the file;
    // null otherwise.
    virtual QImage find(const ThumbnailKey& key, int side) = 0;
    // The largest entry of `key` that still describes the file; null when there is none.
    virtual QImage largest(const ThumbnailKey& key) = 0;
    // Whether this program failed to read the file before, the file unchanged since.
    virtual bool failedBefore(const ThumbnailKey& key) = 0;
    // Stores `thumbnail` (at most `side` pixels each way) of a picture of `natural` size as the
    // entry of `key`, atomically. False when nothing was stored: the file changed too recently
    // to be told apart from a later change, or the cache cannot be written.
    virtual bool store(const ThumbnailKey& key, int side, const QImage& thumbnail, QSize natural) = 0;
    // Notes that this program cannot read the file of `key`.
    virtual bool storeFailure(const ThumbnailKey& key) = 0;
};

class FreedesktopThumbnails final : public ThumbnailCache {
public:
    // The cache below `root`.
    explicit FreedesktopThumbnails(const QString& root = defaultRoot());
    // $XDG_CACHE_HOME/thumbnails, or ~/.cache/thumbnails when that is not set to an absolute
    // path.
    static QString defaultRoot();
    const QString& root() const { return root_; }

    ThumbnailKey keyOf(const QString& file) override;
    QImage find(const ThumbnailKey& key, int side) override;
    QImage largest(const ThumbnailKey& key) override;
    bool failedBefore(const ThumbnailKey& key) override;
    bool store(const ThumbnailKey& key, int side, const QImage& thumbnail, QSize natural) override;
    bool storeFailure(const ThumbnailKey& key) override;

    // Where the entry of `uri` at `side` lies, and where a failure is noted.
    QString entryPath(const QByteArray& uri, int side) const;
    QString failurePath(const QByteArray& uri) const;

    // The name this program's failures are filed under.
    static constexpr const char* Program = "vutara";

private:
    // Whether `folder` and every folder between it and the root are real folders (no links) of
    // this user that nobody else may write: only then is the cache read or written there.
    bool trusted(const QString& folder) const;
    QImage entryFor(const QString& path, const ThumbnailKey& key, int side) const;
    bool write(const QString& path, const QImage& image, const QList<QPair<QByteArray, QByteArray>>& texts);

    QString root_;
    QString canonicalRoot_;
};

// The picture of a cache entry (a PNG) on `device`, when the size its header states is at most
// `side` pixels each way; null otherwise. Entries of other sizes are not thumbnails, and are never
// decoded: one of 11000 x 11000 pixels costs a header read, not a gigabyte.
QImage readThumbnailEntry(QIODevice& device, int side);
// The width and height a PNG's header states, from its first 24 bytes; nothing when they are
// not a PNG's signature and header.
std::optional<QSize> pngSize(const QByteArray& head);

// A PNG of `image` (8-bit RGBA, not interlaced) carrying `texts` as uncompressed tEXt chunks,
// which every PNG reader finds.
QByteArray pngWithTexts(const QImage& image, const QList<QPair<QByteArray, QByteArray>>& texts);

}  // namespace vu
