// The real file service, on POSIX calls.
#pragma once

#include "files.h"

#include <QMutex>

namespace vu {

class PosixFiles final : public Files {
public:
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
    // Reads the folder's entries; `allAnswered` is false where a link's target did not answer
    // in time (it is then listed as a file).
    FsStatus readDir(const QString& folder, std::vector<DirEntry>* out, bool* allAnswered);

    // The last folder read whole: the folder and file lists of one window read the same folder
    // one after the other, and again each time the window is activated.
    QMutex cacheMutex_;
    QString cachedFolder_;
    ListingMark cachedMark_;
    std::vector<DirEntry> cached_;
};

}  // namespace vu
