// The batch window: its panes, the type choice, placement, closing, and the log window.
#include "batch/vuconv.h"
#include "batch/vulog.h"
#include "batch/vurenm.h"
#include "browser/vumain.h"
#include "platform/testing/doubles.h"
#include "platform/twips.h"
#include "shell/imagetypes.h"
#include "support/testsupport.h"

#include <QApplication>
#include <QMenuBar>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTest>

using namespace vu;
using namespace vu::testing;

namespace {

QStringList texts(const QListWidget* list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

void discardClosedWindows()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace

class TestVuConv : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void panesStartOnCurrentFolder();
    void unreachableCurrentFolderOpensSilently_data();
    void unreachableCurrentFolderOpensSilently();
    void folderChangeRewritesBothCounts();
    void panesFollowDrives();
    void driveNotReadySpringsBack();
    void lostFocusTakesHighlightedFolder();
    void highlightedFolderStaysWhileCommandsAsk_data();
    void highlightedFolderStaysWhileCommandsAsk();
    void typeChoiceSetsBothPatterns_data();
    void typeChoiceSetsBothPatterns();
    void yenPlus_data();
    void yenPlus();
    void closingHandsBackSourceFolder_data();
    void closingHandsBackSourceFolder();
    void placement_data();
    void placement();
    void menusAndToolbar();
    void toolbarKeyDecides();

    void logToggleBeforeAnyOperation();
    void linesWhileHiddenShowWhenToggledOn();
    void logWindowFollowsEachLineWithoutRebuilding();
    void closeBoxCountsAsToggleOff();
    void fullLogStoreKeepsNewestLines();
    void closingUnloadsLogWindow();

    void mainWindowOpensAndBringsForward();
    void eachOpeningStartsAfresh();
    void closingMainWindowSkipsBatchClosing();

private:
    VuConv* open();
    QString folder(const QString& relative) const { return cwd_->file(relative); }

    std::unique_ptr<TempCwd> cwd_;
    std::unique_ptr<TestPlatform> platform_;
    std::unique_ptr<VuModule> module_;
    QList<QPointer<VuConv>> windows_;
};

void TestVuConv::init()
{
    cwd_ = std::make_unique<TempCwd>();
    platform_ = std::make_unique<TestPlatform>();
    module_ = std::make_unique<VuModule>(platform_->platform());
}

void TestVuConv::cleanup()
{
    for (const QPointer<VuConv>& w : windows_)
        delete w.data();
    windows_.clear();
    discardClosedWindows();
    module_.reset();
    platform_.reset();
    cwd_.reset();
}

VuConv* TestVuConv::open()
{
    auto* w = new VuConv(*module_);
    windows_ << w;
    return w;
}

void TestVuConv::panesStartOnCurrentFolder()
{
    const QString pics = folder(QStringLiteral("pics"));
    writePictures(pics, 3, "bmp");
    writePictures(pics, 2, "jpg", QStringLiteral("photo"));
    writeBytes(pics + QStringLiteral("/notes.txt"), "text");
    writeBytes(pics + QStringLiteral("/.hidden.jpg"), "x");
    module_->folder().takeStored(pics);

    VuConv* w = open();
    QCOMPARE(w->windowTitle(), QStringLiteral("一括変換"));
    for (int i = 0; i < 2; ++i) {
        QCOMPARE(w->ui().DirList[i]->path(), pics);
        QCOMPARE(w->ui().FileList[i]->path(), pics);
        QCOMPARE(w->ui().FileList[i]->count(), 5);
        QCOMPARE(w->ui().filSu[i]->text(), QStringLiteral("5"));
        QCOMPARE(w->ui().FileList[i]->pattern(), allPicturesPattern());
        QCOMPARE(w->ui().DrvList[i]->drive(), module_->volumes().rootOf(pics));
        QCOMPARE(w->findChild<QWidget*>(QStringLiteral("DrvList(%1)").arg(i)), w->ui().DrvList[i]);
        QCOMPARE(w->ui().Label1[i]->text(), QStringLiteral("ファイル数"));
    }
    QCOMPARE(w->ui().cmbBox->currentText(), QStringLiteral("all"));
    QCOMPARE(w->ui().cmbBox->count(), 5);
    QCOMPARE(w->typeNames()[4], QStringLiteral("ico"));
    QCOMPARE(w->logShown(), false);
    QCOMPARE(w->logStore().count(), 0);
    QVERIFY(!w->findChild<QWidget*>(QStringLiteral("List1")));  // the log store is no control: none shows
    QVERIFY(w->ui().PrgBar->isHidden());
    QVERIFY(!w->logWindow());
    QCOMPARE(w->topmostResult(), 1);
    QCOMPARE(platform_->windowing.calls.size(), 1);
    QCOMPARE(platform_->windowing.calls[0].window, w);
    QVERIFY(platform_->windowing.calls[0].on);
    QVERIFY(platform_->dialogs.asked.isEmpty());
    QCOMPARE(module_->folder().curPath(), pics);  // loading does not change it
}

void TestVuConv::unreachableCurrentFolderOpensSilently_data()
{
    QTest::addColumn<QString>("curPath");
    QTest::addColumn<QString>("expected");  // the panes' folder; "cwd" for the working directory
    QTest::newRow("folder gone") << "gone/deeper"
                                 << "cwd";
    QTest::newRow("not a path") << "C:\\Images"
                                << "cwd";
    QTest::newRow("a file, not a folder") << "file.jpg"
                                          << "cwd";
    QTest::newRow("volume without folder") << ""
                                           << "/";  // what closing at the root leaves
}

void TestVuConv::unreachableCurrentFolderOpensSilently()
{
    QFETCH(QString, curPath);
    QFETCH(QString, expected);
    writeBytes(folder(QStringLiteral("file.jpg")), "x");
    module_->folder().takeStored(curPath.isEmpty() || curPath.contains(u'\\') ? curPath : folder(curPath));
    VuConv* w = open();
    const QString panes = expected == QStringLiteral("cwd") ? cwd_->path() : expected;
    for (int i = 0; i < 2; ++i) {
        QCOMPARE(w->ui().DirList[i]->path(), panes);
        QCOMPARE(w->ui().FileList[i]->path(), panes);
        QCOMPARE(w->ui().filSu[i]->text(), QString::number(w->ui().FileList[i]->count()));
    }
    QCOMPARE(w->ui().cmbBox->currentText(), QStringLiteral("all"));
    QVERIFY(platform_->dialogs.asked.isEmpty());
}

void TestVuConv::folderChangeRewritesBothCounts()
{
    const QString top = folder(QStringLiteral("top"));
    writePictures(top, 4, "gif");
    writePictures(top + QStringLiteral("/sub"), 2, "ico");
    module_->folder().takeStored(top);
    VuConv* w = open();
    QCOMPARE(w->ui().filSu[0]->text(), QStringLiteral("4"));
    w->ui().filSu[0]->setText(QStringLiteral("stale"));
    QVERIFY(w->ui().DirList[1]->setPath(top + QStringLiteral("/sub")).ok());
    QCOMPARE(w->ui().FileList[1]->path(), top + QStringLiteral("/sub"));
    QCOMPARE(w->ui().filSu[1]->text(), QStringLiteral("2"));
    QCOMPARE(w->ui().filSu[0]->text(), QStringLiteral("4"));
    QCOMPARE(w->ui().FileList[0]->path(), top);
    QCOMPARE(module_->folder().curPath(), top);  // only closing hands a folder back
}

void TestVuConv::panesFollowDrives()
{
    const QString disk = folder(QStringLiteral("disk"));
    const QString card = folder(QStringLiteral("card"));
    writePictures(disk + QStringLiteral("/photos"), 3);
    writePictures(card, 1, "jpg");
    FakeVolumes& volumes = platform_->useFakeVolumes();
    volumes.volumes = {{QStringLiteral("/"), QString(), true}, {disk, QStringLiteral("disk"), true},
        {card, QStringLiteral("card"), true}};
    module_ = std::make_unique<VuModule>(platform_->platform());
    module_->folder().takeStored(disk + QStringLiteral("/photos"));
    VuConv* w = open();
    QCOMPARE(w->ui().DrvList[1]->drive(), disk);

    const int at = w->ui().DrvList[1]->findData(card);
    QVERIFY(at >= 0);
    w->ui().DrvList[1]->setCurrentIndex(at);
    emit w->ui().DrvList[1]->activated(at);  // as when the user picks it
    QCOMPARE(w->ui().DirList[1]->path(), card);
    QCOMPARE(w->ui().FileList[1]->path(), card);
    QCOMPARE(w->ui().filSu[1]->text(), QStringLiteral("1"));
    QCOMPARE(w->ui().DrvList[0]->drive(), disk);
    QCOMPARE(w->ui().DirList[0]->path(), disk + QStringLiteral("/photos"));
    QCOMPARE(w->ui().filSu[0]->text(), QStringLiteral("3"));
}

void TestVuConv::driveNotReadySpringsBack()
{
    const QString disk = folder(QStringLiteral("disk"));
    const QString cdrom = folder(QStringLiteral("cdrom"));
    writePictures(disk, 2);
    QDir().mkpath(cdrom);
    FakeVolumes& volumes = platform_->useFakeVolumes();
    volumes.volumes = {{QStringLiteral("/"), QString(), true}, {disk, QString(), true}, {cdrom, QString(), false}};
    module_ = std::make_unique<VuModule>(platform_->platform());
    module_->folder().takeStored(disk);
    VuConv* w = open();
    const int at = w->ui().DrvList[0]->findData(cdrom);
    w->ui().DrvList[0]->setCurrentIndex(at);
    emit w->ui().DrvList[0]->activated(at);
    QCOMPARE(w->ui().DrvList[0]->drive(), disk);
    QCOMPARE(w->ui().DrvList[0]->currentData().toString(), disk);
    QCOMPARE(w->ui().DirList[0]->path(), disk);
    QCOMPARE(w->ui().filSu[0]->text(), QStringLiteral("2"));
    QVERIFY(platform_->dialogs.asked.isEmpty());
}

void TestVuConv::lostFocusTakesHighlightedFolder()
{
    const QString top = folder(QStringLiteral("top"));
    writePictures(top + QStringLiteral("/sub"), 3);
    module_->folder().takeStored(top);
    VuConv* w = open();
    w->ui().DirList[0]->setCurrentRow(w->ui().DirList[0]->count() - 1);  // one click on "sub"
    QCOMPARE(w->ui().DirList[0]->path(), top);
    w->DirList_LostFocus(0);
    QCOMPARE(w->ui().DirList[0]->path(), top + QStringLiteral("/sub"));
    QCOMPARE(w->ui().filSu[0]->text(), QStringLiteral("3"));
    QCOMPARE(w->ui().DirList[1]->path(), top);
    w->DirList_LostFocus(1);  // nothing else highlighted: stays
    QCOMPARE(w->ui().DirList[1]->path(), top);
}

void TestVuConv::highlightedFolderStaysWhileCommandsAsk_data()
{
    // A folder of the source pane (or, for a copy, of the target pane) is highlighted with one
    // click, not opened; then a command asks in real boxes and dialogs that take the focus.
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("pane");  // the pane whose folder list has the highlight
    QTest::newRow("delete") << "削除" << 0;
    QTest::newRow("move") << "移動" << 0;
    QTest::newRow("rename") << "ﾘﾈｰﾑ" << 0;
    QTest::newRow("copy") << "ｺﾋﾟｰ" << 1;
}

void TestVuConv::highlightedFolderStaysWhileCommandsAsk()
{
    QFETCH(QString, command);
    QFETCH(int, pane);
    // Folder "a" holds what the user looked at and counted; its subfolder "b" is only
    // highlighted. The target pane shows "t" (with its own subfolder "u" highlighted for the copy).
    const QString a = folder(QStringLiteral("a"));
    const QString b = a + QStringLiteral("/b");
    const QString t = folder(QStringLiteral("t"));
    const QString u = t + QStringLiteral("/u");
    const QStringList inA = writePictures(a, 3, "bmp", QStringLiteral("a"));
    const QStringList inB = writePictures(b, 2, "bmp", QStringLiteral("b"));
    QDir().mkpath(u);
    Platform real = platform_->platform();
    QtDialogs boxes;
    real.dialogs = &boxes;
    VuModule module(real);
    module.folder().takeStored(a);
    auto* w = new VuConv(module);
    windows_ << w;
    QVERIFY(w->ui().DirList[1]->setPath(t).ok());
    w->show();
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w));
    DirListBox* list = w->ui().DirList[pane];
    list->setFocus(Qt::MouseFocusReason);
    QTRY_VERIFY(list->hasFocus());
    const int row = list->count() - 1;  // the subfolder, below the open folder
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
    QCOMPARE(list->listIndex(), row);
    const QString shown = list->path();

    // Every box and dialog that takes the focus is answered OK (the rename dialog with a
    // prefix), once it is the active window; each notes which folder the pane showed then.
    QStringList asked;
    std::function<void()> answerNext = [&] {
        whenShown(
            [] {
                QWidget* box = QApplication::activeModalWidget();
                return box && QApplication::activeWindow() == box ? box : nullptr;
            },
            [&](QWidget* box) {
                asked << box->windowTitle()
                        + (list->path() == shown ? QStringLiteral(": kept") : QStringLiteral(": moved"));
                if (auto* rename = qobject_cast<VuReNM*>(box)) {
                    rename->ui().Text1->setText(QStringLiteral("new"));
                    rename->ui().OKButton->click();
                } else if (auto* message = qobject_cast<QMessageBox*>(box)) {
                    message->button(QMessageBox::Ok) ? message->button(QMessageBox::Ok)->click()
                                                     : message->buttons().first()->click();
                }
                answerNext();
            },
            3000);
    };
    answerNext();
    w->Toolbar1_ButtonClick(w->toolButton(command));
    QVERIFY2(!asked.isEmpty() && asked.filter(QStringLiteral(": moved")).isEmpty(), qPrintable(asked.join(u',')));

    // The command worked on the folders the panes showed; the highlighted one is untouched.
    QCOMPARE(list->path(), shown);
    QCOMPARE(w->ui().FileList[pane]->path(), shown);
    const QStringList leftInA = QDir(a).entryList(QDir::Files, QDir::Name);
    if (command == QStringLiteral("削除") || command == QStringLiteral("移動"))
        QCOMPARE(leftInA, QStringList());
    else if (command == QStringLiteral("ﾘﾈｰﾑ"))
        QCOMPARE(leftInA,
            QStringList({QStringLiteral("new_.bmp"), QStringLiteral("new_1.bmp"), QStringLiteral("new_2.bmp")}));
    else
        QCOMPARE(leftInA, inA);
    QCOMPARE(QDir(b).entryList(QDir::Files, QDir::Name), inB);
    QCOMPARE(QDir(t).entryList(QDir::Files, QDir::Name),
        command == QStringLiteral("移動") || command == QStringLiteral("ｺﾋﾟｰ") ? inA : QStringList());
    QCOMPARE(QDir(u).entryList(QDir::Files, QDir::Name), QStringList());
}

