#include "vumain.h"
#include "drops.h"
#include "guide.h"
#include "info.h"
#include "mainmenus.h"
#include "mainsettings.h"
#include "pages.h"

#include "batch/vuconv.h"
#include "platform/paths.h"
#include "platform/twips.h"
#include "shell/artwork.h"
#include "shell/naming.h"
#include "shell/vuabout.h"
#include "slideshow/vuprop.h"
#include "slideshow/vuslide.h"
#include "viewer/vuview.h"
#include "widgets/undorunner.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLayout>
#include <QWindow>

#include <optional>

namespace vu {

VuMain::VuMain(VuModule& module, QWidget* parent)
    : QMainWindow(parent)
    , module_(module)
{
    setObjectName(QStringLiteral("VuMain"));
    setWindowTitle(QStringLiteral("Vutara! ver.2.0"));
    setWindowIcon(programIcon());

    buildControls();
    buildMenus();
    buildToolbar();  // after the menus, whose commands some buttons share
    buildStatusBar();

    module_.folder().setListed(pane_->folder());
    // The hidden file list follows the folder the lists show.
    connect(&module_.folder(), &CurrentFolder::listedChanged, this,
        [this](const QString& folder) { pane_->listFiles(folder); });
    connect(pane_, &FolderPane::driveChosen, this, &VuMain::DrvList_Change);
    connect(pane_, &FolderPane::folderChanged, this, &VuMain::DirList_Change);
    connect(pane_, &FolderPane::folderLostFocus, this, &VuMain::DirList_LostFocus);
    connect(&module_.screen(), &Screen::displayChanged, this, &VuMain::SysInfo1_DisplayChanged);
    for (int i = 0; i < 6; ++i)
        connect(ui_.OkBtn[i], &QPushButton::clicked, this, [this, i] { OkBtn_Click(i); });
    connect(ui_.tbToolBar, &QToolBar::actionTriggered, this, &VuMain::tbToolBar_ButtonClick);
    connect(grid_, &ThumbnailGrid::cellPressed, this, [this](int cell, Qt::MouseButton button, QPoint pos) {
        img_MouseDown(cell, button, QGuiApplication::keyboardModifiers(), pos);
    });
    for (int i = 0; i < 3; ++i)
        connect(ui_.imgBox[i], &PictureBox::clicked, this, [this, i] { imgBox_Click(i); });
    new DropTargets(ui_.imgBox, *grid_,
        {[this](
             int box, QObject* source, QPoint at, int state) { imgBox_DragOver(box, source, at.x(), at.y(), state); },
            [this](int box, QObject* source, QPoint at) { imgBox_DragDrop(box, source, at.x(), at.y()); }},
        this);
    Form_Initialize();
    Form_Load();
}

VuMain::~VuMain()
{
    // The batch window ends with the program, without its own closing steps.
    delete conv_.data();
}

void VuMain::buildControls()
{
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("VuMainClient"));
    setCentralWidget(client);
    client->installEventFilter(this);

    // The lists start on the working directory, as the controls do before loading moves them.
    pane_ = new FolderPane(module_.files(), module_.volumes(), client, allPicturesPattern(), false);
    ui_.DrvList = pane_->drives();
    nameWidget(ui_.DrvList, QStringLiteral("DrvList"));
    ui_.DirList = pane_->folders();
    nameWidget(ui_.DirList, QStringLiteral("DirList"));

    for (int i = 0; i < 6; ++i) {
        ui_.OkBtn[i] = new QPushButton(i == 0 ? QStringLiteral("Folder Choice") : imageType(i - 1).caption, client);
        ui_.OkBtn[i]->setObjectName(QStringLiteral("OkBtn(%1)").arg(i));
    }

    grid_ = new ThumbnailGrid(module_.pictures(), module_.thumbnails(), client);
    ui_.PrgBar1 = grid_->progressBar();
    ui_.Img = grid_->cells();
    ui_.ImgName = grid_->names();

