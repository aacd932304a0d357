// Writes the program's drawn pictures (src/shell/artwork.*) to picture files, so that every file
// shows exactly what the program draws:
//   vutara_art icons FOLDER SIZE...  the emblem as the icon theme's PNG set,
//                                    FOLDER/hicolor/<n>x<n>/apps/vutara.png (the package's icons)
//   vutara_art resources FOLDER      the drop boxes' and the drag's .ico files the program embeds
//                                    (run after changing one of those drawings; commit the files)
#include "shell/artwork.h"

#include <QDir>
#include <QGuiApplication>
#include <QImageWriter>

#include <cstdio>
#include <cstring>

namespace {

bool write(const QPixmap& picture, const QString& file, const char* format)
{
    QImageWriter writer(file, format);
    if (writer.write(picture.toImage()))
        return true;
    std::fprintf(stderr, "vutara_art: %s: %s\n", qPrintable(file), qPrintable(writer.errorString()));
    return false;
}

int icons(const QString& folder, char** sizes, int count)
{
    for (int i = 0; i < count; ++i) {
        const int size = std::atoi(sizes[i]);
        if (size < 16 || size > 1024) {
            std::fprintf(stderr, "vutara_art: bad size %s\n", sizes[i]);
            return 2;
        }
        const QString dir = QStringLiteral("%1/hicolor/%2x%2/apps").arg(folder).arg(size);
        if (!QDir().mkpath(dir) || !write(vu::emblem(size), dir + QStringLiteral("/vutara.png"), "png"))
            return 1;
    }
    return 0;
}

int resources(const QString& folder)
{
    const struct {
        const char* name;
        QPixmap picture;
    } files[] = {
        {"drop.ico", vu::dropPicture(32)},
        {"copybox.ico", vu::copyBoxPicture(64)},
        {"movebox.ico", vu::moveBoxPicture(64)},
        {"wastebin.ico", vu::wasteBinPicture(64)},
    };
    int failures = 0;
    for (const auto& f : files) {
        if (!write(f.picture, folder + u'/' + QString::fromLatin1(f.name), "ico"))
            ++failures;
    }
    return failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc >= 4 && std::strcmp(argv[1], "icons") == 0)
        return icons(QString::fromLocal8Bit(argv[2]), argv + 3, argc - 3);
    if (argc == 3 && std::strcmp(argv[1], "resources") == 0)
        return resources(QString::fromLocal8Bit(argv[2]));
    std::fprintf(stderr, "usage: vutara_art icons FOLDER SIZE...\n       vutara_art resources FOLDER\n");
    return 2;
}
