// The drive, folder and file list controls.
#include "platform/testing/doubles.h"
#include "support/testsupport.h"
#include "widgets/listcontrols.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFileDialog>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace vu;
using namespace vu::testing;

class TestListControls : public QObject {
    Q_OBJECT
private slots:
    void folderChainAndSubfolders();
    void changeRaisedOnlyWhenPathDiffers();
    void clickHighlightsDoubleClickOpens();
    void highlightedFolderTakenOnlyWithinItsWindow_data();
    void highlightedFolderTakenOnlyWithinItsWindow();
    void missingFolderLeavesListAsItWas();
    void refreshClimbsOutOfVanishedFolder();
    void driveRemembersItsFolder();
    void driveListChoosesVolumeOfPath();
    void fileListFollowsPatternAndFolder();
    void fileListShowsItsNamesInOrder_data();
    void fileListShowsItsNamesInOrder();
    void fileDialogShowsItsFiltersByName();
};

void TestListControls::folderChainAndSubfolders()
{
    TempCwd cwd;
    for (const char* d : {"top/mid/zeta", "top/mid/Alpha", "top/mid/beta", "top/mid/.hidden"})
        QDir().mkpath(cwd.file(QString::fromLatin1(d)));
    PosixFiles files;
    QtVolumes volumes;
    DirListBox list(files, volumes);
    QVERIFY(list.setPath(cwd.file(QStringLiteral("top/mid"))).ok());
    QCOMPARE(list.path(), cwd.file(QStringLiteral("top/mid")));
    const int current = list.listIndex();
    QCOMPARE(list.entryPath(current), cwd.file(QStringLiteral("top/mid")));
    QCOMPARE(list.entryPath(current - 1), cwd.file(QStringLiteral("top")));
    QCOMPARE(list.entryPath(0), volumes.rootOf(cwd.path()));
    QStringList below;
    for (int row = current + 1; row < list.count(); ++row)
        below << list.entryPath(row);
    QCOMPARE(below,
        QStringList({cwd.file(QStringLiteral("top/mid/Alpha")), cwd.file(QStringLiteral("top/mid/beta")),
            cwd.file(QStringLiteral("top/mid/zeta"))}));
}

void TestListControls::changeRaisedOnlyWhenPathDiffers()
{
    TempCwd cwd;
    QDir().mkpath(cwd.file(QStringLiteral("a")));
    PosixFiles files;
    QtVolumes volumes;
    DirListBox list(files, volumes);
    QSignalSpy changed(&list, &DirListBox::changed);
    QVERIFY(list.setPath(cwd.path()).ok());
    QCOMPARE(changed.count(), 1);
    QVERIFY(list.setPath(cwd.path() + QStringLiteral("/")).ok());
    QCOMPARE(changed.count(), 1);
    QVERIFY(list.setPath(cwd.file(QStringLiteral("a"))).ok());
    QCOMPARE(changed.count(), 2);
}

void TestListControls::clickHighlightsDoubleClickOpens()
{
    TempCwd cwd;
    QDir().mkpath(cwd.file(QStringLiteral("sub")));
    PosixFiles files;
    QtVolumes volumes;
    DirListBox list(files, volumes);
    list.resize(200, 300);
    list.show();
    QVERIFY(list.setPath(cwd.path()).ok());
    const int subRow = list.count() - 1;
    QCOMPARE(list.entryPath(subRow), cwd.file(QStringLiteral("sub")));
    const QRect r = list.visualItemRect(list.item(subRow));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, r.center());
    QCOMPARE(list.listIndex(), subRow);
    QCOMPARE(list.path(), cwd.path());  // highlighted, not opened
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, r.center());
    QCOMPARE(list.path(), cwd.file(QStringLiteral("sub")));
}

void TestListControls::highlightedFolderTakenOnlyWithinItsWindow_data()
{
    // What takes the focus from the list while a folder is highlighted in it.
    // What the list shows while the other one has the focus; whether the folder is taken over.
    QTest::addColumn<QString>("next");
    QTest::addColumn<QString>("away");
    QTest::addColumn<bool>("takesOver");
    QTest::newRow("another control of the window") << "control" << QString() << true;
    QTest::newRow("a message box of the program") << "message"
                                                  << "kept focus=0 taken=0" << false;
    QTest::newRow("a modal dialog of the program") << "dialog"
                                                   << "kept focus=0 taken=0" << false;
    QTest::newRow("another window") << "window"
                                    << "kept focus=0 taken=0" << false;
    // A pop-up only grabs the keyboard for a while; the window's focus stays with the list.
    QTest::newRow("a pop-up menu") << "menu"
                                   << "kept focus=1 taken=0" << false;
}

