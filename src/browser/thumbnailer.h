// Fills a page of thumbnails on every core: each cell's picture comes from the desktop's shared
// thumbnail cache while an entry still describes the file, else it is decoded (a JPEG's
// embedded preview where it will do) and stored there for the next visit. The results come back
// in cell order.
#pragma once

#include "platform/pictures.h"
#include "platform/thumbcache.h"

#include <QFuture>
#include <QSize>
#include <QStringList>
#include <QThreadPool>

#include <vector>

namespace vu {

// One cell's picture, stretched to `cell` (device pixels): from the cache, or decoded at the
// cache's entry size and stored. A file this program failed to read before, unchanged since, is
// not read again.
PictureResult cellPicture(Pictures& pictures, ThumbnailCache& cache, const QString& path, QSize cell);

class Thumbnailer {
public:
    Thumbnailer(Pictures& pictures, ThumbnailCache& cache);
    ~Thumbnailer();

    // Starts filling a cell of `box` (device pixels) for every path. Earlier work not yet taken
    // is dropped.
    void start(const QStringList& paths, QSize box);
    int count() const { return int(pending_.size()); }
    // The result of path i, waiting for it if need be. Take them in order for the best overlap.
    PictureResult take(int i);
    // How many pictures decode at once.
    int threads() const { return pool_.maxThreadCount(); }

private:
    Pictures& pictures_;
    ThumbnailCache& cache_;
    QThreadPool pool_;
    std::vector<QFuture<PictureResult>> pending_;
};

}  // namespace vu
