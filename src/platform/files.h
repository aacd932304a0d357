// File service: everything the program does to files and folders goes through here, so that
// tests can inject failures and the rules (temporary names, kept times) live in one place.
#pragma once

#include "fsstatus.h"

#include <QByteArray>
#include <QDateTime>
#include <QMutex>
#include <QString>

class QFile;

#include <optional>
#include <vector>

namespace vu {

struct DirEntry {
    QString name;
    bool isDir = false;  // a folder (or a link to one); otherwise a regular file or a link to one
};

// Which entries a listing wants.
enum class Listing { All, FoldersOnly };

// What identifies a folder's list of entries at one moment: any entry added, removed or renamed
// changes its modification or change time.
struct FolderStamp {
    quint64 device = 0, inode = 0;
    qint64 modifiedNs = 0, changedNs = 0;
    bool operator==(const FolderStamp&) const = default;
};
// Whether a listing of a folder read at `readAtNs` (wall clock) with stamp `then` still holds now
// that the folder's stamp is `now`. File systems with coarse times may not change the stamp
// for a change made in the same tick, so only listings read well after the last change count.
bool listingStillHolds(const FolderStamp& then, qint64 readAtNs, const std::optional<FolderStamp>& now);
qint64 wallClockNs();

// When a folder's entries were read: its stamp just before the read and the wall-clock time of
// the read. Every listing the program keeps (the file service's last folder, the folder list,
// the file listing) asks this one mark whether it still holds.
struct ListingMark {
    FolderStamp stamp;
    qint64 readAtNs = 0;
    // A read starting now, of a folder whose stamp was `stamp` (none: the folder was not there).
    static ListingMark startingNow(const std::optional<FolderStamp>& stamp)
    {
        return {stamp.value_or(FolderStamp{}), wallClockNs()};
    }
    // Whether the entries read then are still the folder's now that its stamp is `now`.
    bool holds(const std::optional<FolderStamp>& now) const { return listingStillHolds(stamp, readAtNs, now); }
};

// What tells one state of a file's content from another: the file (device and inode) and its
// size and modification time. A file saved again or replaced under its name has another.
struct FileIdentity {
    quint64 device = 0, inode = 0;
    qint64 size = -1;  // -1: not known
    qint64 modifiedNs = 0;
    bool known() const { return size >= 0; }
    bool operator==(const FileIdentity&) const = default;
};

// What a copy read and what it made.
struct CopyRecord {
    FileIdentity source;  // the source as it was when opened for reading
    FileIdentity copy;  // the finished copy
};

// Where a file went in the desktop's trash.
struct TrashedFile {
    QString entry;  // the file itself, in the trash's "files" folder
    QString info;  // its description in the trash's "info" folder ("name.trashinfo")
    bool isEmpty() const { return entry.isEmpty(); }
    bool operator==(const TrashedFile&) const = default;
};

// The home trash, where files of the volume holding the user's data folder go:
// $XDG_DATA_HOME/Trash, or ~/.local/share/Trash.
QString homeTrashFolder();
// The text of a trash's description of a file: its original place `path` (the bytes the
// system names it by: absolute, or relative to the top of the trash's volume) percent-encoded
// as in a URL, "/" kept, and the local time of the deletion, to the second.
QByteArray trashInfoText(const QByteArray& path, const QDateTime& deletedAt);

// Opens a file the program did not create, for reading, without ever waiting: a pipe, device,
// socket or folder in its place is refused with err::NotRegularFile instead of being opened for
// real. On success `file` is open on it and `identity` (if given) says which file it was.
FsStatus openForReading(const QString& path, QFile* file, FileIdentity* identity = nullptr);

// Attribute flags as the program reports them.
namespace attr {
constexpr int ReadOnly = 1;
constexpr int Hidden = 2;
constexpr int System = 4;
constexpr int Directory = 16;
constexpr int Archive = 32;
}  // namespace attr

enum class Replace {
    Overwrite,  // an existing file of the target name is replaced (only once the copy is complete)
    Never,  // an existing entry of the target name makes the copy fail with err::FileExists
};

class Files {
public:
    virtual ~Files() = default;