    ui_.Frame2 = buildDropBoxes(client, &ui_.imgBox);
}

void VuMain::buildMenus()
{
    nameWidget(menuBar(), QStringLiteral("MenuBar"));
    // 元に戻す is the item every window that undoes has.
    mainMenus().build(this, ui_, [this](QMenu* menu, QAction* Controls::*action, const QString& name) {
        return action == &Controls::mnuFileUndo ? addUndoAction(menu, module_, name) : nullptr;
    });
    ui_.mnuPropTrash->setCheckable(true);
    ui_.mnuPropTrash->setChecked(module_.preferences().useTrash());
}

void VuMain::buildToolbar()
{
    ui_.tbToolBar = addToolBar(QStringLiteral("tbToolBar"));
    setUpToolbar(ui_.tbToolBar);
    setContextMenuPolicy(Qt::NoContextMenu);
    // The buttons that open windows follow their menu commands, enabled or not.
    followCommand(ui_.tbToolBar, "環境設定", ui_.mnuPropProp);
    followCommand(ui_.tbToolBar, "ｽﾗｲﾄﾞｼｮｰ", ui_.mnuRunSlide);
    followCommand(ui_.tbToolBar, "一括変換", ui_.mnuRunConv);
}

QAction* VuMain::toolButton(const QString& key) const
{
    return vu::toolButton(ui_.tbToolBar, key);
}

void VuMain::buildStatusBar()
{
    ui_.StatusBar1 = statusBar();
    nameWidget(ui_.StatusBar1, QStringLiteral("StatusBar1"));
    ui_.StatusBar1->setSizeGripEnabled(false);
    panels_ = addStatusPanels(ui_.StatusBar1);
}

QString VuMain::panel(int n) const
{
    return n >= 1 && n <= PanelCount ? panels_[n - 1]->text() : QString();
}

void VuMain::setPanel(int n, const QString& text)
{
    if (n >= 1 && n <= PanelCount) {
        panels_[n - 1]->setText(text);
        panels_[n - 1]->setToolTip(text);
    }
}

// ---- start-up, shut-down, layout ----

void VuMain::Form_Initialize()
{
    Dsp_change();
}

void VuMain::Dsp_change()
{
    // The window, its frame included, fills the work area, wherever the user has moved it.
    // Until the window manager has framed the window its frame is not known; the window is
    // placed again as soon as it is (see event()).
    const QRect area = module_.screen().workArea();
    const QMargins frame = windowFrame();
    framePending_ = frame.isNull();
    const QRect client = area.marginsRemoved(frame);
    setGeometry(client);

    layout_ = mainLayout(module_.workAreaWidthTwips());
    pageSize_ = CellsPerPage;
    // The toolbar is compact where the table would not fit below the full one (the small
    // layout at 800 pixels wide, the large one on short screens).
    setCompactToolbar(ui_.tbToolBar, false);
    const int chrome = menuBar()->sizeHint().height() + ui_.StatusBar1->sizeHint().height();
    setCompactToolbar(ui_.tbToolBar,
        twips::fromPx(client.height() - chrome - ui_.tbToolBar->sizeHint().height()) < tableHeight(layout_));
    // The area below the toolbar takes its size now, even in a window not shown yet; a window
    // manager that sizes the window otherwise moves the controls again (see eventFilter()).
    if (QLayout* l = layout()) {
        l->invalidate();
        l->activate();
    }
    placeControls();
}

QMargins VuMain::windowFrame() const
{
    const QWindow* w = windowHandle();
    return w && isVisible() ? w->frameMargins() : QMargins();
}

bool VuMain::compactToolbar() const
{
    return isCompactToolbar(ui_.tbToolBar);
}

