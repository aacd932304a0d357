#include "inputblocker.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QLabel>

namespace vu {

void fitText(QLabel* label)
{
    QFont f = label->font();
    while (f.pointSizeF() > 6 && QFontMetrics(f).horizontalAdvance(label->text()) > label->width())
        f.setPointSizeF(f.pointSizeF() - 0.5);
    label->setFont(f);
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