void TestListControls::highlightedFolderTakenOnlyWithinItsWindow()
{
    // Real focus changes: real windows shown and activated, not the handler called. The window
    // takes the highlighted folder over as its handlers do when the list reports losing the focus.
    QFETCH(QString, next);
    QFETCH(QString, away);
    QFETCH(bool, takesOver);
    TempCwd cwd;
    QDir().mkpath(cwd.file(QStringLiteral("sub")));
    PosixFiles files;
    QtVolumes volumes;
    QWidget window;
    auto* list = new DirListBox(files, volumes, &window);
    list->setGeometry(0, 0, 200, 300);
    auto* button = new QPushButton(QStringLiteral("other"), &window);
    button->setGeometry(0, 310, 200, 30);
    window.resize(200, 350);
    int taken = 0;
    connect(list, &DirListBox::lostFocus, list, [&] {
        ++taken;
        list->setPath(list->entryPath(list->listIndex()));
    });
    QVERIFY(list->setPath(cwd.path()).ok());
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    list->setFocus(Qt::MouseFocusReason);
    QTRY_VERIFY(list->hasFocus());
    const int subRow = list->count() - 1;
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(subRow)).center());
    QCOMPARE(list->listIndex(), subRow);

    QString seen;  // what the list showed while the other window had the focus
    auto whileAway = [&] {
        seen = QStringLiteral("%1 focus=%2 taken=%3")
                   .arg(list->path() == cwd.path() ? QStringLiteral("kept") : QStringLiteral("moved"))
                   .arg(list->hasFocus())
                   .arg(taken);
    };
    QWidget second;
    QMenu menu;
    menu.addAction(QStringLiteral("item"));
    if (next == QStringLiteral("control")) {
        QTest::mouseClick(button, Qt::LeftButton);
        QTRY_VERIFY(button->hasFocus());
    } else if (next == QStringLiteral("message")) {
        whenShown(
            [] {
                QWidget* box = QApplication::activeModalWidget();
                return box && QApplication::activeWindow() == box ? box : nullptr;
            },
            [&](QWidget* box) {
                whileAway();
                box->close();
            });
        QtDialogs().message(&window, QStringLiteral("削除"), QStringLiteral("削除を行います。よろしいですか？"),
            MsgIcon::Exclamation, MsgButtons::OkCancel);
    } else if (next == QStringLiteral("dialog")) {
        QDialog dialog(&window);
        whenShown([&]() -> QWidget* { return QApplication::activeWindow() == &dialog ? &dialog : nullptr; },
            [&](QWidget*) {
                whileAway();
                dialog.reject();
            });
        dialog.exec();
    } else if (next == QStringLiteral("window")) {
        second.resize(100, 100);
        second.show();
        second.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&second));
        whileAway();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
    } else {
        whenShown([] { return QApplication::activePopupWidget(); },
            [&](QWidget* popup) {
                whileAway();
                popup->close();
            });
        menu.exec(window.mapToGlobal(QPoint(10, 10)));
    }

    if (takesOver) {
        QCOMPARE(taken, 1);
        QCOMPARE(list->path(), cwd.file(QStringLiteral("sub")));
        return;
    }
    QCOMPARE(seen, away);
    // The focus comes back to the list (the window manager activates the window again when a
    // box closes), the folder still only highlighted; moving on to another control of the window
    // takes it over.
    if (!window.isActiveWindow()) {
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
    }
    QTRY_VERIFY(list->hasFocus());
    QCOMPARE(taken, 0);
    QCOMPARE(list->path(), cwd.path());
    QCOMPARE(list->listIndex(), subRow);
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(taken, 1);
    QCOMPARE(list->path(), cwd.file(QStringLiteral("sub")));
}

void TestListControls::missingFolderLeavesListAsItWas()
{
    TempCwd cwd;
    PosixFiles files;
    QtVolumes volumes;
    DirListBox list(files, volumes);
    QVERIFY(list.setPath(cwd.path()).ok());
    const int rows = list.count();
    QCOMPARE(list.setPath(cwd.file(QStringLiteral("gone"))).error, err::PathNotFound);
    QCOMPARE(list.setPath(QStringLiteral("C:\\Images")).error, err::PathNotFound);
    QCOMPARE(list.path(), cwd.path());
    QCOMPARE(list.count(), rows);
}