void VuMain::placeControls()
{
    QWidget* client = centralWidget();
    placedSize_ = client->size();
    fitted_ = fitHeight(layout_, twips::fromPx(client->height()));
    placeAt(ui_.DrvList, fitted_.DrvList);
    placeAt(ui_.DirList, fitted_.DirList);
    for (int i = 0; i < 6; ++i)
        placeAt(ui_.OkBtn[i], fitted_.OkBtn[i]);
    placeAt(ui_.PrgBar1, fitted_.PrgBar1);
    for (int k = 0; k < CellsPerPage; ++k) {
        placeAt(ui_.Img[k], fitted_.Img[k]);
        placeAt(ui_.ImgName[k], fitted_.ImgName[k]);
    }
    placeAt(ui_.Frame2, fitted_.Frame2);
    for (int i = 0; i < 3; ++i)
        placeAt(ui_.imgBox[i], fitted_.imgBox[i]);
    // The panels take the table's widths; where the bar (less the gaps between the panels) is too
    // narrow for them all, the last gives way.
    const int room = ui_.StatusBar1->width() - 6 * PanelGap;
    setPanelWidths(panels_, fitPanels(fitted_, twips::fromPx(room)));
}

void VuMain::SysInfo1_DisplayChanged()
{
    Dsp_change();
}

void VuMain::writeCount()
{
    setPanel(CountPanel, countLabel(fileList().count()));
}

void VuMain::writePageLabel()
{
    setPanel(PagePanel, pageLabel(pageNo_, fileList().count()));
}

void VuMain::Form_Load()
{
    // One trap over all steps: the first that fails ends loading silently, and its number is kept.
    auto steps = [this]() -> FsStatus {
        if (FsStatus s = takeStoredFolder(module_, &settings_); !s.ok())
            return s;
        pageNo_ = 1;
        // The drive change below moves the folder list (and with it the current folder) to the
        // drive's own current folder; the stored folder is kept aside so that it still wins.
        const QString stored = module_.folder().curPath();
        if (FsStatus s = driveReady(module_, stored); !s.ok())
            return s;
        ui_.DrvList->setDrive(stored);
        if (FsStatus s = ui_.DirList->setPath(stored); !s.ok())
            return s;
        pane_->setPattern(allPicturesPattern());
        writeCount();
        setPanel(TypePanel, typeLabel(imageType(0)));
        return FsStatus::success();
    };
    // A stored folder that cannot be shown stays the current folder, and is stored again at the
    // end; the lists show what they could reach, and every page is drawn from them.
    errNo_ = steps().error;
}

void VuMain::Form_Activate()
{
    pane_->refresh();
}

FsStatus VuMain::Form_Unload()
{
    return storeCurrentFolder(module_, &settings_);
}

bool VuMain::event(QEvent* event)
{
    const QEvent::Type type = event->type();
    // The window manager has framed the window since it was placed: place it again, so that its
    // title bar and borders lie within the work area too.
    if ((type == QEvent::Show || type == QEvent::Move || type == QEvent::Resize || type == QEvent::WindowActivate)
        && framePending_ && !windowFrame().isNull()) {
        framePending_ = false;
        QMetaObject::invokeMethod(this, &VuMain::Dsp_change, Qt::QueuedConnection);
    }
    if (type == QEvent::WindowActivate)
        Form_Activate();
    return QMainWindow::event(event);
}

void VuMain::closeEvent(QCloseEvent* event)
{
    if (closing_) {
        event->accept();
        return;
    }
    closing_ = true;
    reportUnstored(Form_Unload());
    event->accept();
    emit programEnds();
}

// ---- lists ----

void VuMain::DrvList_Change()
{
    pane_->followDrive();
}

void VuMain::DirList_Change()
{
    module_.folder().takeListed(ui_.DirList->path());  // the file list follows
    writeCount();
}

void VuMain::DirList_LostFocus()
{
    pane_->takeHighlighted();
    module_.folder().takeListed(pane_->folder());
    writeCount();
}

// ---- thumbnail pages ----

void VuMain::ImgClr()
{
    grid_->clear();
}

