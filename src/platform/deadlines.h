// The file and picture services as the windows use them: what may block on a volume runs on a
// thread of its own and is waited for at most a deadline (see blocking.h), so that a volume
// which stops answering (a hung network share) never stops the windows. A call that has not
// answered in time fails as on a volume that is not ready, and the volume is asked whether it
// answers at all: one that does not is treated as not ready from then on (see Volumes), and
// work on it fails at once, without waiting for it again.
#pragma once

#include "blocking.h"
#include "files.h"
#include "pictures.h"
#include "volumes.h"

namespace vu {

// How long a whole picture may take: decoding the largest one the program admits (about 130
// megapixels) from a slow card takes some seconds, and the windows paint meanwhile.
inline constexpr std::chrono::milliseconds PictureDeadline{20000};

// Whether the calling thread is the one the windows live on.
bool onWindowThread();

// The file service with deadlines. On the windows' thread, the record, listing and metadata
// calls wait at most blocking::VolumeDeadline; a call that did not answer fails with
// err::DeviceUnavailable (or answers "no such file"). Calls from other threads, and the calls
// that move data (copy, remove, rename, sync, the trash), go straight to the service: the file
// engine bounds its own runs.
class DeadlineFiles final : public Files {
public:
    DeadlineFiles(Files& files, Volumes& volumes);

    FsStatus readRecord(const QString& path, qsizetype size, QByteArray* out) override;
    FsStatus writeRecord(const QString& path, const QByteArray& record) override;
    FsStatus copyFile(const QString& from, const QString& to, Replace mode, CopyRecord* record = nullptr) override;
    FsStatus removeFile(const QString& path) override;
    FsStatus removeIfUnchanged(const QString& path, const FileIdentity& expected) override;
    FsStatus renameFile(const QString& from, const QString& to) override;
    FsStatus syncFolder(const QString& folder) override;
    FsStatus moveToTrash(const QString& path, TrashedFile* where) override;
    FsStatus restoreFromTrash(
        const TrashedFile& trashed, const QString& original, const FileIdentity& expected) override;
    std::optional<QDateTime> modified(const QString& path) override;
    std::optional<int> attributes(const QString& path) override;
    FsStatus checkChangeable(const QString& path) override;
    std::optional<FileIdentity> identity(const QString& path) override;
    std::optional<FileIdentity> entryIdentity(const QString& path) override;
    std::optional<bool> sameContents(const QString& a, const QString& b) override;
    bool exists(const QString& path) override;
    bool isDir(const QString& path) override;
    bool sameEntry(const QString& a, const QString& b) override;
    FsStatus listDir(const QString& folder, std::vector<DirEntry>* out, Listing which = Listing::All) override;
    std::optional<FolderStamp> folderStamp(const QString& folder) override;

private:
    // `work`'s answer, or `failed` when `path`'s volume does not answer.
    template <class T> T bounded(const QString& path, T failed, std::function<T()> work);

    Files& files_;
    Volumes& volumes_;
};

// The picture service with deadlines, on every thread: a picture waits at most PictureDeadline,
// a picture's size blocking::VolumeDeadline, and one that did not arrive fails with
// err::DeviceUnavailable. No thread of the program but a left-behind worker ever waits for a
// picture on a volume that stopped answering: the windows' decoding threads end, and so does
// the program.
class DeadlinePictures final : public Pictures {
public:
    DeadlinePictures(Pictures& pictures, Volumes& volumes);

    std::optional<QSize> naturalSize(const QString& path) override;
    PictureResult load(const QString& path) override;
    PictureResult loadScaled(const QString& path, QSize box) override;
    PictureResult loadFitted(const QString& path, QSize bound) override;
    PictureResult loadFirstView(const QString& path, const QImage& thumbnail) override;

private:
    PictureResult bounded(const QString& path, std::function<PictureResult()> work);

    Pictures& pictures_;
    Volumes& volumes_;
};

}  // namespace vu
