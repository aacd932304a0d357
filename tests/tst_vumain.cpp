// The main window's start-up, shut-down, layout and list handling.
#include "browser/vumain.h"
#include "platform/testing/doubles.h"
#include "platform/twips.h"
#include "support/testsupport.h"

#include <QLabel>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTest>

using namespace vu;
using namespace vu::testing;

namespace {

QByteArray record(const QByteArray& path, char seconds = ' ')
{
    QByteArray r = QByteArray("[Path]") + path.leftJustified(50, ' ', true) + "[Slideshow]" + QByteArray(8, ' ');
    r += seconds;
    r += QByteArray(52, ' ');
    return r;
}

}  // namespace

class TestVuMain : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        cwd_ = std::make_unique<TempCwd>();
        platform_ = std::make_unique<TestPlatform>();
    }
    void cleanup()
    {
        platform_.reset();
        cwd_.reset();
    }

    void firstRunStartsAtRootAndStoresIt();
    void storedFolderIsShown();
    void loadFailures_data();
    void loadFailures();
    void damagedSettingsFileStillOpens();
    void unloadKeepsOtherFields();
    void unloadFailureStillEnds();
    void initialPanelTexts();
    void panelTextIsCutAsThePanelAllows_data();
    void panelTextIsCutAsThePanelAllows();
    void layoutFollowsWorkArea();
    void everyControlFitsTheWindow_data();
    void everyControlFitsTheWindow();
    void setTopmost();
    void driveNotReadySnapsBack();
    void lostFocusTakesHighlightedFolder();
    void activationRereadsLists();
    void menusAndToolbar();
    void trashChoiceIsKeptForTheNextRun();

private:
    std::unique_ptr<VuMain> makeMain(VuModule& module) { return std::make_unique<VuMain>(module); }
    std::unique_ptr<TempCwd> cwd_;
    std::unique_ptr<TestPlatform> platform_;
};

void TestVuMain::firstRunStartsAtRootAndStoresIt()
{
    VuModule module(platform_->platform());
    auto main = makeMain(module);
    QCOMPARE(main->errNo(), 0);
    QCOMPARE(module.folder().curPath(), QStringLiteral("/"));
    QCOMPARE(main->ui().DirList->path(), QStringLiteral("/"));
    QCOMPARE(main->panel(3), QStringLiteral("画像形式：ALL"));
    QCOMPARE(main->pageNo(), quint8(1));
    QVERIFY(QFile::exists(cwd_->file(SettingsFileName)));
    QVERIFY(main->Form_Unload().ok());
    QCOMPARE(readBytes(cwd_->file(SettingsFileName)), record(""));
}

void TestVuMain::storedFolderIsShown()
{
    const QString folder = cwd_->file(QStringLiteral("写真"));
    writePictures(folder, 12);
    writeBytes(cwd_->file(SettingsFileName), record(QFile::encodeName(folder)));
    // The folder name is stored in CP932, not UTF-8.
    SettingsRec rec;
    rec.set(SettingsRec::PathName, folder);
    writeBytes(cwd_->file(SettingsFileName), rec.toBytes());

    VuModule module(platform_->platform());
    auto main = makeMain(module);
    QCOMPARE(main->errNo(), 0);
    QCOMPARE(module.folder().curPath(), folder);
    QCOMPARE(main->ui().DirList->path(), folder);
    QCOMPARE(main->fileList().count(), 12);
    QCOMPARE(main->panel(1), QStringLiteral("データ数：12"));
    QVERIFY(!main->findChild<FileListBox*>());  // the names are listed, not shown
    for (PictureBox* cell : main->ui().Img)
        QVERIFY(cell->isHidden());
}

void TestVuMain::loadFailures_data()
{
    QTest::addColumn<QString>("failure");
    QTest::addColumn<int>("errNo");
    QTest::newRow("stored folder gone") << "gone" << int(err::PathNotFound);
    QTest::newRow("drive not ready") << "notready" << int(err::DeviceUnavailable);
    QTest::newRow("settings unreadable") << "unreadable" << int(err::PermissionDenied);
    QTest::newRow("not a path at all") << "garbage" << int(err::DeviceUnavailable);
}