void VuMain::imgDsp()
{
    const FolderListing& fileList = pane_->listing();
    const int n = fileList.count();
    if (n == 0)
        return;
    // The names come from the file list, so the pictures, the panel and every later command on
    // a cell take the list's folder with them.
    pageFolder_ = fileList.path();
    setPanel(ShownFolderPanel, panelLabel(ShownFolderPanel) + module_.folder().shownText());
    const int first = firstEntryOfPage(pageNo_, pageSize_);
    QStringList names;
    for (int i = 0; i < pageSize_ && first + i < n; ++i)
        names << fileList.item(first + i);
    grid_->draw(pageFolder_, names);
}

void VuMain::OkBtn_Click(int index)
{
    if (index == 0) {
        if (fileList().count() == 0)
            return;
        module_.folder().takeListed(ui_.DirList->path());
        pageNo_ = 1;
        redrawPage();
        writeCount();
    } else if (index >= 1 && index <= 5) {
        pane_->setPattern(imageType(index - 1).pattern);
        setPanel(TypePanel, typeLabel(imageType(index - 1)));
        writeCount();
    }
}

void VuMain::pageBack()
{
    if (pageNo_ == 1)
        return;
    --pageNo_;
    redrawPage();
}

void VuMain::pageForward()
{
    const int next = nextPage(pageNo_, fileList().count(), pageSize_);
    if (next == 0) {
        ui_.PrgBar1->setValue(0);
        return;
    }
    pageNo_ = quint8(next);  // at page 255 that page is drawn again
    redrawPage();
}

// ---- drag and drop ----

QPixmap VuMain::dropIcon() const
{
    const PictureResult r = module_.pictures().load(QStringLiteral("drop.ico"));
    return QPixmap::fromImage(r.ok() ? r.image : dropPicture(DragPictureSize).toImage());
}

bool VuMain::eventFilter(QObject* watched, QEvent* event)
{
    // The area below the toolbar got another size than the one the controls were placed for.
    if (watched == centralWidget() && event->type() == QEvent::Resize && centralWidget()->size() != placedSize_)
        placeControls();
    return QMainWindow::eventFilter(watched, event);
}

void VuMain::imgBox_DragOver(int index, QObject* source, int, int, int state)
{
    Q_UNUSED(index);
    const int cell = grid_->cellOf(source);
    if (state == 0)
        grid_->setDragIcon(cell, dropIcon());
    else if (state == 1)
        grid_->setDragIcon(cell, QPixmap());
}

int VuMain::imgBox_DragDrop(int index, QObject* source, int, int)
{
    errNo_ = 0;
    const int cell = grid_->cellOf(source);
    if (cell < 0 || index < 0 || index > 2)
        return 0;  // only thumbnails are dropped here
    const DropSession session{module_, this, copyPath_, movePath_, srcFile_, dstFile_,
        [this](int n, const QString& text) { setPanel(n, text); }};
    bool done = false;
    errNo_ = runDrop(session, index, paths::join(pageFolder_, grid_->pageFile(cell)), &done).error;
    if (done)
        refreshAfterDrop();
    return errNo_;
}

void VuMain::refreshAfterDrop()
{
    pane_->refreshFiles();
    redrawPage();
    writeCount();
}

void VuMain::redrawPage()
{
    ImgClr();
    imgDsp();
    writePageLabel();
}

void VuMain::imgBox_Click(int index)
{
    if (index == CopyBox || index == MoveBox) {
        QString& target = index == CopyBox ? copyPath_ : movePath_;
        target = module_.FolderDsp(this, 13);
        setPanel(dropBox(index).panel, panelLabel(dropBox(index).panel) + target);
    }
}

// ---- information menu and viewer ----