void TestVuConv::typeChoiceSetsBothPatterns_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<int>("count0");
    QTest::addColumn<int>("count1");
    QTest::newRow("all") << 0 << allPicturesPattern() << 6 << 3;
    QTest::newRow("bmp") << 1 << "*.bmp" << 3 << 0;
    QTest::newRow("jpg") << 2 << "*.jpg" << 1 << 2;
    QTest::newRow("gif") << 3 << "*.gif" << 2 << 0;
    QTest::newRow("ico") << 4 << "*.ico" << 0 << 1;
}

void TestVuConv::typeChoiceSetsBothPatterns()
{
    QFETCH(int, index);
    QFETCH(QString, pattern);
    QFETCH(int, count0);
    QFETCH(int, count1);
    const QString src = folder(QStringLiteral("src"));
    const QString dst = folder(QStringLiteral("src/dst"));
    writePictures(src, 3, "bmp");
    writePictures(src, 1, "jpg");
    writePictures(src, 2, "gif");
    writePictures(dst, 2, "jpg");
    writePictures(dst, 1, "ico");
    writeBytes(src + QStringLiteral("/UPPER.JPG"), "x");  // the patterns ignore letter case
    module_->folder().takeStored(src);
    VuConv* w = open();
    QVERIFY(w->ui().DirList[1]->setPath(dst).ok());
    w->ui().cmbBox->setCurrentIndex(index);
    emit w->ui().cmbBox->activated(index);
    QCOMPARE(w->ui().FileList[0]->pattern(), pattern);
    QCOMPARE(w->ui().FileList[1]->pattern(), pattern);
    const int upper = index == 0 || index == 2 ? 1 : 0;
    QCOMPARE(w->ui().FileList[0]->count(), count0 + upper);
    QCOMPARE(w->ui().FileList[1]->count(), count1);
    QCOMPARE(w->ui().filSu[0]->text(), QString::number(count0 + upper));
    QCOMPARE(w->ui().filSu[1]->text(), QString::number(count1));
}

