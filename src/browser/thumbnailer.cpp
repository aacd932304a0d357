#include "thumbnailer.h"

#include <QtConcurrent/QtConcurrentRun>
#include <QtConcurrent/qtconcurrenttask.h>

namespace vu {

namespace {

// Decoding a page's pictures goes before writing the entries of an earlier one.
constexpr int WritingPriority = -1;

bool sameFile(const ThumbnailKey& a, const ThumbnailKey& b)
{
    return a.uri == b.uri && a.mtime == b.mtime && a.size == b.size;
}

}  // namespace

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
    writeEntries();
    pool_.waitForDone();
}

PictureResult Thumbnailer::cellPicture(const QString& path, QSize cell)
{
    const int side = thumbnailSide(cell);
    const ThumbnailKey key = cache_.keyOf(path);
    auto toCell = [&](PictureResult r) {
        if (r.ok() && r.image.size() != cell)
            r.image = r.image.scaled(cell, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        return r;
    };
    auto failedBefore
        = [&] { return PictureResult::failure(err::InvalidPicture, path, QStringLiteral("could not be read before")); };
    if (key.valid()) {
        if (const std::optional<Entry> entry = unwritten(key, side)) {
            if (entry->thumbnail.isNull())
                return failedBefore();
            PictureResult r;
            r.image = entry->thumbnail;
            return toCell(std::move(r));
        }
        PictureResult cached;
        cached.image = cache_.find(key, side);
        if (!cached.image.isNull())
            return toCell(std::move(cached));
        if (cache_.failedBefore(key))
            return failedBefore();
    }
    PictureResult r = pictures_.loadFitted(path, QSize(side, side));
    // A file changed in the last seconds gets no entry, in the cache or here: a second change
    // within the same second would keep the key this one has.
    if (settledForEntry(key) && (r.ok() || r.error == err::InvalidPicture || r.error == err::OutOfMemory)) {
        QMutexLocker lock(&mutex_);
        std::erase_if(entries_, [&](const Entry& e) { return e.key.uri == key.uri && !e.queued; });
        entries_.push_back({++lastId_, key, side, r.ok() ? r.image : QImage(), r.natural});
    }
    return toCell(std::move(r));
}

std::optional<Thumbnailer::Entry> Thumbnailer::unwritten(const ThumbnailKey& key, int side)
{
    QMutexLocker lock(&mutex_);
    for (const Entry& e : entries_) {
        if (sameFile(e.key, key) && (e.thumbnail.isNull() || e.side >= side))
            return e;
    }
    return std::nullopt;
}

void Thumbnailer::writeEntries()
{
    QMutexLocker lock(&mutex_);
    for (Entry& e : entries_) {
        if (e.queued)
            continue;
        e.queued = true;
        QtConcurrent::task([this, id = e.id] { write(id); })
            .onThreadPool(pool_)
            .withPriority(WritingPriority)
            .spawn(QtConcurrent::FutureResult::Ignore);
    }
}

void Thumbnailer::write(quint64 id)
{
    std::optional<Entry> entry;
    {
        QMutexLocker lock(&mutex_);
        const auto e = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.id == id; });
        if (e != entries_.end())
            entry = *e;
    }
    if (!entry)
        return;
    if (entry->thumbnail.isNull())
        cache_.storeFailure(entry->key);
    else
        cache_.store(entry->key, entry->side, entry->thumbnail, entry->natural);
    // Written or not (a file changed too recently gets no entry), it is no longer waiting.
    QMutexLocker lock(&mutex_);
    std::erase_if(entries_, [&](const Entry& e) { return e.id == id; });
}

void Thumbnailer::start(const QStringList& paths, QSize box)
{
    for (auto& f : pending_) {
        f.cancel();
        f.waitForFinished();
    }
    pending_.clear();
    pending_.reserve(paths.size());
    for (const QString& path : paths)
        pending_.push_back(QtConcurrent::run(&pool_, [this, path, box] { return cellPicture(path, box); }));
}

PictureResult Thumbnailer::take(int i)
{
    if (i < 0 || i >= int(pending_.size()))
        return PictureResult::failure(err::InvalidPicture, QStringLiteral("no such thumbnail"));
    QFuture<PictureResult>& f = pending_[i];
    f.waitForFinished();
    if (i == int(pending_.size()) - 1)
        writeEntries();
    if (f.isCanceled() || f.resultCount() == 0)
        return PictureResult::failure(err::InvalidPicture, QStringLiteral("cancelled"));
    return f.result();
}

}  // namespace vu
