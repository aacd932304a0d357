// The main window: drive, folder and file lists, the type buttons, the thumbnail grid, the drop
// boxes, the status bar, the toolbar and the menus.
#pragma once

#include "platform/listcontrols.h"
#include "platform/picturebox.h"
#include "shell/layout.h"
#include "shell/settings.h"
#include "shell/vumodule.h"
#include "thumbnailer.h"

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

#include <QPointer>

#include <array>

class QDrag;

namespace vu {

class VuConv;

class VuMain : public QMainWindow {
    Q_OBJECT
public:
    explicit VuMain(VuModule& module, QWidget* parent = nullptr);
    ~VuMain() override;

    VuModule& module() const { return module_; }

    // ---- controls ----
    DriveListBox* DrvList;
    DirListBox* DirList;
    FileListBox* FileList;  // never shown
    std::array<QPushButton*, 6> OkBtn;
    QProgressBar* PrgBar1;
    std::array<PictureBox*, 30> Img;
    std::array<QLineEdit*, 30> ImgName;
    QFrame* Frame2;
    std::array<PictureBox*, 3> imgBox;
    QStatusBar* StatusBar1;
    QToolBar* tbToolBar;

    QMenu* mnuFile;
    QAction* mnuFileUndo;  // 元に戻す (Ctrl+Z): enabled while the journal holds something to undo
    QAction* mnuFileSep;
    QAction* mnuFileQuit;
    QMenu* mnuProp;
    QAction* mnuPropProp;
    QMenu* mnuRun;
    QAction* mnuRunSlide;
    QAction* mnuRun2;
    QAction* mnuRunConv;
    QMenu* mnuHelp;
    QAction* mnuHelpVer;
    QAction* sa;
    QAction* mnuHelpUrl;
    QMenu* mnuPop;  // the thumbnails' pop-up menu, not in the menu bar
    QAction* mnuPop1;
    QAction* mnuPopSp;
    QAction* mnuPop2;
    QAction* mnuPop3;
    QAction* mnuPop4;

    // ---- state ----
    quint8 PageNo = 1;
    quint8 PageSize = 30;
    std::array<QString, 32> PageFiles;
    // The folder the page on the screen was drawn from; with PageFiles it names each cell's file.
    QString PageFolder;
    double ErrNo = 0;
    // Drop boxes: the copy and move targets, and the files a drop works on.
    QString CopyPath;
    QString MovePath;
    QString SrcFile;
    QString DstFile;
    // Each thumbnail's drag icon: null for the plain outline.
    std::array<QPixmap, 30> DragIcon;
    SettingsRec settings;  // this window's copy of the settings record

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
    // Moves the lists to `folder` (another window handing the current folder over); false when
    // they cannot show it.
    bool listFolder(const QString& folder);

    // ---- thumbnail pages ----
    // Empties the 30 cells and sets the progress bar to 0.
    void ImgClr();
    // Fills the cells of page PageNo from the file list and its folder. A picture that cannot be
    // loaded leaves its cell with its name and a broken-picture mark; the rest still load.
    void imgDsp();
    // The show button (0) and the type buttons (1 to 5).
    void OkBtn_Click(int index);
    void pageBack();
    void pageForward();
    // The full path of the file cell `cell` of the page on the screen shows, empty if none.
    QString cellFile(int cell) const;
    // How many pictures of a page decode at once.
    int thumbnailThreads() const { return thumbnails_.threads(); }

    // ---- drag and drop ----
    // A dragged control entering (state 0), leaving (1) or moving over (2) drop box `index`.
    void imgBox_DragOver(int index, QObject* source, int x, int y, int state);
    // A dragged control released over drop box `index`: copy, move or delete its file.
    void imgBox_DragDrop(int index, QObject* source, int x, int y);
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
    // The file-open dialog for an image file: on a choice, DlgFile is the file, the lists move to
    // its folder and CurPath is that folder with a final separator; ErrNo is 0 then and the
    // cancel error otherwise (or the error of a folder the lists cannot show).
    void DialgDsp();

    // ---- commands ----
    void tbToolBar_ButtonClick(QAction* button);
    // Undoes the newest batch run or drop, after asking. With the batch window open, that window
    // does it and logs each file; otherwise a box tells of the files left alone. The page is
    // drawn again.
    void mnuFileUndo_Click();
    void mnuFileQuit_Click();
    // The slide-show settings dialog, modal.
    void mnuPropProp_Click();
    // Asks for an image file and plays the slide show of its folder while this window is hidden.
    void mnuRunSlide_Click();
    void mnuHelpVer_Click();
    void mnuHelpUrl_Click();
    // Shows the batch window, modeless and without owner; brings it forward when already open.
    void mnuRunConv_Click();
    // The batch window while it is open, else null.
    VuConv* batchWindow() const;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void buildMenus();
    void buildToolbar();
    void buildStatusBar();
    void place(QWidget* w, const TwipRect& r);
    void placeControls();
    void setCompactToolbar(bool compact);
    // The window manager's frame around the window; null before it has framed it.
    QMargins windowFrame() const;
    void writeCount();
    void writePageLabel();
    void dragThumbnail(int cell);
    void updateDragCursor();
    FsStatus dropOnBox(int index, int cell);
    void refreshAfterDrop();

    VuModule& module_;
    MainLayout layout_;  // the table for the work area
    MainLayout fitted_;  // as placed
    QSize placedSize_;  // the size of the area below the toolbar the controls were placed for
    bool framePending_ = true;  // placed before the window manager framed the window
    static constexpr int PanelGap = 6;  // pixels between two status panels
    Thumbnailer thumbnails_;
    std::array<QLabel*, 6> panels_{};
    bool closing_ = false;
    QPointer<QDrag> drag_;  // the thumbnail drag in progress
    int dragCell_ = -1;
    QPointer<VuConv> conv_;
};

// Texts of the status panels before anything writes them.
QString initialPanelText(int n);

}  // namespace vu
