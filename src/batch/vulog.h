// The batch log window: shows the lines of the batch window's log store, oldest first, and
// offers 元に戻す, which the batch window carries out.
#pragma once

#include "batchlog.h"

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

    struct Controls {
        QListWidget* List1 = nullptr;  // the lines shown; larger than the window, which shows its upper left part
        QMenu* mnuEdit = nullptr;  // 編集
        QAction* mnuEditUndo = nullptr;  // 元に戻す (Ctrl+Z, also in List1's context menu)
    };
    // The controls, for tests to read and drive: the only way to them from outside the window.
    const Controls& ui() const { return ui_; }
    // What SetTopmost answered at loading.
    qint32 topmostResult() const { return topmostResult_; }

    void Form_Load();
    void Dsp_change();
    // Shows or hides the window together with its list.
    void setShown(bool shown);

    // Brings List1 in line with the log store, which holds the last store.count() of the
    // store.total() lines appended to it so far. The result is the store's lines in order, as a
    // rebuild from scratch would give, but only the lines List1 lacks are added (and those the
    // store dropped are removed), so the cost does not grow with the length of the log.
    void follow(const BatchLog& store);
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
    Controls ui_;
    qint32 topmostResult_ = 0;
    qint64 mirrored_ = -1;  // the store's total() that List1 shows; -1 when List1 must be rebuilt
};

}  // namespace vu