void TestVuConv::yenPlus_data()
{
    QTest::addColumn<QString>("pane0");
    QTest::addColumn<QString>("pane1");
    QTest::newRow("both elsewhere") << "a"
                                    << "b";
    QTest::newRow("source at the root") << "/"
                                        << "b";
    QTest::newRow("target at the root") << "a"
                                        << "/";
}

void TestVuConv::yenPlus()
{
    QFETCH(QString, pane0);
    QFETCH(QString, pane1);
    QDir().mkpath(folder(QStringLiteral("a")));
    QDir().mkpath(folder(QStringLiteral("b")));
    VuConv* w = open();
    const QString p0 = pane0 == QStringLiteral("/") ? pane0 : folder(pane0);
    const QString p1 = pane1 == QStringLiteral("/") ? pane1 : folder(pane1);
    QVERIFY(w->ui().DirList[0]->setPath(p0).ok());
    QVERIFY(w->ui().DirList[1]->setPath(p1).ok());
    w->Yen_Plus();
    QCOMPARE(w->paneDir()[0], p0 == QStringLiteral("/") ? p0 : p0 + QStringLiteral("/"));
    QCOMPARE(w->paneDir()[1], p1 == QStringLiteral("/") ? p1 : p1 + QStringLiteral("/"));
}

