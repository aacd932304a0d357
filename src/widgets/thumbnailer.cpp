#include "thumbnailer.h"

#include <QThread>

#include <mutex>
#include <optional>
#include <vector>

namespace vu {

namespace {

bool sameFile(const ThumbnailKey& a, const ThumbnailKey& b)
{
    return a.uri == b.uri && a.mtime == b.mtime && a.size == b.size;
}

}  // namespace

// What the workers share with the page and with each other: the services and the cache entries
// decoded but not yet written.
struct Thumbnailer::Store {
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

    Store(Pictures& p, ThumbnailCache& c)
        : pictures(p)
        , cache(c)
    {
    }

    // One cell's picture stretched to `cell` (device pixels): from the entries not yet written,
    // from the cache, or decoded at the cache's entry size (its entry then waits to be written).
    // A file this program failed to read before, unchanged since, is not read again.
    PictureResult cellPicture(const QString& path, QSize cell);
    // The entry of `key` at `side` not yet written, if there is one.
    std::optional<Entry> unwritten(const ThumbnailKey& key, int side);
    // Marks every entry not yet queued as queued; their ids.
    std::vector<quint64> queueAll();
    void write(quint64 id);

    Pictures& pictures;
    ThumbnailCache& cache;
    std::mutex mutex;  // guards what follows
    std::vector<Entry> entries;
    quint64 lastId = 0;
    int writers = 0;  // workers writing entries
};

// One page: its paths, the results as they arrive, and the cell the next worker begins.
struct Thumbnailer::Page {
    Page(const QStringList& p, QSize b)
        : paths(p)
        , box(b)
        , results(p.size())
    {
    }
    // Read by the workers without the lock, so never changed (a non-const access to a shared list
    // copies it, and two threads copying at once tear it).
    const QStringList paths;
    const QSize box;
    std::mutex mutex;  // guards what follows
    std::vector<std::optional<PictureResult>> results;
    size_t next = 0;  // the first cell no worker has begun
    size_t arrived = 0;  // results the workers delivered: the page's progress
    int working = 0;  // workers not yet ended
    bool dropped = false;  // a later page began: take no more cells
};

PictureResult Thumbnailer::Store::cellPicture(const QString& path, QSize cell)
{
    const int side = thumbnailSide(cell);
    const ThumbnailKey key = cache.keyOf(path);
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
        cached.image = cache.find(key, side);
        if (!cached.image.isNull())
            return toCell(std::move(cached));
        if (cache.failedBefore(key))
            return failedBefore();
    }
    PictureResult r = pictures.loadFitted(path, QSize(side, side));
    // A file changed in the last seconds gets no entry, in the cache or here: a second change
    // within the same second would keep the key this one has.
    if (settledForEntry(key) && (r.ok() || r.error == err::InvalidPicture || r.error == err::OutOfMemory)) {
        std::lock_guard lock(mutex);
        std::erase_if(entries, [&](const Entry& e) { return e.key.uri == key.uri && !e.queued; });
        entries.push_back({++lastId, key, side, r.ok() ? r.image : QImage(), r.natural});
    }
    return toCell(std::move(r));
}

std::optional<Thumbnailer::Store::Entry> Thumbnailer::Store::unwritten(const ThumbnailKey& key, int side)
{
    std::lock_guard lock(mutex);
    for (const Entry& e : entries) {
        if (sameFile(e.key, key) && (e.thumbnail.isNull() || e.side >= side))
            return e;
    }
    return std::nullopt;
}

std::vector<quint64> Thumbnailer::Store::queueAll()
{
    std::lock_guard lock(mutex);
    std::vector<quint64> ids;
    for (Entry& e : entries) {
        if (!e.queued) {
            e.queued = true;
            ids.push_back(e.id);
        }
    }
    return ids;
}

void Thumbnailer::Store::write(quint64 id)
{
    std::optional<Entry> entry;
    {
        std::lock_guard lock(mutex);
        const auto e = std::find_if(entries.begin(), entries.end(), [&](const Entry& e) { return e.id == id; });
        if (e != entries.end())
            entry = *e;
    }
    if (!entry)
        return;
    if (entry->thumbnail.isNull())
        cache.storeFailure(entry->key);
    else
        cache.store(entry->key, entry->side, entry->thumbnail, entry->natural);
    // Written or not (a file changed too recently gets no entry), it is no longer waiting.
    std::lock_guard lock(mutex);
    std::erase_if(entries, [&](const Entry& e) { return e.id == id; });
}

