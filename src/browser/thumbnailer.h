// Fills a page of thumbnails on every core: each cell's picture comes from the desktop's shared
// thumbnail cache while an entry still describes the file, else it is decoded (a JPEG's
// embedded preview where it will do). The results come back in cell order. The cache entries of
// what was decoded are written once the page's last picture has been taken, in the background,
// so that writing them never delays a picture; until they are written, a later page finds them
// in memory.
#pragma once

#include "platform/pictures.h"
#include "platform/thumbcache.h"

#include <QFuture>
#include <QMutex>
#include <QSize>
#include <QStringList>
#include <QThreadPool>

#include <vector>

namespace vu {

class Thumbnailer {
public:
    Thumbnailer(Pictures& pictures, ThumbnailCache& cache);
    // Waits for the work begun and writes the entries not yet written.
    ~Thumbnailer();

    // Starts filling a cell of `box` (device pixels) for every path. Earlier work not yet taken
    // is dropped.
    void start(const QStringList& paths, QSize box);
    int count() const { return int(pending_.size()); }
    // The result of path i, waiting for it if need be. Take them in order for the best overlap.
    // Taking the last one starts writing the page's cache entries.
    PictureResult take(int i);
    // How many pictures decode at once.
    int threads() const { return pool_.maxThreadCount(); }

private:
    // A cache entry decoded but not yet written: the thumbnail, or a null image for a file
    // that could not be read.
    struct Entry {
        quint64 id = 0;
        ThumbnailKey key;
        int side = 0;
        QImage thumbnail;
        QSize natural;
        bool queued = false;
    };

    // One cell's picture stretched to `cell` (device pixels): from the entries not yet written,
    // from the cache, or decoded at the cache's entry size (its entry then waits to be written).
    // A file this program failed to read before, unchanged since, is not read again.
    PictureResult cellPicture(const QString& path, QSize cell);
    // The entry of `key` at `side` not yet written, if there is one.
    std::optional<Entry> unwritten(const ThumbnailKey& key, int side);
    // Writes every entry not yet written, each as a task of its own behind any decoding.
    void writeEntries();
    void write(quint64 id);

    Pictures& pictures_;
    ThumbnailCache& cache_;
    QThreadPool pool_;
    std::vector<QFuture<PictureResult>> pending_;
    QMutex mutex_;  // guards entries_ and lastId_
    std::vector<Entry> entries_;
    quint64 lastId_ = 0;
};

}  // namespace vu
