#include "blocking.h"
#include "files.h"
#include "paths.h"
#include "posix.h"
#include "volumes.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <time.h>
#include <unistd.h>

namespace vu {

using posix::Fd;
using posix::identityOf;
using posix::renameNoReplace;

namespace posix {

FileIdentity identityOf(const struct stat& st)
{
    return {quint64(st.st_dev), quint64(st.st_ino), qint64(st.st_size),
        qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

int renameNoReplace(const char* from, const char* to)
{
    if (::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
        return errno;
    // The file system cannot rename exclusively: a hard link is exclusive too.
    if (::link(from, to) == 0) {
        ::unlink(from);
        return 0;
    }
    if (errno == EEXIST)
        return EEXIST;
    struct stat st;
    if (::lstat(to, &st) == 0)
        return EEXIST;
    return ::rename(from, to) == 0 ? 0 : errno;
}

}  // namespace posix

namespace {

FsStatus badName(const QString& path)
{
    return FsStatus::failure(err::BadFileName, path + QStringLiteral(": invalid file name"));
}

FsStatus notRegular(const QString& path)
{
    return FsStatus::failure(err::NotRegularFile, path + QStringLiteral(": not a regular file, left as it is"));
}

// What an entry that only its target can tell (a link) turns out to be.
enum class EntryKind { Gone, File, Folder, Other, NotAnswering };

// How long the target of one link may take to answer while its folder is listed: a link into a
// volume that stopped answering must not hold the listing of a folder that answers.
constexpr std::chrono::milliseconds LinkPatience = blocking::VolumeDeadline / 3;

EntryKind kindOf(const QByteArray& path)
{
    struct stat st;
    if (::stat(path.constData(), &st) != 0)
        return EntryKind::Gone;
    if (S_ISDIR(st.st_mode))
        return EntryKind::Folder;
    return S_ISREG(st.st_mode) ? EntryKind::File : EntryKind::Other;
}

// The volume a link leads to, by the link's text alone (read on the link's own volume, which is
// the folder's): the mount point above the place it names. Empty where that cannot be told.
QString volumeNamedBy(const QString& folder, const QByteArray& link, const QList<MountEntry>& mounts)
{
    char target[PATH_MAX];
    const ssize_t n = ::readlink(link.constData(), target, sizeof target - 1);
    if (n <= 0)
        return QString();
    target[n] = 0;
    QString named;
    if (!paths::fromNative(target, &named))
        return QString();
    if (!named.startsWith(paths::Separator))
        named = paths::join(folder, named);
    return mountPointOf(QDir::cleanPath(named), mounts);
}

// Follows the entries of `folder` at `paths` (full paths; `links` tells the links among them),
// in turn, each given LinkPatience. When a link does not answer, the links after it that lead to
// the same volume (by their text) are not followed at all: many links into one hung share cost
// one wait, not one each.
std::vector<EntryKind> followEntries(const QString& folder, const QList<QByteArray>& paths, const QList<bool>& links)
{
    const QList<MountEntry> mounts = readMountTable();
    QStringList volumes;
    for (qsizetype i = 0; i < paths.size(); ++i)
        volumes << (links[i] ? volumeNamedBy(folder, paths[i], mounts) : QString());
    struct Silent {
        std::mutex mutex;
        QSet<QString> volumes;
    };
    auto silent = std::make_shared<Silent>();
    const std::vector<std::optional<EntryKind>> kinds = blocking::callInTurn<EntryKind>(
        LinkPatience, size_t(paths.size()),
        [paths, volumes, silent](size_t i) {
            {
                std::lock_guard lock(silent->mutex);
                if (!volumes[qsizetype(i)].isEmpty() && silent->volumes.contains(volumes[qsizetype(i)]))
                    return EntryKind::NotAnswering;
            }
            return kindOf(paths[qsizetype(i)]);
        },
        [&](size_t i) {
            std::lock_guard lock(silent->mutex);
            silent->volumes.insert(volumes[qsizetype(i)]);
        });
    std::vector<EntryKind> out;
    out.reserve(kinds.size());
    for (const std::optional<EntryKind>& k : kinds)
        out.push_back(k.value_or(EntryKind::NotAnswering));
    return out;
}

// Opens a file the program did not create for reading. Its kind is asked first, so that a device
// is never opened at all (opening one can do things of its own); the open does not wait, so a
// pipe that has taken the file's place since cannot hold the program, and what was opened is
// checked again.
FsStatus openRegular(const QByteArray& native, const QString& path, Fd* fd, struct stat* st)
{
    if (::stat(native.constData(), st) != 0)
        return FsStatus::fromErrno(errno, path);
    if (!S_ISREG(st->st_mode))
        return notRegular(path);
    fd->reset(::open(native.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!fd->valid())
        return FsStatus::fromErrno(errno, path);
    if (::fstat(fd->get(), st) != 0)
        return FsStatus::fromErrno(errno, path);
    if (!S_ISREG(st->st_mode)) {
        fd->reset();
        return notRegular(path);
    }
    return FsStatus::success();
}

// Whether the user belongs to group `gid`, as the effective or as a supplementary group.
bool inGroup(gid_t gid)
{
    if (::getegid() == gid)
        return true;
    const int count = ::getgroups(0, nullptr);
    if (count <= 0)
        return false;
    std::vector<gid_t> groups(static_cast<size_t>(count));
    const int n = ::getgroups(count, groups.data());
    return n > 0 && std::find(groups.begin(), groups.begin() + n, gid) != groups.begin() + n;
}

// Why the file may not be changed (deleted, moved, written), or 0. The superuser's power to write
// anyway does not make a file writable in this sense.
int readOnlyReason(const QString& path, const QByteArray& native, const struct stat& st)
{
    struct statvfs vfs;
    if (::statvfs(native.constData(), &vfs) == 0 && (vfs.f_flag & ST_RDONLY))
        return err::ReadOnlyVolume;
    if ((S_ISREG(st.st_mode) || S_ISDIR(st.st_mode)) && markedUnchangeable(path, true))
        return err::Immutable;
    mode_t writeBit = S_IWOTH;
    if (::geteuid() == st.st_uid)
        writeBit = S_IWUSR;
    else if (inGroup(st.st_gid))
        writeBit = S_IWGRP;
    return st.st_mode & writeBit ? 0 : err::ReadOnlyFile;
}

bool writeAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= size_t(n);
    }
    return true;
}

bool readAll(int fd, QByteArray* out, qsizetype limit)
{
    out->clear();
    char buffer[65536];
    while (limit < 0 || out->size() < limit) {
        size_t want = sizeof buffer;
        if (limit >= 0)
            want = std::min<size_t>(want, size_t(limit - out->size()));
        const ssize_t n = ::read(fd, buffer, want);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0)
            break;
        out->append(buffer, n);
    }
    return true;
}

// Copies the whole of `in` into `out`, in kernel space where the file systems allow it.
bool copyData(int in, int out)
{
    bool kernelCopy = true;
    for (;;) {
        if (kernelCopy) {
            const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, size_t(1) << 30, 0);
            if (n > 0)
                continue;
            if (n == 0)
                return true;
            if (errno == EINTR)
                continue;
            if (errno == EXDEV || errno == ENOSYS || errno == EOPNOTSUPP || errno == EINVAL || errno == EBADF) {
                kernelCopy = false;  // fall back to plain reads and writes from where we are
                continue;
            }
            return false;
        }
        char buffer[1 << 16];
        const ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0)
            return true;
        if (!writeAll(out, buffer, size_t(n)))
            return false;
    }
}

QByteArray randomSuffix()
{
    return QByteArray::number(QRandomGenerator::global()->generate64(), 36);
}

// A hidden name in `folder` for work in progress; the file lists never show dot files.
QByteArray temporaryName(const QByteArray& folder, const QByteArray& base)
{
    QByteArray name = folder;
    if (!name.endsWith('/'))
        name += '/';
    return name + ".vutara-" + base.left(40) + '.' + randomSuffix() + ".tmp";
}

}  // namespace