void TestVuMain::loadFailures()
{
    QFETCH(QString, failure);
    QFETCH(int, errNo);
    QString stored = cwd_->file(QStringLiteral("gone/deeper"));
    if (failure == QStringLiteral("notready")) {
        QDir().mkpath(cwd_->file(QStringLiteral("card/photos")));
        FakeVolumes& volumes = platform_->useFakeVolumes();
        volumes.volumes
            = {{QStringLiteral("/"), QString(), true}, {cwd_->file(QStringLiteral("card")), QString(), false}};
        stored = cwd_->file(QStringLiteral("card/photos"));
    } else if (failure == QStringLiteral("unreadable")) {
        platform_->files.fail(
            FaultyFiles::Op::Read, [](const QString&) { return true; }, err::PermissionDenied);
    } else if (failure == QStringLiteral("garbage")) {
        stored = QStringLiteral("C:\\Images");
    }
    SettingsRec rec;
    rec.set(SettingsRec::PathName, stored);
    writeBytes(cwd_->file(SettingsFileName), rec.toBytes());

    VuModule module(platform_->platform());
    auto main = makeMain(module);
    QCOMPARE(main->errNo(), int(errNo));
    QVERIFY(platform_->dialogs.asked.isEmpty());
    QCOMPARE(main->panel(3), QStringLiteral("画像形式：　"));
    // The lists show what they could reach; the stored folder stays the current one (none was
    // read from an unreadable file) and is stored again at the end.
    QVERIFY(QDir(main->ui().DirList->path()).exists());
    QCOMPARE(main->fileList().path(), main->ui().DirList->path());
    const QString current = failure == QStringLiteral("unreadable") ? QString() : stored;
    QCOMPARE(module.folder().curPath(), current);
    if (failure != QStringLiteral("unreadable")) {
        QVERIFY(main->Form_Unload().ok());
        SettingsRec again;
        QVERIFY(readSettings(platform_->files, cwd_->file(SettingsFileName), &again).ok());
        QCOMPARE(again.value(SettingsRec::PathName), stored);
    }
}

void TestVuMain::damagedSettingsFileStillOpens()
{
    QByteArray bytes;
    for (int i = 0; i < 300; ++i)
        bytes += char((i * 73 + 11) % 256);
    writeBytes(cwd_->file(SettingsFileName), bytes);
    VuModule module(platform_->platform());
    auto main = makeMain(module);
    QVERIFY(main->errNo() != 0);
    QVERIFY(main->Form_Unload().ok());
    const QByteArray after = readBytes(cwd_->file(SettingsFileName));
    QCOMPARE(after.size(), 300);
    QCOMPARE(after.left(6), QByteArray("[Path]"));
    QCOMPARE(after.mid(56, 11), QByteArray("[Slideshow]"));
    QCOMPARE(after.mid(128), bytes.mid(128));
}

void TestVuMain::unloadKeepsOtherFields()
{
    const QString folder = cwd_->file(QStringLiteral("pics"));
    QDir().mkpath(folder);
    writeBytes(cwd_->file(SettingsFileName), record(QFile::encodeName(folder), '4'));
    VuModule module(platform_->platform());
    auto main = makeMain(module);
    // Another window stores a new display time meanwhile; the main window must keep it.
    writeBytes(cwd_->file(SettingsFileName), record(QFile::encodeName(folder), '7'));
    module.folder().takeStored(folder + QStringLiteral("/"));
    QVERIFY(main->Form_Unload().ok());
    QCOMPARE(readBytes(cwd_->file(SettingsFileName)), record(QFile::encodeName(folder), '7'));
}

void TestVuMain::unloadFailureStillEnds()
{
    VuModule module(platform_->platform());
    auto main = makeMain(module);
    QSignalSpy ended(main.get(), &VuMain::programEnds);
    platform_->files.fail(
        FaultyFiles::Op::Write, [](const QString&) { return true; }, err::DiskFull);
    QCOMPARE(main->Form_Unload().error, err::DiskFull);
    main->show();
    QVERIFY(main->close());
    QCOMPARE(ended.count(), 1);
}

void TestVuMain::initialPanelTexts()
{
    VuModule module(platform_->platform());
    auto main = makeMain(module);
    QCOMPARE(main->panel(2), QStringLiteral("ページ："));
    QCOMPARE(main->panel(4), QStringLiteral("表示ﾌｫﾙﾀﾞ："));
    QCOMPARE(main->panel(5), QStringLiteral("ｺﾋﾟｰﾌｫﾙﾀﾞ：　"));
    QCOMPARE(main->panel(6), QStringLiteral("移動ﾌｫﾙﾀﾞ："));
    QCOMPARE(initialPanelText(1), QStringLiteral("データ数：　"));
    QCOMPARE(initialPanelText(3), QStringLiteral("画像形式：　"));
}