void TestVuConv::closingHandsBackSourceFolder_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("expected");
    QTest::newRow("elsewhere") << "pics/sub"
                               << "pics/sub";
    QTest::newRow("volume root") << "/"
                                 << "";
}

void TestVuConv::closingHandsBackSourceFolder()
{
    QFETCH(QString, source);
    QFETCH(QString, expected);
    QDir().mkpath(folder(QStringLiteral("pics/sub")));
    QDir().mkpath(folder(QStringLiteral("other")));
    module_->folder().takeStored(folder(QStringLiteral("pics")));
    QPointer<VuConv> w = open();
    w->show();
    QVERIFY(w->ui().DirList[0]->setPath(source == QStringLiteral("/") ? source : folder(source)).ok());
    QVERIFY(w->ui().DirList[1]->setPath(folder(QStringLiteral("other"))).ok());
    QCOMPARE(module_->folder().curPath(), folder(QStringLiteral("pics")));
    w->mnuFileQuit_Click();
    QCOMPARE(module_->folder().curPath(), expected.isEmpty() ? expected : folder(expected));
    discardClosedWindows();
    QVERIFY(w.isNull());
}

void TestVuConv::placement_data()
{
    QTest::addColumn<QRect>("workArea");
    QTest::addColumn<QPoint>("conv");
    QTest::addColumn<QPoint>("log");
    QTest::addColumn<QSize>("list");
    QTest::newRow("1280 wide") << QRect(0, 0, 1280, 994) << QPoint(167, 87) << QPoint(597, 87)
                               << QSize(twips::toPx(15230), twips::toPx(10680));
    QTest::newRow("1024 wide") << QRect(0, 0, 1024, 738) << QPoint(167, 87) << QPoint(597, 87)
                               << QSize(twips::toPx(15230), twips::toPx(10680));
    QTest::newRow("1023 wide") << QRect(0, 0, 1023, 738) << QPoint(2, 80) << QPoint(377, 80)
                               << QSize(twips::toPx(15230 / 1.29), twips::toPx(10680 / 1.29));
    QTest::newRow("800 wide, panel on top")
        << QRect(0, 24, 800, 576) << QPoint(2, 104) << QPoint(377, 104) << QSize(787, 552);
}

