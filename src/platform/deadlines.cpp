#include "deadlines.h"
#include "paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QThread>

namespace vu {
namespace {

// Work on a relative path (the settings file, "drop.ico") happens in the working folder.
QString absolute(const QString& path)
{
    return path.startsWith(paths::Separator) ? path : paths::join(QDir::currentPath(), path);
}

// After a call under `path` did not answer: either its volume has stopped answering, or the path
// leads (through a link) to another that has. Asking the volume itself tells the two apart, so
// that one link into a hung share does not take its whole volume down with it; a volume that
// does not answer either is marked silent by the asking.
void askVolumeOf(Volumes& volumes, const QString& path)
{
    const QString root = volumes.rootOf(path);
    if (!root.isEmpty())
        volumes.isReady(root);
}

FsStatus notAnswering(const QString& path)
{
    return FsStatus::failure(err::DeviceUnavailable, path + QStringLiteral(": the drive does not answer"));
}

}  // namespace

bool onWindowThread()
{
    const QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

// ---- DeadlineFiles ----

DeadlineFiles::DeadlineFiles(Files& files, Volumes& volumes)
    : files_(files)
    , volumes_(volumes)
{
}

template <class T> T DeadlineFiles::bounded(const QString& path, T failed, std::function<T()> work)
{
    if (!onWindowThread())
        return work();
    const QString where = absolute(path);
    if (volumes_.silentAt(where))
        return failed;
    if (std::optional<T> answer = blocking::call<T>(blocking::VolumeDeadline, std::move(work)))
        return std::move(*answer);
    askVolumeOf(volumes_, where);
    return failed;
}

FsStatus DeadlineFiles::readRecord(const QString& path, qsizetype size, QByteArray* out)
{
    // The worker fills a record of its own: one that answers too late must not write into the
    // caller's, long gone by then.
    using Read = std::pair<FsStatus, QByteArray>;
    Read r = bounded<Read>(path, {notAnswering(path), QByteArray()}, [f = &files_, path, size] {
        Read read;
        read.first = f->readRecord(path, size, &read.second);
        return read;
    });
    *out = std::move(r.second);
    return r.first;
}

FsStatus DeadlineFiles::writeRecord(const QString& path, const QByteArray& record)
{
    return bounded<FsStatus>(
        path, notAnswering(path), [f = &files_, path, record] { return f->writeRecord(path, record); });
}

FsStatus DeadlineFiles::copyFile(const QString& from, const QString& to, Replace mode, CopyRecord* record)
{
    return files_.copyFile(from, to, mode, record);
}

FsStatus DeadlineFiles::removeFile(const QString& path)
{
    return files_.removeFile(path);
}

FsStatus DeadlineFiles::removeIfUnchanged(const QString& path, const FileIdentity& expected)
{
    return files_.removeIfUnchanged(path, expected);
}

FsStatus DeadlineFiles::renameFile(const QString& from, const QString& to)
{
    return files_.renameFile(from, to);
}

FsStatus DeadlineFiles::syncFolder(const QString& folder)
{
    return files_.syncFolder(folder);
}

FsStatus DeadlineFiles::moveToTrash(const QString& path, TrashedFile* where)
{
    return files_.moveToTrash(path, where);
}

FsStatus DeadlineFiles::restoreFromTrash(
    const TrashedFile& trashed, const QString& original, const FileIdentity& expected)
{
    return files_.restoreFromTrash(trashed, original, expected);
}

std::optional<QDateTime> DeadlineFiles::modified(const QString& path)
{
    return bounded<std::optional<QDateTime>>(path, std::nullopt, [f = &files_, path] { return f->modified(path); });
}

std::optional<int> DeadlineFiles::attributes(const QString& path)
{
    return bounded<std::optional<int>>(path, std::nullopt, [f = &files_, path] { return f->attributes(path); });
}

FsStatus DeadlineFiles::checkChangeable(const QString& path)
{
    return bounded<FsStatus>(path, notAnswering(path), [f = &files_, path] { return f->checkChangeable(path); });
}

std::optional<FileIdentity> DeadlineFiles::identity(const QString& path)
{
    return bounded<std::optional<FileIdentity>>(path, std::nullopt, [f = &files_, path] { return f->identity(path); });
}

std::optional<FileIdentity> DeadlineFiles::entryIdentity(const QString& path)
{
    return bounded<std::optional<FileIdentity>>(
        path, std::nullopt, [f = &files_, path] { return f->entryIdentity(path); });
}

std::optional<bool> DeadlineFiles::sameContents(const QString& a, const QString& b)
{
    if (onWindowThread() && volumes_.silentAt(absolute(b)))
        return std::nullopt;
    return bounded<std::optional<bool>>(a, std::nullopt, [f = &files_, a, b] { return f->sameContents(a, b); });
}

bool DeadlineFiles::exists(const QString& path)
{
    return bounded<bool>(path, false, [f = &files_, path] { return f->exists(path); });
}

bool DeadlineFiles::isDir(const QString& path)
{
    return bounded<bool>(path, false, [f = &files_, path] { return f->isDir(path); });
}

bool DeadlineFiles::sameEntry(const QString& a, const QString& b)
{
    if (onWindowThread() && volumes_.silentAt(absolute(b)))
        return false;
    return bounded<bool>(a, false, [f = &files_, a, b] { return f->sameEntry(a, b); });
}

FsStatus DeadlineFiles::listDir(const QString& folder, std::vector<DirEntry>* out, Listing which)
{
    using Read = std::pair<FsStatus, std::vector<DirEntry>>;
    Read r = bounded<Read>(folder, {notAnswering(folder), {}}, [f = &files_, folder, which] {
        Read read;
        read.first = f->listDir(folder, &read.second, which);
        return read;
    });
    *out = std::move(r.second);
    return r.first;
}

std::optional<FolderStamp> DeadlineFiles::folderStamp(const QString& folder)
{
    return bounded<std::optional<FolderStamp>>(
        folder, std::nullopt, [f = &files_, folder] { return f->folderStamp(folder); });
}

// ---- DeadlinePictures ----

DeadlinePictures::DeadlinePictures(Pictures& pictures, Volumes& volumes)
    : pictures_(pictures)
    , volumes_(volumes)
{
}

PictureResult DeadlinePictures::bounded(const QString& path, std::function<PictureResult()> work)
{
    const QString where = absolute(path);
    if (volumes_.silentAt(where))
        return PictureResult::failure(err::DeviceUnavailable, path + QStringLiteral(": the drive does not answer"));
    if (std::optional<PictureResult> answer = blocking::call<PictureResult>(PictureDeadline, std::move(work)))
        return std::move(*answer);
    askVolumeOf(volumes_, where);
    return PictureResult::failure(err::DeviceUnavailable, path + QStringLiteral(": the drive does not answer"));
}

std::optional<QSize> DeadlinePictures::naturalSize(const QString& path)
{
    const QString where = absolute(path);
    if (volumes_.silentAt(where))
        return std::nullopt;
    if (auto answer = blocking::call<std::optional<QSize>>(
            blocking::VolumeDeadline, [p = &pictures_, path] { return p->naturalSize(path); }))
        return *answer;
    askVolumeOf(volumes_, where);
    return std::nullopt;
}

PictureResult DeadlinePictures::load(const QString& path)
{
    return bounded(path, [p = &pictures_, path] { return p->load(path); });
}

PictureResult DeadlinePictures::loadScaled(const QString& path, QSize box)
{
    return bounded(path, [p = &pictures_, path, box] { return p->loadScaled(path, box); });
}

PictureResult DeadlinePictures::loadFitted(const QString& path, QSize bound)
{
    return bounded(path, [p = &pictures_, path, bound] { return p->loadFitted(path, bound); });
}

PictureResult DeadlinePictures::loadFirstView(const QString& path, const QImage& thumbnail)
{
    return bounded(path, [p = &pictures_, path, thumbnail] { return p->loadFirstView(path, thumbnail); });
}

}  // namespace vu
