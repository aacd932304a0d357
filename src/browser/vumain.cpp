#include "vumain.h"
#include "drops.h"
#include "info.h"
#include "pages.h"
#include "pickers.h"

#include "batch/batchwidgets.h"
#include "batch/vuconv.h"
#include "engine/fileengine.h"
#include "platform/paths.h"
#include "platform/twips.h"
#include "shell/artwork.h"
#include "shell/vuabout.h"
#include "slideshow/vuprop.h"
#include "slideshow/vuslide.h"
#include "viewer/vuview.h"

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

// Resources of a static library are only linked in when something asks for them.
static void initResources()
{
    Q_INIT_RESOURCE(resources);
}

namespace vu {
namespace {

const QString CellMime = QStringLiteral("application/x-vutara-thumbnail");

void name(QObject* o, const QString& objectName)
{
    o->setObjectName(objectName);
}
void name(QWidget* w, const QString& objectName, const QString& accessible)
{
    w->setObjectName(objectName);
    w->setAccessibleName(accessible);
}

// A status panel. Where its text is wider than the panel, the label before "：" stays and the
// rest loses its beginning ("表示ﾌｫﾙﾀﾞ：…/photos/2023"), so that no panel's text runs into the next;
// the whole text stays the panel's text, read by screen readers and shown as its tip.
class StatusPanel : public QLabel {
public:
    using QLabel::QLabel;
    static constexpr int Padding = 2;  // pixels between the frame and the text

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        drawFrame(&p);
        const QRect r = contentsRect().adjusted(Padding, 0, -Padding, 0);
        const QFontMetrics m = fontMetrics();
        QString shown = text();
        if (m.horizontalAdvance(shown) > r.width()) {
            const qsizetype cut = shown.indexOf(u'：') + 1;
            const QString label = shown.left(cut);
            shown = label
                + m.elidedText(shown.mid(cut), Qt::ElideLeft, std::max(0, r.width() - m.horizontalAdvance(label)));
        }
        p.setPen(palette().color(QPalette::WindowText));
        p.drawText(r, Qt::AlignLeft | Qt::AlignVCenter, shown);
    }
};

}  // namespace

QString initialPanelText(int n)
{
    static const QString texts[6] = {
        QStringLiteral("データ数：　"),
        QStringLiteral("ページ："),
        QStringLiteral("画像形式：　"),
        QStringLiteral("表示ﾌｫﾙﾀﾞ："),
        QStringLiteral("ｺﾋﾟｰﾌｫﾙﾀﾞ：　"),
        QStringLiteral("移動ﾌｫﾙﾀﾞ："),
    };
    return n >= 1 && n <= 6 ? texts[n - 1] : QString();
}

VuMain::VuMain(VuModule& module, QWidget* parent)
    : QMainWindow(parent)
    , module_(module)
    , thumbnails_(module.pictures(), module.thumbnails())
{
    setObjectName(QStringLiteral("VuMain"));
    setWindowTitle(QStringLiteral("Vutara! ver.2.0"));
    setWindowIcon(programIcon());
    module_.mainWindow = this;
    initResources();

    buildControls();
    buildMenus();
    buildToolbar();  // after the menus, whose commands some buttons share
    buildStatusBar();

    // The lists start on the working directory, as the controls do before loading moves them.
    const QString here = QDir::currentPath();
    DrvList->setDrive(here);
    DirList->setPath(here);
    FileList->setPath(here);
    connect(DrvList, &DriveListBox::changed, this, &VuMain::DrvList_Change);
    connect(DirList, &DirListBox::changed, this, &VuMain::DirList_Change);
    connect(DirList, &DirListBox::lostFocus, this, &VuMain::DirList_LostFocus);
    connect(&module_.screen(), &Screen::displayChanged, this, &VuMain::SysInfo1_DisplayChanged);
    for (int i = 0; i < 6; ++i)
        connect(OkBtn[i], &QPushButton::clicked, this, [this, i] { OkBtn_Click(i); });
    connect(tbToolBar, &QToolBar::actionTriggered, this, &VuMain::tbToolBar_ButtonClick);
    connect(mnuHelpUrl, &QAction::triggered, this, &VuMain::mnuHelpUrl_Click);
    for (int i = 0; i < 30; ++i) {
        connect(Img[i], &PictureBox::mousePressed, this, [this, i](Qt::MouseButton button, QPoint pos) {
            img_MouseDown(i, button, QGuiApplication::keyboardModifiers(), pos);
            if (button == Qt::LeftButton)
                dragThumbnail(i);  // the left button drags a thumbnail by itself
        });
    }
    for (int i = 0; i < 3; ++i) {
        imgBox[i]->setAcceptDrops(true);
        imgBox[i]->installEventFilter(this);
        connect(imgBox[i], &PictureBox::clicked, this, [this, i] { imgBox_Click(i); });
    }
    connect(mnuPop1, &QAction::triggered, this, &VuMain::mnuPop1_Click);
    // The other windows (the viewer) find the file of a cell through the module.
    module_.cellFile = [this](quint8 page, quint8 cell) { return page == PageNo ? cellFile(cell) : QString(); };
    // A folder another window makes current is listed here first.
    module_.listFolder = [this](const QString& folder) { return listFolder(folder); };

    Form_Initialize();
    Form_Load();
}

