// 元に戻す, the same from every window that offers it (the main window, the batch window and its
// log window): the menu item, the question, the undo of the journal's newest action with the
// window's progress bar following it and input blocked meanwhile, and the box that ends it when
// some files were left alone.
#pragma once

#include "engine/undo.h"

#include <functional>
#include <optional>

class QAction;
class QMenu;
class QProgressBar;
class QWidget;

namespace vu {

class VuModule;

// The 元に戻す item, added to `menu` under `objectName`: Ctrl+Z, and enabled while the journal
// holds something to undo. Its triggered() is the caller's to connect.
QAction* addUndoAction(QMenu* menu, VuModule& module, const QString& objectName);

// The question of 元に戻す, asked in a box owned by `owner`: on OK the newest action of the
// journal, taken out of it to be undone; nothing when there is none or the user declines.
std::optional<engine::Action> askUndo(VuModule& module, QWidget* owner);

// How a window follows an undo.
struct UndoShow {
    QProgressBar* bar = nullptr;  // counts the files, one step each
    int barSpare = 0;  // steps of the bar beyond the files
    bool* running = nullptr;  // set while the files are worked on
    std::function<void(const engine::UndoOutcome&)> each;  // after each file (a log line)
    std::function<void()> done;  // after the last file, input still blocked (the lists re-read)
    std::function<void()> settled;  // once input is back, before the closing box
    // No log holds the reasons: the closing box lists the files left alone.
    bool reasonsInBox = false;
};

// Asks, then undoes the journal's newest action as `show` follows it, and tells in a box owned
// by `owner` how many files were left alone. False when nothing was undone.
bool runUndo(VuModule& module, QWidget* owner, const UndoShow& show);

}  // namespace vu