void TestListControls::refreshClimbsOutOfVanishedFolder()
{
    TempCwd cwd;
    QDir().mkpath(cwd.file(QStringLiteral("a/b/c")));
    PosixFiles files;
    QtVolumes volumes;
    DirListBox list(files, volumes);
    QVERIFY(list.setPath(cwd.file(QStringLiteral("a/b/c"))).ok());
    QVERIFY(QDir(cwd.file(QStringLiteral("a/b"))).removeRecursively());
    QSignalSpy changed(&list, &DirListBox::changed);
    QVERIFY(list.refresh().ok());
    QCOMPARE(list.path(), cwd.file(QStringLiteral("a")));
    QCOMPARE(changed.count(), 1);
}

void TestListControls::driveRemembersItsFolder()
{
    TempCwd cwd;
    QDir().mkpath(cwd.file(QStringLiteral("vol1/photos")));
    QDir().mkpath(cwd.file(QStringLiteral("vol2")));
    FakeVolumes volumes;
    volumes.volumes
        = {{QStringLiteral("/"), QString(), true}, {cwd.file(QStringLiteral("vol1")), QStringLiteral("one"), true},
            {cwd.file(QStringLiteral("vol2")), QStringLiteral("two"), false}};
    PosixFiles files;
    DirListBox list(files, volumes);
    QVERIFY(list.setDrive(cwd.file(QStringLiteral("vol1"))).ok());
    QCOMPARE(list.path(), cwd.file(QStringLiteral("vol1")));
    QVERIFY(list.setPath(cwd.file(QStringLiteral("vol1/photos"))).ok());
    QVERIFY(list.setPath(cwd.path()).ok());
    QVERIFY(list.setDrive(cwd.file(QStringLiteral("vol1"))).ok());
    QCOMPARE(list.path(), cwd.file(QStringLiteral("vol1/photos")));
    QCOMPARE(list.setDrive(cwd.file(QStringLiteral("vol2"))).error, err::DeviceUnavailable);
    QCOMPARE(list.path(), cwd.file(QStringLiteral("vol1/photos")));
}

void TestListControls::driveListChoosesVolumeOfPath()
{
    TempCwd cwd;
    QDir().mkpath(cwd.file(QStringLiteral("vol1/x")));
    FakeVolumes volumes;
    volumes.volumes
        = {{QStringLiteral("/"), QString(), true}, {cwd.file(QStringLiteral("vol1")), QStringLiteral("one"), true}};
    DriveListBox drives(volumes);
    QSignalSpy changed(&drives, &DriveListBox::changed);
    QVERIFY(drives.setDrive(cwd.file(QStringLiteral("vol1/x"))));
    QCOMPARE(drives.drive(), cwd.file(QStringLiteral("vol1")));
    QCOMPARE(changed.count(), 1);
    QVERIFY(drives.setDrive(cwd.file(QStringLiteral("vol1"))));
    QCOMPARE(changed.count(), 1);
    QVERIFY(drives.setDrive(cwd.path()));
    QCOMPARE(drives.drive(), QStringLiteral("/"));
    QCOMPARE(changed.count(), 2);
    QVERIFY(!drives.setDrive(QStringLiteral("relative")));
    QCOMPARE(drives.currentText(), QStringLiteral("/"));
}

void TestListControls::fileListFollowsPatternAndFolder()
{
    TempCwd cwd;
    for (const char* n : {"b.JPG", "a.gif", "c.bmp", "d.png", ".e.jpg", "f.ico"})
        writeBytes(cwd.file(QString::fromLatin1(n)), "x");
    QDir().mkdir(cwd.file(QStringLiteral("g.jpg")));
    PosixFiles files;
    FileListBox list(files);
    QVERIFY(list.setPattern(QStringLiteral("*.bmp;*.jpg;*.gif;*.ico")).ok() == false);  // no folder yet
    QVERIFY(list.setPath(cwd.path()).ok());
    QCOMPARE(list.names(),
        QStringList(
            {QStringLiteral("a.gif"), QStringLiteral("b.JPG"), QStringLiteral("c.bmp"), QStringLiteral("f.ico")}));
    QVERIFY(list.setPattern(QStringLiteral("*.jpg")).ok());
    QCOMPARE(list.count(), 1);
    QCOMPARE(list.item(0), QStringLiteral("b.JPG"));
    QCOMPARE(list.item(5), QString());
    writeBytes(cwd.file(QStringLiteral("h.jpg")), "x");
    QVERIFY(list.refresh().ok());
    QCOMPARE(list.count(), 2);
    QVERIFY(!list.setPath(cwd.file(QStringLiteral("missing"))).ok());
    QCOMPARE(list.count(), 0);
}

