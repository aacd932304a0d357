#include "vumain.h"
#include "drops.h"
#include "info.h"
#include "pages.h"

#include "batch/vuconv.h"
#include "engine/fileengine.h"
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
#include <QDir>
#include <QDrag>
#include <QDragEnterEvent>
#include <QGuiApplication>
#include <QLayout>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QStyle>
#include <QUrl>
#include <QWindow>

#include <cstdio>
#include <optional>

namespace vu {
namespace {

const QString CellMime = QStringLiteral("application/x-vutara-thumbnail");

}  // namespace

VuMain::VuMain(VuModule& module, QWidget* parent)
    : QMainWindow(parent)
    , module_(module)
    , thumbnails_(module.pictures(), module.thumbnails())
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
    for (int i = 0; i < CellsPerPage; ++i) {
        connect(ui_.Img[i], &PictureBox::mousePressed, this, [this, i](Qt::MouseButton button, QPoint pos) {
            img_MouseDown(i, button, QGuiApplication::keyboardModifiers(), pos);
            if (button == Qt::LeftButton)
                dragThumbnail(i);  // the left button drags a thumbnail by itself
        });
    }
    for (int i = 0; i < 3; ++i) {
        ui_.imgBox[i]->setAcceptDrops(true);
        ui_.imgBox[i]->installEventFilter(this);
        connect(ui_.imgBox[i], &PictureBox::clicked, this, [this, i] { imgBox_Click(i); });
    }
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

    ui_.PrgBar1 = new QProgressBar(client);
    nameWidget(ui_.PrgBar1, QStringLiteral("PrgBar1"));
    ui_.PrgBar1->setTextVisible(false);
    ui_.PrgBar1->setRange(0, CellsPerPage);
    ui_.PrgBar1->setValue(0);

    QFont nameFont = font();
    nameFont.setPointSizeF(std::max(6.0, nameFont.pointSizeF() * 0.85));
    for (int i = 0; i < CellsPerPage; ++i) {
        ui_.Img[i] = new PictureBox(PictureBox::Mode::Stretch, client);
        nameWidget(ui_.Img[i], QStringLiteral("Img(%1)").arg(i));
        ui_.Img[i]->setEmptyText(QString());
        ui_.Img[i]->hide();
        ui_.ImgName[i] = new QLineEdit(client);
        nameWidget(ui_.ImgName[i], QStringLiteral("ImgName(%1)").arg(i));
        ui_.ImgName[i]->setReadOnly(true);
        ui_.ImgName[i]->setFrame(false);
        ui_.ImgName[i]->setAlignment(Qt::AlignCenter);
        ui_.ImgName[i]->setFont(nameFont);
        ui_.ImgName[i]->setTextMargins(0, 0, 0, 0);
        ui_.ImgName[i]->setStyleSheet(QStringLiteral("QLineEdit { padding: 0px; }"));
        ui_.ImgName[i]->hide();
    }

    ui_.Frame2 = new QFrame(client);
    nameWidget(ui_.Frame2, QStringLiteral("Frame2"));
    ui_.Frame2->setFrameShape(QFrame::StyledPanel);
    ui_.Frame2->setFrameShadow(QFrame::Sunken);
    for (int i = 0; i < 3; ++i) {
        ui_.imgBox[i] = new PictureBox(PictureBox::Mode::Stretch, ui_.Frame2);
        nameWidget(ui_.imgBox[i], QStringLiteral("imgBox(%1)").arg(i));
        ui_.imgBox[i]->setAccessibleDescription(dropBox(i).title);
        ui_.imgBox[i]->setToolTip(dropBox(i).title);
        ui_.imgBox[i]->setBorder(true);
        ui_.imgBox[i]->setPicture(dropBox(i).picture(DropBoxPictureSize).toImage());
    }
}