VuMain::~VuMain()
{
    // The batch window ends with the program, without its own closing steps.
    delete conv_.data();
    if (module_.mainWindow == this) {
        module_.mainWindow = nullptr;
        module_.cellFile = nullptr;
        module_.listFolder = nullptr;
    }
}

void VuMain::buildControls()
{
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("VuMainClient"));
    setCentralWidget(client);
    client->installEventFilter(this);

    DrvList = new DriveListBox(module_.volumes(), client);
    name(DrvList, QStringLiteral("DrvList"), QStringLiteral("DrvList"));
    DirList = new DirListBox(module_.files(), module_.volumes(), client);
    name(DirList, QStringLiteral("DirList"), QStringLiteral("DirList"));
    FileList = new FileListBox(module_.files(), client);
    name(FileList, QStringLiteral("FileList"), QStringLiteral("FileList"));
    FileList->setPattern(ImagePattern);
    FileList->hide();

    static const char* captions[6] = {"Folder Choice", "all", "bmp", "jpg", "gif", "ico"};
    for (int i = 0; i < 6; ++i) {
        OkBtn[i] = new QPushButton(QString::fromLatin1(captions[i]), client);
        OkBtn[i]->setObjectName(QStringLiteral("OkBtn(%1)").arg(i));
    }

    PrgBar1 = new QProgressBar(client);
    name(PrgBar1, QStringLiteral("PrgBar1"), QStringLiteral("PrgBar1"));
    PrgBar1->setTextVisible(false);
    PrgBar1->setRange(0, 30);
    PrgBar1->setValue(0);

    QFont nameFont = font();
    nameFont.setPointSizeF(std::max(6.0, nameFont.pointSizeF() * 0.85));
    for (int i = 0; i < 30; ++i) {
        Img[i] = new PictureBox(PictureBox::Mode::Stretch, client);
        name(Img[i], QStringLiteral("Img(%1)").arg(i), QStringLiteral("Img(%1)").arg(i));
        Img[i]->setEmptyText(QString());
        Img[i]->hide();
        ImgName[i] = new QLineEdit(client);
        name(ImgName[i], QStringLiteral("ImgName(%1)").arg(i), QStringLiteral("ImgName(%1)").arg(i));
        ImgName[i]->setReadOnly(true);
        ImgName[i]->setFrame(false);
        ImgName[i]->setAlignment(Qt::AlignCenter);
        ImgName[i]->setFont(nameFont);
        ImgName[i]->setTextMargins(0, 0, 0, 0);
        ImgName[i]->setStyleSheet(QStringLiteral("QLineEdit { padding: 0px; }"));
        ImgName[i]->hide();
    }

    Frame2 = new QFrame(client);
    name(Frame2, QStringLiteral("Frame2"), QStringLiteral("Frame2"));
    Frame2->setFrameShape(QFrame::StyledPanel);
    Frame2->setFrameShadow(QFrame::Sunken);
    initResources();
    for (int i = 0; i < 3; ++i) {
        imgBox[i] = new PictureBox(PictureBox::Mode::Stretch, Frame2);
        name(imgBox[i], QStringLiteral("imgBox(%1)").arg(i), QStringLiteral("imgBox(%1)").arg(i));
        imgBox[i]->setAccessibleDescription(dropBox(i).title);
        imgBox[i]->setToolTip(dropBox(i).title);
        imgBox[i]->setBorder(true);
        imgBox[i]->setPicture(QImage(dropBox(i).resource));
    }
}

