// Fills a page of thumbnails on threads of its own: each cell's picture comes from the desktop's
// shared thumbnail cache while an entry still describes the file, else it is decoded (a JPEG's
// embedded preview where it will do). The results are taken in cell order. The cache entries of
// what was decoded are written once the page's last picture has been taken, in the background,
// so that writing them never delays a picture; until they are written, a later page finds them
// in memory.
//
// A picture on a volume that stops answering (a hung network share, a link into one) holds its
// thread in the kernel for ever. The page's threads are therefore the program's own workers (see
// platform/blocking.h), never a pool's that other work waits for; a cell whose picture has not
// arrived after a while in which no cell arrived at all is given up on, another worker goes on
// with the cells after it, and the thread held is left behind.
#pragma once

#include "platform/blocking.h"
#include "platform/pictures.h"
#include "platform/thumbcache.h"

#include <QSize>
#include <QStringList>

#include <chrono>
#include <memory>

namespace vu {

class Thumbnailer {
public:
    // How long a page waits for a cell while no cell at all arrives: far longer than a healthy
    // disk or share needs for one picture, short enough for a user to wait once.
    static constexpr std::chrono::milliseconds Patience{5000};

    Thumbnailer(Pictures& pictures, ThumbnailCache& cache);
    // Lets the page begun finish (within the patience), then writes the entries not yet written.
    ~Thumbnailer();

    // Starts filling a cell of `box` (device pixels) for every path. Earlier work not yet taken
    // is dropped; the threads busy with it are not waited for.
    void start(const QStringList& paths, QSize box);
    int count() const;
    // The result of path i, waiting for it with the thread's installed waiter (the windows paint
    // meanwhile) as long as cells keep arriving. One not arrived after the patience without
    // progress fails with err::DeviceUnavailable; the next page tries it again. Take them in
    // order. Taking the last one starts writing the page's cache entries.
    PictureResult take(int i);
    // How many pictures decode at once.
    int threads() const { return threads_; }
    // For tests: a shorter patience.
    void setPatience(std::chrono::milliseconds patience) { patience_ = patience; }

private:
    struct Store;
    struct Page;
    // Starts one more worker on `page`: it takes the cells not yet begun, in order.
    void startWorker(const std::shared_ptr<Page>& page);

    std::shared_ptr<Store> store_;  // shared with the workers, which may outlive this object
    std::shared_ptr<Page> page_;
    int threads_ = 2;
    std::chrono::milliseconds patience_ = Patience;
};

}  // namespace vu
