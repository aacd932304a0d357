#include "vuconv.h"
#include "batchwidgets.h"
#include "vulog.h"
#include "vurenm.h"

#include "platform/paths.h"
#include "platform/twips.h"
#include "shell/artwork.h"

#include <QCloseEvent>
#include <QDir>
#include <QLayout>
#include <QMenuBar>

namespace vu {
namespace {

void name(QObject* o, const QString& objectName)
{
    o->setObjectName(objectName);
}
void name(QWidget* w, const QString& objectName)
{
    w->setObjectName(objectName);
    w->setAccessibleName(objectName);
}
QString indexed(const char* base, int i)
{
    return QString::fromLatin1(base) + QStringLiteral("(%1)").arg(i);
}

QFrame* rule(QWidget* parent, const QString& objectName, const QRect& r)
{
    auto* f = new QFrame(parent);
    f->setObjectName(objectName);
    f->setAccessibleName(objectName);
    f->setFrameShape(QFrame::HLine);
    f->setFrameShadow(QFrame::Sunken);
    f->setGeometry(r);
    return f;
}

}  // namespace

VuConv::VuConv(VuModule& module)
    : QMainWindow(nullptr)
    , module_(module)
{
    setObjectName(QStringLiteral("VuConv"));
    setWindowTitle(QStringLiteral("一括変換"));
    setWindowIcon(programIcon());
    setAttribute(Qt::WA_DeleteOnClose);

    buildControls();
    buildMenus();
    // A fixed single border: the window keeps the size of its client area and menu bar.
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    // The lists start on the working directory, as the controls do before loading moves them.
    const QString here = QDir::currentPath();
    for (int i = 0; i < 2; ++i) {
        DrvList[i]->setDrive(here);
        DirList[i]->setPath(here);
        FileList[i]->setPath(here);
        connect(DrvList[i], &DriveListBox::changed, this, [this, i] { DrvList_Change(i); });
        connect(DirList[i], &DirListBox::changed, this, [this, i] { DirList_Change(i); });
        connect(DirList[i], &DirListBox::lostFocus, this, [this, i] { DirList_LostFocus(i); });
    }
    FileList[0]->setPattern(ImagePattern);
    FileList[1]->setPattern(ImagePattern);
    connect(cmbBox, &QComboBox::activated, this, [this] { cmbBox_Click(); });

    Form_Load();
}

// Deliberately no hand-back of the source folder here: only the window's own closing does that,
// not the end of the program that discards the window with everything else.
VuConv::~VuConv()
{
    if (ownRenameDialog_)
        delete ownRenameDialog_.data();
}

void VuConv::buildControls()
{
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("VuConvClient"));
    client->setFixedSize(twips::toPx(6180), twips::toPx(5385));
    setCentralWidget(client);

    buildToolbar(client);
    Toolbar1->setGeometry(0, 0, twips::toPx(6180), twips::toPx(660));

    Frame1 = rule(client, QStringLiteral("Frame1"), twips::rect(0, 0, 6180, 30));
    Frame2[0] = rule(client, QStringLiteral("Frame2(0)"), twips::rect(0, 660, 6180, 30));
    Frame2[1] = rule(client, QStringLiteral("Frame2(1)"), twips::rect(120, 3000, 5960, 30));

    PrgBar = new QProgressBar(client);
    name(PrgBar, QStringLiteral("PrgBar"));
    PrgBar->setTextVisible(false);
    PrgBar->setGeometry(twips::rect(3240, 240, 1800, 300));
    PrgBar->hide();

    cmbBox = new QComboBox(client);
    name(cmbBox, QStringLiteral("cmbBox"));
    cmbBox->setGeometry(twips::rect(5160, 240, 855, 300));