void VuMain::buildMenus()
{
    nameWidget(menuBar(), QStringLiteral("MenuBar"));
    using C = Controls;
    // The menus in order, each with its items; an item without a caption is a separator.
    struct Item {
        QAction* C::*action;
        const char* name;
        const char* caption;
        void (VuMain::*handler)();
    };
    struct Menu {
        QMenu* C::*menu;
        const char* name;
        const char* caption;
        std::vector<Item> items;
    };
    static const Menu menus[] = {
        {&C::mnuFile, "mnuFile", "ﾌｧｲﾙ",
            {{&C::mnuFileUndo, "mnuFileUndo", "", &VuMain::mnuFileUndo_Click},  // made by addUndoAction()
                {&C::mnuFileSep, "mnuFileSep", nullptr, nullptr},
                {&C::mnuFileQuit, "mnuFileQuit", "終了", &VuMain::mnuFileQuit_Click}}},
        {&C::mnuProp, "mnuProp", "設定",
            {{&C::mnuPropProp, "mnuPropProp", "スライドショー設定", &VuMain::mnuPropProp_Click},
                {&C::mnuPropTrash, "mnuPropTrash", "削除時にごみ箱を使う", &VuMain::mnuPropTrash_Click}}},
        {&C::mnuRun, "mnuRun", "実行",
            {{&C::mnuRunSlide, "mnuRunSlide", "スライドショー", &VuMain::mnuRunSlide_Click},
                {&C::mnuRun2, "mnuRun2", nullptr, nullptr},
                {&C::mnuRunConv, "mnuRunConv", "一括変換", &VuMain::mnuRunConv_Click}}},
        {&C::mnuHelp, "mnuHelp", "ﾍﾙﾌﾟ",
            {{&C::mnuHelpVer, "mnuHelpVer", "ﾊﾞｰｼﾞｮﾝ", &VuMain::mnuHelpVer_Click}, {&C::sa, "sa", nullptr, nullptr},
                {&C::mnuHelpUrl, "mnuHelpUrl", "開発者のwebｻｲﾄ", &VuMain::mnuHelpUrl_Click}}},
        // Not in the menu bar; its items' captions are written at each right click.
        {&C::mnuPop, "mnuPop", "ポップ",
            {{&C::mnuPop1, "mnuPop1", "", &VuMain::mnuPop1_Click}, {&C::mnuPopSp, "mnuPopSp", nullptr, nullptr},
                {&C::mnuPop2, "mnuPop2", "", nullptr}, {&C::mnuPop3, "mnuPop3", "", nullptr},
                {&C::mnuPop4, "mnuPop4", "", nullptr}}},
    };
    for (const Menu& m : menus) {
        const QString caption = QString::fromUtf8(m.caption);
        QMenu* menu;
        if (m.menu == &C::mnuPop) {
            menu = new QMenu(caption, this);
            nameWidget(menu, QString::fromLatin1(m.name), caption);  // opened on its own, it names itself
        } else {
            menu = menuBar()->addMenu(caption);
            nameObject(menu, QString::fromLatin1(m.name));
        }
        ui_.*m.menu = menu;
        for (const Item& i : m.items) {
            QAction* a = i.action == &C::mnuFileUndo ? addUndoAction(menu, module_, QString::fromLatin1(i.name))
                : i.caption                          ? menu->addAction(QString::fromUtf8(i.caption))
                                                     : menu->addSeparator();
            nameObject(a, QString::fromLatin1(i.name));
            if (i.handler)
                connect(a, &QAction::triggered, this, i.handler);
            ui_.*i.action = a;
        }
    }
    ui_.mnuPropTrash->setCheckable(true);
    ui_.mnuPropTrash->setChecked(module_.preferences().useTrash());
}

void VuMain::buildToolbar()
{
    ui_.tbToolBar = addToolBar(QStringLiteral("tbToolBar"));
    nameWidget(ui_.tbToolBar, QStringLiteral("tbToolBar"));
    ui_.tbToolBar->setMovable(false);
    ui_.tbToolBar->setFloatable(false);
    ui_.tbToolBar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    ui_.tbToolBar->setIconSize(QSize(20, 20));
    ui_.tbToolBar->toggleViewAction()->setEnabled(false);
    setContextMenuPolicy(Qt::NoContextMenu);

    for (const ToolButtonInfo& b : ToolButtons) {
        const QString key = QString::fromUtf8(b.key);
        QAction* a = ui_.tbToolBar->addAction(style()->standardIcon(b.icon), key);
        a->setData(key);
        a->setObjectName(QStringLiteral("tbToolBar:") + key);
        if (b.command == ToolCommand::Back)
            ui_.tbToolBar->addSeparator();
    }
    // The buttons that open windows follow their menu commands, enabled or not.
    const std::pair<const char*, QAction*> mirrored[]
        = {{"環境設定", ui_.mnuPropProp}, {"ｽﾗｲﾄﾞｼｮｰ", ui_.mnuRunSlide}, {"一括変換", ui_.mnuRunConv}};
    for (const auto& [key, menuAction] : mirrored) {
        QAction* button = toolButton(QString::fromUtf8(key));
        button->setEnabled(menuAction->isEnabled());
        connect(menuAction, &QAction::enabledChanged, button, &QAction::setEnabled);
    }
}

