// The main window: drive, folder and file lists, the type buttons, the thumbnail grid, the drop
// boxes, the status bar, the toolbar and the menus.
#pragma once

#include "layout.h"
#include "mainbars.h"
#include "platform/folderlisting.h"
#include "shell/settings.h"
#include "shell/vumodule.h"
#include "widgets/folderpane.h"
#include "widgets/picturebox.h"
#include "widgets/thumbnailgrid.h"

#include <QAction>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QToolBar>

#include <array>

namespace vu {

class VuConv;

class VuMain : public QMainWindow {
    Q_OBJECT
public:
    // The window's controls, by the names the program's code and tests know them by.
    struct Controls {
        DriveListBox* DrvList = nullptr;
        DirListBox* DirList = nullptr;
        std::array<QPushButton*, 6> OkBtn{};  // 0: "Folder Choice" (show), 1 to 5: the types
        QProgressBar* PrgBar1 = nullptr;
        std::array<PictureBox*, CellsPerPage> Img{};  // the thumbnails
        std::array<QLineEdit*, CellsPerPage> ImgName{};  // each thumbnail's file name
        QFrame* Frame2 = nullptr;  // the frame holding the three drop boxes
        std::array<PictureBox*, 3> imgBox{};  // the drop boxes: copy, move, delete
        QStatusBar* StatusBar1 = nullptr;
        QToolBar* tbToolBar = nullptr;

        QMenu* mnuFile = nullptr;
        QAction* mnuFileUndo = nullptr;  // 元に戻す (Ctrl+Z): enabled while the journal holds something to undo
        QAction* mnuFileSep = nullptr;
        QAction* mnuFileQuit = nullptr;
        QMenu* mnuProp = nullptr;
        QAction* mnuPropProp = nullptr;
        QAction* mnuPropTrash = nullptr;  // 削除時にごみ箱を使う: checked, deletions go to the trash
        QMenu* mnuRun = nullptr;
        QAction* mnuRunSlide = nullptr;
        QAction* mnuRun2 = nullptr;  // the separator before 一括変換
        QAction* mnuRunConv = nullptr;
        QMenu* mnuHelp = nullptr;
        QAction* mnuHelpVer = nullptr;
        QAction* sa = nullptr;  // the separator before 開発者のwebｻｲﾄ
        QAction* mnuHelpUrl = nullptr;
        QMenu* mnuPop = nullptr;  // the thumbnails' pop-up menu, not in the menu bar
        QAction* mnuPop1 = nullptr;  // 画像を表示: opens the viewer
        QAction* mnuPopSp = nullptr;  // the separator below mnuPop1
        QAction* mnuPop2 = nullptr;  // 名称: the file's name
        QAction* mnuPop3 = nullptr;  // 日付: its modification time
        QAction* mnuPop4 = nullptr;  // 属性: its attribute
    };

    explicit VuMain(VuModule& module, QWidget* parent = nullptr);
    ~VuMain() override;

    VuModule& module() const { return module_; }

    // The controls, for tests and for the real-window checks that read and drive them as a user
    // would; the window's own code is the only other user.
    Controls& ui() { return ui_; }
    const Controls& ui() const { return ui_; }

    // ---- state ----
    // The names the file list holds: the folder shown and the type chosen.
    const FolderListing& fileList() const { return pane_->listing(); }
    // The page on the screen (1 to 255); imgDsp() draws the page set.
    quint8 pageNo() const { return pageNo_; }
    void setPageNo(quint8 page) { pageNo_ = page; }
    // The cells a page holds.
    quint8 pageSize() const { return pageSize_; }
    // The folder the page on the screen was drawn from; with the cells' names it names each
    // cell's file.
    QString pageFolder() const { return pageFolder_; }
    // The name of the file cell `cell` was drawn with.
    QString pageFile(int cell) const { return grid_->pageFile(cell); }
    // The error number of the last start-up, drop or slide-show command: that of the step that
    // ended it, 0 when it went through.
    int errNo() const { return errNo_; }
    // For tests: a number left over from an earlier command, to see that the next one clears it.
    void setErrNo(int n) { errNo_ = n; }
    // Drop boxes: the copy and move targets, and the files the last drop worked on.
    QString copyPath() const { return copyPath_; }
    QString movePath() const { return movePath_; }
    void setCopyPath(const QString& folder) { copyPath_ = folder; }
    void setMovePath(const QString& folder) { movePath_ = folder; }
    QString srcFile() const { return srcFile_; }
    QString dstFile() const { return dstFile_; }
    // Thumbnail `cell`'s drag icon: null for the plain outline.
    QPixmap dragIcon(int cell) const { return grid_->dragIcon(cell); }

    // Status panel n (1 to 6).
    QString panel(int n) const;
    void setPanel(int n, const QString& text);
    // The toolbar button with this key.
    QAction* toolButton(const QString& key) const;