void VuMain::buildMenus()
{
    QMenuBar* bar = menuBar();
    name(bar, QStringLiteral("MenuBar"), QStringLiteral("MenuBar"));

    mnuFile = bar->addMenu(QStringLiteral("ﾌｧｲﾙ"));
    name(mnuFile, QStringLiteral("mnuFile"));
    mnuFileUndo = mnuFile->addAction(QStringLiteral("元に戻す"), this, &VuMain::mnuFileUndo_Click);
    name(mnuFileUndo, QStringLiteral("mnuFileUndo"));
    mnuFileUndo->setShortcut(QKeySequence::Undo);
    mnuFileUndo->setEnabled(module_.journal().canUndo());
    connect(&module_.journal(), &engine::Journal::changed, mnuFileUndo,
        [this] { mnuFileUndo->setEnabled(module_.journal().canUndo()); });
    mnuFileSep = mnuFile->addSeparator();
    name(mnuFileSep, QStringLiteral("mnuFileSep"));
    mnuFileQuit = mnuFile->addAction(QStringLiteral("終了"), this, &VuMain::mnuFileQuit_Click);
    name(mnuFileQuit, QStringLiteral("mnuFileQuit"));

    mnuProp = bar->addMenu(QStringLiteral("設定"));
    name(mnuProp, QStringLiteral("mnuProp"));
    mnuPropProp = mnuProp->addAction(QStringLiteral("スライドショー設定"), this, &VuMain::mnuPropProp_Click);
    name(mnuPropProp, QStringLiteral("mnuPropProp"));

    mnuRun = bar->addMenu(QStringLiteral("実行"));
    name(mnuRun, QStringLiteral("mnuRun"));
    mnuRunSlide = mnuRun->addAction(QStringLiteral("スライドショー"), this, &VuMain::mnuRunSlide_Click);
    name(mnuRunSlide, QStringLiteral("mnuRunSlide"));
    mnuRun2 = mnuRun->addSeparator();
    name(mnuRun2, QStringLiteral("mnuRun2"));
    mnuRunConv = mnuRun->addAction(QStringLiteral("一括変換"), this, &VuMain::mnuRunConv_Click);
    name(mnuRunConv, QStringLiteral("mnuRunConv"));

    mnuHelp = bar->addMenu(QStringLiteral("ﾍﾙﾌﾟ"));
    name(mnuHelp, QStringLiteral("mnuHelp"));
    mnuHelpVer = mnuHelp->addAction(QStringLiteral("ﾊﾞｰｼﾞｮﾝ"), this, &VuMain::mnuHelpVer_Click);
    name(mnuHelpVer, QStringLiteral("mnuHelpVer"));
    sa = mnuHelp->addSeparator();
    name(sa, QStringLiteral("sa"));
    mnuHelpUrl = mnuHelp->addAction(QStringLiteral("開発者のwebｻｲﾄ"));
    name(mnuHelpUrl, QStringLiteral("mnuHelpUrl"));

    mnuPop = new QMenu(QStringLiteral("ポップ"), this);
    name(mnuPop, QStringLiteral("mnuPop"), mnuPop->title());  // opened on its own, it names itself
    mnuPop1 = mnuPop->addAction(QString());
    name(mnuPop1, QStringLiteral("mnuPop1"));
    mnuPopSp = mnuPop->addSeparator();
    name(mnuPopSp, QStringLiteral("mnuPopSp"));
    mnuPop2 = mnuPop->addAction(QString());
    name(mnuPop2, QStringLiteral("mnuPop2"));
    mnuPop3 = mnuPop->addAction(QString());
    name(mnuPop3, QStringLiteral("mnuPop3"));
    mnuPop4 = mnuPop->addAction(QString());
    name(mnuPop4, QStringLiteral("mnuPop4"));
}

