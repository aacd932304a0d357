#include "vuconv.h"
#include "vulog.h"
#include "vurenm.h"

#include "platform/paths.h"
#include "platform/twips.h"
#include "shell/artwork.h"
#include "shell/imagetypes.h"
#include "shell/naming.h"
#include "widgets/inputblocker.h"
#include "widgets/undorunner.h"

#include <QCloseEvent>
#include <QDir>
#include <QLayout>
#include <QMenuBar>

namespace vu {
namespace {

QString indexed(const char* base, int i)
{
    return QString::fromLatin1(base) + QStringLiteral("(%1)").arg(i);
}

QFrame* rule(QWidget* parent, const QString& objectName, const QRect& r)
{
    auto* f = new QFrame(parent);
    nameWidget(f, objectName);
    f->setFrameShape(QFrame::HLine);
    f->setFrameShadow(QFrame::Sunken);
    f->setGeometry(r);
    return f;
}

// The toolbar's picture of each command, in the order of batch::Command.
QPixmap (*const commandPicture[])(int size)
    = {copyBoxPicture, moveBoxPicture, renamePicture, wasteBinPicture, logPicture};

}  // namespace

VuConv::VuConv(VuModule& module, QWidget* renameOwner)
    : QMainWindow(nullptr)
    , module_(module)
    , renameOwner_(renameOwner)
{
    setObjectName(QStringLiteral("VuConv"));
    setWindowTitle(QStringLiteral("一括変換"));
    setWindowIcon(programIcon());
    setAttribute(Qt::WA_DeleteOnClose);

    buildControls();
    buildMenus();
    // A fixed single border: the window keeps the size of its client area and menu bar.
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    for (int i = 0; i < 2; ++i) {
        connect(panes_[i], &FolderPane::driveChosen, this, [this, i] { DrvList_Change(i); });
        connect(panes_[i], &FolderPane::folderChanged, this, [this, i] { DirList_Change(i); });
        connect(panes_[i], &FolderPane::folderLostFocus, this, [this, i] { DirList_LostFocus(i); });
    }
    connect(ui_.cmbBox, &QComboBox::activated, this, [this] { cmbBox_Click(); });

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
    ui_.Toolbar1->setGeometry(0, 0, twips::toPx(6180), twips::toPx(660));

    ui_.Frame1 = rule(client, QStringLiteral("Frame1"), twips::rect(0, 0, 6180, 30));
    ui_.Frame2[0] = rule(client, QStringLiteral("Frame2(0)"), twips::rect(0, 660, 6180, 30));
    ui_.Frame2[1] = rule(client, QStringLiteral("Frame2(1)"), twips::rect(120, 3000, 5960, 30));

    ui_.PrgBar = new QProgressBar(client);
    nameWidget(ui_.PrgBar, QStringLiteral("PrgBar"));
    ui_.PrgBar->setTextVisible(false);
    ui_.PrgBar->setGeometry(twips::rect(3240, 240, 1800, 300));
    ui_.PrgBar->hide();

    ui_.cmbBox = new QComboBox(client);
    nameWidget(ui_.cmbBox, QStringLiteral("cmbBox"));
    ui_.cmbBox->setGeometry(twips::rect(5160, 240, 855, 300));

    const int paneTop[2] = {840, 3200};
    const int countTop[2] = {840, 3240};
    for (int i = 0; i < 2; ++i) {
        // The lists start on the working directory, as the controls do before loading moves them.
        panes_[i] = new FolderPane(module_.files(), module_.volumes(), client, allPicturesPattern(), true);
        ui_.DrvList[i] = panes_[i]->drives();
        nameWidget(ui_.DrvList[i], indexed("DrvList", i));
        ui_.DrvList[i]->setGeometry(twips::rect(120, paneTop[i], 2400, 300));
        ui_.DirList[i] = panes_[i]->folders();
        nameWidget(ui_.DirList[i], indexed("DirList", i));
        ui_.DirList[i]->setGeometry(twips::rect(120, paneTop[i] + 300, 2400, 1770));
        ui_.FileList[i] = panes_[i]->fileBox();
        nameWidget(ui_.FileList[i], indexed("FileList", i));
        ui_.FileList[i]->setGeometry(twips::rect(2640, paneTop[i], 2400, 2070));

        ui_.Label1[i] = new QLabel(QStringLiteral("ファイル数"), client);
        nameObject(ui_.Label1[i], indexed("Label1", i));
        ui_.Label1[i]->setGeometry(twips::rect(5160, countTop[i], 855, 255));
        fitText(ui_.Label1[i]);
        ui_.filSu[i] = new QLineEdit(client);
        nameWidget(ui_.filSu[i], indexed("filSu", i));
        ui_.filSu[i]->setReadOnly(true);
        ui_.filSu[i]->setAlignment(Qt::AlignRight);
        ui_.filSu[i]->setGeometry(twips::rect(5160, countTop[i] + 240, 855, 270));
    }
}

void VuConv::buildMenus()
{
    QMenuBar* bar = menuBar();
    nameWidget(bar, QStringLiteral("MenuBar"));
    ui_.mnuFile = bar->addMenu(QStringLiteral("ﾌｧｲﾙ"));
    nameWidget(ui_.mnuFile, QStringLiteral("mnuFile"));
    ui_.mnuFileQuit = ui_.mnuFile->addAction(QStringLiteral("終了"), this, &VuConv::mnuFileQuit_Click);
    nameObject(ui_.mnuFileQuit, QStringLiteral("mnuFileQuit"));

    // The commands, as on the toolbar; 元に戻す and a separator come before ログ.
    ui_.mnuSyori = bar->addMenu(QStringLiteral("処理選択"));
    nameWidget(ui_.mnuSyori, QStringLiteral("mnuSyori"));
    // Each command's item, in the order of batch::Command.
    QAction** items[] = {&ui_.mnuSyoriCopy, &ui_.mnuSyoriMove, &ui_.mnuSyoriRename, &ui_.mnuSyoriDel, &ui_.mnuSyoriLog};
    for (const batch::CommandEntry& e : batch::commandTable()) {
        if (e.command == batch::Command::Log) {
            ui_.mnuSyoriUndo = addUndoAction(ui_.mnuSyori, module_, QStringLiteral("mnuSyoriUndo"));
            connect(ui_.mnuSyoriUndo, &QAction::triggered, this, &VuConv::mnuSyoriUndo_Click);
            ui_.sa = ui_.mnuSyori->addSeparator();
            nameObject(ui_.sa, QStringLiteral("sa"));
        }
        QAction* item = ui_.mnuSyori->addAction(e.key, this, [this, c = e.command] { run(c); });
        nameObject(item, e.menuName);
        *items[int(e.command)] = item;
    }
}

void VuConv::buildToolbar(QWidget* client)
{
    ui_.Toolbar1 = new QToolBar(QStringLiteral("Toolbar1"), client);
    nameWidget(ui_.Toolbar1, QStringLiteral("Toolbar1"));
    ui_.Toolbar1->setMovable(false);
    ui_.Toolbar1->setFloatable(false);
    ui_.Toolbar1->setIconSize(QSize(32, 32));
    // The keys show as tips: texts under 32-pixel icons would not fit the toolbar's band.
    ui_.Toolbar1->setToolButtonStyle(Qt::ToolButtonIconOnly);
    ui_.Toolbar1->toggleViewAction()->setEnabled(false);

    for (const batch::CommandEntry& e : batch::commandTable()) {
        if (e.command == batch::Command::Log)
            ui_.Toolbar1->addSeparator();
        QAction* a = ui_.Toolbar1->addAction(QIcon(commandPicture[int(e.command)](32)), e.key);
        a->setData(e.key);
        a->setToolTip(e.key);
        nameObject(a, QStringLiteral("Toolbar1:") + e.key);
    }
    connect(ui_.Toolbar1, &QToolBar::actionTriggered, this, &VuConv::Toolbar1_ButtonClick);
}

QAction* VuConv::toolButton(const QString& key) const
{
    for (QAction* a : ui_.Toolbar1->actions()) {
        if (!a->isSeparator() && a->data().toString() == key)
            return a;
    }
    return nullptr;
}

VuLog* VuConv::logWindow() const
{
    return logWindow_.data();
}

// ---- loading, placement, closing ----

void VuConv::Form_Load()
{
    Dsp_change();
    // From here on a failing step is skipped silently: a folder that has gone leaves the panes
    // on whatever the lists could reach.
    const QString start = batch::startFolder(module_.folder().curPath());
    for (FolderPane* pane : panes_)
        pane->show(start);
    for (FolderPane* pane : panes_)
        pane->refresh();
    writeCounts();

    for (std::size_t i = 0; i < typeNames_.size(); ++i)
        typeNames_[i] = imageType(int(i)).caption;
    ui_.cmbBox->clear();
    for (const QString& t : typeNames_)
        ui_.cmbBox->addItem(t);
    ui_.cmbBox->setCurrentIndex(0);
    cmbBox_Click();

    logShown_ = false;
    Dsp_change();
    topmostResult_ = module_.SetTopmost(this, 1);
}

void VuConv::Dsp_change()
{
    const batch::ConvPlacement p = batch::convPlacement(module_.workAreaWidthTwips());
    const QPoint origin = module_.screen().workArea().topLeft();
    move(origin + QPoint(twips::toPx(p.left), twips::toPx(p.top)));
}

void VuConv::Form_Unload()
{
    // The source folder becomes the current one (the main window's lists stay where they are).
    module_.folder().takeHandedBack(ui_.FileList[0]->path());
    if (logWindow_)
        delete logWindow_.data();
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
        ui_.filSu[i]->setText(QString::number(ui_.FileList[i]->count()));
}

void VuConv::DrvList_Change(int index)
{
    panes_[index]->followDrive();
}

void VuConv::DirList_Change(int index)
{
    panes_[index]->listFiles(panes_[index]->folder());
    writeCounts();
}

void VuConv::DirList_LostFocus(int index)
{
    panes_[index]->takeHighlighted();
}

void VuConv::cmbBox_Click()
{
    const QString pattern = imageType(ui_.cmbBox->currentIndex()).pattern;
    for (FolderPane* pane : panes_)
        pane->setPattern(pattern);
    for (FolderPane* pane : panes_)
        pane->listFiles(pane->folder());
    writeCounts();
}

const std::array<QString, 2>& VuConv::Yen_Plus()
{
    for (int i = 0; i < 2; ++i)
        paneDir_[i] = paths::withSeparator(ui_.FileList[i]->path());
    return paneDir_;
}

void VuConv::paneRefresh()
{
    for (int i = 0; i < 2; ++i) {
        panes_[i]->refreshFiles();
        panes_[i]->climbIfGone();  // a folder removed while the operation ran
    }
    writeCounts();
    ui_.PrgBar->hide();
}

// ---- commands ----

void VuConv::Toolbar1_ButtonClick(QAction* button)
{
    if (const auto command = batch::commandForKey(button ? button->data().toString() : QString()))
        run(*command);
}

void VuConv::run(batch::Command command)
{
    if (command == batch::Command::Log)
        mnuSyoriLog_Click();
    else
        operate(command);
}

// ---- log ----

void VuConv::appendLog(const QString& line)
{
    log_.append(line);
}

void VuConv::syncLogWindow()
{
    if (!logWindow_) {
        logWindow_ = new VuLog(module_, this);
        connect(logWindow_, &VuLog::closedByUser, this, [this] { logShown_ = false; });
        connect(logWindow_, &VuLog::undoRequested, this, &VuConv::mnuSyoriUndo_Click);
        logWindow_->Form_Load();
    }
    if (!logShown_)
        logWindow_->setShown(false);
    logWindow_->follow(log_);
}

void VuConv::mnuSyoriLog_Click()
{
    if (logShown_) {
        logShown_ = false;
        if (logWindow_)
            logWindow_->setShown(false);
        return;
    }
    if (logWindow_)
        logWindow_->clearList();
    syncLogWindow();
    logWindow_->setShown(true);
    logShown_ = true;
}

}  // namespace vu
