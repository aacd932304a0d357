// Renders the program's drawn pictures to the icon files kept in resources/ (a developer tool:
// run it after changing a drawing, then commit the files).
#include "shell/artwork.h"

#include <QGuiApplication>
#include <QImageWriter>

#include <cstdio>

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("resources");
    const struct {
        const char* name;
        QPixmap picture;
    } icons[] = {
        {"drop.ico", vu::dropPicture(32)},
        {"copybox.ico", vu::copyBoxPicture(64)},
        {"movebox.ico", vu::moveBoxPicture(64)},
        {"wastebin.ico", vu::wasteBinPicture(64)},
    };
    int failures = 0;
    for (const auto& icon : icons) {
        QImageWriter writer(out + u'/' + QString::fromLatin1(icon.name), "ico");
        if (!writer.write(icon.picture.toImage())) {
            std::fprintf(stderr, "%s: %s\n", icon.name, qPrintable(writer.errorString()));
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}