    const int paneTop[2] = {840, 3200};
    const int countTop[2] = {840, 3240};
    for (int i = 0; i < 2; ++i) {
        DrvList[i] = new DriveListBox(module_.volumes(), client);
        name(DrvList[i], indexed("DrvList", i));
        DrvList[i]->setGeometry(twips::rect(120, paneTop[i], 2400, 300));
        DirList[i] = new DirListBox(module_.files(), module_.volumes(), client);
        name(DirList[i], indexed("DirList", i));
        DirList[i]->setGeometry(twips::rect(120, paneTop[i] + 300, 2400, 1770));
        FileList[i] = new FileListBox(module_.files(), client);
        name(FileList[i], indexed("FileList", i));
        FileList[i]->setGeometry(twips::rect(2640, paneTop[i], 2400, 2070));

        Label1[i] = new QLabel(QStringLiteral("ファイル数"), client);
        Label1[i]->setObjectName(indexed("Label1", i));
        Label1[i]->setGeometry(twips::rect(5160, countTop[i], 855, 255));
        fitText(Label1[i]);
        filSu[i] = new QLineEdit(client);
        name(filSu[i], indexed("filSu", i));
        filSu[i]->setReadOnly(true);
        filSu[i]->setAlignment(Qt::AlignRight);
        filSu[i]->setGeometry(twips::rect(5160, countTop[i] + 240, 855, 270));
    }

    List1 = new QListWidget(client);
    name(List1, QStringLiteral("List1"));
    List1->setUniformItemSizes(true);
    List1->hide();
}

void VuConv::buildMenus()
{
    QMenuBar* bar = menuBar();
    name(bar, QStringLiteral("MenuBar"));
    mnuFile = bar->addMenu(QStringLiteral("ﾌｧｲﾙ"));
    name(mnuFile, QStringLiteral("mnuFile"));
    mnuFileQuit = mnuFile->addAction(QStringLiteral("終了"), this, &VuConv::mnuFileQuit_Click);
    name(mnuFileQuit, QStringLiteral("mnuFileQuit"));

    mnuSyori = bar->addMenu(QStringLiteral("処理選択"));
    name(mnuSyori, QStringLiteral("mnuSyori"));
    mnuSyoriCopy = mnuSyori->addAction(QStringLiteral("ｺﾋﾟｰ"), this, &VuConv::mnuSyoriCopy_Click);
    name(mnuSyoriCopy, QStringLiteral("mnuSyoriCopy"));
    mnuSyoriMove = mnuSyori->addAction(QStringLiteral("移動"), this, &VuConv::mnuSyoriMove_Click);
    name(mnuSyoriMove, QStringLiteral("mnuSyoriMove"));
    mnuSyoriRename = mnuSyori->addAction(QStringLiteral("ﾘﾈｰﾑ"), this, &VuConv::mnuSyoriRename_Click);
    name(mnuSyoriRename, QStringLiteral("mnuSyoriRename"));
    mnuSyoriDel = mnuSyori->addAction(QStringLiteral("削除"), this, &VuConv::mnuSyoriDel_Click);
    name(mnuSyoriDel, QStringLiteral("mnuSyoriDel"));
    mnuSyoriUndo = mnuSyori->addAction(QStringLiteral("元に戻す"), this, &VuConv::mnuSyoriUndo_Click);
    name(mnuSyoriUndo, QStringLiteral("mnuSyoriUndo"));
    mnuSyoriUndo->setShortcut(QKeySequence::Undo);
    mnuSyoriUndo->setEnabled(module_.journal().canUndo());
    connect(&module_.journal(), &engine::Journal::changed, mnuSyoriUndo,
        [this] { mnuSyoriUndo->setEnabled(module_.journal().canUndo()); });
    sa = mnuSyori->addSeparator();
    name(sa, QStringLiteral("sa"));
    mnuSyoriLog = mnuSyori->addAction(QStringLiteral("ログ"), this, &VuConv::mnuSyoriLog_Click);
    name(mnuSyoriLog, QStringLiteral("mnuSyoriLog"));
}