QAction* VuMain::toolButton(const QString& key) const
{
    for (QAction* a : ui_.tbToolBar->actions()) {
        if (a->data().toString() == key)
            return a;
    }
    return nullptr;
}

void VuMain::buildStatusBar()
{
    ui_.StatusBar1 = statusBar();
    nameWidget(ui_.StatusBar1, QStringLiteral("StatusBar1"));
    ui_.StatusBar1->setSizeGripEnabled(false);
    for (int n = 1; n <= PanelCount; ++n) {
        auto* label = new StatusPanel(initialPanelText(n), panelNamesFolder(n), ui_.StatusBar1);
        label->setObjectName(QStringLiteral("StatusBar1.Panels(%1)").arg(n));
        // A screen reader reads the panel's text as its name; the description says which it is.
        label->setAccessibleDescription(QStringLiteral("StatusBar1.Panels(%1)").arg(n));
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        label->setFocusPolicy(Qt::NoFocus);
        // The last panel takes the rest of the bar, however long its text.
        if (n == PanelCount)
            label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        ui_.StatusBar1->addWidget(label, n == PanelCount ? 1 : 0);
        panels_[n - 1] = label;
    }
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

void VuMain::place(QWidget* w, const TwipRect& r)
{
    const int height = r.hasHeight ? twips::toPx(r.height) : w->sizeHint().height();
    w->setGeometry(twips::toPx(r.left), twips::toPx(r.top), twips::toPx(r.width), height);
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
    setCompactToolbar(false);
    const int chrome = menuBar()->sizeHint().height() + ui_.StatusBar1->sizeHint().height();
    setCompactToolbar(
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

void VuMain::setCompactToolbar(bool compact)
{
    ui_.tbToolBar->setIconSize(compact ? QSize(16, 16) : QSize(20, 20));
    ui_.tbToolBar->setToolButtonStyle(compact ? Qt::ToolButtonTextBesideIcon : Qt::ToolButtonTextUnderIcon);
}

bool VuMain::compactToolbar() const
{
    return ui_.tbToolBar->toolButtonStyle() == Qt::ToolButtonTextBesideIcon;
}

void VuMain::placeControls()
{
    QWidget* client = centralWidget();
    placedSize_ = client->size();
    fitted_ = fitHeight(layout_, twips::fromPx(client->height()));
    place(ui_.DrvList, fitted_.DrvList);
    place(ui_.DirList, fitted_.DirList);
    for (int i = 0; i < 6; ++i)
        place(ui_.OkBtn[i], fitted_.OkBtn[i]);
    place(ui_.PrgBar1, fitted_.PrgBar1);
    for (int k = 0; k < CellsPerPage; ++k) {
        place(ui_.Img[k], fitted_.Img[k]);
        place(ui_.ImgName[k], fitted_.ImgName[k]);
    }
    place(ui_.Frame2, fitted_.Frame2);
    for (int i = 0; i < 3; ++i)
        place(ui_.imgBox[i], fitted_.imgBox[i]);
    // The panels take the table's widths; where the bar (less the gaps between the panels) is too
    // narrow for them all, the last gives way.
    const int room = ui_.StatusBar1->width() - 6 * PanelGap;
    const std::array<float, 6> widths = fitPanels(fitted_, twips::fromPx(room));
    for (int n = 0; n < 5; ++n)
        panels_[n]->setFixedWidth(std::max(1, twips::toPx(widths[n])));
    panels_[5]->setMinimumWidth(std::max(1, twips::toPx(widths[5])));
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
        if (FsStatus s = readSettings(module_.files(), module_.settingsPath, &settings_); !s.ok())
            return s;
        module_.folder().takeStored(startFolder(settings_));
        pageNo_ = 1;
        // The drive change below moves the folder list (and with it the current folder) to the
        // drive's own current folder; the stored folder is kept aside so that it still wins.
        const QString stored = module_.folder().curPath();
        const QString root = module_.volumes().rootOf(stored);
        if (root.isEmpty() || !module_.volumes().isReady(root))
            return FsStatus::failure(err::DeviceUnavailable, stored + QStringLiteral(": drive not ready"));
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
    const QString folder = module_.folder().forSettings();
    if (FsStatus s = readSettings(module_.files(), module_.settingsPath, &settings_); !s.ok())
        return s;
    settings_.setHeaders();
    settings_.set(SettingsRec::PathName, folder);
    return writeSettings(module_.files(), module_.settingsPath, settings_);
}

bool VuMain::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::Show:
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::WindowActivate:
        // The window manager has framed the window since it was placed: place it again, so that
        // its title bar and borders lie within the work area too.
        if (framePending_ && !windowFrame().isNull()) {
            framePending_ = false;
            QMetaObject::invokeMethod(this, &VuMain::Dsp_change, Qt::QueuedConnection);
        }
        break;
    default:
        break;
    }
    if (event->type() == QEvent::WindowActivate)
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
    const FsStatus s = Form_Unload();
    if (!s.ok()) {
        std::fprintf(stderr, "vutara: the settings could not be stored (%s): %s\n", qPrintable(err::describe(s.error)),
            qPrintable(s.detail));
    }
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
    ui_.PrgBar1->setValue(0);
    for (int i = 0; i < pageSize_ && i < CellsPerPage; ++i) {
        ui_.Img[i]->hide();
        ui_.Img[i]->clear();
        ui_.Img[i]->setEmptyText(QString());
        ui_.ImgName[i]->hide();
        ui_.ImgName[i]->clear();
    }
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
    ui_.PrgBar1->setRange(0, pageSize_);
    ui_.PrgBar1->setValue(0);

    const int first = firstEntryOfPage(pageNo_, pageSize_);
    QStringList names, files;
    for (int i = 0; i < pageSize_ && first + i < n; ++i) {
        names << fileList.item(first + i);
        files << paths::join(pageFolder_, names.last());
    }
    // All cells decode at once on every core; they are put in place in cell order so that the
    // progress bar still counts the cells as they fill.
    const qreal ratio = devicePixelRatioF();
    const QSize box = (QSizeF(ui_.Img[0]->size()) * ratio).toSize().expandedTo(QSize(1, 1));
    thumbnails_.start(files, box);
    for (int i = 0; i < names.size(); ++i) {
        pageFiles_[i] = names[i];
        ui_.Img[i]->show();
        PictureResult r = thumbnails_.take(i);
        if (r.ok()) {
            r.image.setDevicePixelRatio(ratio);
            ui_.Img[i]->setPicture(r.image);
        } else {
            ui_.Img[i]->setEmptyText(QStringLiteral("読込不可"));
        }
        ui_.ImgName[i]->show();
        ui_.ImgName[i]->setText(names[i]);
        ui_.ImgName[i]->setCursorPosition(0);
        ui_.PrgBar1->setValue(i + 1);
        // Paint at once: the window takes no input until the page is complete, yet the user
        // sees it fill.
        ui_.Img[i]->repaint();
        ui_.ImgName[i]->repaint();
        ui_.PrgBar1->repaint();
    }
    ui_.PrgBar1->setValue(0);
}

QString VuMain::cellFile(int cell) const
{
    if (cell < 0 || cell >= CellsPerPage || ui_.Img[cell]->isHidden() || pageFiles_[cell].isEmpty()
        || pageFolder_.isEmpty())
        return QString();
    return paths::join(pageFolder_, pageFiles_[cell]);
}

void VuMain::OkBtn_Click(int index)
{
    if (index == 0) {
        if (fileList().count() == 0)
            return;
        module_.folder().takeListed(ui_.DirList->path());
        pageNo_ = 1;
        ImgClr();
        imgDsp();
        ui_.PrgBar1->setValue(0);
        writePageLabel();
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
    ImgClr();
    imgDsp();
    writePageLabel();
}

void VuMain::pageForward()
{
    const int next = nextPage(pageNo_, fileList().count(), pageSize_);
    if (next == 0) {
        ui_.PrgBar1->setValue(0);
        return;
    }
    pageNo_ = quint8(next);  // at page 255 that page is drawn again
    ImgClr();
    imgDsp();
    ui_.PrgBar1->setValue(0);
    writePageLabel();
}

// ---- drag and drop ----

QPixmap VuMain::dropIcon() const
{
    const PictureResult r = module_.pictures().load(QStringLiteral("drop.ico"));
    return QPixmap::fromImage(r.ok() ? r.image : dropPicture(DragPictureSize).toImage());
}

void VuMain::dragThumbnail(int cell)
{
    if (drag_ || cell < 0 || cell >= CellsPerPage || ui_.Img[cell]->isHidden())
        return;
    auto* data = new QMimeData;
    data->setData(CellMime, QByteArray::number(cell));
    auto* drag = new QDrag(ui_.Img[cell]);
    drag->setMimeData(data);
    QPixmap nothing(1, 1);
    nothing.fill(Qt::transparent);
    drag->setPixmap(nothing);
    drag_ = drag;
    dragCell_ = cell;
    updateDragCursor();
    drag->exec(Qt::CopyAction, Qt::CopyAction);
    dragCell_ = -1;
}

// The cursor of a drag in progress shows the dragged thumbnail's drag icon, or the plain outline
// of the thumbnail when it has none.
void VuMain::updateDragCursor()
{
    if (!drag_ || dragCell_ < 0)
        return;
    QPixmap cursor = dragIcon_[dragCell_];
    if (cursor.isNull()) {
        cursor = QPixmap(ui_.Img[dragCell_]->size().boundedTo(QSize(128, 128)));
        cursor.fill(Qt::transparent);
        QPainter p(&cursor);
        p.setPen(QPen(Qt::black, 1, Qt::DotLine));
        p.drawRect(cursor.rect().adjusted(0, 0, -1, -1));
    }
    drag_->setDragCursor(cursor, Qt::IgnoreAction);
    drag_->setDragCursor(cursor, Qt::CopyAction);
}

bool VuMain::eventFilter(QObject* watched, QEvent* event)
{
    // The area below the toolbar got another size than the one the controls were placed for.
    if (watched == centralWidget() && event->type() == QEvent::Resize && centralWidget()->size() != placedSize_)
        placeControls();
    const int box = int(std::find(ui_.imgBox.begin(), ui_.imgBox.end(), watched) - ui_.imgBox.begin());
    if (box < 3) {
        switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* e = static_cast<QDragMoveEvent*>(event);
            if (!e->mimeData()->hasFormat(CellMime) || !e->source())
                return false;
            const QPoint at = e->position().toPoint();
            imgBox_DragOver(box, e->source(), at.x(), at.y(), event->type() == QEvent::DragEnter ? 0 : 2);
            e->setDropAction(Qt::CopyAction);
            e->accept();
            return true;
        }
        case QEvent::DragLeave:
            if (drag_)
                imgBox_DragOver(box, drag_->source(), 0, 0, 1);
            return false;
        case QEvent::Drop: {
            auto* e = static_cast<QDropEvent*>(event);
            if (!e->mimeData()->hasFormat(CellMime) || !e->source())
                return false;
            e->setDropAction(Qt::CopyAction);
            e->accept();
            // The drop asks questions in message boxes: let the drag finish first.
            const QPointer<QObject> source = e->source();
            const QPoint at = e->position().toPoint();
            QMetaObject::invokeMethod(
                this, [this, box, source, at] { imgBox_DragDrop(box, source, at.x(), at.y()); }, Qt::QueuedConnection);
            return true;
        }
        default:
            break;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void VuMain::imgBox_DragOver(int index, QObject* source, int, int, int state)
{
    Q_UNUSED(index);
    const int cell = cellOf(source);
    if (cell < 0)
        return;
    if (state == 0)
        dragIcon_[cell] = dropIcon();
    else if (state == 1)
        dragIcon_[cell] = QPixmap();
    if (cell == dragCell_)
        updateDragCursor();
}

int VuMain::imgBox_DragDrop(int index, QObject* source, int, int)
{
    errNo_ = 0;
    const int cell = cellOf(source);
    if (cell < 0 || index < 0 || index > 2)
        return 0;  // only thumbnails are dropped here
    errNo_ = dropOnBox(index, cell).error;
    return errNo_;
}

int VuMain::cellOf(const QObject* source) const
{
    const auto at = std::find(ui_.Img.begin(), ui_.Img.end(), source);
    return source && at != ui_.Img.end() ? int(at - ui_.Img.begin()) : -1;
}

// One trap over the whole drop: a step that fails ends it with its error, and the user is told
// which file failed and why (a failure that looked like success would be worse than none).
FsStatus VuMain::dropOnBox(int index, int cell)
{
    const DropBoxInfo& box = dropBox(index);
    // The file the cell shows, fixed before the question: the folder its page was drawn from and
    // the name under it.
    const QString source = paths::join(pageFolder_, pageFiles_[cell]);
    if (module_.dialogs().message(this, box.title, box.confirmation, MsgIcon::Exclamation, MsgButtons::OkCancel)
        != MsgAnswer::Ok)
        return FsStatus::success();
    srcFile_ = source;
    QString target;
    if (index != DeleteBox) {
        QString& boxTarget = index == CopyBox ? copyPath_ : movePath_;
        if (boxTarget.isEmpty())
            boxTarget = module_.FolderDsp(this, 13);
        setPanel(box.panel, panelLabel(box.panel) + boxTarget);
        if (boxTarget.isEmpty())
            return FsStatus::success();  // no folder chosen: nothing to copy to
        target = boxTarget;
        dstFile_ = paths::join(target, paths::fileName(srcFile_));
    }
    DropQuestions ask;
    ask.mayReplace = [&](const QString& existing) {
        return module_.dialogs().message(this, box.title,
                   QStringLiteral("同じ名前のファイルがあります。置き換えますか？\n") + existing, MsgIcon::Exclamation,
                   MsgButtons::YesNo)
            == MsgAnswer::Yes;
    };
    ask.mayDeleteForGood = [&](const QString& file) {
        return module_.dialogs().message(
                   this, box.title, batch::deleteForGoodQuestion(file, false), MsgIcon::Exclamation, MsgButtons::YesNo)
            == MsgAnswer::Yes;
    };
    const engine::Outcome outcome = dropFile(
        module_.files(), module_.clock(), module_.journal(), index, srcFile_, target, module_.deleteMode(), ask);
    if (outcome.done()) {
        refreshAfterDrop();
        return FsStatus::success();
    }
    if (outcome.failed()) {
        // The page stays as it is: the files it shows are where they were.
        module_.dialogs().message(this, box.failureTitle,
            dropFailureText(index, outcome.step == engine::Step::RemoveSource, srcFile_, outcome.reason),
            MsgIcon::Error, MsgButtons::Ok);
        return FsStatus::failure(outcome.error, outcome.from + QStringLiteral(": ") + outcome.reason);
    }
    // Skipped: the target was the file itself (say so), or the user kept the file there.
    if (outcome.error == err::SameFile) {
        module_.dialogs().message(this, box.title, sameFileText(index, srcFile_), MsgIcon::Information, MsgButtons::Ok);
    }
    return FsStatus::success();
}

void VuMain::refreshAfterDrop()
{
    pane_->refreshFiles();
    ImgClr();
    imgDsp();
    writeCount();
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
    // A file gone since the page was drawn still has its name; its date and attribute are left
    // empty.
    std::optional<QDateTime> modified;
    std::optional<int> attributes;
    if (!file.isEmpty()) {
        modified = module_.files().modified(file);
        attributes = module_.files().attributes(file);
    }
    const PopCaptions captions = popCaptions(paths::fileName(file), modified, attributes);
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
    // The item has already changed its check mark; the choice holds for this run even when it
    // cannot be kept for the next.
    if (!module_.preferences().setUseTrash(ui_.mnuPropTrash->isChecked())) {
        module_.dialogs().message(this, QStringLiteral("削除時にごみ箱を使う"),
            QStringLiteral("この設定を保存できませんでした。次回の起動時には元の設定に戻ります。\n")
                + module_.preferences().file(),
            MsgIcon::Error, MsgButtons::Ok);
    }
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
    // A packager's web address, or else the user guide installed with the program.
    const QString address = QStringLiteral(VUTARA_HOMEPAGE);
    const QUrl site = !address.isEmpty() ? QUrl(address)
        : !module_.guideFile.isEmpty()   ? QUrl::fromLocalFile(module_.guideFile)
                                         : QUrl();
    if (site.isEmpty()) {
        module_.dialogs().message(this, QStringLiteral("開発者のwebｻｲﾄ"),
            QStringLiteral("利用の手引き（guide.html）がインストールされていません。"), MsgIcon::Error, MsgButtons::Ok);
        return;
    }
    if (!module_.urls().open(site)) {
        module_.dialogs().message(this, QStringLiteral("開発者のwebｻｲﾄ"),
            QStringLiteral("ブラウザを起動できませんでした。\n") + site.toString(), MsgIcon::Error, MsgButtons::Ok);
    }
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
