// The desktop's trash. Qt's own QFile::moveToTrash (6.4) was not taken: when the home trash
// cannot be made it moves the file into "files" of the working directory and reports success,
// it writes the original place without percent-encoding, and always as an absolute path.
#include "trash.h"
#include "paths.h"
#include "posix.h"

#include <QFile>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vu {

using posix::Fd;
using posix::parentOf;

namespace {

// A trash folder: its root, holding "files" and "info"; whether it is the home trash; and the
// top of its volume, against which the original places of files are written.
struct TrashDir {
    QByteArray root;
    bool home = false;
    QByteArray top;
};

// Whether `path` is a real folder (not a link) of the user's that no one else may write.
bool privateFolder(const QByteArray& path)
{
    struct stat st;
    return ::lstat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid()
        && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

// Makes a folder only its owner may enter, unless it is there. `linksAllowed`: whether an
// existing link to a folder will do (the user may have put the home trash elsewhere); a trash at
// the top of a shared volume must be a real folder, or another user could lead it astray.
bool ensureFolder(const QByteArray& path, bool linksAllowed)
{
    if (::mkdir(path.constData(), 0700) == 0)
        return true;
    if (errno != EEXIST)
        return false;
    struct stat st;
    if (::lstat(path.constData(), &st) != 0)
        return false;
    if (S_ISLNK(st.st_mode) && linksAllowed && ::stat(path.constData(), &st) != 0)
        return false;
    return S_ISDIR(st.st_mode);
}

// The mount of the nearest existing folder on the way to `path`.
std::optional<posix::MountOf> mountAbove(QByteArray path)
{
    for (;;) {
        if (const std::optional<posix::MountOf> m = posix::mountOf(path))
            return m;
        if (path == "/" || path.isEmpty())
            return std::nullopt;
        path = parentOf(path);
    }
}

// The top folder of the mount holding `folder` (a real path): the highest folder above it on
// the same device and mount.
QByteArray topOf(QByteArray folder, const posix::MountOf& mount)
{
    while (folder != "/") {
        const QByteArray up = parentOf(folder);
        if (posix::mountOf(up) != std::optional<posix::MountOf>(mount))
            break;
        folder = up;
    }
    return folder;
}

// The trash folders that may take a file whose real folder is `folder`, in the order they are
// to be tried: the home trash for the home's mount; elsewhere the mount's shared ".Trash/$uid",
// then its ".Trash-$uid". Where the system does not tell mounts apart, a file on the home's
// device may be in a bind mount of it: its own trashes follow the home trash.
std::vector<TrashDir> trashesFor(const QByteArray& folder, const posix::MountOf& mount)
{
    const QByteArray home = posix::dataHome() + "/Trash";
    const std::optional<posix::MountOf> homeMount = mountAbove(home);
    const bool homeDevice = homeMount && homeMount->device == mount.device;
    const bool mountsKnown = homeMount && homeMount->mount && mount.mount;
    std::vector<TrashDir> out;
    if (homeDevice && (!mountsKnown || homeMount->mount == mount.mount))
        out.push_back({home, true, QByteArray()});
    if (homeDevice && mountsKnown && homeMount->mount == mount.mount)
        return out;
    const QByteArray top = topOf(folder, mount);
    const QByteArray base = top == "/" ? QByteArray() : top;
    const QByteArray uid = QByteArray::number(::geteuid());
    // The shared folder counts only where it is a real folder with the sticky bit, so that no
    // user can take over another's trash in it.
    struct stat st;
    const QByteArray shared = base + "/.Trash";
    if (::lstat(shared.constData(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX))
        out.push_back({shared + '/' + uid, false, top});
    out.push_back({base + "/.Trash-" + uid, false, top});
    return out;
}

// Makes the trash folder and its "files" and "info" folders where missing; whether it can be
// used. A trash on another volume is the user's alone: another user who may write into it, or
// into its "files" or "info", could swap or remove what it holds.
bool prepare(const TrashDir& trash)
{
    if (trash.home) {
        if (!posix::makeFolders(trash.root, 0700))
            return false;
        return ensureFolder(trash.root + "/files", false) && ensureFolder(trash.root + "/info", false);
    }
    for (const QByteArray& folder : {trash.root, trash.root + "/files", trash.root + "/info"}) {
        if (!ensureFolder(folder, false) || !privateFolder(folder))
            return false;
    }
    return true;
}

// The name a file takes in the trash on its `attempt`-th try: its own, then "a.2.jpg",
// "a.3.jpg", ..., each short enough that its description's name (the name and ".trashinfo")
// still fits.
QByteArray trashName(const QString& name, int attempt)
{
    const qsizetype dot = name.lastIndexOf(u'.');
    QString stem = dot > 0 ? name.left(dot) : name;
    const QString ext = dot > 0 ? name.mid(dot) : QString();
    const QString number = attempt > 1 ? QStringLiteral(".%1").arg(attempt) : QString();
    constexpr qsizetype Room = NAME_MAX - 10;  // ".trashinfo"
    while (!stem.isEmpty() && (stem + number + ext).toUtf8().size() > Room)
        stem.chop(stem.back().isLowSurrogate() && stem.size() > 1 ? 2 : 1);
    return QFile::encodeName(stem + number + ext);
}

QString fromNativeOr(const QByteArray& native)
{
    QString out;
    return paths::fromNative(native.constData(), &out) ? out : QFile::decodeName(native);
}

QByteArray baseName(const QByteArray& path)
{
    return path.mid(path.lastIndexOf('/') + 1);
}

// The place a description in the trash whose entry is `entry` means by `recorded`: an absolute
// place as it is; a relative one below the top of the trash's volume.
std::optional<QByteArray> placeMeant(const QByteArray& entry, const QByteArray& recorded)
{
    if (recorded.startsWith('/'))
        return recorded;
    const QByteArray root = parentOf(parentOf(entry));  // ".../files/name" -> the trash
    QByteArray top;
    if (baseName(root).startsWith(".Trash-"))
        top = parentOf(root);
    else if (baseName(parentOf(root)) == ".Trash")
        top = parentOf(parentOf(root));
    else
        return std::nullopt;  // the home trash records absolute places only
    return (top == "/" ? QByteArray() : top) + '/' + recorded;
}

// The real place of `path`: its folder's real path and its name.
std::optional<QByteArray> realPlace(const QByteArray& path)
{
    char* real = ::realpath(parentOf(path).constData(), nullptr);
    if (!real)
        return std::nullopt;
    const QByteArray folder = real;
    ::free(real);
    return (folder == "/" ? QByteArray() : folder) + '/' + baseName(path);
}

// Whether the description `info` still names `original` as the place of the entry: another
// program may have emptied the trash and reused the names since.
bool describes(const QByteArray& info, const QByteArray& entry, const QByteArray& original)
{
    Fd fd(::open(info.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat st;
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > 65536)
        return false;
    QByteArray text(qsizetype(st.st_size), Qt::Uninitialized);
    qsizetype got = 0;
    while (got < text.size()) {
        const ssize_t n = ::read(fd.get(), text.data() + got, size_t(text.size() - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += n;
    }
    text.truncate(got);
    const std::optional<TrashInfo> parsed = parseTrashInfo(text);
    if (!parsed)
        return false;
    const std::optional<QByteArray> meant = placeMeant(entry, parsed->path);
    const std::optional<QByteArray> real = realPlace(original);
    return meant && real && (*meant == *real || *meant == original);
}

bool isHex(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

}  // namespace

QString homeTrashFolder()
{
    return QFile::decodeName(posix::dataHome() + "/Trash");
}

QByteArray trashInfoText(const QByteArray& path, const QDateTime& deletedAt)
{
    return "[Trash Info]\nPath=" + path.toPercentEncoding("/")
        + "\nDeletionDate=" + deletedAt.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")).toLatin1() + '\n';
}

std::optional<TrashInfo> parseTrashInfo(const QByteArray& text)
{
    QList<QByteArray> lines = text.split('\n');
    for (QByteArray& line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
    }
    if (lines.isEmpty() || lines.front() != "[Trash Info]")
        return std::nullopt;
    std::optional<QByteArray> path, date;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        if (line.startsWith('['))
            break;  // another group: not ours to read
        const qsizetype eq = line.indexOf('=');
        if (eq <= 0)
            return std::nullopt;
        const QByteArray key = line.left(eq).trimmed();
        const QByteArray value = line.mid(eq + 1).trimmed();
        std::optional<QByteArray>* field = key == "Path" ? &path : key == "DeletionDate" ? &date : nullptr;
        if (!field)
            continue;
        if (field->has_value())
            return std::nullopt;  // which one would be meant?
        *field = value;
    }
    if (!path || path->isEmpty() || !date)
        return std::nullopt;
    for (qsizetype i = 0; i < path->size(); ++i) {
        if (path->at(i) == '%' && (i + 2 >= path->size() || !isHex(path->at(i + 1)) || !isHex(path->at(i + 2))))
            return std::nullopt;
    }
    TrashInfo info;
    info.path = QByteArray::fromPercentEncoding(*path);
    if (info.path.isEmpty() || info.path.contains('\0'))
        return std::nullopt;
    // Exactly the form the standard gives, local time without a zone.
    static const QString Form = QStringLiteral("yyyy-MM-ddTHH:mm:ss");
    if (date->size() != Form.size())
        return std::nullopt;
    info.deletedAt = QDateTime::fromString(QString::fromLatin1(*date), Form);
    if (!info.deletedAt.isValid())
        return std::nullopt;
    return info;
}

namespace trash {

FsStatus moveIn(const QString& path, TrashedFile* where)
{
    QByteArray native;
    if (!paths::toNative(path, &native))
        return FsStatus::failure(err::BadFileName, path + QStringLiteral(": invalid file name"));
    struct stat st;
    if (::lstat(native.constData(), &st) != 0)
        return FsStatus::fromErrno(errno, path);
    if (S_ISDIR(st.st_mode))
        return FsStatus::fromErrno(EISDIR, path);

    // The original place as the trash records it: the folder's real path and the file's name.
    const std::optional<QByteArray> original = realPlace(native);
    if (!original)
        return FsStatus::fromErrno(errno, path);
    const QByteArray folder = parentOf(*original);
    const std::optional<posix::MountOf> mount = posix::mountOf(folder);
    if (!mount)
        return FsStatus::fromErrno(errno, path);

    QString lastProblem;
    bool crossedMounts = false;
    for (const TrashDir& trash : trashesFor(folder, *mount)) {
        // Only a trash that cannot be used or made counts as none: any other failure is the
        // file's, and says what it is.
        if (!prepare(trash)) {
            lastProblem = QFile::decodeName(trash.root) + QStringLiteral(": cannot be made or used");
            continue;
        }
        QByteArray recorded = *original;
        if (!trash.home)
            recorded = trash.top == "/" ? original->mid(1) : original->mid(trash.top.size() + 1);
        const QByteArray info = trashInfoText(recorded, QDateTime::currentDateTime());
        bool nextTrash = false;
        for (int attempt = 1; attempt <= 10000 && !nextTrash; ++attempt) {
            const QByteArray entryName = trashName(paths::fileName(path), attempt);
            const QByteArray infoPath = trash.root + "/info/" + entryName + ".trashinfo";
            const QByteArray entry = trash.root + "/files/" + entryName;
            // The description comes first and is made exclusively: it claims the name.
            Fd fd(::open(infoPath.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600));
            if (!fd.valid()) {
                if (errno == EEXIST)
                    continue;
                return FsStatus::fromErrno(errno, path);
            }
            const bool written = posix::writeAll(fd.get(), info);
            const int writeErrno = errno;
            fd.reset();
            if (!written) {
                ::unlink(infoPath.constData());
                return FsStatus::fromErrno(writeErrno, path);
            }
            const int e = posix::renameNoReplace(native.constData(), entry.constData());
            if (e == 0) {
                if (where)
                    *where = {fromNativeOr(entry), fromNativeOr(infoPath)};
                return FsStatus::success();
            }
            ::unlink(infoPath.constData());
            if (e == EEXIST)
                continue;  // a file without description holds the name
            if (e == EXDEV) {
                // Another mount of the same volume: its own trash comes next.
                crossedMounts = true;
                lastProblem = QFile::decodeName(trash.root) + QStringLiteral(": on another mount");
                nextTrash = true;
                break;
            }
            return FsStatus::fromErrno(e, path);
        }
    }
    // A trash that the file could not reach only because it lies on another mount is no reason
    // to delete the file for good.
    if (crossedMounts)
        return FsStatus::failure(
            err::CrossDevice, path + QStringLiteral(": no trash of its mount (") + lastProblem + u')');
    return FsStatus::failure(err::NoTrash, path + QStringLiteral(": no trash can take it (") + lastProblem + u')');
}

FsStatus putBack(const TrashedFile& trashed, const QString& original, const FileIdentity& expected)
{
    QByteArray entry, info, back;
    if (!paths::toNative(trashed.entry, &entry) || !paths::toNative(original, &back))
        return FsStatus::failure(err::BadFileName, original + QStringLiteral(": invalid file name"));
    // The entry itself: a link in the trash need not lead anywhere from there.
    struct stat st;
    if (::lstat(entry.constData(), &st) != 0)
        return FsStatus::fromErrno(errno, trashed.entry);
    if (posix::identityOf(st) != expected)
        return FsStatus::failure(err::SourceChanged, trashed.entry + QStringLiteral(": changed in the trash"));
    struct stat folder;
    if (::stat(parentOf(back).constData(), &folder) != 0 || !S_ISDIR(folder.st_mode))
        return FsStatus::failure(err::PathNotFound, original + QStringLiteral(": its folder is not there"));
    if (!paths::toNative(trashed.info, &info) || !describes(info, entry, back))
        return FsStatus::failure(
            err::SourceChanged, trashed.info + QStringLiteral(": no longer describes ") + original);
    if (const int e = posix::renameNoReplace(entry.constData(), back.constData()); e != 0)
        return FsStatus::fromErrno(e, e == EEXIST ? original : trashed.entry);
    // A description left behind would list a file the trash no longer holds.
    ::unlink(info.constData());
    return FsStatus::success();
}

}  // namespace trash

}  // namespace vu
