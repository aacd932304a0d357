// The desktop's trash, laid out as the freedesktop.org trash standard has it, so that the
// desktop's file manager lists what the program deleted and can put it back.
//
// Qt's own QFile::moveToTrash (6.4) was not taken: when the home trash cannot be made it moves
// the file into "files" of the working directory and reports success, it writes the original
// place without percent-encoding, and always as an absolute path.
#include "files.h"
#include "paths.h"
#include "posix.h"

#include <QDateTime>
#include <QFile>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <optional>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vu {

using posix::Fd;

namespace {

// A trash folder: its root, holding "files" and "info"; whether it is the home trash; and the
// top of its volume, against which the original places of files are written.
struct TrashDir {
    QByteArray root;
    bool home = false;
    QByteArray top;
};

QByteArray dataHome()
{
    // Relative values are to be ignored, as the XDG base-directory rules say.
    const QByteArray xdg = qgetenv("XDG_DATA_HOME");
    if (xdg.startsWith('/'))
        return xdg;
    QByteArray home = qgetenv("HOME");
    if (!home.startsWith('/')) {
        const struct passwd* pw = ::getpwuid(::geteuid());
        home = pw && pw->pw_dir ? QByteArray(pw->pw_dir) : QByteArray("/");
    }
    return (home == "/" ? QByteArray() : home) + "/.local/share";
}

QByteArray parentOf(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash <= 0 ? QByteArray("/") : path.left(slash);
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

bool ensureFolders(const QByteArray& path)
{
    if (ensureFolder(path, true))
        return true;
    if (errno != ENOENT || path == "/")
        return false;
    return ensureFolders(parentOf(path)) && ensureFolder(path, true);
}

// The device of the nearest existing folder on the way to `path`.
std::optional<dev_t> deviceOf(QByteArray path)
{
    struct stat st;
    for (;;) {
        if (::stat(path.constData(), &st) == 0)
            return st.st_dev;
        if (path == "/")
            return std::nullopt;
        path = parentOf(path);
    }
}

// The top folder of the volume holding `folder` (a real path): the highest folder above it on
// the same device.
QByteArray topOf(QByteArray folder, dev_t device)
{
    struct stat st;
    while (folder != "/") {
        const QByteArray up = parentOf(folder);
        if (::stat(up.constData(), &st) != 0 || st.st_dev != device)
            break;
        folder = up;
    }
    return folder;
}

// The trash folders that may take a file of `device` whose real folder is `folder`, in the
// order they are to be tried: the home trash for the home's volume; elsewhere the volume's
// shared ".Trash/$uid", then its ".Trash-$uid".
std::vector<TrashDir> trashesFor(dev_t device, const QByteArray& folder)
{
    const QByteArray home = dataHome() + "/Trash";
    if (deviceOf(home) == device)
        return {{home, true, QByteArray()}};
    const QByteArray top = topOf(folder, device);
    const QByteArray base = top == "/" ? QByteArray() : top;
    const QByteArray uid = QByteArray::number(::geteuid());
    std::vector<TrashDir> out;
    // The shared folder counts only where it is a real folder with the sticky bit, so that no
    // user can take over another's trash in it.
    struct stat st;
    const QByteArray shared = base + "/.Trash";
    if (::lstat(shared.constData(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX))
        out.push_back({shared + '/' + uid, false, top});
    out.push_back({base + "/.Trash-" + uid, false, top});
    return out;
}

// Makes the trash folder and its "files" and "info" folders where missing; whether it can be used.
bool prepare(const TrashDir& trash)
{
    if (trash.home) {
        if (!ensureFolders(trash.root))
            return false;
    } else {
        if (!ensureFolder(trash.root, false))
            return false;
        // Another user's folder of that name is not ours to use.
        struct stat st;
        if (::lstat(trash.root.constData(), &st) != 0 || st.st_uid != ::geteuid())
            return false;
    }
    return ensureFolder(trash.root + "/files", false) && ensureFolder(trash.root + "/info", false);
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

bool writeAll(int fd, const QByteArray& data)
{
    const char* p = data.constData();
    qsizetype left = data.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += n;
        left -= n;
    }
    return true;
}

QString fromNativeOr(const QByteArray& native)
{
    QString out;
    return paths::fromNative(native.constData(), &out) ? out : QFile::decodeName(native);
}

}  // namespace

QString homeTrashFolder()
{
    return QFile::decodeName(dataHome() + "/Trash");
}

QByteArray trashInfoText(const QByteArray& path, const QDateTime& deletedAt)
{
    return "[Trash Info]\nPath=" + path.toPercentEncoding("/")
        + "\nDeletionDate=" + deletedAt.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")).toLatin1() + '\n';
}

FsStatus PosixFiles::moveToTrash(const QString& path, TrashedFile* where)
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
    const QByteArray name = QFile::encodeName(paths::fileName(path));
    char* real = ::realpath(parentOf(native).constData(), nullptr);
    if (!real)
        return FsStatus::fromErrno(errno, path);
    const QByteArray folder = real;
    ::free(real);
    const QByteArray original = (folder == "/" ? QByteArray() : folder) + '/' + name;

    QString lastProblem;
    for (const TrashDir& trash : trashesFor(st.st_dev, folder)) {
        if (!prepare(trash)) {
            lastProblem = QFile::decodeName(trash.root) + QStringLiteral(": cannot be made or used");
            continue;
        }
        QByteArray recorded = original;
        if (!trash.home)
            recorded = trash.top == "/" ? original.mid(1) : original.mid(trash.top.size() + 1);
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
                lastProblem = QFile::decodeName(infoPath) + QStringLiteral(": cannot be written");
                nextTrash = true;
                break;
            }
            const bool written = writeAll(fd.get(), info);
            fd.reset();
            if (!written) {
                ::unlink(infoPath.constData());
                lastProblem = QFile::decodeName(infoPath) + QStringLiteral(": cannot be written");
                nextTrash = true;
                break;
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
                lastProblem = QFile::decodeName(trash.root) + QStringLiteral(": on another file system");
                nextTrash = true;
                break;
            }
            return FsStatus::fromErrno(e, path);
        }
    }
    return FsStatus::failure(err::NoTrash, path + QStringLiteral(": no trash can take it (") + lastProblem + u')');
}

FsStatus PosixFiles::restoreFromTrash(const TrashedFile& trashed, const QString& original, const FileIdentity& expected)
{
    QByteArray entry, info, back;
    if (!paths::toNative(trashed.entry, &entry) || !paths::toNative(original, &back))
        return FsStatus::failure(err::BadFileName, original + QStringLiteral(": invalid file name"));
    struct stat st;
    if (::stat(entry.constData(), &st) != 0)
        return FsStatus::fromErrno(errno, trashed.entry);
    if (posix::identityOf(st) != expected)
        return FsStatus::failure(err::SourceChanged, trashed.entry + QStringLiteral(": changed in the trash"));
    if (!isDir(paths::folderOf(original)))
        return FsStatus::failure(err::PathNotFound, original + QStringLiteral(": its folder is not there"));
    if (const int e = posix::renameNoReplace(entry.constData(), back.constData()); e != 0)
        return FsStatus::fromErrno(e, e == EEXIST ? original : trashed.entry);
    // A description left behind would list a file the trash no longer holds.
    if (paths::toNative(trashed.info, &info))
        ::unlink(info.constData());
    return FsStatus::success();
}

}  // namespace vu