void TestVuMain::panelTextIsCutAsThePanelAllows_data()
{
    QTest::addColumn<int>("panel");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("width");  // pixels; 0: wide enough
    QTest::addColumn<QString>("starts");
    QTest::addColumn<QString>("ends");
    QTest::newRow("fits") << 2 << "ページ： 255/ 1093" << 0 << "ページ： 255/ 1093"
                          << "1093";
    QTest::newRow("a count loses its end") << 1 << "データ数：32767" << 60 << "データ"
                                           << "…";
    QTest::newRow("a folder keeps its label and its last part")
        << 4 << "表示ﾌｫﾙﾀﾞ：/home/user/pictures/2023/summer" << 150 << "表示ﾌｫﾙﾀﾞ：…"
        << "summer";
}

void TestVuMain::panelTextIsCutAsThePanelAllows()
{
    QFETCH(int, panel);
    QFETCH(QString, text);
    QFETCH(int, width);
    VuModule module(platform_->platform());
    auto main = makeMain(module);
    main->setPanel(panel, text);
    auto* label = main->ui().StatusBar1->findChild<StatusPanel*>(QStringLiteral("StatusBar1.Panels(%1)").arg(panel));
    QVERIFY(label);
    const QString shown = label->shownText(width > 0 ? width : 10000);
    QFETCH(QString, starts);
    QFETCH(QString, ends);
    QVERIFY2(shown.startsWith(starts) && shown.endsWith(ends), qPrintable(shown));
    QVERIFY(width == 0 || label->fontMetrics().horizontalAdvance(shown) <= width);
    QCOMPARE(main->panel(panel), text);  // the whole text stays, read out and shown as the tip
    QCOMPARE(label->toolTip(), text);
}

void TestVuMain::layoutFollowsWorkArea()
{
    platform_->screen.setWorkArea(QRect(0, 0, 1280, 994));
    VuModule module(platform_->platform());
    auto main = makeMain(module);
    QCOMPARE(main->geometry(), QRect(0, 0, 1280, 994));
    QVERIFY(main->currentLayout().large);
    QCOMPARE(main->ui().Img[7]->geometry(), twips::rect(2520 + 1920, 720 + 1800, 1800, 1350));
    QCOMPARE(main->ui().imgBox[2]->geometry(), twips::rect(165, 2160, 800, 800));
    QCOMPARE(main->pageSize(), quint8(30));

    // A page on the screen stays while the display changes; only the geometry moves.
    main->ui().Img[7]->setPicture(makePicture(QSize(40, 30)));
    main->ui().Img[7]->show();
    main->setPageNo(3);
    platform_->screen.setWorkArea(QRect(0, 0, 800, 570));
    QVERIFY(!main->currentLayout().large);
    QCOMPARE(main->geometry(), QRect(0, 0, 800, 570));
    // Below the menu bar, the toolbar and above the status bar the table does not fit at its
    // height: its tops and heights are scaled by one factor, the lefts and widths kept.
    const double k = main->currentLayout().verticalScale;
    QVERIFY2(k > 0.85 && k < 1, qPrintable(QString::number(k)));
    QCOMPARE(main->ui().Img[7]->geometry(), twips::rect(2020 + 1500, (620 + 1406.25) * k, 1406.25, 1054.6875 * k));
    QCOMPARE(main->ui().OkBtn[5]->geometry(), twips::rect(1530, 3840 * k, 383, 207.03125 * k));
    QCOMPARE(main->ui().imgBox[2]->geometry(), twips::rect(128.90625, 2160, 625, 625));
    QVERIFY(main->ui().Img[7]->hasPicture());
    QVERIFY(!main->ui().Img[7]->isHidden());
    QCOMPARE(main->pageNo(), quint8(3));
}

void TestVuMain::everyControlFitsTheWindow_data()
{
    QTest::addColumn<QSize>("workArea");
    QTest::addColumn<bool>("large");
    QTest::addColumn<bool>("compact");  // the toolbar with small icons and texts beside them
    QTest::newRow("800x540") << QSize(800, 540) << false << true;
    QTest::newRow("800x570") << QSize(800, 570) << false << true;
    QTest::newRow("1000x740") << QSize(1000, 740) << false << false;
    QTest::newRow("1024x740") << QSize(1024, 740) << true << true;
    QTest::newRow("1280x994") << QSize(1280, 994) << true << false;
    QTest::newRow("1920x1050") << QSize(1920, 1050) << true << false;
}

