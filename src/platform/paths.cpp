#include "paths.h"
#include "trash.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

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

namespace vu {

QString DesktopPlaces::folder(Place place) const
{
    const QString home = QDir::homePath();
    auto location = [&](QStandardPaths::StandardLocation l) {
        const QString p = QStandardPaths::writableLocation(l);
        return p.isEmpty() || !QDir(p).exists() ? home : p;
    };
    auto under = [&](const QString& relative) {
        const QString p = QDir(home).filePath(relative);
        return QDir(p).exists() ? p : home;
    };
    switch (place) {
    case Place::Home:
        return home;
    case Place::Desktop:
        return location(QStandardPaths::DesktopLocation);
    case Place::Applications:
        return location(QStandardPaths::ApplicationsLocation);
    case Place::Documents:
        return location(QStandardPaths::DocumentsLocation);
    case Place::Fonts:
        return location(QStandardPaths::FontsLocation);
    case Place::Autostart:
        return under(QStringLiteral(".config/autostart"));
    case Place::Trash: {
        // Where the trash really is: $XDG_DATA_HOME may have moved it from ~/.local/share.
        const QString files = homeTrashFolder() + QStringLiteral("/files");
        return QDir(files).exists() ? files : home;
    }
    case Place::Templates:
        return under(QStringLiteral("Templates"));
    }
    return home;
}

}  // namespace vu