void TestVuConv::placement()
{
    QFETCH(QRect, workArea);
    QFETCH(QPoint, conv);
    QFETCH(QPoint, log);
    QFETCH(QSize, list);
    platform_->screen.setWorkArea(workArea);
    VuConv* w = open();
    QCOMPARE(w->pos(), conv);
    QCOMPARE(w->centralWidget()->size(), QSize(412, 359));
    QCOMPARE(w->ui().FileList[1]->geometry(), twips::rect(2640, 3200, 2400, 2070));
    QCOMPARE(w->ui().PrgBar->geometry(), twips::rect(3240, 240, 1800, 300));
    w->mnuSyoriLog_Click();
    VuLog* l = w->logWindow();
    QVERIFY(l);
    QCOMPARE(l->pos(), log);
    QCOMPARE(l->size(), QSize(412, 378));
    QCOMPARE(l->ui().List1->size(), list);
    QCOMPARE(l->ui().List1->pos(), QPoint(1, 0));
}

void TestVuConv::menusAndToolbar()
{
    VuConv* w = open();
    QStringList menus;
    for (QAction* a : w->menuBar()->actions())
        menus << a->text();
    QCOMPARE(menus, QStringList({QStringLiteral("ﾌｧｲﾙ"), QStringLiteral("処理選択")}));
    QStringList items;
    for (QAction* a : w->ui().mnuSyori->actions())
        items << (a->isSeparator() ? QStringLiteral("-") : a->text());
    QCOMPARE(items,
        QStringList({QStringLiteral("ｺﾋﾟｰ"), QStringLiteral("移動"), QStringLiteral("ﾘﾈｰﾑ"), QStringLiteral("削除"),
            QStringLiteral("元に戻す"), QStringLiteral("-"), QStringLiteral("ログ")}));
    QCOMPARE(w->ui().mnuSyoriUndo->shortcut(), QKeySequence(QKeySequence::Undo));
    QVERIFY(!w->ui().mnuSyoriUndo->isEnabled());  // nothing done yet
    QCOMPARE(w->ui().mnuFileQuit->text(), QStringLiteral("終了"));
    QStringList keys;
    for (QAction* a : w->ui().Toolbar1->actions()) {
        keys << (a->isSeparator() ? QStringLiteral("-") : a->data().toString());
        if (!a->isSeparator()) {
            QCOMPARE(a->text(), a->data().toString());
            QVERIFY(!a->icon().pixmap(32, 32).isNull());
        }
    }
    QCOMPARE(keys,
        QStringList({QStringLiteral("ｺﾋﾟｰ"), QStringLiteral("移動"), QStringLiteral("ﾘﾈｰﾑ"), QStringLiteral("削除"),
            QStringLiteral("-"), QStringLiteral("ログ")}));
    QCOMPARE(w->ui().Toolbar1->iconSize(), QSize(32, 32));
}

