// The batch window: a source pane above and a target pane below, each with a drive, folder and
// file list and the file count, an image-type choice, and the commands that copy, move, rename
// or delete every file the source pane lists, with a log of what was done.
#pragma once

#include "batchrules.h"

#include "platform/listcontrols.h"
#include "shell/vumodule.h"

#include <QAction>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QPointer>
#include <QProgressBar>
#include <QToolBar>

#include <array>

namespace vu {

class VuLog;
class VuReNM;

class VuConv : public QMainWindow {
    Q_OBJECT
public:
    // A window without owner; building it loads it (both panes on the current folder).
    explicit VuConv(VuModule& module);
    ~VuConv() override;

    // ---- controls (index 0: source pane, 1: target pane) ----
    std::array<DriveListBox*, 2> DrvList;
    std::array<DirListBox*, 2> DirList;
    std::array<FileListBox*, 2> FileList;
    std::array<QLabel*, 2> Label1;  // "ファイル数"
    std::array<QLineEdit*, 2> filSu;
    QComboBox* cmbBox;
    QToolBar* Toolbar1;
    QProgressBar* PrgBar;
    QListWidget* List1;  // the log store, never visible
    QFrame* Frame1;
    std::array<QFrame*, 2> Frame2;

    QMenu* mnuFile;
    QAction* mnuFileQuit;
    QMenu* mnuSyori;
    QAction* mnuSyoriCopy;
    QAction* mnuSyoriMove;
    QAction* mnuSyoriRename;
    QAction* mnuSyoriDel;
    QAction* mnuSyoriUndo;  // 元に戻す (Ctrl+Z): enabled while the journal holds something to undo
    QAction* sa;
    QAction* mnuSyoriLog;

    // ---- state ----
    std::array<QString, 5> typeNames;
    quint8 logShown = 0;
    std::array<QString, 2> paneDir;  // each pane's folder with a final separator
    QString srcPath;  // the file an operation is working on
    qint32 topmostResult = 0;  // what SetTopmost answered at loading

    // The toolbar button with this key.
    QAction* toolButton(const QString& key) const;
    // The log window while it is loaded, else null.
    VuLog* logWindow() const;
    // The rename dialog, loaded on first use and then kept (hidden) with the main window.
    VuReNM* renameDialog();
    // True while an operation runs.
    bool running() const { return running_; }

    // ---- loading, placement, closing ----
    void Form_Load();
    void Dsp_change();
    void Form_Unload();

    // ---- panes ----
    void DrvList_Change(int index);
    void DirList_Change(int index);
    void DirList_LostFocus(int index);
    void cmbBox_Click();
    void Yen_Plus();
    // The end step of every operation: both file lists re-read, both counts written, bar hidden.
    void paneRefresh();

    // ---- commands ----
    void Toolbar1_ButtonClick(QAction* button);
    void mnuFileQuit_Click();
    void mnuSyoriCopy_Click();
    void mnuSyoriMove_Click();
    void mnuSyoriRename_Click();
    void mnuSyoriDel_Click();
    void mnuSyoriLog_Click();
    // Undoes the newest batch run or drop, after asking; the log tells what became of each file.
    void mnuSyoriUndo_Click();
    // The same, for the main window's command too: true when something was undone.
    bool undoNewest();

    // ---- log ----
    // Appends a line to the log store; when the store is full its oldest line makes room.
    void appendLog(const QString& line);
    // Shows the log store in the log window (loading it, hidden unless toggled on).
    void addLog();
    // Lines appended during this opening, including any the full store has dropped.
    qint64 logTotal() const { return logTotal_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void buildMenus();
    void buildToolbar(QWidget* client);
    void pointPane(int index, const QString& folder);
    void writeCounts();
    MsgAnswer ask(const QString& title, const QString& text, MsgIcon icon, MsgButtons buttons);

    // The operations (vuconvops.cpp).
    class Run;  // an operation under way: input blocked, windows kept painted
    // What a command works on: the panes' folders and the source pane's names.
    struct Batch {
        QString source, target;
        QStringList names;
    };
    Batch fixBatch();
    void resetBar(int files);
    void copyOrMove(bool move);

    VuModule& module_;
    QPointer<VuLog> log_;
    QPointer<VuReNM> ownRenameDialog_;  // only when there is no main window to keep it
    qint64 logTotal_ = 0;
    bool running_ = false;
};

}  // namespace vu