void TestVuMain::everyControlFitsTheWindow()
{
    // A full page on the screen: every cell, name, button, list, the progress bar, the drop
    // boxes and the six status panels lie within the window, the panels side by side.
    QFETCH(QSize, workArea);
    QFETCH(bool, large);
    QFETCH(bool, compact);
    const QString folder = cwd_->file(QStringLiteral("pics"));
    writePictures(folder, 35);
    SettingsRec rec;
    rec.set(SettingsRec::PathName, folder);
    writeBytes(cwd_->file(SettingsFileName), rec.toBytes());
    platform_->screen.setWorkArea(QRect(QPoint(0, 0), workArea));
    VuModule module(platform_->platform());
    auto main = makeMain(module);
    main->show();
    QVERIFY(QTest::qWaitForWindowExposed(main.get()));
    // Once framed, the window is placed again: the frame, not the inside, fills the work area.
    QTRY_COMPARE(main->frameGeometry(), QRect(QPoint(0, 0), workArea));
    main->OkBtn_Click(0);
    QCOMPARE(main->currentLayout().large, large);
    QCOMPARE(main->compactToolbar(), compact);

    const QWidget* client = main->centralWidget();
    const QRect area = client->rect();
    QList<const QWidget*> controls{main->ui().DrvList, main->ui().DirList, main->ui().PrgBar1, main->ui().Frame2};
    for (const QWidget* w : main->ui().OkBtn)
        controls << w;
    for (int k = 0; k < 30; ++k) {
        QVERIFY(!main->ui().Img[k]->isHidden() && !main->ui().ImgName[k]->isHidden());
        controls << main->ui().Img[k] << main->ui().ImgName[k];
        if (k + 6 < 30)
            QVERIFY2(main->ui().ImgName[k]->geometry().bottom() < main->ui().Img[k + 6]->geometry().top(),
                qPrintable(QString::number(k)));
    }
    for (const QWidget* w : main->ui().imgBox)
        controls << w;
    for (const QWidget* w : controls) {
        const QRect r(w->mapTo(client, QPoint(0, 0)), w->size());
        QVERIFY2(area.contains(r), qPrintable(w->objectName()));
    }
    const QRect bar = main->ui().StatusBar1->geometry();
    QVERIFY(bar.top() >= client->geometry().bottom());
    QVERIFY(main->rect().contains(bar));
    int right = -1;
    for (int n = 1; n <= 6; ++n) {
        const auto* panel = main->ui().StatusBar1->findChild<QLabel*>(QStringLiteral("StatusBar1.Panels(%1)").arg(n));
        QVERIFY(panel);
        const QRect r = panel->geometry();
        QVERIFY2(QRect(QPoint(0, 0), bar.size()).contains(r), qPrintable(QString::number(n)));
        QVERIFY2(r.left() > right, qPrintable(QString::number(n)));
        right = r.right();
        // The table's widths, but for the last panel, which takes the rest of the bar.
        const float table = main->currentLayout().panelWidth[n - 1];
        if (n < 6)
            QCOMPARE(r.width(), twips::toPx(table));
        else if (bar.width() > 1100)
            QVERIFY2(r.width() >= twips::toPx(table), qPrintable(QString::number(r.width())));
    }
}

void TestVuMain::setTopmost()
{
    VuModule module(platform_->platform());
    QWidget w;
    QCOMPARE(module.SetTopmost(&w, 2), 0);
    QCOMPARE(module.SetTopmost(&w, -1), 0);
    QVERIFY(platform_->windowing.calls.isEmpty());
    QCOMPARE(module.SetTopmost(&w, 1), 1);
    QCOMPARE(module.SetTopmost(&w, 0), 1);
    QCOMPARE(platform_->windowing.calls.size(), 2);
    QVERIFY(platform_->windowing.calls[0].on);
    QVERIFY(!platform_->windowing.calls[1].on);
}