void VuMain::buildToolbar()
{
    tbToolBar = addToolBar(QStringLiteral("tbToolBar"));
    name(tbToolBar, QStringLiteral("tbToolBar"), QStringLiteral("tbToolBar"));
    tbToolBar->setMovable(false);
    tbToolBar->setFloatable(false);
    tbToolBar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    tbToolBar->setIconSize(QSize(20, 20));
    tbToolBar->toggleViewAction()->setEnabled(false);
    setContextMenuPolicy(Qt::NoContextMenu);

    struct Button {
        const char* key;
        QStyle::StandardPixmap icon;
    };
    static const Button buttons[6] = {
        {"環境設定", QStyle::SP_FileDialogDetailedView},
        {"ｽﾗｲﾄﾞｼｮｰ", QStyle::SP_MediaPlay},
        {"一括変換", QStyle::SP_DialogSaveButton},
        {"戻る", QStyle::SP_ArrowBack},
        {"進む", QStyle::SP_ArrowForward},
        {"ﾍﾙﾌﾟ", QStyle::SP_DialogHelpButton},
    };
    for (const Button& b : buttons) {
        const QString key = QString::fromUtf8(b.key);
        QAction* a = tbToolBar->addAction(style()->standardIcon(b.icon), key);
        a->setData(key);
        a->setObjectName(QStringLiteral("tbToolBar:") + key);
        if (key == QStringLiteral("戻る"))
            tbToolBar->addSeparator();
    }
    // The buttons that open windows follow their menu commands, enabled or not.
    const std::pair<const char*, QAction*> mirrored[]
        = {{"環境設定", mnuPropProp}, {"ｽﾗｲﾄﾞｼｮｰ", mnuRunSlide}, {"一括変換", mnuRunConv}};
    for (const auto& [key, menuAction] : mirrored) {
        QAction* button = toolButton(QString::fromUtf8(key));
        button->setEnabled(menuAction->isEnabled());
        connect(menuAction, &QAction::enabledChanged, button, &QAction::setEnabled);
    }
}

QAction* VuMain::toolButton(const QString& key) const
{
    for (QAction* a : tbToolBar->actions()) {
        if (a->data().toString() == key)
            return a;
    }
    return nullptr;
}

