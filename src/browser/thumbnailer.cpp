#include "thumbnailer.h"

#include <QtConcurrent/QtConcurrentRun>

namespace vu {

Thumbnailer::Thumbnailer(Pictures& pictures)
    : pictures_(pictures)
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
        pending_.push_back(QtConcurrent::run(&pool_, [this, path, box] { return pictures_.loadScaled(path, box); }));
    }
}

PictureResult Thumbnailer::take(int i)
{
    if (i < 0 || i >= int(pending_.size()))
        return {QImage(), err::InvalidPicture, QStringLiteral("no such thumbnail")};
    QFuture<PictureResult>& f = pending_[i];
    f.waitForFinished();
    if (f.isCanceled() || f.resultCount() == 0)
        return {QImage(), err::InvalidPicture, QStringLiteral("cancelled")};
    return f.result();
}

}  // namespace vu