void TestVuConv::toolbarKeyDecides()
{
    VuConv* w = open();
    // A button elsewhere carrying the key runs the same command; an unknown key does nothing.
    QAction stray(QStringLiteral("anything"));
    stray.setData(QStringLiteral("ログ"));
    w->Toolbar1_ButtonClick(&stray);
    QCOMPARE(w->logShown(), true);
    QAction unknown(QStringLiteral("ログ"));
    unknown.setData(QStringLiteral("ﾛｸﾞ"));
    w->Toolbar1_ButtonClick(&unknown);
    QCOMPARE(w->logShown(), true);
    w->toolButton(QStringLiteral("ログ"))->trigger();
    QCOMPARE(w->logShown(), false);
    QVERIFY(platform_->dialogs.asked.isEmpty());
}

void TestVuConv::logToggleBeforeAnyOperation()
{
    VuConv* w = open();
    w->show();
    w->mnuSyoriLog_Click();
    VuLog* l = w->logWindow();
    QVERIFY(l);
    QCOMPARE(l->windowTitle(), QStringLiteral("一括変換ログ"));
    QVERIFY(l->isVisible());
    QVERIFY(l->ui().List1->isVisible());
    QCOMPARE(l->ui().List1->count(), 0);
    QCOMPARE(w->logShown(), true);
    QCOMPARE(l->topmostResult(), 1);
    QCOMPARE(platform_->windowing.calls.last().window, l);

    w->mnuSyoriLog_Click();
    QCOMPARE(w->logShown(), false);
    QVERIFY(!l->isVisible());
    QVERIFY(l->ui().List1->isHidden());
    QCOMPARE(w->logWindow(), l);  // hidden, not discarded
}