void TestListControls::fileListShowsItsNamesInOrder_data()
{
    // "control": a file list shown before its folder is read, or after; "listing": the names
    // alone, as the main window and the slide show keep them.
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("shownBefore");
    QTest::newRow("shown, then re-read") << "control" << true;
    QTest::newRow("re-read while hidden, then shown") << "control" << false;
    QTest::newRow("a listing without a control") << "listing" << false;
}

void TestListControls::fileListShowsItsNamesInOrder()
{
    // However the list learns its names, what it shows and what it hands out are in order.
    QFETCH(QString, kind);
    QFETCH(bool, shownBefore);
    TempCwd cwd;
    for (const char* n : {"c.jpg", "B.jpg", "a.jpg", "d.JPG", "e.png"})
        writeBytes(cwd.file(QString::fromLatin1(n)), "x");
    const QStringList expected
        = {QStringLiteral("a.jpg"), QStringLiteral("B.jpg"), QStringLiteral("c.jpg"), QStringLiteral("d.JPG")};
    PosixFiles files;
    if (kind == QStringLiteral("listing")) {
        FolderListing listing(files, ImagePattern);
        QVERIFY(listing.setPath(cwd.path() + u'/').ok());
        QCOMPARE(listing.path(), cwd.path());
        QCOMPARE(listing.pattern(), ImagePattern);
        QCOMPARE(listing.count(), 4);
        QCOMPARE(listing.names(), expected);
        QCOMPARE(listing.item(1), QStringLiteral("B.jpg"));
        QCOMPARE(listing.item(4), QString());
        QVERIFY(listing.setPattern(QStringLiteral("*.png")).ok());
        QCOMPARE(listing.names(), QStringList{QStringLiteral("e.png")});
        QVERIFY(!listing.setPath(cwd.file(QStringLiteral("missing"))).ok());
        QCOMPARE(listing.count(), 0);
        return;
    }
    FileListBox list(files);
    QVERIFY(list.setPattern(ImagePattern).ok() == false);  // no folder yet
    if (shownBefore)
        list.show();
    QVERIFY(list.setPath(cwd.path()).ok());
    QCOMPARE(list.count(), 4);
    list.show();
    QStringList shown;
    for (int row = 0; row < list.model()->rowCount(); ++row)
        shown << list.model()->index(row, 0).data().toString();
    QCOMPARE(shown, expected);
    QCOMPARE(list.names(), expected);
    QCOMPARE(list.item(1), QStringLiteral("B.jpg"));
}

// The file dialog's filters read as their names alone; the patterns behind them still apply.
void TestListControls::fileDialogShowsItsFiltersByName()
{
    TempCwd cwd;
    QStringList shown;
    QStringList applied;
    whenShown([] { return qobject_cast<QFileDialog*>(QApplication::activeModalWidget()); },
        [&](QWidget* w) {
            auto* dialog = static_cast<QFileDialog*>(w);
            if (auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"))) {
                for (int i = 0; i < types->count(); ++i)
                    shown << types->itemText(i);
            }
            applied = dialog->nameFilters();
            dialog->reject();
        });
    const QStringList filters{
        QStringLiteral("ｲﾒｰｼﾞ(all) (*.gif *.jpg *.bmp *.ico)"), QStringLiteral("ｲﾒｰｼﾞ(bmp) (*.bmp)")};
    QWidget owner;
    QVERIFY(!QtDialogs().chooseFile(&owner, QStringLiteral("ファイルを指定してください"), cwd.path(), filters, 0));
    QCOMPARE(shown, QStringList({QStringLiteral("ｲﾒｰｼﾞ(all)"), QStringLiteral("ｲﾒｰｼﾞ(bmp)")}));
    QCOMPARE(applied, filters);
}

QTEST_MAIN(TestListControls)
#include "tst_listcontrols.moc"
