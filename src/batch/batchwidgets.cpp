#include "batchwidgets.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QPainter>

namespace vu {

void fitText(QLabel* label)
{
    QFont f = label->font();
    while (f.pointSizeF() > 6 && QFontMetrics(f).horizontalAdvance(label->text()) > label->width())
        f.setPointSizeF(f.pointSizeF() - 0.5);
    label->setFont(f);
}

QPixmap renamePicture(int size)
{
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    // A sheet with a name tag and a pencil.
    p.setPen(QPen(QColor(40, 40, 40), std::max(1.0, s * 0.03)));
    p.setBrush(QColor(250, 250, 235));
    p.drawRect(QRectF(s * 0.14, s * 0.1, s * 0.56, s * 0.72));
    p.setBrush(QColor(70, 120, 220));
    p.drawRect(QRectF(s * 0.22, s * 0.56, s * 0.4, s * 0.16));
    p.setPen(QPen(QColor(255, 255, 255), std::max(1.0, s * 0.04)));
    p.drawLine(QPointF(s * 0.27, s * 0.64), QPointF(s * 0.56, s * 0.64));
    p.setPen(QPen(QColor(40, 40, 40), std::max(1.0, s * 0.03)));
    p.setBrush(QColor(240, 180, 40));
    QPolygonF pencil;
    pencil << QPointF(s * 0.56, s * 0.5) << QPointF(s * 0.86, s * 0.2) << QPointF(s * 0.94, s * 0.28)
           << QPointF(s * 0.64, s * 0.58) << QPointF(s * 0.52, s * 0.62);
    p.drawPolygon(pencil);
    return pm;
}

QPixmap logPicture(int size)
{
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    // A page of lines.
    p.setPen(QPen(QColor(40, 40, 40), std::max(1.0, s * 0.03)));
    p.setBrush(QColor(255, 255, 255));
    p.drawRect(QRectF(s * 0.18, s * 0.08, s * 0.64, s * 0.84));
    p.setPen(QPen(QColor(90, 90, 90), std::max(1.0, s * 0.035)));
    for (int line = 0; line < 6; ++line) {
        const qreal y = s * (0.2 + 0.12 * line);
        p.drawLine(QPointF(s * 0.26, y), QPointF(s * (line % 2 ? 0.62 : 0.74), y));
    }
    return pm;
}

InputBlocker::InputBlocker()
{
    qApp->installEventFilter(this);
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    since_.start();
}

InputBlocker::~InputBlocker()
{
    qApp->removeEventFilter(this);
    QGuiApplication::restoreOverrideCursor();
}

void InputBlocker::pump()
{
    if (since_.elapsed() >= 40)
        flush();
}

void InputBlocker::flush()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    since_.restart();
}

bool InputBlocker::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonRelease:
    case QEvent::NonClientAreaMouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        return true;
    case QEvent::Close:
        // The close box of any window; the program's own closing of windows is not spontaneous.
        if (!event->spontaneous())
            return false;
        event->ignore();
        return true;
    default:
        return QObject::eventFilter(watched, event);
    }
}

}  // namespace vu
