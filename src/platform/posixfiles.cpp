#include "posixfiles.h"
#include "blocking.h"
#include "paths.h"
#include "posix.h"
#include "trash.h"
#include "volumes.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <limits>
#include <memory>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <time.h>
#include <unistd.h>

namespace vu {

using posix::Fd;
using posix::identityOf;
using posix::renameNoReplace;
using posix::writeAll;
namespace temporaries = posix::temporaries;

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

// The kind of the entry `name` of the folder open at `dir`, its links followed. Asked relative to
// the folder, so that only the entry's own link counts toward the system's limit on links in a
// path (a folder reached down a loop of links may already be near it).
EntryKind kindOf(int dir, const QByteArray& name)
{
    struct stat st;
    if (::fstatat(dir, name.constData(), &st, 0) != 0)
        return EntryKind::Gone;
    if (S_ISDIR(st.st_mode))
        return EntryKind::Folder;
    return S_ISREG(st.st_mode) ? EntryKind::File : EntryKind::Other;
}

// The volume a link leads to, by the link's text alone (read on the link's own volume, which is
// the folder's): the mount point above the place it names. Empty where that cannot be told.
QString volumeNamedBy(const QString& folder, int dir, const QByteArray& link, const QList<MountEntry>& mounts)
{
    char target[PATH_MAX];
    const ssize_t n = ::readlinkat(dir, link.constData(), target, sizeof target - 1);
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

// Follows the entries `names` of `folder`, open at `dir` (`links` tells the links among them),
// in turn, each given LinkPatience. When a link does not answer, the links after it that lead to
// the same volume (by their text) are not followed at all: many links into one hung share cost
// one wait, not one each.
std::vector<EntryKind> followEntries(
    const QString& folder, std::shared_ptr<Fd> dir, const QList<QByteArray>& names, const QList<bool>& links)
{
    const QList<MountEntry> mounts = readMountTable();
    QStringList volumes;
    for (qsizetype i = 0; i < names.size(); ++i)
        volumes << (links[i] ? volumeNamedBy(folder, dir->get(), names[i], mounts) : QString());
    struct Silent {
        std::mutex mutex;
        QSet<QString> volumes;
    };
    auto silent = std::make_shared<Silent>();
    const std::vector<std::optional<EntryKind>> kinds = blocking::callInTurn<EntryKind>(
        LinkPatience, size_t(names.size()),
        [dir, names, volumes, silent](size_t i) {
            {
                std::lock_guard lock(silent->mutex);
                if (!volumes[qsizetype(i)].isEmpty() && silent->volumes.contains(volumes[qsizetype(i)]))
                    return EntryKind::NotAnswering;
            }
            return kindOf(dir->get(), names[qsizetype(i)]);
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

// Copies `length` bytes of `in` from `offset` on to the same place in `out`, in kernel space
// where the file systems allow it (`kernelCopy` is cleared where they do not). Returns how many
// bytes were copied (fewer where `in` ends early), or -1 with errno set.
qint64 copyRange(int in, int out, off_t offset, off_t length, bool* kernelCopy)
{
    off_t done = 0;
    while (done < length) {
        const size_t want = size_t(std::min<off_t>(length - done, off_t(1) << 30));
        if (*kernelCopy) {
            loff_t from = offset + done, to = offset + done;
            const ssize_t n = ::copy_file_range(in, &from, out, &to, want, 0);
            if (n > 0) {
                done += n;
                continue;
            }
            if (n == 0)
                return done;
            if (errno == EINTR)
                continue;
            if (errno == EXDEV || errno == ENOSYS || errno == EOPNOTSUPP || errno == EINVAL || errno == EBADF) {
                *kernelCopy = false;  // plain reads and writes from where we are
                continue;
            }
            return -1;
        }
        char buffer[1 << 16];
        const ssize_t n = ::pread(in, buffer, std::min(want, sizeof buffer), offset + done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (n == 0)
            return done;
        for (ssize_t written = 0; written < n;) {
            const ssize_t w = ::pwrite(out, buffer + written, size_t(n - written), offset + done + written);
            if (w < 0 && errno == EINTR)
                continue;
            if (w < 0)
                return -1;
            written += w;
        }
        done += n;
    }
    return done;
}

// Copies `in`, of `size` bytes when it was opened, into the empty `out`: only its data, so that
// its holes stay holes (a sparse file of a gigabyte holding a few megabytes needs a few
// megabytes), whichever file systems the two are on.
bool copyData(int in, int out, off_t size)
{
    bool kernelCopy = true;
    if (size == 0) {
        // Some regular files tell no size (the system's own); they are read to their end.
        return copyRange(in, out, 0, std::numeric_limits<off_t>::max() / 2, &kernelCopy) >= 0;
    }
    off_t end = size;
    for (off_t pos = 0; pos < size;) {
        off_t data = ::lseek(in, pos, SEEK_DATA);
        if (data < 0) {
            if (errno == ENXIO)
                break;  // only a hole is left
            if (errno != EINVAL && errno != EOPNOTSUPP)
                return false;
            data = pos;  // the file system cannot tell: all of it is data
        }
        if (data >= size)
            break;
        off_t hole = ::lseek(in, data, SEEK_HOLE);
        if (hole < 0 || hole > size)
            hole = size;
        const qint64 copied = copyRange(in, out, data, hole - data, &kernelCopy);
        if (copied < 0)
            return false;
        if (copied < hole - data) {
            end = data + copied;  // the file was cut short meanwhile
            break;
        }
        pos = hole;
    }
    // The holes after the last data, and the length.
    return ::ftruncate(out, end) == 0;
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

namespace {

// Writes `record` over the start of the regular file `native` itself, keeping what follows it
// and every name the file has.
FsStatus writeInPlace(const QByteArray& native, const QString& path, const QByteArray& record)
{
    Fd fd(::open(native.constData(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat st;
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0)
        return FsStatus::fromErrno(errno, path);
    if (!S_ISREG(st.st_mode))
        return notRegular(path);
    for (qsizetype done = 0; done < record.size();) {
        const ssize_t n = ::pwrite(fd.get(), record.constData() + done, size_t(record.size() - done), done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return FsStatus::fromErrno(errno, path);
        done += n;
    }
    if (::fsync(fd.get()) != 0)
        return FsStatus::fromErrno(errno, path);
    return FsStatus::success();
}

}  // namespace

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
    bool exists = false;
    {
        // Only a regular file is ever replaced: a name that leads to a device, a pipe or a folder
        // is left as it is.
        Fd old;
        struct stat st;
        const FsStatus opened = openRegular(native, path, &old, &st);
        if (opened.ok()) {
            exists = true;
            // A file of several names would lose the others by a rename into place.
            if (st.st_nlink > 1)
                return writeInPlace(native, path, record);
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
    temporaries::sweepLeftovers(folder);
    const QByteArray temp = temporaries::nameIn(folder, base);
    Fd fd(::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (!fd.valid()) {
        // No new file can be made in the folder (not the user's to write, or no room for one
        // more name), but the file itself may still be written.
        const int e = errno;
        if (exists && (e == EACCES || e == EPERM || e == ENOSPC || e == EDQUOT))
            return writeInPlace(native, path, record);
        return FsStatus::fromErrno(e, path);
    }
    temporaries::note(temp);
    const bool written = writeAll(fd.get(), content.constData(), size_t(content.size()))
        && ::fchmod(fd.get(), mode) == 0 && ::fsync(fd.get()) == 0;
    const int writeErrno = errno;
    fd.reset();
    if (!written || ::rename(temp.constData(), native.constData()) != 0) {
        const int e = written ? errno : writeErrno;
        ::unlink(temp.constData());
        temporaries::forget(temp);
        return FsStatus::fromErrno(e, path);
    }
    temporaries::forget(temp);
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

    // What an earlier run that was killed in the middle of a copy left here goes first.
    temporaries::sweepLeftovers(folder);
    // An unnamed file disappears by itself if we fail or crash; a named one needs cleaning up,
    // and is noted from the moment it has its name until it has the target's (or is gone).
    bool unnamed = true;
    QByteArray temp;
    Fd out(::open(folder.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600));
    if (!out.valid()) {
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL && errno != ENOENT)
            return FsStatus::fromErrno(errno, to);
        if (errno == ENOENT)  // the target folder is not there (any more)
            return FsStatus::failure(err::PathNotFound, to + QStringLiteral(": no such folder"));
        unnamed = false;
        temp = temporaries::nameIn(folder, base);
        out.reset(::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
        if (!out.valid())
            return FsStatus::fromErrno(errno, to);
        temporaries::note(temp);
    }
    auto removeTemp = [&] {
        ::unlink(temp.constData());
        temporaries::forget(temp);
    };
    auto fail = [&](int e) {
        out.reset();
        if (!unnamed)
            removeTemp();
        return FsStatus::fromErrno(e, to);
    };

    if (!copyData(in.get(), out.get(), st.st_size))
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
        record->copy.changedNs = 0;  // taking its name changes it
    }

    if (unnamed) {
        // The finished file gets its first name. A link never replaces anything, so a copy that
        // must not replace takes the target name at once; one that may replace gets a hidden name
        // first and is then renamed over the target.
        const QByteArray proc = "/proc/self/fd/" + QByteArray::number(out.get());
        temp = mode == Replace::Never ? dst : temporaries::nameIn(folder, base);
        if (::linkat(AT_FDCWD, proc.constData(), AT_FDCWD, temp.constData(), AT_SYMLINK_FOLLOW) != 0)
            return fail(errno);
        if (temp != dst)
            temporaries::note(temp);
        unnamed = false;
    }
    const int closed = ::close(out.get());
    const int closeErrno = errno;
    out.release();  // the descriptor is gone either way
    if (closed != 0) {
        removeTemp();
        return FsStatus::fromErrno(closeErrno, to);
    }
    if (temp == dst)
        return FsStatus::success();
    const int e = mode == Replace::Never ? renameNoReplace(temp.constData(), dst.constData())
                                         : (::rename(temp.constData(), dst.constData()) == 0 ? 0 : errno);
    if (e != 0) {
        removeTemp();
        return FsStatus::fromErrno(e, to);
    }
    temporaries::forget(temp);
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
    // The change time too: a program that rewrites a file in place and puts its modification
    // time back (as photo tools that keep the time do) leaves everything else as it was.
    if (!expected.unchangedIn(identityOf(st)))
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

std::optional<FileIdentity> PosixFiles::entryIdentity(const QString& path)
{
    QByteArray native;
    struct stat st;
    if (!paths::toNative(path, &native) || ::lstat(native.constData(), &st) != 0)
        return std::nullopt;
    return identityOf(st);
}

std::optional<bool> PosixFiles::sameContents(const QString& a, const QString& b)
{
    QByteArray na, nb;
    if (!paths::toNative(a, &na) || !paths::toNative(b, &nb))
        return std::nullopt;
    Fd fa, fb;
    struct stat sa, sb;
    if (!openRegular(na, a, &fa, &sa).ok() || !openRegular(nb, b, &fb, &sb).ok())
        return std::nullopt;
    if (sa.st_size != sb.st_size)
        return false;
    char bufferA[1 << 16], bufferB[1 << 16];
    for (off_t at = 0; at < sa.st_size;) {
        const size_t want = size_t(std::min<off_t>(sa.st_size - at, sizeof bufferA));
        const ssize_t na2 = ::pread(fa.get(), bufferA, want, at);
        const ssize_t nb2 = ::pread(fb.get(), bufferB, want, at);
        if (na2 < 0 || nb2 < 0)
            return std::nullopt;
        if (na2 != nb2 || std::memcmp(bufferA, bufferB, size_t(na2)) != 0)
            return false;
        if (na2 == 0)
            break;  // both cut short alike
        at += na2;
    }
    return true;
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

FsStatus PosixFiles::moveToTrash(const QString& path, TrashedFile* where)
{
    return trash::moveIn(path, where);
}

FsStatus PosixFiles::restoreFromTrash(const TrashedFile& trashed, const QString& original, const FileIdentity& expected)
{
    return trash::putBack(trashed, original, expected);
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
    QList<QByteArray> pendingNames;
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
            pendingNames << QByteArray(name);
            pendingLinks << (d->d_type == DT_LNK);
        } else {
            continue;  // devices, sockets, pipes
        }
        out->push_back(std::move(entry));
    }
    const int e = errno;
    // The links are followed from the folder itself, on workers that may outlive this call.
    auto folderFd = std::make_shared<Fd>(e == 0 && !pending.empty() ? ::fcntl(::dirfd(dir), F_DUPFD_CLOEXEC, 0) : -1);
    ::closedir(dir);
    if (e != 0)
        return FsStatus::fromErrno(e, folder);
    if (pending.empty())
        return FsStatus::success();
    if (!folderFd->valid())
        return FsStatus::fromErrno(errno, folder);

    const std::vector<EntryKind> kinds = followEntries(folder, folderFd, pendingNames, pendingLinks);
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