void TestVuConv::linesWhileHiddenShowWhenToggledOn()
{
    VuConv* w = open();
    w->show();
    const QStringList lines = {QStringLiteral("one"), QStringLiteral("two"), QStringLiteral("three")};
    for (const QString& line : lines) {
        w->appendLog(line);
        w->syncLogWindow();
    }
    VuLog* l = w->logWindow();
    QVERIFY(l);  // loaded by the first line, hidden
    QVERIFY(!l->isVisible());
    QVERIFY(l->ui().List1->isHidden());
    QCOMPARE(w->logStore().lines(), lines);
    w->mnuSyoriLog_Click();
    QVERIFY(l->isVisible());
    QCOMPARE(texts(l->ui().List1), lines);

    // Toggled off and on again, the log still holds every line of this opening.
    w->mnuSyoriLog_Click();
    w->appendLog(QStringLiteral("four"));
    w->syncLogWindow();
    QVERIFY(!l->isVisible());
    w->mnuSyoriLog_Click();
    QCOMPARE(texts(l->ui().List1), lines + QStringList{QStringLiteral("four")});
}

void TestVuConv::logWindowFollowsEachLineWithoutRebuilding()
{
    VuConv* w = open();
    w->show();
    w->mnuSyoriLog_Click();
    VuLog* l = w->logWindow();
    for (int i = 0; i < 3000; ++i)
        w->appendLog(QStringLiteral("line %1").arg(i));
    w->syncLogWindow();
    QCOMPARE(l->ui().List1->count(), 3000);
    const QListWidgetItem* first = l->ui().List1->item(0);
    for (int i = 3000; i < 3010; ++i) {
        w->appendLog(QStringLiteral("line %1").arg(i));
        w->syncLogWindow();
        QCOMPARE(l->ui().List1->count(), i + 1);
        QCOMPARE(l->ui().List1->item(i)->text(), QStringLiteral("line %1").arg(i));
    }
    // Only the new lines were added: the lines already shown are the same entries.
    QCOMPARE(l->ui().List1->item(0), first);
    QCOMPARE(texts(l->ui().List1), w->logStore().lines());
    // As a list filled afresh, it shows its first lines with nothing chosen.
    QCOMPARE(l->ui().List1->currentRow(), -1);
}

void TestVuConv::closeBoxCountsAsToggleOff()
{
    VuConv* w = open();
    w->show();
    w->appendLog(QStringLiteral("kept"));
    w->mnuSyoriLog_Click();
    QPointer<VuLog> l = w->logWindow();
    QVERIFY(l->close());
    QCOMPARE(w->logShown(), false);
    discardClosedWindows();
    QVERIFY(l.isNull());
    QVERIFY(!w->logWindow());

    // A line while the window is gone loads it again, hidden.
    w->appendLog(QStringLiteral("while closed"));
    w->syncLogWindow();
    QVERIFY(w->logWindow());
    QVERIFY(!w->logWindow()->isVisible());

    // One press shows it again at once, with every line.
    w->mnuSyoriLog_Click();
    QCOMPARE(w->logShown(), true);
    QVERIFY(w->logWindow()->isVisible());
    QCOMPARE(texts(w->logWindow()->ui().List1), QStringList({QStringLiteral("kept"), QStringLiteral("while closed")}));
}

void TestVuConv::fullLogStoreKeepsNewestLines()
{
    VuConv* w = open();
    w->show();
    w->mnuSyoriLog_Click();
    const int total = batch::MaxLogLines + 5;
    for (int i = 0; i < total; ++i) {
        w->appendLog(QStringLiteral("line %1").arg(i));
        if (i % 1000 == 0 || i >= batch::MaxLogLines - 2)
            w->syncLogWindow();
    }
    QCOMPARE(w->logStore().count(), batch::MaxLogLines);
    QCOMPARE(w->logTotal(), qint64(total));
    QCOMPARE(w->logStore().line(0), QStringLiteral("line 5"));
    QCOMPARE(w->logStore().line(batch::MaxLogLines - 1), QStringLiteral("line %1").arg(total - 1));
    const QListWidget* shown = w->logWindow()->ui().List1;
    QCOMPARE(shown->count(), batch::MaxLogLines);
    QCOMPARE(shown->item(0)->text(), QStringLiteral("line 5"));
    QCOMPARE(texts(shown), w->logStore().lines());

    // Far behind the store (hidden while more lines than it holds came), it is rebuilt.
    w->mnuSyoriLog_Click();
    w->logWindow()->clearList();
    w->appendLog(QStringLiteral("last"));
    w->syncLogWindow();
    QCOMPARE(texts(shown), w->logStore().lines());
}