void VuMain::buildStatusBar()
{
    StatusBar1 = statusBar();
    name(StatusBar1, QStringLiteral("StatusBar1"), QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    for (int n = 1; n <= 6; ++n) {
        auto* label = new StatusPanel(initialPanelText(n), StatusBar1);
        label->setObjectName(QStringLiteral("StatusBar1.Panels(%1)").arg(n));
        // A screen reader reads the panel's text as its name; the description says which it is.
        label->setAccessibleDescription(QStringLiteral("StatusBar1.Panels(%1)").arg(n));
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        label->setFocusPolicy(Qt::NoFocus);
        // The last panel takes the rest of the bar, however long its text.
        if (n == 6)
            label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        StatusBar1->addWidget(label, n == 6 ? 1 : 0);
        panels_[n - 1] = label;
    }
}

QString VuMain::panel(int n) const
{
    return n >= 1 && n <= 6 ? panels_[n - 1]->text() : QString();
}

void VuMain::setPanel(int n, const QString& text)
{
    if (n >= 1 && n <= 6) {
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
    PageSize = 30;
    // The toolbar is compact where the table would not fit below the full one (the small
    // layout at 800 pixels wide, the large one on short screens).
    setCompactToolbar(false);
    const int chrome = menuBar()->sizeHint().height() + StatusBar1->sizeHint().height();
    setCompactToolbar(twips::fromPx(client.height() - chrome - tbToolBar->sizeHint().height()) < tableHeight(layout_));
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
    tbToolBar->setIconSize(compact ? QSize(16, 16) : QSize(20, 20));
    tbToolBar->setToolButtonStyle(compact ? Qt::ToolButtonTextBesideIcon : Qt::ToolButtonTextUnderIcon);
}

bool VuMain::compactToolbar() const
{
    return tbToolBar->toolButtonStyle() == Qt::ToolButtonTextBesideIcon;
}

void VuMain::placeControls()
{
    QWidget* client = centralWidget();
    placedSize_ = client->size();
    fitted_ = fitHeight(layout_, twips::fromPx(client->height()));
    place(DrvList, fitted_.DrvList);
    place(DirList, fitted_.DirList);
    for (int i = 0; i < 6; ++i)
        place(OkBtn[i], fitted_.OkBtn[i]);
    place(FileList, fitted_.FileList);
    place(PrgBar1, fitted_.PrgBar1);
    for (int k = 0; k < 30; ++k) {
        place(Img[k], fitted_.Img[k]);
        place(ImgName[k], fitted_.ImgName[k]);
    }
    place(Frame2, fitted_.Frame2);
    for (int i = 0; i < 3; ++i)
        place(imgBox[i], fitted_.imgBox[i]);
    // The panels fit the bar, less the gaps between them; the first three hold their longest
    // texts whole.
    static const char* const longest[3] = {"データ数：32767", "ページ： 255/ 1093", "画像形式：ALL"};
    std::array<float, 3> least{};
    for (int n = 0; n < 3; ++n) {
        const QLabel* panel = panels_[n];
        const int frame = panel->width() - panel->contentsRect().width();
        least[n] = float(twips::fromPx(panel->fontMetrics().horizontalAdvance(QString::fromUtf8(longest[n])) + frame
            + 2 * StatusPanel::Padding + 1));
    }
    const int room = StatusBar1->width() - 6 * PanelGap;
    const std::array<float, 6> widths = fitPanels(fitted_, twips::fromPx(room), least);
    for (int n = 0; n < 6; ++n) {
        const int width = std::max(1, int(widths[n] / twips::PerPixel));
        if (n < 5)
            panels_[n]->setFixedWidth(width);
        else
            panels_[n]->setMinimumWidth(width);
    }
}

void VuMain::SysInfo1_DisplayChanged()
{
    Dsp_change();
}

void VuMain::writeCount()
{
    setPanel(1, countLabel(FileList->count()));
}

void VuMain::writePageLabel()
{
    setPanel(2, pageLabel(PageNo, FileList->count()));
}

void VuMain::Form_Load()
{
    // One trap over all steps: the first that fails ends loading silently, and its number is kept.
    auto steps = [this]() -> FsStatus {
        if (FsStatus s = readSettings(module_.files(), module_.settingsPath, &settings); !s.ok())
            return s;
        module_.setCurPath(startFolder(settings));
        PageNo = 1;
        // The drive change below moves the folder list (and with it the current folder) to the
        // drive's own current folder; the stored folder is kept aside so that it still wins.
        const QString stored = module_.curPath();
        const QString root = module_.volumes().rootOf(stored);
        if (root.isEmpty() || !module_.volumes().isReady(root))
            return FsStatus::failure(err::DeviceUnavailable, stored + QStringLiteral(": drive not ready"));
        DrvList->setDrive(stored);
        if (FsStatus s = DirList->setPath(stored); !s.ok())
            return s;
        FileList->setPattern(ImagePattern);
        writeCount();
        setPanel(3, typeLabel(1));
        return FsStatus::success();
    };
    const FsStatus s = steps();
    ErrNo = s.error;
    // Whatever failed, the current folder names the folder the lists show, so that nothing
    // later works on a folder the user cannot see.
    if (!s.ok() && module_.curPath() != DirList->path())
        module_.setCurPath(DirList->path());
}

void VuMain::Form_Activate()
{
    DrvList->refresh();
    DirList->refresh();
    FileList->refresh();
}

FsStatus VuMain::Form_Unload()
{
    const QString folder = module_.curPathForSettings();
    if (FsStatus s = readSettings(module_.files(), module_.settingsPath, &settings); !s.ok())
        return s;
    settings.setHeaders();
    settings.set(SettingsRec::PathName, folder);
    return writeSettings(module_.files(), module_.settingsPath, settings);
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
    if (module_.endProgram)
        module_.endProgram();
}

// ---- lists ----

void VuMain::DrvList_Change()
{
    if (!DirList->setDrive(DrvList->drive()).ok())
        DrvList->setDrive(DirList->path());  // back to the drive of the folder still listed
}

void VuMain::DirList_Change()
{
    FileList->setPath(DirList->path());
    module_.setCurPath(DirList->path());
    writeCount();
}

void VuMain::DirList_LostFocus()
{
    const int row = DirList->listIndex();
    if (row >= 0 && !DirList->setPath(DirList->entryPath(row)).ok())
        DirList->refresh();  // the highlighted folder has gone since it was listed
    module_.setCurPath(DirList->path());
    writeCount();
}

bool VuMain::listFolder(const QString& folder)
{
    if (!module_.files().isDir(folder))
        return false;
    if (module_.volumes().rootOf(folder) != DrvList->drive())
        DrvList->setDrive(folder);
    return DirList->setPath(folder).ok();
}

// ---- thumbnail pages ----

void VuMain::ImgClr()
{
    PrgBar1->setValue(0);
    for (int i = 0; i < PageSize && i < 30; ++i) {
        Img[i]->hide();
        Img[i]->clear();
        Img[i]->setEmptyText(QString());
        ImgName[i]->hide();
        ImgName[i]->clear();
    }
}

void VuMain::imgDsp()
{
    const int n = FileList->count();
    if (n == 0)
        return;
    // The names come from the file list, so the pictures, the panel and every later command on
    // a cell take the list's folder with them.
    PageFolder = FileList->path();
    setPanel(4, QStringLiteral("表示ﾌｫﾙﾀﾞ：") + PageFolder);
    PrgBar1->setRange(0, PageSize);
    PrgBar1->setValue(0);

    const int first = firstEntryOfPage(PageNo, PageSize);
    QStringList names, files;
    for (int i = 0; i < PageSize && first + i < n; ++i) {
        names << FileList->item(first + i);
        files << paths::join(PageFolder, names.last());
    }
    // All cells decode at once on every core; they are put in place in cell order so that the
    // progress bar still counts the cells as they fill.
    const qreal ratio = devicePixelRatioF();
    const QSize box = (QSizeF(Img[0]->size()) * ratio).toSize().expandedTo(QSize(1, 1));
    thumbnails_.start(files, box);
    for (int i = 0; i < names.size(); ++i) {
        PageFiles[i] = names[i];
        Img[i]->show();
        PictureResult r = thumbnails_.take(i);
        if (r.ok()) {
            r.image.setDevicePixelRatio(ratio);
            Img[i]->setPicture(r.image);
        } else {
            Img[i]->setEmptyText(QStringLiteral("読込不可"));
        }
        ImgName[i]->show();
        ImgName[i]->setText(names[i]);
        ImgName[i]->setCursorPosition(0);
        PrgBar1->setValue(i + 1);
        // Paint at once: the window takes no input until the page is complete, yet the user
        // sees it fill.
        Img[i]->repaint();
        ImgName[i]->repaint();
        PrgBar1->repaint();
    }
    PrgBar1->setValue(0);
}

QString VuMain::cellFile(int cell) const
{
    if (cell < 0 || cell >= 30 || Img[cell]->isHidden() || PageFiles[cell].isEmpty() || PageFolder.isEmpty())
        return QString();
    return paths::join(PageFolder, PageFiles[cell]);
}

void VuMain::OkBtn_Click(int index)
{
    if (index == 0) {
        if (FileList->count() == 0)
            return;
        module_.setCurPath(DirList->path());
        PageNo = 1;
        ImgClr();
        imgDsp();
        PrgBar1->setValue(0);
        writePageLabel();
        writeCount();
    } else if (index >= 1 && index <= 5) {
        FileList->setPattern(imageType(index).pattern);
        setPanel(3, typeLabel(index));
        writeCount();
    }
}

void VuMain::pageBack()
{
    if (PageNo == 1)
        return;
    --PageNo;
    ImgClr();
    imgDsp();
    writePageLabel();
}

void VuMain::pageForward()
{
    if (PageNo * PageSize >= FileList->count()) {
        PrgBar1->setValue(0);
        return;
    }
    // The page number is 8 bits wide: at page 255 the step is skipped and that page is drawn
    // again.
    if (PageNo < 255)
        ++PageNo;
    ImgClr();
    imgDsp();
    PrgBar1->setValue(0);
    writePageLabel();
}

// ---- drag and drop ----

QPixmap VuMain::dropIcon() const
{
    const PictureResult r = module_.pictures().load(QStringLiteral("drop.ico"));
    return QPixmap::fromImage(r.ok() ? r.image : QImage(QStringLiteral(":/vutara/drop.ico")));
}

void VuMain::dragThumbnail(int cell)
{
    if (drag_ || cell < 0 || cell >= 30 || Img[cell]->isHidden())
        return;
    auto* data = new QMimeData;
    data->setData(CellMime, QByteArray::number(cell));
    auto* drag = new QDrag(Img[cell]);
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
    QPixmap cursor = DragIcon[dragCell_];
    if (cursor.isNull()) {
        cursor = QPixmap(Img[dragCell_]->size().boundedTo(QSize(128, 128)));
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
    const int box = int(std::find(imgBox.begin(), imgBox.end(), watched) - imgBox.begin());
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
    const int cell = int(std::find(Img.begin(), Img.end(), source) - Img.begin());
    if (cell >= 30)
        return;
    if (state == 0)
        DragIcon[cell] = dropIcon();
    else if (state == 1)
        DragIcon[cell] = QPixmap();
    if (cell == dragCell_)
        updateDragCursor();
}

void VuMain::imgBox_DragDrop(int index, QObject* source, int, int)
{
    ErrNo = 0;
    const int cell = int(std::find(Img.begin(), Img.end(), source) - Img.begin());
    if (!source || cell >= 30 || index < 0 || index > 2)
        return;  // only thumbnails are dropped here
    ErrNo = dropOnBox(index, cell).error;
}

// One trap over the whole drop: a step that fails ends it with its error, and the user is told
// which file failed and why (a failure that looked like success would be worse than none).
FsStatus VuMain::dropOnBox(int index, int cell)
{
    const DropBoxInfo& box = dropBox(index);
    // The file the cell shows, fixed before the question: the folder its page was drawn from and
    // the name under it.
    const QString source = paths::join(PageFolder, PageFiles[cell]);
    if (module_.dialogs().message(this, box.title, box.confirmation, MsgIcon::Exclamation, MsgButtons::OkCancel)
        != MsgAnswer::Ok)
        return FsStatus::success();
    SrcFile = source;
    engine::FileEngine worker(module_.files(), module_.clock());
    engine::Outcome outcome;
    static constexpr engine::ActionKind kinds[3]
        = {engine::ActionKind::Copy, engine::ActionKind::Move, engine::ActionKind::Delete};
    engine::Recording record(&module_.journal(), kinds[index], true);
    engine::Listener listener;
    listener.outcome = [&](const engine::Outcome& o) { record.add(o); };
    if (index == DeleteBox) {
        listener.mayDeleteForGood = [&](const QString& file) {
            return module_.dialogs().message(this, box.title, batch::deleteForGoodQuestion(file, false),
                       MsgIcon::Exclamation, MsgButtons::YesNo)
                == MsgAnswer::Yes;
        };
        outcome = worker.deleteOne(SrcFile, listener);
    } else {
        QString& target = index == CopyBox ? CopyPath : MovePath;
        if (target.isEmpty())
            target = module_.FolderDsp(this, 13);
        setPanel(box.panel, box.panelLabel + target);
        if (target.isEmpty())
            return FsStatus::success();  // no folder chosen: nothing to copy to
        DstFile = paths::join(target, paths::fileName(SrcFile));
        listener.mayReplace = [&](const QString& existing) {
            return module_.dialogs().message(this, box.title,
                       QStringLiteral("同じ名前のファイルがあります。置き換えますか？\n") + existing,
                       MsgIcon::Exclamation, MsgButtons::YesNo)
                == MsgAnswer::Yes;
        };
        outcome = worker.transferOne(
            index == MoveBox ? engine::Transfer::Move : engine::Transfer::Copy, SrcFile, target, listener);
    }
    if (outcome.done()) {
        refreshAfterDrop();
        return FsStatus::success();
    }
    if (outcome.failed()) {
        // The page stays as it is: the files it shows are where they were.
        module_.dialogs().message(this, box.failureTitle,
            dropFailureText(index, outcome.step == engine::Step::RemoveSource, SrcFile, outcome.reason), MsgIcon::Error,
            MsgButtons::Ok);
        return FsStatus::failure(outcome.error, outcome.from + QStringLiteral(": ") + outcome.reason);
    }
    // Skipped: the target was the file itself (say so), or the user kept the file there.
    if (outcome.error == err::SameFile) {
        module_.dialogs().message(this, box.title, sameFileText(index, SrcFile), MsgIcon::Information, MsgButtons::Ok);
    }
    return FsStatus::success();
}

void VuMain::refreshAfterDrop()
{
    FileList->refresh();
    ImgClr();
    imgDsp();
    writeCount();
    writePageLabel();
}

void VuMain::imgBox_Click(int index)
{
    if (index == CopyBox || index == MoveBox) {
        QString& target = index == CopyBox ? CopyPath : MovePath;
        target = module_.FolderDsp(this, 13);
        setPanel(dropBox(index).panel, dropBox(index).panelLabel + target);
    }
}

// ---- information menu and viewer ----

void VuMain::img_MouseDown(int index, Qt::MouseButton button, Qt::KeyboardModifiers, QPoint pos)
{
    if (button != Qt::RightButton || index < 0 || index >= 30)
        return;
    module_.SelPage = PageNo;
    module_.SelCell = quint8(index);
    // The file the cell shows, even after the lists moved to another folder or type without
    // the page being drawn again.
    const QString file = cellFile(index);
    // The shared folder ends in a separator from now on, as the other windows expect.
    module_.appendSeparatorToCurPath();
    // A file gone since the page was drawn still has its name; its date and attribute are left
    // empty.
    std::optional<QDateTime> modified;
    std::optional<int> attributes;
    if (!file.isEmpty()) {
        modified = module_.files().modified(file);
        attributes = module_.files().attributes(file);
    }
    const PopCaptions captions = popCaptions(paths::fileName(file), modified, attributes);
    mnuPop1->setText(asMenuText(captions.show));
    mnuPop2->setText(asMenuText(captions.name));
    mnuPop3->setText(asMenuText(captions.date));
    mnuPop4->setText(asMenuText(captions.attribute));
    mnuPop->exec(Img[index]->mapToGlobal(pos));
}

void VuMain::mnuPop1_Click()
{
    // A picture that cannot be shown is reported by the viewer, which then does not open.
    VuView view(module_, this);
    if (view.loaded())
        view.exec();
}

// ---- choosers ----

void VuMain::DialgDsp()
{
    ErrNo = 0;
    const std::optional<QString> chosen = module_.dialogs().chooseFile(
        this, QStringLiteral("ファイルを指定してください"), module_.curPath(), imageFileFilters(), 0);
    if (!chosen) {
        ErrNo = err::Cancel;
        return;
    }
    if (chosen->isEmpty())
        return;
    module_.DlgFile = *chosen;
    // The lists move to the chosen file's folder, which becomes the current folder.
    if (!module_.handOverCurPath(folderWithSeparatorOf(module_.DlgFile)))
        ErrNo = err::PathNotFound;
}

// ---- commands ----

void VuMain::tbToolBar_ButtonClick(QAction* button)
{
    const QString key = button ? button->data().toString() : QString();
    // A command that cannot run (its window not available) is skipped, as is any failing step.
    if (key == QStringLiteral("環境設定"))
        mnuPropProp->trigger();
    else if (key == QStringLiteral("ｽﾗｲﾄﾞｼｮｰ"))
        mnuRunSlide->trigger();
    else if (key == QStringLiteral("一括変換"))
        mnuRunConv->trigger();
    else if (key == QStringLiteral("戻る"))
        pageBack();
    else if (key == QStringLiteral("進む"))
        pageForward();
    // "ﾍﾙﾌﾟ": nothing.
}

void VuMain::mnuFileUndo_Click()
{
    if (conv_) {
        if (conv_->undoNewest() && !PageFolder.isEmpty())
            refreshAfterDrop();
        return;
    }
    const std::optional<engine::Action> action = askUndo(module_, this);
    if (!action)
        return;
    QStringList leftAlone;
    {
        // A long undo keeps the windows painted and the progress bar moving, and takes no input.
        InputBlocker blocker;
        PrgBar1->setRange(0, int(action->entries.size()));
        PrgBar1->setValue(0);
        blocker.flush();
        engine::Undoer(module_.files()).undo(*action, [&](const engine::UndoOutcome& u) {
            PrgBar1->setValue(PrgBar1->value() + 1);
            if (!u.done())
                leftAlone << batch::undoLine(u);
            blocker.pump();
        });
        PrgBar1->setRange(0, 30);
        PrgBar1->setValue(0);
    }
    if (!PageFolder.isEmpty())
        refreshAfterDrop();
    if (!leftAlone.isEmpty()) {
        module_.dialogs().message(this, batch::UndoTitle, batch::undoSummary(int(leftAlone.size()), leftAlone),
            MsgIcon::Error, MsgButtons::Ok);
    }
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

void VuMain::mnuRunSlide_Click()
{
    DialgDsp();
    repaint();  // the dialog's area is redrawn before the window goes or the show starts
    if (ErrNo != 0)
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
        conv_ = new VuConv(module_);
    conv_->show();
    conv_->raise();
    conv_->activateWindow();
}

VuConv* VuMain::batchWindow() const
{
    return conv_.data();
}

}  // namespace vu