    // ---- start-up, shut-down, layout ----
    void Form_Initialize();
    void Form_Load();
    void Form_Activate();
    // Stores the current folder in the settings file; the outcome of the write.
    FsStatus Form_Unload();
    void Dsp_change();
    void SysInfo1_DisplayChanged();
    // The layout as placed: the table chosen for the work area, fitted to the area below the
    // toolbar.
    const MainLayout& currentLayout() const { return fitted_; }
    // True where the toolbar shows small icons with their texts beside them.
    bool compactToolbar() const;

    // ---- lists ----
    void DrvList_Change();
    void DirList_Change();
    void DirList_LostFocus();

    // ---- thumbnail pages ----
    // Empties the cells and sets the progress bar to 0.
    void ImgClr();
    // Fills the cells of the page on the screen from the file list and its folder. A picture
    // that cannot be loaded leaves its cell with its name and a broken-picture mark; the rest
    // still load.
    void imgDsp();
    // The show button (0) and the type buttons (1 to 5).
    void OkBtn_Click(int index);
    void pageBack();
    void pageForward();
    // The full path of the file cell `cell` of the page on the screen shows, empty if none.
    QString cellFile(int cell) const { return grid_->cellFile(cell); }
    // How many pictures of a page decode at once.
    int thumbnailThreads() const { return grid_->threads(); }
    // The grid of thumbnails, their names and the progress bar.
    ThumbnailGrid& grid() const { return *grid_; }

    // ---- drag and drop ----
    // A dragged control entering (state 0), leaving (1) or moving over (2) drop box `index`.
    void imgBox_DragOver(int index, QObject* source, int x, int y, int state);
    // A dragged control released over drop box `index`: copy, move or delete its file. The
    // error number of the step that failed (also errNo()), 0 when none did.
    int imgBox_DragDrop(int index, QObject* source, int x, int y);
    void imgBox_Click(int index);
    // The picture of "drop.ico" in the working directory, or the built-in one.
    QPixmap dropIcon() const;

    // ---- information menu and viewer ----
    // A mouse button pressed on thumbnail `index`: the right button opens the information menu
    // of the file the cell shows, at the position pressed.
    void img_MouseDown(int index, Qt::MouseButton button, Qt::KeyboardModifiers shift, QPoint pos);
    // Opens the viewer on the thumbnail right-clicked last, modally.
    void mnuPop1_Click();

    // ---- choosers ----
    // The file-open dialog for an image file, opening on CurPath: on a choice, DlgFile is the file
    // and CurPath its folder with a final separator (the lists stay where they are). Success then;
    // the cancel error otherwise.
    FsStatus DialgDsp();

    // ---- commands ----
    void tbToolBar_ButtonClick(QAction* button);
    // Undoes the newest batch run or drop, after asking. With the batch window open, that window
    // does it and logs each file; otherwise a box tells of the files left alone. The page is
    // drawn again.
    void mnuFileUndo_Click();
    void mnuFileQuit_Click();
    // The slide-show settings dialog, modal.
    void mnuPropProp_Click();
    // Deletions go to the trash from now on (checked) or are final (unchecked); the choice is kept
    // for the next run.
    void mnuPropTrash_Click();
    // Asks for an image file and plays the slide show of its folder while this window is hidden.
    // The error number of the question is kept (errNo()).
    void mnuRunSlide_Click();
    void mnuHelpVer_Click();
    void mnuHelpUrl_Click();
    // Shows the batch window, modeless and without owner; brings it forward when already open.
    void mnuRunConv_Click();
    // The batch window while it is open, else null.
    VuConv* batchWindow() const;

signals:
    // The window has closed and stored the settings: the program ends.
    void programEnds();

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void buildMenus();
    void buildToolbar();
    void buildStatusBar();
    void placeControls();
    // The window manager's frame around the window; null before it has framed it.
    QMargins windowFrame() const;
    void writeCount();
    void writePageLabel();
    void refreshAfterDrop();
    // Draws the page set again, from the file list as it is, and its number.
    void redrawPage();

    VuModule& module_;
    Controls ui_;
    FolderPane* pane_ = nullptr;  // the drive and folder lists, and the names of the folder's files
    quint8 pageNo_ = 1;
    quint8 pageSize_ = CellsPerPage;
    ThumbnailGrid* grid_ = nullptr;
    QString pageFolder_;
    int errNo_ = 0;
    QString copyPath_, movePath_;
    QString srcFile_, dstFile_;
    SettingsRec settings_;  // this window's copy of the settings record

    MainLayout layout_;  // the table for the work area
    MainLayout fitted_;  // as placed
    QSize placedSize_;  // the size of the area below the toolbar the controls were placed for
    bool framePending_ = true;  // placed before the window manager framed the window
    static constexpr int PanelGap = 6;  // pixels between two status panels
    std::array<StatusPanel*, 6> panels_{};
    bool closing_ = false;
    QPointer<VuConv> conv_;
};

}  // namespace vu
