#include "undorunner.h"
#include "inputblocker.h"

#include "shell/naming.h"
#include "shell/vumodule.h"
#include "shell/worktexts.h"

#include <QMenu>
#include <QProgressBar>

namespace vu {

QAction* addUndoAction(QMenu* menu, VuModule& module, const QString& objectName)
{
    QAction* undo = menu->addAction(UndoTitle);
    nameObject(undo, objectName);
    undo->setShortcut(QKeySequence::Undo);
    undo->setEnabled(module.journal().canUndo());
    QObject::connect(&module.journal(), &engine::Journal::changed, undo,
        [undo, &module] { undo->setEnabled(module.journal().canUndo()); });
    return undo;
}

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

bool runUndo(VuModule& module, QWidget* owner, const UndoShow& show)
{
    const std::optional<engine::Action> action = askUndo(module, owner);
    if (!action)
        return false;
    show.bar->setRange(0, int(action->entries.size()) + show.barSpare);
    show.bar->setValue(0);
    show.bar->show();
    engine::Totals totals;
    QStringList leftAlone;
    {
        // A long undo keeps the windows painted and the progress bar moving, and takes no input.
        InputBlocker blocker;
        if (show.running)
            *show.running = true;
        blocker.flush();  // the bar shows before the first file
        int files = 0;
        totals = engine::undoTaken(module.journal(), module.files(), *action, [&](const engine::UndoOutcome& u) {
            show.bar->setValue(++files);
            if (show.reasonsInBox && !u.done())
                leftAlone << undoLine(u);
            if (show.each)
                show.each(u);
            blocker.pump();
        });
        if (show.done)
            show.done();
        if (show.running)
            *show.running = false;
    }
    if (show.settled)
        show.settled();
    const int notUndone = show.reasonsInBox ? int(leftAlone.size()) : totals.skipped + totals.failed;
    if (notUndone > 0)
        module.dialogs().message(owner, UndoTitle, undoSummary(notUndone, leftAlone), MsgIcon::Error, MsgButtons::Ok);
    return true;
}

}  // namespace vu
