#include "screen.h"

#include <QGuiApplication>
#include <QScreen>

namespace vu {

QtScreen::QtScreen(QObject* parent)
    : Screen(parent)
{
    auto* app = qGuiApp;
    connect(app, &QGuiApplication::screenAdded, this, &Screen::displayChanged);
    connect(app, &QGuiApplication::screenRemoved, this, &Screen::displayChanged);
    connect(app, &QGuiApplication::primaryScreenChanged, this, [this] {
        watchPrimary();
        emit displayChanged();
    });
    watchPrimary();
}

void QtScreen::watchPrimary()
{
    if (QScreen* s = QGuiApplication::primaryScreen())
        connect(s, &QScreen::availableGeometryChanged, this, &Screen::displayChanged, Qt::UniqueConnection);
}

QRect QtScreen::workArea() const
{
    const QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->availableGeometry() : QRect(0, 0, 1024, 768);
}

}  // namespace vu