FsStatus PosixFiles::readRecord(const QString& path, qsizetype size, QByteArray* out)
{
    out->clear();
    QByteArray native;
    if (!paths::toNative(path, &native))
        return badName(path);
    // Opened for reading only: a pipe opened for reading and writing has the program as its own
    // writer, and its read would wait for ever.
    Fd fd;
    struct stat st;
    const FsStatus opened = openRegular(native, path, &fd, &st);
    if (opened.error == err::FileNotFound) {
        // Record access creates a missing file, empty; never over anything made meanwhile.
        Fd made(::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC, 0666));
        if (!made.valid() && errno != EEXIST)
            return FsStatus::fromErrno(errno, path);
        return FsStatus::success();
    }
    if (!opened.ok())
        return opened;
    if (!readAll(fd.get(), out, size))
        return FsStatus::fromErrno(errno, path);
    return FsStatus::success();
}

FsStatus PosixFiles::writeRecord(const QString& path, const QByteArray& record)
{
    QByteArray native;
    if (!paths::toNative(path, &native))
        return badName(path);
    // Write through a link to the file it names, rather than replacing the link.
    if (char* real = ::realpath(native.constData(), nullptr)) {
        native = real;
        ::free(real);
    }

    QByteArray content = record;
    mode_t mode = 0644;
    {
        // Only a regular file is ever replaced: a name that leads to a device, a pipe or a folder
        // is left as it is.
        Fd old;
        struct stat st;
        const FsStatus opened = openRegular(native, path, &old, &st);
        if (opened.ok()) {
            mode = st.st_mode & 07777;
            QByteArray existing;
            if (!readAll(old.get(), &existing, -1))
                return FsStatus::fromErrno(errno, path);
            if (existing.size() > record.size())
                content += existing.mid(record.size());
        } else if (opened.error != err::FileNotFound) {
            return opened;
        }
    }

    const qsizetype slash = native.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArray(".") : native.left(std::max<qsizetype>(slash, 1));
    const QByteArray base = slash < 0 ? native : native.mid(slash + 1);
    const QByteArray temp = temporaryName(folder, base);
    Fd fd(::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (!fd.valid())
        return FsStatus::fromErrno(errno, path);
    const bool written = writeAll(fd.get(), content.constData(), size_t(content.size()))
        && ::fchmod(fd.get(), mode) == 0 && ::fsync(fd.get()) == 0;
    const int writeErrno = errno;
    fd.reset();
    if (!written || ::rename(temp.constData(), native.constData()) != 0) {
        const int e = written ? errno : writeErrno;
        ::unlink(temp.constData());
        return FsStatus::fromErrno(e, path);
    }
    return FsStatus::success();
}

FsStatus PosixFiles::copyFile(const QString& from, const QString& to, Replace mode, CopyRecord* record)
{
    QByteArray src, dst;
    if (!paths::toNative(from, &src))
        return badName(from);
    if (!paths::toNative(to, &dst))
        return badName(to);

    Fd in;
    struct stat st;
    if (FsStatus s = openRegular(src, from, &in, &st); !s.ok())
        return s;

    // The target name may lead to the source itself (a link to it, the folder reached through a
    // link): "copying" would do nothing, and a move would then delete the only copy.
    struct stat target;
    if (::stat(dst.constData(), &target) == 0) {
        if (target.st_dev == st.st_dev && target.st_ino == st.st_ino)
            return FsStatus::failure(err::SameFile, to + QStringLiteral(": the source itself"));
        if (mode == Replace::Never)
            return FsStatus::fromErrno(EEXIST, to);
        if (S_ISDIR(target.st_mode))
            return FsStatus::fromErrno(EISDIR, to);
        if (!S_ISREG(target.st_mode))
            return notRegular(to);
    }

    const qsizetype slash = dst.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArray(".") : dst.left(std::max<qsizetype>(slash, 1));
    const QByteArray base = slash < 0 ? dst : dst.mid(slash + 1);

    // An unnamed file disappears by itself if we fail or crash; a named one needs cleaning up.
    bool unnamed = true;
    QByteArray temp;
    Fd out(::open(folder.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600));
    if (!out.valid()) {
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL && errno != ENOENT)
            return FsStatus::fromErrno(errno, to);
        if (errno == ENOENT)  // the target folder is not there (any more)
            return FsStatus::failure(err::PathNotFound, to + QStringLiteral(": no such folder"));
        unnamed = false;
        temp = temporaryName(folder, base);
        out.reset(::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
        if (!out.valid())
            return FsStatus::fromErrno(errno, to);
    }
    auto fail = [&](int e) {
        out.reset();
        if (!unnamed)
            ::unlink(temp.constData());
        return FsStatus::fromErrno(e, to);
    };

    if (!copyData(in.get(), out.get()))
        return fail(errno);
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    if (::fchmod(out.get(), st.st_mode & 0777) != 0 || ::futimens(out.get(), times) != 0)
        return fail(errno);
    if (record) {
        struct stat made;
        if (::fstat(out.get(), &made) != 0)
            return fail(errno);
        record->source = identityOf(st);
        record->copy = identityOf(made);
    }

    if (unnamed) {
        // The finished file gets its first name. A link never replaces anything, so a copy that
        // must not replace takes the target name at once; one that may replace gets a hidden name
        // first and is then renamed over the target.
        const QByteArray proc = "/proc/self/fd/" + QByteArray::number(out.get());
        temp = mode == Replace::Never ? dst : temporaryName(folder, base);
        if (::linkat(AT_FDCWD, proc.constData(), AT_FDCWD, temp.constData(), AT_SYMLINK_FOLLOW) != 0)
            return fail(errno);
        unnamed = false;
    }
    if (::close(out.get()) != 0) {
        const int e = errno;
        out.reset();  // the descriptor is gone either way
        ::unlink(temp.constData());
        return FsStatus::fromErrno(e, to);
    }
    out.release();  // already closed
    if (temp == dst)
        return FsStatus::success();
    const int e = mode == Replace::Never ? renameNoReplace(temp.constData(), dst.constData())
                                         : (::rename(temp.constData(), dst.constData()) == 0 ? 0 : errno);
    if (e != 0) {
        ::unlink(temp.constData());
        return FsStatus::fromErrno(e, to);
    }
    return FsStatus::success();
}

FsStatus PosixFiles::removeFile(const QString& path)
{
    QByteArray native;
    if (!paths::toNative(path, &native))
        return badName(path);
    struct stat st;
    if (::lstat(native.constData(), &st) == 0 && S_ISDIR(st.st_mode))
        return FsStatus::fromErrno(EISDIR, path);
    if (::unlink(native.constData()) != 0)
        return FsStatus::fromErrno(errno, path);
    return FsStatus::success();
}

FsStatus PosixFiles::removeIfUnchanged(const QString& path, const FileIdentity& expected)
{
    QByteArray native;
    if (!paths::toNative(path, &native))
        return badName(path);
    struct stat st;
    if (::stat(native.constData(), &st) != 0)
        return FsStatus::fromErrno(errno, path);
    if (identityOf(st) != expected)
        return FsStatus::failure(err::SourceChanged, path + QStringLiteral(": changed since it was read"));
    if (S_ISDIR(st.st_mode))
        return FsStatus::fromErrno(EISDIR, path);
    if (::unlink(native.constData()) != 0)
        return FsStatus::fromErrno(errno, path);
    return FsStatus::success();
}

FsStatus PosixFiles::renameFile(const QString& from, const QString& to)
{
    QByteArray src, dst;
    if (!paths::toNative(from, &src))
        return badName(from);
    if (!paths::toNative(to, &dst))
        return badName(to);
    struct stat st;
    if (::lstat(src.constData(), &st) != 0)
        return FsStatus::fromErrno(errno, from);
    if (const int e = renameNoReplace(src.constData(), dst.constData()); e != 0)
        return FsStatus::fromErrno(e, e == EEXIST ? to : from);
    return FsStatus::success();
}

FsStatus PosixFiles::syncFolder(const QString& folder)
{
    QByteArray native;
    if (!paths::toNative(folder, &native))
        return badName(folder);
    Fd fd(::open(native.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd.valid())
        return FsStatus::fromErrno(errno, folder);
    if (::syncfs(fd.get()) != 0)
        return FsStatus::fromErrno(errno, folder);
    return FsStatus::success();
}

std::optional<QDateTime> PosixFiles::modified(const QString& path)
{
    const std::optional<FileIdentity> found = identity(path);
    if (!found)
        return std::nullopt;
    return QDateTime::fromMSecsSinceEpoch(found->modifiedNs / 1000000);
}

std::optional<int> PosixFiles::attributes(const QString& path)
{
    QByteArray native;
    struct stat st;
    if (!paths::toNative(path, &native) || ::stat(native.constData(), &st) != 0)
        return std::nullopt;
    int value = 0;
    if (S_ISDIR(st.st_mode))
        value |= attr::Directory;
    if (paths::fileName(path).startsWith(u'.'))
        value |= attr::Hidden;
    if (readOnlyReason(path, native, st) != 0)
        value |= attr::ReadOnly;
    return value;
}

FsStatus PosixFiles::checkChangeable(const QString& path)
{
    QByteArray native;
    if (!paths::toNative(path, &native))
        return badName(path);
    struct stat st;
    if (::stat(native.constData(), &st) != 0)
        return FsStatus::fromErrno(errno, path);
    if (const int why = readOnlyReason(path, native, st); why != 0)
        return FsStatus::failure(why, path + QStringLiteral(": may not be changed"));
    return FsStatus::success();
}

std::optional<FileIdentity> PosixFiles::identity(const QString& path)
{
    QByteArray native;
    struct stat st;
    if (!paths::toNative(path, &native) || ::stat(native.constData(), &st) != 0)
        return std::nullopt;
    return identityOf(st);
}

FsStatus openForReading(const QString& path, QFile* file, FileIdentity* identity)
{
    QByteArray native;
    if (!paths::toNative(path, &native))
        return badName(path);
    Fd fd;
    struct stat st;
    if (FsStatus s = openRegular(native, path, &fd, &st); !s.ok())
        return s;
    if (!file->open(fd.get(), QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        return FsStatus::failure(err::PathFileAccess, path + QStringLiteral(": ") + file->errorString());
    fd.release();  // the file closes it now
    if (identity)
        *identity = identityOf(st);
    return FsStatus::success();
}

bool PosixFiles::exists(const QString& path)
{
    QByteArray native;
    struct stat st;
    return paths::toNative(path, &native) && ::stat(native.constData(), &st) == 0;
}

bool PosixFiles::isDir(const QString& path)
{
    QByteArray native;
    struct stat st;
    return paths::toNative(path, &native) && ::stat(native.constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool PosixFiles::sameEntry(const QString& a, const QString& b)
{
    QByteArray na, nb;
    struct stat sa, sb;
    return paths::toNative(a, &na) && paths::toNative(b, &nb) && ::stat(na.constData(), &sa) == 0
        && ::stat(nb.constData(), &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

qint64 wallClockNs()
{
    struct timespec now { };
    ::clock_gettime(CLOCK_REALTIME, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

bool listingStillHolds(const FolderStamp& then, qint64 readAtNs, const std::optional<FolderStamp>& now)
{
    constexpr qint64 Settle = 2000000000;  // two seconds: the coarsest time stamps in common use
    return now && *now == then && readAtNs >= std::max(then.modifiedNs, then.changedNs) + Settle;
}

std::optional<FolderStamp> PosixFiles::folderStamp(const QString& folder)
{
    QByteArray native;
    struct stat st;
    if (!paths::toNative(folder, &native) || ::stat(native.constData(), &st) != 0 || !S_ISDIR(st.st_mode))
        return std::nullopt;
    return FolderStamp{quint64(st.st_dev), quint64(st.st_ino),
        qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec,
        qint64(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec};
}

FsStatus PosixFiles::listDir(const QString& folder, std::vector<DirEntry>* out, Listing which)
{
    out->clear();
    const std::optional<FolderStamp> stamp = folderStamp(folder);
    {
        QMutexLocker lock(&cacheMutex_);
        if (folder == cachedFolder_ && cachedMark_.holds(stamp)) {
            for (const DirEntry& e : cached_) {
                if (which == Listing::All || e.isDir)
                    out->push_back(e);
            }
            return FsStatus::success();
        }
    }
    const ListingMark mark = ListingMark::startingNow(stamp);
    std::vector<DirEntry> all;
    bool allAnswered = true;
    FsStatus s = readDir(folder, &all, &allAnswered);
    if (!s.ok())
        return s;
    for (const DirEntry& e : all) {
        if (which == Listing::All || e.isDir)
            out->push_back(e);
    }
    // A listing with links that did not answer is not kept: they are followed again next time.
    if (allAnswered && stamp && folderStamp(folder) == stamp) {
        QMutexLocker lock(&cacheMutex_);
        cachedFolder_ = folder;
        cachedMark_ = mark;
        cached_ = std::move(all);
    }
    return FsStatus::success();
}

FsStatus PosixFiles::readDir(const QString& folder, std::vector<DirEntry>* out, bool* allAnswered)
{
    out->clear();
    *allAnswered = true;
    QByteArray native;
    if (!paths::toNative(folder, &native))
        return badName(folder);
    Fd fd(::open(native.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd.valid())
        return FsStatus::fromErrno(errno, folder);
    DIR* dir = ::fdopendir(fd.get());
    if (!dir)
        return FsStatus::fromErrno(errno, folder);
    fd.release();  // now owned by dir
    // Entries whose kind only their target tells (links, and every entry of a file system that
    // does not say), by their place in `out`, followed once the folder is read.
    std::vector<size_t> pending;
    QList<QByteArray> pendingPaths;
    QList<bool> pendingLinks;
    for (;;) {
        // readdir() keeps errno at the end of the folder, so it has to be cleared before each
        // call: a skipped entry (a link that leads nowhere) must not leave its error behind.
        errno = 0;
        const dirent* d = ::readdir(dir);
        if (!d)
            break;
        const char* name = d->d_name;
        if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
            continue;
        DirEntry entry;
        if (!paths::fromNative(name, &entry.name))
            continue;
        if (d->d_type == DT_REG) {
            entry.isDir = false;
        } else if (d->d_type == DT_DIR) {
            entry.isDir = true;
        } else if (d->d_type == DT_LNK || d->d_type == DT_UNKNOWN) {
            pending.push_back(out->size());
            pendingPaths << native + '/' + name;
            pendingLinks << (d->d_type == DT_LNK);
        } else {
            continue;  // devices, sockets, pipes
        }
        out->push_back(std::move(entry));
    }
    const int e = errno;
    ::closedir(dir);
    if (e != 0)
        return FsStatus::fromErrno(e, folder);
    if (pending.empty())
        return FsStatus::success();

    const std::vector<EntryKind> kinds = followEntries(folder, pendingPaths, pendingLinks);
    std::vector<bool> keep(out->size(), true);
    for (size_t i = 0; i < pending.size(); ++i) {
        DirEntry& entry = (*out)[pending[i]];
        switch (kinds[i]) {
        case EntryKind::Folder:
            entry.isDir = true;
            break;
        case EntryKind::File:
            entry.isDir = false;
            break;
        case EntryKind::NotAnswering:
            // Listed by its name, as a file: its picture, if any, is then found not to answer.
            entry.isDir = false;
            *allAnswered = false;
            break;
        case EntryKind::Gone:  // a link that leads nowhere
        case EntryKind::Other:  // to a device, socket or pipe
            keep[pending[i]] = false;
            break;
        }
    }
    size_t kept = 0;
    for (size_t i = 0; i < out->size(); ++i) {
        if (keep[i])
            (*out)[kept++] = std::move((*out)[i]);
    }
    out->resize(kept);
    return FsStatus::success();
}

}  // namespace vu
