#include "fsstatus.h"
#include "paths.h"

#include <QByteArrayList>

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vu {

int err::fromErrno(int e)
{
    switch (e) {
    case 0:
        return None;
    case ENOENT:
        return FileNotFound;
    case ENOTDIR:
        return PathNotFound;
    case EEXIST:
    case ENOTEMPTY:
        return FileExists;
    case ENOSPC:
    case EFBIG:
    case EDQUOT:
        return DiskFull;
    case EROFS:
        return ReadOnlyVolume;
    case EACCES:
    case EPERM:
    case ETXTBSY:
    case EBUSY:
        return PermissionDenied;
    case EIO:
        return DeviceIO;
    case ENXIO:
    case ENODEV:
    case ENOMEDIUM:
    case EHOSTDOWN:
    case ESTALE:
        return DeviceUnavailable;
    case ENAMETOOLONG:
        return NameTooLong;
    case EINVAL:
    case EILSEQ:
        return BadFileName;
    case ENOMEM:
        return OutOfMemory;
    case EXDEV:
        return CrossDevice;
    default:
        return PathFileAccess;
    }
}

QString err::describe(int error)
{
    switch (error) {
    case None:
        return QString();
    case OutOfMemory:
        return QStringLiteral("メモリが不足しています");
    case BadFileName:
        return QStringLiteral("ファイル名が正しくありません");
    case FileNotFound:
        return QStringLiteral("ファイルが見つかりません");
    case DeviceIO:
        return QStringLiteral("入出力エラーです");
    case FileExists:
        return QStringLiteral("同じ名前のファイルが既にあります");
    case DiskFull:
        return QStringLiteral("ディスクの空き容量が不足しています");
    case DeviceUnavailable:
        return QStringLiteral("ドライブの準備ができていません");
    case PermissionDenied:
        return QStringLiteral("アクセスが拒否されました");
    case PathNotFound:
        return QStringLiteral("パスが見つかりません");
    case InvalidPicture:
        return QStringLiteral("画像を読み込めません");
    case ReadOnlyFile:
        return QStringLiteral("読取専用のファイルです");
    case ReadOnlyVolume:
        return QStringLiteral("読み取り専用のドライブです");
    case Immutable:
        return QStringLiteral("変更禁止の属性が付いています");
    case NameTooLong:
        return QStringLiteral("ファイル名が長すぎます");
    case PathTooLong:
        return QStringLiteral("パスが長すぎます");
    case NotRegularFile:
        return QStringLiteral("通常のファイルではないため読み書きできません");
    case SameFile:
        return QStringLiteral("コピー元とコピー先が同じファイルです");
    case SourceChanged:
        return QStringLiteral("コピーの後で元のファイルが変更されました");
    case CopyMissing:
        return QStringLiteral("移動先のファイルが見つかりません");
    case NoTrash:
        return QStringLiteral("このドライブにはごみ箱を使えません");
    case CrossDevice:
        return QStringLiteral("別のドライブへは名前の変更では移せません");
    case Cancel:
        return QStringLiteral("キャンセルされました");
    default:
        return QStringLiteral("パスまたはファイルへのアクセスエラーです");
    }
}

bool markedUnchangeable(const QString& path, bool followLinks)
{
    QByteArray native;
    struct stat st;
    if (!paths::toNative(path, &native))
        return false;
    if ((followLinks ? ::stat(native.constData(), &st) : ::lstat(native.constData(), &st)) != 0)
        return false;
    // The flags are asked of files and folders only: opening a device can do things of its own,
    // and the request would go to its driver.
    if (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode))
        return false;
    const int fd
        = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | (followLinks ? 0 : O_NOFOLLOW));
    if (fd < 0)
        return false;
    bool marked = false;
    if (::fstat(fd, &st) == 0 && (S_ISREG(st.st_mode) || S_ISDIR(st.st_mode))) {
        int flags = 0;
        marked = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 && (flags & (FS_IMMUTABLE_FL | FS_APPEND_FL));
    }
    ::close(fd);
    return marked;
}

namespace {

// Whether a name of `path` is longer than a file system allows, rather than the path as a whole.
bool hasOverlongName(const QString& path)
{
    QByteArray native;
    if (!paths::toNative(path, &native))
        return false;
    for (const QByteArray& part : native.split('/')) {
        if (part.size() > NAME_MAX)
            return true;
    }
    return false;
}

}  // namespace

FsStatus FsStatus::fromErrno(int e, const QString& path)
{
    int error = err::fromErrno(e);
    if (e == ENAMETOOLONG && !hasOverlongName(path))
        error = err::PathTooLong;
    // An unchangeable file, or a file in an unchangeable folder, is refused even to the superuser.
    if ((e == EPERM || e == EACCES)
        && (markedUnchangeable(path, false) || markedUnchangeable(paths::folderOf(path), true)))
        error = err::Immutable;
    return failure(error, path + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(e)));
}

}  // namespace vu