void TestVuConv::closingUnloadsLogWindow()
{
    VuConv* w = open();
    w->show();
    w->mnuSyoriLog_Click();
    QPointer<VuLog> l = w->logWindow();
    QVERIFY(l->isVisible());
    w->close();
    QVERIFY(l.isNull());
}

void TestVuConv::mainWindowOpensAndBringsForward()
{
    VuMain main(*module_);
    QVERIFY(main.ui().mnuRunConv->isEnabled());
    QVERIFY(main.toolButton(QStringLiteral("一括変換"))->isEnabled());
    QVERIFY(!main.batchWindow());
    main.ui().mnuRunConv->trigger();
    QPointer<VuConv> w = main.batchWindow();
    QVERIFY(w);
    QVERIFY(w->isVisible());
    QVERIFY(!w->parentWidget());  // no owner
    w->appendLog(QStringLiteral("line"));
    main.mnuRunConv_Click();
    QCOMPARE(main.batchWindow(), w.data());
    QCOMPARE(w->logStore().count(), 1);  // brought forward, not loaded again
    QCOMPARE(platform_->windowing.calls.size(), 1);
}

void TestVuConv::eachOpeningStartsAfresh()
{
    const QString pics = folder(QStringLiteral("pics"));
    writePictures(pics + QStringLiteral("/sub"), 2);
    VuMain main(*module_);
    module_->folder().takeStored(pics);
    main.mnuRunConv_Click();
    QPointer<VuConv> first = main.batchWindow();
    first->appendLog(QStringLiteral("old"));
    first->mnuSyoriLog_Click();
    first->ui().cmbBox->setCurrentIndex(2);
    emit first->ui().cmbBox->activated(2);
    QVERIFY(first->ui().DirList[0]->setPath(pics + QStringLiteral("/sub")).ok());
    first->mnuFileQuit_Click();
    discardClosedWindows();
    QVERIFY(first.isNull());
    QVERIFY(!main.batchWindow());
    QCOMPARE(module_->folder().curPath(), pics + QStringLiteral("/sub"));

    main.mnuRunConv_Click();
    VuConv* second = main.batchWindow();
    QVERIFY(second);
    QCOMPARE(second->logStore().count(), 0);
    QCOMPARE(second->logTotal(), qint64(0));
    QCOMPARE(second->logShown(), false);
    QVERIFY(!second->logWindow());
    QCOMPARE(second->ui().cmbBox->currentText(), QStringLiteral("all"));
    QCOMPARE(second->ui().DirList[1]->path(), pics + QStringLiteral("/sub"));
    QCOMPARE(second->ui().filSu[1]->text(), QStringLiteral("2"));
}

void TestVuConv::closingMainWindowSkipsBatchClosing()
{
    const QString pics = folder(QStringLiteral("pics"));
    QDir().mkpath(pics + QStringLiteral("/sub"));
    auto main = std::make_unique<VuMain>(*module_);
    QSignalSpy ended(main.get(), &VuMain::programEnds);
    module_->folder().takeStored(pics);
    main->show();
    main->mnuRunConv_Click();
    QPointer<VuConv> w = main->batchWindow();
    QVERIFY(w->ui().DirList[0]->setPath(pics + QStringLiteral("/sub")).ok());
    QVERIFY(main->close());
    QCOMPARE(ended.count(), 1);
    QCOMPARE(module_->folder().curPath(), pics);
    main.reset();  // the program ends: the batch window goes without its closing steps
    QVERIFY(w.isNull());
    QCOMPARE(module_->folder().curPath(), pics);
}

QTEST_MAIN(TestVuConv)
#include "tst_vuconv.moc"