void VuConv::buildToolbar(QWidget* client)
{
    Toolbar1 = new QToolBar(QStringLiteral("Toolbar1"), client);
    name(Toolbar1, QStringLiteral("Toolbar1"));
    Toolbar1->setMovable(false);
    Toolbar1->setFloatable(false);
    Toolbar1->setIconSize(QSize(32, 32));
    // The keys show as tips: texts under 32-pixel icons would not fit the toolbar's band.
    Toolbar1->setToolButtonStyle(Qt::ToolButtonIconOnly);
    Toolbar1->toggleViewAction()->setEnabled(false);

    const std::pair<const char*, QPixmap> buttons[5] = {
        {"ｺﾋﾟｰ", copyBoxPicture(32)},
        {"移動", moveBoxPicture(32)},
        {"ﾘﾈｰﾑ", renamePicture(32)},
        {"削除", wasteBinPicture(32)},
        {"ログ", logPicture(32)},
    };
    for (const auto& [key, picture] : buttons) {
        const QString k = QString::fromUtf8(key);
        if (k == QStringLiteral("ログ"))
            Toolbar1->addSeparator();
        QAction* a = Toolbar1->addAction(QIcon(picture), k);
        a->setData(k);
        a->setToolTip(k);
        a->setObjectName(QStringLiteral("Toolbar1:") + k);
    }
    connect(Toolbar1, &QToolBar::actionTriggered, this, &VuConv::Toolbar1_ButtonClick);
}

QAction* VuConv::toolButton(const QString& key) const
{
    for (QAction* a : Toolbar1->actions()) {
        if (!a->isSeparator() && a->data().toString() == key)
            return a;
    }
    return nullptr;
}

VuLog* VuConv::logWindow() const
{
    return log_.data();
}

VuReNM* VuConv::renameDialog()
{
    QWidget* owner = module_.mainWindow.data();
    if (owner) {
        if (auto* kept = owner->findChild<VuReNM*>(QStringLiteral("VuReNM"), Qt::FindDirectChildrenOnly))
            return kept;
        return new VuReNM(owner);
    }
    if (!ownRenameDialog_)
        ownRenameDialog_ = new VuReNM(nullptr);
    return ownRenameDialog_.data();
}

// ---- loading, placement, closing ----

void VuConv::Form_Load()
{
    Dsp_change();
    // From here on a failing step is skipped silently: a folder that has gone leaves the panes
    // on whatever the lists could reach.
    // An empty folder is what closing at the root leaves behind (the root without its separator).
    const QString start = module_.curPath().isEmpty() ? QStringLiteral("/") : module_.curPath();
    pointPane(0, start);
    pointPane(1, start);
    for (int i = 0; i < 2; ++i)
        DrvList[i]->refresh();
    for (int i = 0; i < 2; ++i)
        DirList[i]->refresh();
    for (int i = 0; i < 2; ++i)
        FileList[i]->refresh();
    writeCounts();

    typeNames = batch::typeNameTable();
    cmbBox->clear();
    for (const QString& t : typeNames)
        cmbBox->addItem(t);
    cmbBox->setCurrentIndex(0);
    cmbBox_Click();

    logShown = 0;
    Dsp_change();
    topmostResult = module_.SetTopmost(this, 1);
}

void VuConv::pointPane(int index, const QString& folder)
{
    DrvList[index]->setDrive(folder);
    DirList[index]->setPath(folder);
    // A file list cannot be pointed at a folder that is not there; it keeps its folder.
    const QString clean = paths::cleanFolder(folder);
    if (!clean.isEmpty() && folder.startsWith(paths::Separator) && module_.files().isDir(clean))
        FileList[index]->setPath(clean);
}

void VuConv::Dsp_change()
{
    const batch::ConvPlacement p = batch::convPlacement(module_.workAreaWidthTwips());
    const QPoint origin = module_.screen().workArea().topLeft();
    move(origin + QPoint(twips::toPx(p.left), twips::toPx(p.top)));
}

void VuConv::Form_Unload()
{
    // The source folder becomes the current one: the main window lists it from now on.
    module_.handOverCurPath(paths::dropOneSeparator(FileList[0]->path()));
    if (log_)
        delete log_.data();
}

