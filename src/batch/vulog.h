// The batch log window: shows the lines of the batch window's log store, oldest first, and
// offers 元に戻す, which the batch window carries out.
#pragma once

#include "shell/vumodule.h"

#include <QAction>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>

namespace vu {

class VuLog : public QMainWindow {
    Q_OBJECT
public:
    // A window of its own, kept with the batch window `owner`.
    VuLog(VuModule& module, QWidget* owner);

    QListWidget* List1;  // larger than the window, which shows its upper left part
    QMenu* mnuEdit;  // 編集
    QAction* mnuEditUndo;  // 元に戻す (Ctrl+Z, also in List1's context menu)
    qint32 topmostResult = 0;  // what SetTopmost answered at loading

    void Form_Load();
    void Dsp_change();

    // Brings List1 in line with the log store, which holds the last store.count() of the `total`
    // lines appended to it so far. The result is the store's lines in order, as a rebuild from
    // scratch would give, but only the lines List1 lacks are added (and those the store dropped
    // are removed), so the cost does not grow with the length of the log.
    void follow(const QListWidget& store, qint64 total);
    // Empties List1; the next follow() fills it from the whole store.
    void clearList();

signals:
    // The window was closed by its close box (or the window system); it is being discarded.
    void closedByUser();
    // 元に戻す was chosen.
    void undoRequested();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    VuModule& module_;
    qint64 mirrored_ = -1;  // the store's `total` that List1 shows; -1 when List1 must be rebuilt
};

}  // namespace vu
