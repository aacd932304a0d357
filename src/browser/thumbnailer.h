// Decodes a page of thumbnails on every core, straight to the cell size, and hands the results
// back in cell order.
#pragma once

#include "platform/pictures.h"

#include <QFuture>
#include <QSize>
#include <QStringList>
#include <QThreadPool>

#include <vector>

namespace vu {

class Thumbnailer {
public:
    explicit Thumbnailer(Pictures& pictures);
    ~Thumbnailer();

    // Starts decoding every path at `box` (device pixels). Earlier work not yet taken is dropped.
    void start(const QStringList& paths, QSize box);
    int count() const { return int(pending_.size()); }
    // The result of path i, waiting for it if need be. Take them in order for the best overlap.
    PictureResult take(int i);

private:
    Pictures& pictures_;
    QThreadPool pool_;
    std::vector<QFuture<PictureResult>> pending_;
};

}  // namespace vu