    // Record access: reads at most `size` bytes from the start of the file (creating it empty
    // when missing). A short file gives fewer bytes; anything but a regular file (a pipe, a
    // device) is refused with err::NotRegularFile without being read.
    virtual FsStatus readRecord(const QString& path, qsizetype size, QByteArray* out) = 0;
    // Replaces the first record.size() bytes of the file, keeping any bytes after them. The file
    // is rewritten under a temporary name and renamed into place, so it is never left torn; a
    // name that leads to anything but a regular file is left alone (err::NotRegularFile).
    virtual FsStatus writeRecord(const QString& path, const QByteArray& record) = 0;

    // Copies a regular file. The data goes to a temporary file in the target folder that only
    // takes the target name once complete; the copy keeps the source's modification time. A
    // source that is not a regular file is refused unread (err::NotRegularFile); a target that
    // is, or leads to, the source itself is left alone (err::SameFile). `record`, if given,
    // learns which file was read and which was made.
    virtual FsStatus copyFile(const QString& from, const QString& to, Replace mode, CopyRecord* record = nullptr) = 0;
    // Removes a file (or link, not what it leads to); never a folder.
    virtual FsStatus removeFile(const QString& path) = 0;
    // Removes the file at `path` only while it is still the one `expected` describes (the source
    // a copy read); otherwise fails with err::SourceChanged.
    virtual FsStatus removeIfUnchanged(const QString& path, const FileIdentity& expected) = 0;
    // Renames within the file system; never replaces an existing entry.
    virtual FsStatus renameFile(const QString& from, const QString& to) = 0;
    // Flushes what was written to the file system holding `folder` to the disk.
    virtual FsStatus syncFolder(const QString& folder) = 0;

    // Moves a file (or link, not what it leads to) into the desktop's trash of its volume, the
    // way desktop file managers do, so that they can put it back: the home trash for the volume
    // of the user's data folder; on any other volume "$top/.Trash/$uid" (where the volume's
    // administrator made a shared ".Trash" folder) or else "$top/.Trash-$uid", made when missing.
    // Nothing in a trash is ever replaced: a name already there gets a number. Fails with
    // err::NoTrash when no trash of the file's volume can be used or made.
    virtual FsStatus moveToTrash(const QString& path, TrashedFile* where) = 0;
    // Puts a file back from the trash under the name `original`, only while the file in the
    // trash is still `expected` and nothing holds that name; its description is removed.
    virtual FsStatus restoreFromTrash(const TrashedFile& trashed, const QString& original, const FileIdentity& expected)
        = 0;

    virtual std::optional<QDateTime> modified(const QString& path) = 0;
    // The attribute flags. A file is read-only (attr::ReadOnly) when the permission bits of the
    // class the user belongs to (owner, one of the user's groups, others) forbid writing it, its
    // file system is mounted read-only, or it is marked unchangeable.
    virtual std::optional<int> attributes(const QString& path) = 0;
    // Whether the file may be deleted or moved: success, or why not (err::ReadOnlyFile,
    // err::ReadOnlyVolume, err::Immutable, err::FileNotFound, ...). Agrees with attr::ReadOnly.
    virtual FsStatus checkChangeable(const QString& path) = 0;
    // Which file `path` names now (through links), if any.
    virtual std::optional<FileIdentity> identity(const QString& path) = 0;
    virtual bool exists(const QString& path) = 0;
    virtual bool isDir(const QString& path) = 0;
    // Whether two paths name one and the same file or folder (through links, say).
    virtual bool sameEntry(const QString& a, const QString& b) = 0;
    // Names of a folder's entries (files and folders, not "." and ".."), unsorted. Entries whose
    // names cannot be represented as text, and links that lead nowhere, are left out.
    virtual FsStatus listDir(const QString& folder, std::vector<DirEntry>* out, Listing which = Listing::All) = 0;
    virtual std::optional<FolderStamp> folderStamp(const QString& folder) = 0;
};

// The real service, on POSIX calls.
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
