// Renders the program's emblem as the icon theme's PNG set: <folder>/hicolor/<n>x<n>/apps/vutara.png.
#include "shell/artwork.h"

#include <QDir>
#include <QGuiApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: vutara_icons FOLDER SIZE...\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    for (int i = 2; i < argc; ++i) {
        const int size = std::atoi(argv[i]);
        if (size < 16 || size > 1024) {
            std::fprintf(stderr, "vutara_icons: bad size %s\n", argv[i]);
            return 2;
        }
        const QString dir = QStringLiteral("%1/hicolor/%2x%2/apps").arg(folder).arg(size);
        if (!QDir().mkpath(dir) || !vu::emblem(size).save(dir + QStringLiteral("/vutara.png"), "PNG")) {
            std::fprintf(stderr, "vutara_icons: cannot write %s\n", qPrintable(dir));
            return 1;
        }
    }
    return 0;
}
