#include "paths.h"

#include <QDir>
#include <QFile>

namespace vu::paths {

bool endsWithSeparator(const QString& path)
{
    return path.endsWith(Separator);
}

QString join(const QString& folder, const QString& name)
{
    return endsWithSeparator(folder) ? folder + name : folder + Separator + name;
}

QString withSeparator(const QString& folder)
{
    return endsWithSeparator(folder) ? folder : folder + Separator;
}

QString dropOneSeparator(const QString& path)
{
    return endsWithSeparator(path) ? path.chopped(1) : path;
}

QString folderOf(const QString& filePath)
{
    const qsizetype cut = filePath.lastIndexOf(Separator);
    if (cut < 0)
        return QString();
    if (cut == 0)
        return QString(Separator);
    return filePath.left(cut);
}

QString fileName(const QString& path)
{
    const QString p = path.size() > 1 ? dropOneSeparator(path) : path;
    return p.mid(p.lastIndexOf(Separator) + 1);
}

QString cleanFolder(const QString& folder)
{
    if (folder.isEmpty())
        return QString();
    QString c = QDir::cleanPath(QDir(folder).absolutePath());
    return c.isEmpty() ? QString(Separator) : c;
}

bool toNative(const QString& path, QByteArray* out)
{
    if (path.isEmpty() || path.contains(QChar(0)))
        return false;
    *out = QFile::encodeName(path);
    return !out->isEmpty();
}

bool fromNative(const char* bytes, QString* out)
{
    // Most names are plain ASCII, which every encoding reads the same.
    const char* p = bytes;
    while (*p > 0)
        ++p;
    if (*p == 0) {
        *out = QString::fromLatin1(bytes, p - bytes);
        return true;
    }
    const QByteArray raw(bytes);
    *out = QFile::decodeName(raw);
    return QFile::encodeName(*out) == raw;
}

}  // namespace vu::paths