Thumbnailer::Thumbnailer(Pictures& pictures, ThumbnailCache& cache)
    : store_(std::make_shared<Store>(pictures, cache))
    , threads_(std::max(2, QThread::idealThreadCount()))
{
}

Thumbnailer::~Thumbnailer()
{
    // The cells of a page left half drawn still get their entries, unless a volume holds them.
    if (const std::shared_ptr<Page> page = page_) {
        size_t seen = 0;
        for (;;) {
            blocking::waitFor(
                [&] {
                    std::lock_guard lock(page->mutex);
                    return page->working == 0 || page->arrived != seen;
                },
                blocking::Clock::now() + patience_);
            std::lock_guard lock(page->mutex);
            if (page->working == 0 || page->arrived == seen) {
                page->dropped = true;
                break;
            }
            seen = page->arrived;
        }
    }
    for (quint64 id : store_->queueAll())
        store_->write(id);
    const std::shared_ptr<Store> store = store_;
    blocking::waitFor(
        [&] {
            std::lock_guard lock(store->mutex);
            return store->writers == 0;
        },
        blocking::Clock::now() + blocking::VolumeDeadline);
}

int Thumbnailer::count() const
{
    return page_ ? int(page_->paths.size()) : 0;
}

void Thumbnailer::startWorker(const std::shared_ptr<Page>& page)
{
    {
        std::lock_guard lock(page->mutex);
        ++page->working;
    }
    blocking::startWorker([store = store_, page] {
        for (;;) {
            size_t i = 0;
            {
                std::lock_guard lock(page->mutex);
                if (page->dropped || page->next >= page->results.size()) {
                    --page->working;
                    break;
                }
                i = page->next++;
            }
            PictureResult r = store->cellPicture(page->paths.at(int(i)), page->box);
            {
                std::lock_guard lock(page->mutex);
                if (!page->results[i])  // else given up on: the page has gone on without it
                    page->results[i] = std::move(r);
                ++page->arrived;
            }
            blocking::workFinished();
        }
        blocking::workFinished();
    });
}

void Thumbnailer::start(const QStringList& paths, QSize box)
{
    if (page_) {
        std::lock_guard lock(page_->mutex);
        page_->dropped = true;
    }
    page_ = std::make_shared<Page>(paths, box);
    for (int k = 0; k < threads_ && k < paths.size(); ++k)
        startWorker(page_);
}

PictureResult Thumbnailer::take(int i)
{
    if (!page_ || i < 0 || i >= int(page_->results.size()))
        return PictureResult::failure(err::InvalidPicture, QStringLiteral("no such thumbnail"));
    const std::shared_ptr<Page> page = page_;
    const size_t cell = size_t(i);
    std::optional<PictureResult> result;
    size_t seen = 0;
    {
        std::lock_guard lock(page->mutex);
        seen = page->arrived;
    }
    // Waits as long as the page makes progress: a slow volume is waited for, one that has
    // stopped answering costs the patience once for each cell it holds.
    while (!result) {
        const blocking::Clock::time_point until = blocking::Clock::now() + patience_;
        blocking::waitFor(
            [&] {
                std::lock_guard lock(page->mutex);
                return page->results[cell].has_value() || page->arrived != seen;
            },
            until);
        bool begun = false;
        {
            std::lock_guard lock(page->mutex);
            if (page->results[cell]) {
                result = page->results[cell];
                break;
            }
            if (page->arrived != seen) {
                seen = page->arrived;
                continue;
            }
            // Nothing arrived in the patience (or the program is ending): give up on the cell.
            page->results[cell] = PictureResult::failure(
                err::DeviceUnavailable, page->paths.at(i), QStringLiteral("the volume did not answer in time"));
            result = page->results[cell];
            begun = cell < page->next;
        }
        // The worker held by the cell is left behind; another one goes on with the cells after it.
        if (begun && blocking::Clock::now() >= until)
            startWorker(page);
    }
    if (i == int(page->results.size()) - 1) {
        const std::vector<quint64> ids = store_->queueAll();
        if (!ids.empty()) {
            {
                std::lock_guard lock(store_->mutex);
                ++store_->writers;
            }
            blocking::startWorker([store = store_, ids] {
                for (quint64 id : ids)
                    store->write(id);
                {
                    std::lock_guard lock(store->mutex);
                    --store->writers;
                }
                blocking::workFinished();
            });
        }
    }
    return *result;
}

}  // namespace vu