void TestVuMain::driveNotReadySnapsBack()
{
    QDir().mkpath(cwd_->file(QStringLiteral("disk/photos")));
    QDir().mkpath(cwd_->file(QStringLiteral("cdrom")));
    FakeVolumes& volumes = platform_->useFakeVolumes();
    volumes.volumes
        = {{QStringLiteral("/"), QString(), true}, {cwd_->file(QStringLiteral("disk")), QStringLiteral("disk"), true},
            {cwd_->file(QStringLiteral("cdrom")), QStringLiteral("cd"), false}};
    SettingsRec rec;
    rec.set(SettingsRec::PathName, cwd_->file(QStringLiteral("disk/photos")));
    writeBytes(cwd_->file(SettingsFileName), rec.toBytes());
    VuModule module(platform_->platform());
    auto main = makeMain(module);
    QCOMPARE(main->errNo(), 0);
    QCOMPARE(main->ui().DrvList->drive(), cwd_->file(QStringLiteral("disk")));

    const int cd = main->ui().DrvList->findData(cwd_->file(QStringLiteral("cdrom")));
    QVERIFY(cd >= 0);
    main->ui().DrvList->setCurrentIndex(cd);
    emit main->ui().DrvList->activated(cd);  // as when the user picks it
    QCOMPARE(main->ui().DrvList->drive(), cwd_->file(QStringLiteral("disk")));
    QCOMPARE(main->ui().DrvList->currentData().toString(), cwd_->file(QStringLiteral("disk")));
    QCOMPARE(main->ui().DirList->path(), cwd_->file(QStringLiteral("disk/photos")));
    QCOMPARE(module.folder().curPath(), cwd_->file(QStringLiteral("disk/photos")));
    QVERIFY(platform_->dialogs.asked.isEmpty());
}

void TestVuMain::lostFocusTakesHighlightedFolder()
{
    const QString folder = cwd_->file(QStringLiteral("top"));
    writePictures(folder + QStringLiteral("/sub"), 3);
    SettingsRec rec;
    rec.set(SettingsRec::PathName, folder);
    writeBytes(cwd_->file(SettingsFileName), rec.toBytes());
    VuModule module(platform_->platform());
    auto main = makeMain(module);
    QCOMPARE(main->panel(1), QStringLiteral("データ数：0"));
    main->ui().DirList->setCurrentRow(main->ui().DirList->count() - 1);  // one click on "sub"
    QCOMPARE(module.folder().curPath(), folder);
    main->DirList_LostFocus();
    QCOMPARE(main->ui().DirList->path(), folder + QStringLiteral("/sub"));
    QCOMPARE(module.folder().curPath(), folder + QStringLiteral("/sub"));
    QCOMPARE(main->panel(1), QStringLiteral("データ数：3"));

    // Through real focus changes: a click on "sub" highlights it, a click on the show button
    // takes the focus from the list to another control of the window, and so shows "sub".
    QVERIFY(main->ui().DirList->setPath(folder).ok());
    main->show();
    main->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(main.get()));
    main->ui().DirList->setFocus(Qt::MouseFocusReason);
    const int row = main->ui().DirList->count() - 1;
    QTest::mouseClick(main->ui().DirList->viewport(), Qt::LeftButton, {},
        main->ui().DirList->visualItemRect(main->ui().DirList->item(row)).center());
    QCOMPARE(main->ui().DirList->path(), folder);
    QTest::mouseClick(main->ui().OkBtn[0], Qt::LeftButton);
    QCOMPARE(main->ui().DirList->path(), folder + QStringLiteral("/sub"));
    QCOMPARE(main->panel(2), QStringLiteral("ページ： 1/ 1"));
    QCOMPARE(main->panel(4), QStringLiteral("表示ﾌｫﾙﾀﾞ：") + folder + QStringLiteral("/sub"));
}

void TestVuMain::activationRereadsLists()
{
    const QString folder = cwd_->file(QStringLiteral("pics"));
    writePictures(folder, 2);
    SettingsRec rec;
    rec.set(SettingsRec::PathName, folder);
    writeBytes(cwd_->file(SettingsFileName), rec.toBytes());
    VuModule module(platform_->platform());
    auto main = makeMain(module);
    QCOMPARE(main->fileList().count(), 2);
    writePicture(folder + QStringLiteral("/new.gif"), QSize(8, 8), "gif");
    QDir().mkdir(folder + QStringLiteral("/newfolder"));
    main->Form_Activate();
    QCOMPARE(main->fileList().count(), 3);
    QCOMPARE(main->ui().DirList->entryPath(main->ui().DirList->count() - 1), folder + QStringLiteral("/newfolder"));
    QCOMPARE(main->panel(1), QStringLiteral("データ数：2"));  // panels are not touched
}

