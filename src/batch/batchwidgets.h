// Small widget helpers of the batch windows: the 元に戻す question and menu item, text fitting,
// and the guard that keeps the windows painted but deaf to input while an operation runs.
#pragma once

#include "engine/undo.h"

#include <QElapsedTimer>
#include <QObject>

#include <optional>

class QAction;
class QLabel;
class QMenu;
class QWidget;

namespace vu {

class VuModule;

// The question of 元に戻す, asked in a box owned by `owner`: on OK the newest action of the
// journal, taken out of it to be undone; nothing when there is none or the user declines.
std::optional<engine::Action> askUndo(VuModule& module, QWidget* owner);

// The 元に戻す item of both batch windows' menus, added to `menu` under `objectName`: Ctrl+Z, and
// enabled while the journal holds something to undo. Its triggered() is the caller's to connect.
QAction* addUndoAction(QMenu* menu, VuModule& module, const QString& objectName);

// Shrinks a label's font (down to 6 points) until its text fits the label's width.
void fitText(QLabel* label);

// While it lives, user input to every window of the program (mouse, keys, wheel, drops, the
// close box) is thrown away, and pump() lets the windows repaint and timers run. An operation
// that holds the only thread for a long time calls pump() as it goes, so its progress bar and
// the log follow the work without the user starting anything else meanwhile.
class InputBlocker : public QObject {
    Q_OBJECT
public:
    InputBlocker();
    ~InputBlocker() override;
    InputBlocker(const InputBlocker&) = delete;
    InputBlocker& operator=(const InputBlocker&) = delete;

    // Handles what is waiting (painting, timers) when some time has passed since the last time.
    void pump();
    // Handles what is waiting now.
    void flush();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QElapsedTimer since_;
};

}  // namespace vu
