#include "artwork.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <functional>
#include <initializer_list>

namespace vu {
namespace {

// A transparent square picture drawn by `draw`, which gets the painter and the side length.
QPixmap drawn(int size, const std::function<void(QPainter&, qreal)>& draw)
{
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    draw(p, size);
    return pm;
}

// A pen of the given width relative to the picture, never thinner than one pixel.
QPen outline(QColor colour, qreal s, qreal relativeWidth)
{
    return QPen(colour, std::max(1.0, s * relativeWidth));
}

// A closed outline through `corners`, given as fractions of the side length `s`.
QPainterPath outlinePath(qreal s, std::initializer_list<QPointF> corners)
{
    QPainterPath path;
    path.moveTo(corners.begin()->x() * s, corners.begin()->y() * s);
    for (auto c = corners.begin() + 1; c != corners.end(); ++c)
        path.lineTo(c->x() * s, c->y() * s);
    path.closeSubpath();
    return path;
}

QPixmap sheets(int size, const QColor (&colours)[3])
{
    return drawn(size, [&](QPainter& p, qreal s) {
        for (int i = 0; i < 3; ++i) {
            const QRectF sheet(s * (0.12 + 0.16 * i), s * (0.1 + 0.14 * i), s * 0.5, s * 0.6);
            p.setPen(outline(QColor(40, 40, 40), s, 0.025));
            p.setBrush(colours[i]);
            p.drawRect(sheet);
            p.setPen(outline(QColor(255, 255, 255, 170), s, 0.02));
            for (int line = 1; line <= 3; ++line) {
                const qreal y = sheet.top() + sheet.height() * line / 4.5;
                p.drawLine(QPointF(sheet.left() + s * 0.06, y), QPointF(sheet.right() - s * 0.06, y));
            }
        }
    });
}

}  // namespace

QPixmap emblem(int size)
{
    return drawn(size, [](QPainter& p, qreal s) {
        // A framed photograph: sky, sun and two hills.
        const QRectF frame(s * 0.06, s * 0.14, s * 0.88, s * 0.72);
        p.setPen(QPen(QColor(60, 60, 70), s * 0.03));
        QLinearGradient sky(frame.topLeft(), frame.bottomLeft());
        sky.setColorAt(0, QColor(90, 160, 230));
        sky.setColorAt(1, QColor(200, 230, 250));
        p.setBrush(sky);
        p.drawRoundedRect(frame, s * 0.04, s * 0.04);
        p.setClipRect(frame.adjusted(s * 0.02, s * 0.02, -s * 0.02, -s * 0.02));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 200, 40));
        p.drawEllipse(QPointF(s * 0.72, s * 0.34), s * 0.08, s * 0.08);
        QPainterPath hills;
        hills.moveTo(frame.left(), frame.bottom());
        hills.lineTo(frame.left(), s * 0.66);
        hills.quadTo(s * 0.3, s * 0.42, s * 0.52, s * 0.66);
        hills.quadTo(s * 0.7, s * 0.52, frame.right(), s * 0.62);
        hills.lineTo(frame.right(), frame.bottom());
        hills.closeSubpath();
        p.setBrush(QColor(70, 150, 80));
        p.drawPath(hills);
    });
}

QIcon programIcon()
{
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(emblem(size));
    return icon;
}

QPixmap copyBoxPicture(int size)
{
    const QColor colours[3] = {QColor(230, 80, 70), QColor(80, 170, 90), QColor(70, 120, 220)};
    return sheets(size, colours);
}

QPixmap moveBoxPicture(int size)
{
    const QColor colours[3] = {QColor(190, 190, 190), QColor(150, 150, 150), QColor(110, 110, 110)};
    return sheets(size, colours);
}

QPixmap wasteBinPicture(int size)
{
    return drawn(size, [](QPainter& p, qreal s) {
        p.setPen(outline(QColor(40, 40, 40), s, 0.03));
        p.setBrush(QColor(120, 130, 140));
        p.drawRoundedRect(QRectF(s * 0.18, s * 0.18, s * 0.64, s * 0.1), s * 0.02, s * 0.02);  // lid
        p.drawRect(QRectF(s * 0.42, s * 0.1, s * 0.16, s * 0.08));  // handle
        p.setBrush(QColor(160, 170, 180));
        p.drawPath(outlinePath(s, {{0.24, 0.3}, {0.76, 0.3}, {0.7, 0.9}, {0.3, 0.9}}));
        for (int i = 0; i < 3; ++i) {
            const qreal x = s * (0.38 + 0.12 * i);
            p.drawLine(QPointF(x, s * 0.38), QPointF(x, s * 0.82));
        }
    });
}

QPixmap dropPicture(int size)
{
    return drawn(size, [](QPainter& p, qreal s) {
        p.setPen(QPen(QColor(30, 30, 30), std::max(1.0, s * 0.06), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        // The tray.
        p.setBrush(QColor(250, 210, 80));
        p.drawPath(outlinePath(s,
            {{0.08, 0.6}, {0.08, 0.92}, {0.92, 0.92}, {0.92, 0.6}, {0.68, 0.6}, {0.6, 0.74}, {0.4, 0.74},
                {0.32, 0.6}}));
        // The arrow going in.
        p.setBrush(QColor(60, 150, 60));
        p.drawPath(outlinePath(
            s, {{0.4, 0.06}, {0.6, 0.06}, {0.6, 0.36}, {0.76, 0.36}, {0.5, 0.64}, {0.24, 0.36}, {0.4, 0.36}}));
    });
}

QPixmap renamePicture(int size)
{
    return drawn(size, [](QPainter& p, qreal s) {
        // A sheet with a name tag and a pencil.
        p.setPen(outline(QColor(40, 40, 40), s, 0.03));
        p.setBrush(QColor(250, 250, 235));
        p.drawRect(QRectF(s * 0.14, s * 0.1, s * 0.56, s * 0.72));
        p.setBrush(QColor(70, 120, 220));
        p.drawRect(QRectF(s * 0.22, s * 0.56, s * 0.4, s * 0.16));
        p.setPen(outline(QColor(255, 255, 255), s, 0.04));
        p.drawLine(QPointF(s * 0.27, s * 0.64), QPointF(s * 0.56, s * 0.64));
        p.setPen(outline(QColor(40, 40, 40), s, 0.03));
        p.setBrush(QColor(240, 180, 40));
        QPolygonF pencil;
        pencil << QPointF(s * 0.56, s * 0.5) << QPointF(s * 0.86, s * 0.2) << QPointF(s * 0.94, s * 0.28)
               << QPointF(s * 0.64, s * 0.58) << QPointF(s * 0.52, s * 0.62);
        p.drawPolygon(pencil);
    });
}

QPixmap logPicture(int size)
{
    return drawn(size, [](QPainter& p, qreal s) {
        // A page of lines.
        p.setPen(outline(QColor(40, 40, 40), s, 0.03));
        p.setBrush(QColor(255, 255, 255));
        p.drawRect(QRectF(s * 0.18, s * 0.08, s * 0.64, s * 0.84));
        p.setPen(outline(QColor(90, 90, 90), s, 0.035));
        for (int line = 0; line < 6; ++line) {
            const qreal y = s * (0.2 + 0.12 * line);
            p.drawLine(QPointF(s * 0.26, y), QPointF(s * (line % 2 ? 0.62 : 0.74), y));
        }
    });
}

}  // namespace vu
