// Vutara!: starts with the splash window, which brings up the main window.
#include "browser/vumain.h"
#include "platform/platform.h"
#include "platform/windowsystem.h"
#include "shell/artwork.h"
#include "shell/vusplash.h"
#include "widgets/busywindows.h"

#include <QApplication>
#include <QFontDatabase>
#include <QLibraryInfo>
#include <QLoggingCategory>
#include <QProxyStyle>
#include <QTranslator>

#include <cstdlib>
#include <memory>

namespace {

// The interface font: a Japanese gothic face where one is installed.
void chooseFont(QApplication& app)
{
    const QStringList families = QFontDatabase::families();
    for (const char* wanted : {"MS PGothic", "ＭＳ Ｐゴシック", "IPAPGothic", "IPAGothic", "Noto Sans CJK JP"}) {
        const QString family = QString::fromUtf8(wanted);
        if (families.contains(family)) {
            QFont f(family);
            f.setPointSize(9);
            app.setFont(f);
            return;
        }
    }
}

// The menu captions carry no mnemonics; pressing and releasing Alt still reaches the menu bar.
class KeyboardMenuStyle : public QProxyStyle {
public:
    int styleHint(
        StyleHint hint, const QStyleOption* option, const QWidget* widget, QStyleHintReturn* returnData) const override
    {
        if (hint == SH_MenuBar_AltKeyNavigation)
            return 1;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

}  // namespace

int main(int argc, char** argv)
{
    vu::prepareProcess();  // first: writes past the file-size limit fail instead of ending the program
    vu::chooseWindowSystem();  // before Qt picks one: XWayland under Wayland, where windows can be placed
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vutara"));
    QApplication::setApplicationVersion(QStringLiteral("2.0"));
    QApplication::setDesktopFileName(QStringLiteral("vutara"));
    QApplication::setQuitOnLastWindowClosed(false);  // the program ends when the main window closes
    QApplication::setWindowIcon(vu::programIcon());
    QApplication::setStyle(new KeyboardMenuStyle);
    chooseFont(app);
    // The interface is Japanese whatever the system's language: Qt's own dialogs too.
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    QTranslator qtJapanese;
    if (qtJapanese.load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtJapanese);
    // Damaged pictures are reported in their cells; the decoders' own complaints are noise.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.gui.imageio*=false"));

    vu::BusyWindows::install();  // waits for work on a volume keep the windows painted

    vu::SystemPlatform system;
    vu::VuModule module(system.platform());
    std::unique_ptr<vu::VuMain> mainWindow;
    auto* splash = new vu::VuSplash([&] {
        mainWindow = std::make_unique<vu::VuMain>(module);
        QObject::connect(mainWindow.get(), &vu::VuMain::programEnds, &app, [] {
            vu::blocking::abandonWaits();
            QCoreApplication::exit(0);
        });
        mainWindow->show();
    });
    splash->Form_Load();
    const int code = app.exec();
    // A worker still held by a volume that stopped answering may never return: the program ends
    // without waiting for it (and without the clean-up that would).
    if (vu::blocking::runningWorkers() > 0)
        std::_Exit(code);
    return code;
}
