#include "urlopener.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>

namespace vu {

bool DesktopUrlOpener::open(const QUrl& url)
{
    return QDesktopServices::openUrl(url);
}

QString programDocument(const QString& name)
{
    const QDir program(QCoreApplication::applicationDirPath());
    for (const char* folder : {"../share/doc/vutara", "../../dist/guide"}) {
        const QFileInfo document(program.filePath(QString::fromLatin1(folder) + u'/' + name));
        if (document.isFile())
            return document.canonicalFilePath();
    }
    return QString();
}

}  // namespace vu
