#include "vumain.h"
#include "pickers.h"

#include "platform/paths.h"
#include "platform/twips.h"
#include "shell/artwork.h"
#include "shell/vuabout.h"
#include "slideshow/vuprop.h"
#include "slideshow/vuslide.h"

#include <QCloseEvent>
#include <QDir>
#include <QMenuBar>
#include <QStyle>

#include <cstdio>

namespace vu {
namespace {

const QString AllImages = QStringLiteral("*.bmp;*.jpg;*.gif;*.ico");

void name(QObject* o, const QString& objectName) { o->setObjectName(objectName); }
void name(QWidget* w, const QString& objectName, const QString& accessible)
{
    w->setObjectName(objectName);
    w->setAccessibleName(accessible);
}

}  // namespace

QString initialPanelText(int n)
{
    static const QString texts[6] = {
        QStringLiteral("データ数：　"),   QStringLiteral("ページ："),     QStringLiteral("画像形式：　"),
        QStringLiteral("表示ﾌｫﾙﾀﾞ："), QStringLiteral("ｺﾋﾟｰﾌｫﾙﾀﾞ：　"), QStringLiteral("移動ﾌｫﾙﾀﾞ："),
    };
    return n >= 1 && n <= 6 ? texts[n - 1] : QString();
}

VuMain::VuMain(VuModule& module, QWidget* parent) : QMainWindow(parent), module_(module)
{
    setObjectName(QStringLiteral("VuMain"));
    setWindowTitle(QStringLiteral("Vutara! ver.2.0"));
    setWindowIcon(programIcon());
    module_.mainWindow = this;

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

    Form_Initialize();
    Form_Load();
}

VuMain::~VuMain()
{
    if (module_.mainWindow == this)
        module_.mainWindow = nullptr;
}

void VuMain::buildControls()
{
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("VuMainClient"));
    setCentralWidget(client);

    DrvList = new DriveListBox(module_.volumes(), client);
    name(DrvList, QStringLiteral("DrvList"), QStringLiteral("DrvList"));
    DirList = new DirListBox(module_.files(), module_.volumes(), client);
    name(DirList, QStringLiteral("DirList"), QStringLiteral("DirList"));
    FileList = new FileListBox(module_.files(), client);
    name(FileList, QStringLiteral("FileList"), QStringLiteral("FileList"));
    FileList->setPattern(AllImages);
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
    const QPixmap pictures[3] = {copyBoxPicture(64), moveBoxPicture(64), wasteBinPicture(64)};
    static const char* boxNames[3] = {"コピー", "移動", "削除"};
    for (int i = 0; i < 3; ++i) {
        imgBox[i] = new PictureBox(PictureBox::Mode::Stretch, Frame2);
        name(imgBox[i], QStringLiteral("imgBox(%1)").arg(i), QStringLiteral("imgBox(%1)").arg(i));
        imgBox[i]->setAccessibleDescription(QString::fromUtf8(boxNames[i]));
        imgBox[i]->setToolTip(QString::fromUtf8(boxNames[i]));
        imgBox[i]->setBorder(true);
        imgBox[i]->setPicture(pictures[i].toImage());
    }
}

void VuMain::buildMenus()
{
    QMenuBar* bar = menuBar();
    name(bar, QStringLiteral("MenuBar"), QStringLiteral("MenuBar"));

    mnuFile = bar->addMenu(QStringLiteral("ﾌｧｲﾙ"));
    name(mnuFile, QStringLiteral("mnuFile"));
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
    mnuRunConv = mnuRun->addAction(QStringLiteral("一括変換"));
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
    name(mnuPop, QStringLiteral("mnuPop"));
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

    // Commands whose windows are not part of the program yet stay disabled.
    for (QAction* a : {mnuRunConv, mnuHelpUrl})
        a->setEnabled(false);
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
        {"環境設定", QStyle::SP_FileDialogDetailedView}, {"ｽﾗｲﾄﾞｼｮｰ", QStyle::SP_MediaPlay},
        {"一括変換", QStyle::SP_DialogSaveButton},       {"戻る", QStyle::SP_ArrowBack},
        {"進む", QStyle::SP_ArrowForward},              {"ﾍﾙﾌﾟ", QStyle::SP_DialogHelpButton},
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
    const std::pair<const char*, QAction*> mirrored[] = {
        {"環境設定", mnuPropProp}, {"ｽﾗｲﾄﾞｼｮｰ", mnuRunSlide}, {"一括変換", mnuRunConv}};
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
        auto* label = new QLabel(initialPanelText(n), StatusBar1);
        label->setObjectName(QStringLiteral("StatusBar1.Panels(%1)").arg(n));
        // A screen reader reads the panel's text as its name; the description says which it is.
        label->setAccessibleDescription(QStringLiteral("StatusBar1.Panels(%1)").arg(n));
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        label->setFocusPolicy(Qt::NoFocus);
        StatusBar1->addWidget(label, n == 6 ? 1 : 0);
        panels_[n - 1] = label;
    }
}

QString VuMain::panel(int n) const { return n >= 1 && n <= 6 ? panels_[n - 1]->text() : QString(); }

void VuMain::setPanel(int n, const QString& text)
{
    if (n >= 1 && n <= 6)
        panels_[n - 1]->setText(text);
}

