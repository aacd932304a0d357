#include "fsstatus.h"

#include <cerrno>
#include <cstring>

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
    case EACCES:
    case EPERM:
    case EROFS:
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
    case EINVAL:
    case EILSEQ:
        return BadFileName;
    case ENOMEM:
        return OutOfMemory;
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
    case Cancel:
        return QStringLiteral("キャンセルされました");
    default:
        return QStringLiteral("パスまたはファイルへのアクセスエラーです");
    }
}

FsStatus FsStatus::fromErrno(int e, const QString& path)
{
    return failure(err::fromErrno(e), path + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(e)));
}

}  // namespace vu
