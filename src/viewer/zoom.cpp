#include "zoom.h"

#include <QLocale>

namespace vu::zoom {

QSizeF windowSize(QSizeF picture, double zoom)
{
    return QSizeF(picture.width() * zoom + WidthAllowance, picture.height() * zoom + HeightAllowance);
}

QSizeF clientSize(QSizeF window)
{
    return QSizeF(window.width() - WidthAllowance, window.height() - HeightAllowance);
}

float nextWidth(double pictureWidth, double zoom)
{
    return float((zoom + Step) * pictureWidth + WidthAllowance);
}

QString zoomText(double zoom)
{
    // Fixed notation: 1000 stays "1000" rather than becoming "1e+03".
    return QString::number(zoom, 'f', QLocale::FloatingPointShortest);
}

QString caption(const QString& name, double zoom)
{
    return name + QStringLiteral("( x ") + zoomText(zoom) + u')';
}

ViewState opened(QSizeF picture)
{
    return ViewState{1.0, windowSize(picture, 1.0), true, false, QSizeF()};
}

ViewState plus(ViewState s, QSizeF picture, QSizeF workArea)
{
    s.naturalShown = false;
    if (double(nextWidth(picture.width(), s.zoom)) >= workArea.width()) {
        s.window = workArea;
    } else {
        s.zoom += Step;
        s.window = windowSize(picture, s.zoom);
    }
    s.magnified = clientSize(s.window);
    s.magnifiedSet = true;
    return s;
}

ViewState minus(ViewState s, QSizeF picture)
{
    if (s.zoom > 1.0) {
        s.zoom -= Step;
        s.window = windowSize(picture, s.zoom);
        s.magnified = clientSize(s.window);
        s.magnifiedSet = true;
    } else {
        s.naturalShown = true;
        s.zoom = 1.0;
    }
    return s;
}

}  // namespace vu::zoom
