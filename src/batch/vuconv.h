// The batch window: a source pane above and a target pane below, each with a drive, folder and
// file list and the file count, an image-type choice, and the commands that copy, move, rename
// or delete every file the source pane lists, with a log of what was done.
#pragma once

#include "batchlog.h"
#include "batchrules.h"

#include "shell/vumodule.h"
#include "widgets/folderpane.h"

#include <QAction>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
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
    // A window without owner; building it loads it (both panes on the current folder). The rename
    // dialog is owned by `renameOwner` (the main window) and kept there between openings.
    explicit VuConv(VuModule& module, QWidget* renameOwner = nullptr);
    ~VuConv() override;

    // The window's controls (index 0: source pane, 1: target pane).
    struct Controls {
        std::array<DriveListBox*, 2> DrvList{};
        std::array<DirListBox*, 2> DirList{};
        std::array<FileListBox*, 2> FileList{};
        std::array<QLabel*, 2> Label1{};  // the caption "ファイル数" above each pane's count
        std::array<QLineEdit*, 2> filSu{};  // each pane's file count (su: number)
        QComboBox* cmbBox = nullptr;  // the image-type choice: all, bmp, jpg, gif, ico
        QToolBar* Toolbar1 = nullptr;
        QProgressBar* PrgBar = nullptr;
        QFrame* Frame1 = nullptr;  // the rule along the top of the client area
        std::array<QFrame*, 2> Frame2{};  // the rules below the toolbar and between the panes

        QMenu* mnuFile = nullptr;
        QAction* mnuFileQuit = nullptr;
        QMenu* mnuSyori = nullptr;  // 処理選択 (syori: processing): the commands
        QAction* mnuSyoriCopy = nullptr;
        QAction* mnuSyoriMove = nullptr;
        QAction* mnuSyoriRename = nullptr;
        QAction* mnuSyoriDel = nullptr;
        QAction* mnuSyoriUndo = nullptr;  // 元に戻す (Ctrl+Z): enabled while the journal holds something to undo
        QAction* sa = nullptr;  // the separator above ログ
        QAction* mnuSyoriLog = nullptr;
    };
    // The controls, for tests to read and drive: the only way to them from outside the window.
    const Controls& ui() const { return ui_; }

    // The toolbar button with this key.
    QAction* toolButton(const QString& key) const;
    // The log window while it is loaded, else null.
    VuLog* logWindow() const;
    // The rename dialog, loaded on first use and then kept (hidden) with the main window.
    VuReNM* renameDialog();
    // True while an operation runs.
    bool running() const { return running_; }

    // The names of the type choice's items, in order.
    const std::array<QString, 5>& typeNames() const { return typeNames_; }
    // True while the log window is toggled on.
    bool logShown() const { return logShown_; }
    // Each pane's folder with a final separator, as the last command fixed them.
    const std::array<QString, 2>& paneDir() const { return paneDir_; }
    // The file the last operation worked on last.
    const QString& srcPath() const { return srcPath_; }
    // What SetTopmost answered at loading.
    qint32 topmostResult() const { return topmostResult_; }

    // ---- loading, placement, closing ----
    void Form_Load();
    void Dsp_change();
    void Form_Unload();

    // ---- panes ----
    void DrvList_Change(int index);
    void DirList_Change(int index);
    void DirList_LostFocus(int index);
    void cmbBox_Click();
    // Fixes each pane's folder with a final separator (Yen: the separator "\"), and gives them.
    const std::array<QString, 2>& Yen_Plus();
    // The end step of every operation: both file lists re-read, both counts written, bar hidden.
    void paneRefresh();

    // ---- commands ----
    // Runs the command of the button's key (its data); a key of no command does nothing.
    void Toolbar1_ButtonClick(QAction* button);
    void mnuFileQuit_Click();
    void mnuSyoriCopy_Click() { operate(batch::Command::Copy); }
    void mnuSyoriMove_Click() { operate(batch::Command::Move); }
    void mnuSyoriRename_Click() { operate(batch::Command::Rename); }
    void mnuSyoriDel_Click() { operate(batch::Command::Delete); }
    void mnuSyoriLog_Click();
    // Undoes the newest batch run or drop, after asking; the log tells what became of each file.
    void mnuSyoriUndo_Click() { undoNewest(); }
    // The same, for the main window's command too: true when something was undone.
    bool undoNewest();

    // ---- log ----
    // Appends a line to the log store; when the store is full its oldest line makes room.
    void appendLog(const QString& line);
    // Brings the log window in line with the log store (loading it, hidden unless toggled on).
    void syncLogWindow();
    // The lines of this opening (the newest ones, when there were more than it keeps).
    const BatchLog& logStore() const { return log_; }
    // Lines appended during this opening, including any the full store has dropped.
    qint64 logTotal() const { return log_.total(); }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void buildMenus();
    void buildToolbar(QWidget* client);
    void run(batch::Command command);
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
    // Runs a file command: asks, works through the source pane's files, logs and reports.
    void operate(batch::Command command);
    // The rename's prefix, asked in `dialog` and checked; none when cancelled or unusable.
    std::optional<QString> askPrefix(VuReNM* dialog);

    VuModule& module_;
    Controls ui_;
    std::array<FolderPane*, 2> panes_{};  // each pane's lists, kept in step
    BatchLog log_;
    std::array<QString, 5> typeNames_;
    bool logShown_ = false;
    std::array<QString, 2> paneDir_;
    QString srcPath_;
    qint32 topmostResult_ = 0;
    QPointer<VuLog> logWindow_;
    QPointer<QWidget> renameOwner_;
    QPointer<VuReNM> ownRenameDialog_;  // only when there is no owner to keep it
    bool running_ = false;
};

}  // namespace vu
