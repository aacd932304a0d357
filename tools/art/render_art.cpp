// Writes the program's emblem (src/shell/artwork.*) as the icon theme's PNG set of the package,
// so that the icons show exactly what the program draws:
//   vutara_art icons FOLDER SIZE...  FOLDER/hicolor/<n>x<n>/apps/vutara.png
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

}  // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc >= 4 && std::strcmp(argv[1], "icons") == 0)
        return icons(QString::fromLocal8Bit(argv[2]), argv + 3, argc - 3);
    std::fprintf(stderr, "usage: vutara_art icons FOLDER SIZE...\n");
    return 2;
}
