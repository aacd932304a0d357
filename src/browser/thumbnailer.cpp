#include "thumbnailer.h"

#include <QtConcurrent/QtConcurrentRun>

namespace vu {

PictureResult cellPicture(Pictures& pictures, ThumbnailCache& cache, const QString& path, QSize cell)
{
    const int side = thumbnailSide(cell);
    const ThumbnailKey key = cache.keyOf(path);
    auto toCell = [&](PictureResult r) {
        if (r.ok() && r.image.size() != cell)
            r.image = r.image.scaled(cell, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        return r;
    };
    if (key.valid()) {
        PictureResult cached;
        cached.image = cache.find(key, side);
        if (!cached.image.isNull())
            return toCell(std::move(cached));
        if (cache.failedBefore(key))
            return PictureResult::failure(err::InvalidPicture, path, QStringLiteral("could not be read before"));
    }
    PictureResult r = pictures.loadFitted(path, QSize(side, side));
    if (key.valid()) {
        if (r.ok())
            cache.store(key, side, r.image, r.natural);
        else if (r.error == err::InvalidPicture || r.error == err::OutOfMemory)
            cache.storeFailure(key);
    }
    return toCell(std::move(r));
}

Thumbnailer::Thumbnailer(Pictures& pictures, ThumbnailCache& cache)
    : pictures_(pictures)
    , cache_(cache)
{
    pool_.setMaxThreadCount(std::max(2, QThread::idealThreadCount()));
    pool_.setExpiryTimeout(30000);
}

Thumbnailer::~Thumbnailer()
{
    for (auto& f : pending_)
        f.waitForFinished();
}

void Thumbnailer::start(const QStringList& paths, QSize box)
{
    for (auto& f : pending_) {
        f.cancel();
        f.waitForFinished();
    }
    pending_.clear();
    pending_.reserve(paths.size());
    for (const QString& path : paths) {
        pending_.push_back(
            QtConcurrent::run(&pool_, [this, path, box] { return cellPicture(pictures_, cache_, path, box); }));
    }
}

PictureResult Thumbnailer::take(int i)
{
    if (i < 0 || i >= int(pending_.size()))
        return PictureResult::failure(err::InvalidPicture, QStringLiteral("no such thumbnail"));
    QFuture<PictureResult>& f = pending_[i];
    f.waitForFinished();
    if (f.isCanceled() || f.resultCount() == 0)
        return PictureResult::failure(err::InvalidPicture, QStringLiteral("cancelled"));
    return f.result();
}

}  // namespace vu