void VuMain::place(QWidget* w, const TwipRect& r)
{
    const int height = r.hasHeight ? twips::toPx(r.height) : w->sizeHint().height();
    w->setGeometry(twips::toPx(r.left), twips::toPx(r.top), twips::toPx(r.width), height);
}

// ---- start-up, shut-down, layout ----

void VuMain::Form_Initialize() { Dsp_change(); }

void VuMain::Dsp_change()
{
    // The window fills the work area, wherever the user has moved it.
    const QRect area = module_.screen().workArea();
    const QMargins frame = isVisible() ? QMargins(geometry().left() - frameGeometry().left(),
                                                  geometry().top() - frameGeometry().top(),
                                                  frameGeometry().right() - geometry().right(),
                                                  frameGeometry().bottom() - geometry().bottom())
                                       : QMargins();
    setGeometry(area.marginsRemoved(frame));

    layout_ = mainLayout(module_.workAreaWidthTwips());
    PageSize = 30;
    place(DrvList, layout_.DrvList);
    place(DirList, layout_.DirList);
    for (int i = 0; i < 6; ++i)
        place(OkBtn[i], layout_.OkBtn[i]);
    place(FileList, layout_.FileList);
    place(PrgBar1, layout_.PrgBar1);
    for (int k = 0; k < 30; ++k) {
        place(Img[k], layout_.Img[k]);
        place(ImgName[k], layout_.ImgName[k]);
    }
    place(Frame2, layout_.Frame2);
    for (int i = 0; i < 3; ++i)
        place(imgBox[i], layout_.imgBox[i]);
    for (int n = 0; n < 6; ++n) {
        if (n < 5)
            panels_[n]->setFixedWidth(twips::toPx(layout_.panelWidth[n]));
        else
            panels_[n]->setMinimumWidth(twips::toPx(layout_.panelWidth[n]));
    }
}

void VuMain::SysInfo1_DisplayChanged() { Dsp_change(); }

void VuMain::writeCount() { setPanel(1, QStringLiteral("データ数：") + QString::number(FileList->count())); }

void VuMain::Form_Load()
{
    // One trap over all steps: the first that fails ends loading silently, and its number is kept.
    auto steps = [this]() -> FsStatus {
        if (FsStatus s = readSettings(module_.files(), module_.settingsPath, &settings); !s.ok())
            return s;
        module_.CurPath = startFolder(settings);
        PageNo = 1;
        // The drive change below moves the folder list (and with it the current folder) to the
        // drive's own current folder; the stored folder is kept aside so that it still wins.
        const QString stored = module_.CurPath;
        const QString root = module_.volumes().rootOf(stored);
        if (root.isEmpty() || !module_.volumes().isReady(root))
            return FsStatus::failure(err::DeviceUnavailable, stored + QStringLiteral(": drive not ready"));
        DrvList->setDrive(stored);
        if (FsStatus s = DirList->setPath(stored); !s.ok())
            return s;
        FileList->setPattern(AllImages);
        writeCount();
        setPanel(3, QStringLiteral("画像形式：ALL"));
        return FsStatus::success();
    };
    const FsStatus s = steps();
    ErrNo = s.error;
    // Whatever failed, the current folder names the folder the lists show, so that nothing
    // later works on a folder the user cannot see.
    if (!s.ok() && module_.CurPath != DirList->path())
        module_.CurPath = DirList->path();
}

void VuMain::Form_Activate()
{
    DrvList->refresh();
    DirList->refresh();
    FileList->refresh();
}

FsStatus VuMain::Form_Unload()
{
    const QString folder = paths::dropOneSeparator(module_.CurPath);
    if (FsStatus s = readSettings(module_.files(), module_.settingsPath, &settings); !s.ok())
        return s;
    settings.set(SettingsRec::PathHead, QStringLiteral("[Path]"));
    settings.set(SettingsRec::PathName, folder);
    settings.set(SettingsRec::SlideHead, QStringLiteral("[Slideshow]"));
    return writeSettings(module_.files(), module_.settingsPath, settings);
}

bool VuMain::event(QEvent* event)
{
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
        std::fprintf(stderr, "vutara: the settings could not be stored (%s): %s\n",
                     qPrintable(err::describe(s.error)), qPrintable(s.detail));
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
    module_.CurPath = DirList->path();
    writeCount();
}

void VuMain::DirList_LostFocus()
{
    const int row = DirList->listIndex();
    if (row >= 0 && !DirList->setPath(DirList->entryPath(row)).ok())
        DirList->refresh();  // the highlighted folder has gone since it was listed
    module_.CurPath = DirList->path();
    writeCount();
}

// ---- choosers ----

void VuMain::DialgDsp()
{
    ErrNo = 0;
    const std::optional<QString> chosen = module_.dialogs().chooseFile(
        this, QStringLiteral("ファイルを指定してください"), module_.CurPath, imageFileFilters(), 0);
    if (!chosen) {
        ErrNo = err::Cancel;
        return;
    }
    if (chosen->isEmpty())
        return;
    module_.DlgFile = *chosen;
    module_.CurPath = folderWithSeparatorOf(module_.DlgFile);
}

// ---- commands ----

void VuMain::mnuFileQuit_Click() { close(); }

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

}  // namespace vu