void TestVuMain::menusAndToolbar()
{
    VuModule module(platform_->platform());
    auto main = makeMain(module);
    QStringList menus;
    for (QAction* a : main->menuBar()->actions())
        menus << a->text();
    QCOMPARE(menus,
        QStringList({QStringLiteral("ﾌｧｲﾙ"), QStringLiteral("設定"), QStringLiteral("実行"), QStringLiteral("ﾍﾙﾌﾟ")}));
    auto items = [](QMenu* m) {
        QStringList out;
        for (QAction* a : m->actions())
            out << (a->isSeparator() ? QStringLiteral("-") : a->text());
        return out;
    };
    QCOMPARE(items(main->ui().mnuFile),
        QStringList({QStringLiteral("元に戻す"), QStringLiteral("-"), QStringLiteral("終了")}));
    QCOMPARE(main->ui().mnuFileUndo->shortcut(), QKeySequence(QKeySequence::Undo));
    QVERIFY(!main->ui().mnuFileUndo->isEnabled());  // nothing done yet
    QCOMPARE(items(main->ui().mnuProp),
        QStringList({QStringLiteral("スライドショー設定"), QStringLiteral("削除時にごみ箱を使う")}));
    QVERIFY(main->ui().mnuPropTrash->isCheckable());
    QVERIFY(!main->ui().mnuPropTrash->isChecked());  // deletions are final at first
    QCOMPARE(items(main->ui().mnuRun),
        QStringList({QStringLiteral("スライドショー"), QStringLiteral("-"), QStringLiteral("一括変換")}));
    QCOMPARE(items(main->ui().mnuHelp),
        QStringList({QStringLiteral("ﾊﾞｰｼﾞｮﾝ"), QStringLiteral("-"), QStringLiteral("開発者のwebｻｲﾄ")}));
    QCOMPARE(items(main->ui().mnuPop).size(), 5);
    QStringList keys;
    for (QAction* a : main->ui().tbToolBar->actions()) {
        if (!a->isSeparator())
            keys << a->data().toString();
    }
    QCOMPARE(keys,
        QStringList({QStringLiteral("環境設定"), QStringLiteral("ｽﾗｲﾄﾞｼｮｰ"), QStringLiteral("一括変換"),
            QStringLiteral("戻る"), QStringLiteral("進む"), QStringLiteral("ﾍﾙﾌﾟ")}));
    for (int i = 0; i < 30; ++i)
        QCOMPARE(main->findChild<PictureBox*>(QStringLiteral("Img(%1)").arg(i)), main->ui().Img[i]);
    QCOMPARE(main->ui().OkBtn[0]->text(), QStringLiteral("Folder Choice"));
    QCOMPARE(main->ui().OkBtn[5]->text(), QStringLiteral("ico"));
}

// The trash choice is kept beside the desktop's settings, never in the settings record.
void TestVuMain::trashChoiceIsKeptForTheNextRun()
{
    VuModule module(platform_->platform());
    auto main = makeMain(module);
    main->ui().mnuPropTrash->trigger();
    QVERIFY(main->ui().mnuPropTrash->isChecked());
    QVERIFY(module.preferences().useTrash());
    QVERIFY(platform_->dialogs.asked.isEmpty());
    QVERIFY(main->Form_Unload().ok());
    QCOMPARE(readBytes(cwd_->file(SettingsFileName)).size(), SettingsRec::Size);
    main.reset();

    DesktopPreferences again(platform_->preferences.file());  // the next run
    QVERIFY(again.useTrash());
    TestPlatform next;
    next.preferences.setUseTrash(true);
    VuModule nextModule(next.platform());
    VuMain second(nextModule);
    QVERIFY(second.ui().mnuPropTrash->isChecked());

    // Where the choice cannot be kept, the user is told, and it holds for this run.
    DesktopPreferences nowhere(cwd_->file(SettingsFileName) + QStringLiteral("/vutara.conf"));
    Platform p = platform_->platform();
    p.preferences = &nowhere;
    VuModule third(p);
    VuMain m(third);
    m.ui().mnuPropTrash->trigger();
    QVERIFY(nowhere.useTrash());
    QCOMPARE(platform_->dialogs.asked.size(), 1);
    QCOMPARE(platform_->dialogs.asked[0].icon, MsgIcon::Error);
}

QTEST_MAIN(TestVuMain)
#include "tst_vumain.moc"