void VuConv::closeEvent(QCloseEvent* event)
{
    if (running_) {
        event->ignore();
        return;
    }
    Form_Unload();
    event->accept();
}

void VuConv::mnuFileQuit_Click()
{
    if (!running_)
        close();
}

// ---- panes ----

void VuConv::writeCounts()
{
    for (int i = 0; i < 2; ++i)
        filSu[i]->setText(QString::number(FileList[i]->count()));
}

void VuConv::DrvList_Change(int index)
{
    if (!DirList[index]->setDrive(DrvList[index]->drive()).ok())
        DrvList[index]->setDrive(DirList[index]->path());  // back to the drive still listed
}

void VuConv::DirList_Change(int index)
{
    FileList[index]->setPath(DirList[index]->path());
    writeCounts();
}

void VuConv::DirList_LostFocus(int index)
{
    const int row = DirList[index]->listIndex();
    if (row >= 0 && !DirList[index]->setPath(DirList[index]->entryPath(row)).ok())
        DirList[index]->refresh();  // the highlighted folder has gone since it was listed
}

void VuConv::cmbBox_Click()
{
    const int selected = cmbBox->currentIndex();
    const QString type = selected >= 0 && selected < int(typeNames.size()) ? typeNames[selected] : QString();
    const QString pattern = batch::patternForType(type);
    FileList[0]->setPattern(pattern);
    FileList[1]->setPattern(pattern);
    FileList[0]->setPath(DirList[0]->path());
    FileList[1]->setPath(DirList[1]->path());
    writeCounts();
}

void VuConv::Yen_Plus()
{
    for (int i = 0; i < 2; ++i)
        paneDir[i] = paths::withSeparator(FileList[i]->path());
}

void VuConv::paneRefresh()
{
    for (int i = 0; i < 2; ++i) {
        FileList[i]->refresh();
        // A folder removed while the operation ran: the pane climbs to what is still there.
        if (!module_.files().isDir(DirList[i]->path()))
            DirList[i]->refresh();
    }
    writeCounts();
    PrgBar->hide();
}

void VuConv::resetBar(int files)
{
    PrgBar->setMinimum(0);
    PrgBar->setMaximum(files + 1);
    PrgBar->setValue(0);
}

MsgAnswer VuConv::ask(const QString& title, const QString& text, MsgIcon icon, MsgButtons buttons)
{
    return module_.dialogs().message(this, title, text, icon, buttons);
}

// ---- commands ----

void VuConv::Toolbar1_ButtonClick(QAction* button)
{
    const QString key = button ? button->data().toString() : QString();
    if (key == QStringLiteral("ｺﾋﾟｰ"))
        mnuSyoriCopy_Click();
    else if (key == QStringLiteral("移動"))
        mnuSyoriMove_Click();
    else if (key == QStringLiteral("ﾘﾈｰﾑ"))
        mnuSyoriRename_Click();
    else if (key == QStringLiteral("削除"))
        mnuSyoriDel_Click();
    else if (key == QStringLiteral("ログ"))
        mnuSyoriLog_Click();
}

// ---- log ----

void VuConv::appendLog(const QString& line)
{
    if (List1->count() >= batch::MaxLogLines)
        delete List1->takeItem(0);
    List1->addItem(line);
    ++logTotal_;
}

void VuConv::addLog()
{
    if (!log_) {
        log_ = new VuLog(module_, this);
        connect(log_, &VuLog::closedByUser, this, [this] { logShown = 0; });
        connect(log_, &VuLog::undoRequested, this, &VuConv::mnuSyoriUndo_Click);
        log_->Form_Load();
    }
    if (logShown == 0) {
        log_->hide();
        log_->List1->hide();
    }
    log_->follow(*List1, logTotal_);
}

void VuConv::mnuSyoriLog_Click()
{
    if (logShown == 1) {
        logShown = 0;
        if (log_) {
            log_->hide();
            log_->List1->hide();
        }
        return;
    }
    if (log_)
        log_->clearList();
    addLog();
    log_->show();
    log_->List1->show();
    logShown = 1;
}

}  // namespace vu