void VuMain::img_MouseDown(int index, Qt::MouseButton button, Qt::KeyboardModifiers, QPoint pos)
{
    if (button != Qt::RightButton || index < 0 || index >= CellsPerPage)
        return;
    module_.SelPage = pageNo_;
    module_.SelCell = quint8(index);
    // The file the cell shows, even after the lists moved to another folder or type without
    // the page being drawn again.
    const QString file = cellFile(index);
    // The shared folder ends in a separator from now on, as the other windows expect.
    module_.folder().appendSeparator();
    const PopCaptions captions = popCaptionsOf(module_.files(), file);
    ui_.mnuPop1->setText(asMenuText(captions.show));
    ui_.mnuPop2->setText(asMenuText(captions.name));
    ui_.mnuPop3->setText(asMenuText(captions.date));
    ui_.mnuPop4->setText(asMenuText(captions.attribute));
    ui_.mnuPop->exec(ui_.Img[index]->mapToGlobal(pos));
}

void VuMain::mnuPop1_Click()
{
    // A picture that cannot be shown is reported by the viewer, which then does not open.
    VuView view(module_, this, cellFile(module_.SelCell));
    if (view.loaded())
        view.exec();
}

// ---- choosers ----

FsStatus VuMain::DialgDsp()
{
    const std::optional<QString> chosen = module_.dialogs().chooseFile(
        this, QStringLiteral("ファイルを指定してください"), module_.folder().curPath(), imageFileFilters(), 0);
    if (!chosen)
        return FsStatus::failure(err::Cancel);
    if (!chosen->isEmpty())
        module_.folder().takeChosenFile(*chosen);  // the lists stay where they are
    return FsStatus::success();
}

// ---- commands ----

void VuMain::tbToolBar_ButtonClick(QAction* button)
{
    const std::optional<ToolCommand> command = toolCommand(button ? button->data().toString() : QString());
    if (!command)
        return;
    // A command that cannot run (its window not available) is skipped, as is any failing step.
    switch (*command) {
    case ToolCommand::Prop:
        ui_.mnuPropProp->trigger();
        break;
    case ToolCommand::Slide:
        ui_.mnuRunSlide->trigger();
        break;
    case ToolCommand::Conv:
        ui_.mnuRunConv->trigger();
        break;
    case ToolCommand::Back:
        pageBack();
        break;
    case ToolCommand::Forward:
        pageForward();
        break;
    case ToolCommand::Help:
        break;  // nothing
    }
}

void VuMain::mnuFileUndo_Click()
{
    if (conv_) {
        if (conv_->undoNewest() && !pageFolder_.isEmpty())
            refreshAfterDrop();
        return;
    }
    UndoShow show;
    show.bar = ui_.PrgBar1;
    show.done = [this] {
        ui_.PrgBar1->setRange(0, CellsPerPage);
        ui_.PrgBar1->setValue(0);
    };
    show.settled = [this] {
        if (!pageFolder_.isEmpty())
            refreshAfterDrop();
    };
    show.reasonsInBox = true;
    runUndo(module_, this, show);
}

void VuMain::mnuFileQuit_Click()
{
    close();
}

void VuMain::mnuPropProp_Click()
{
    VuProp prop(module_, this);
    prop.exec();
}

void VuMain::mnuPropTrash_Click()
{
    // The item has already changed its check mark.
    keepTrashChoice(module_, this, ui_.mnuPropTrash->isChecked());
}

void VuMain::mnuRunSlide_Click()
{
    errNo_ = DialgDsp().error;
    repaint();  // the dialog's area is redrawn before the window goes or the show starts
    if (errNo_ != 0)
        return;
    hide();
    auto* slide = new VuSlide(module_, this);  // deletes itself when the show ends
    slide->show();
}

void VuMain::mnuHelpVer_Click()
{
    VuAbout about(this);
    about.exec();
}

void VuMain::mnuHelpUrl_Click()
{
    openGuide(module_, this);
}

void VuMain::mnuRunConv_Click()
{
    if (!conv_)
        conv_ = new VuConv(module_, this);  // this window owns the batch window's rename dialog
    conv_->show();
    conv_->raise();
    conv_->activateWindow();
}

VuConv* VuMain::batchWindow() const
{
    return conv_.data();
}

}  // namespace vu
