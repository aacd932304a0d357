#include "batchwidgets.h"
#include "batchrules.h"

#include "shell/naming.h"
#include "shell/vumodule.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QMenu>

namespace vu {

std::optional<engine::Action> askUndo(VuModule& module, QWidget* owner)
{
    const engine::Action* last = module.journal().last();
    if (!last)
        return std::nullopt;
    if (deletedForGood(*last)) {
        // Nothing of it can come back: say so, and the run before it is the next to undo.
        module.dialogs().message(owner, UndoTitle, cannotUndoText(*last), MsgIcon::Information, MsgButtons::Ok);
        module.journal().takeLast();
        return std::nullopt;
    }
    if (module.dialogs().message(owner, UndoTitle, undoQuestion(*last), MsgIcon::Exclamation, MsgButtons::OkCancel)
        != MsgAnswer::Ok)
        return std::nullopt;
    return module.journal().takeLast();
}

QAction* addUndoAction(QMenu* menu, VuModule& module, const QString& objectName)
{
    QAction* undo = menu->addAction(QStringLiteral("元に戻す"));
    nameObject(undo, objectName);
    undo->setShortcut(QKeySequence::Undo);
    undo->setEnabled(module.journal().canUndo());
    QObject::connect(&module.journal(), &engine::Journal::changed, undo,
        [undo, &module] { undo->setEnabled(module.journal().canUndo()); });
    return undo;
}

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
