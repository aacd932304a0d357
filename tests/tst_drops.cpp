// Dragging thumbnails onto the copy, move and delete boxes.
#include "batch/batchrules.h"
#include "batch/vuconv.h"
#include "browser/drops.h"
#include "browser/vumain.h"
#include "platform/testing/doubles.h"
#include "slideshow/vuprop.h"
#include "support/mainfixture.h"
#include "support/testsupport.h"
#include "support/watchdog.h"
#include "widgets/busywindows.h"

#include <QTest>

#include <sys/stat.h>

using namespace vu;
using namespace vu::testing;

namespace {
using Op = FaultyFiles::Op;
}

class TestDrops : public QObject {
    Q_OBJECT
private slots:
    // File runs go aside and wait as in the program: the windows keep taking posted events.
    void initTestCase() { BusyWindows::install(); }
    void init() { f_.setUp(); }
    void cleanup() { f_.tearDown(); }

    void firstCopyAsksForTheFolder();
    void copyToTheRootAddsNoSecondSeparator();
    void cancelChangesNothing_data();
    void cancelChangesNothing();
    void sameNamedTarget_data();
    void sameNamedTarget();
    void readOnlyFileIsNeitherDeletedNorMoved_data();
    void readOnlyFileIsNeitherDeletedNorMoved();
    void deleteRedrawsTheSamePage_data();
    void deleteRedrawsTheSamePage();
    void moveWhoseDeleteFailsKeepsBoth();
    void moveRemovesTheSource();
    void cancelledFolderChooserEndsTheDrop();
    void ontoItsOwnFolderDoesNothing_data();
    void ontoItsOwnFolderDoesNothing();
    void sourceIsTheDrawnFolder();
    void pagesAndDropsFollowTheListedFolder_data();
    void pagesAndDropsFollowTheListedFolder();
    void failedCopyLosesNothing();
    void dragIconFollowsTheBoxes();
    void dropIconFromWorkingDirectory_data();
    void dropIconFromWorkingDirectory();
    void clickingBoxesChoosesTargets();
    void onlyThumbnailsAreDropped();
    void undoTheNewestDrop_data();
    void undoTheNewestDrop();
    void deleteForGood_data();
    void deleteForGood();

private:
    QString folder(const QString& name) const { return f_.folder(name); }
    VuMain& showFolder(const QString& start)
    {
        VuMain& m = f_.open(start);
        m.OkBtn_Click(0);
        return m;
    }
    void drop(int box, int cell) { f_.main->imgBox_DragDrop(box, f_.main->ui().Img[cell], 10, 10); }
    QStringList names(const QString& f) const { return QDir(f).entryList(QDir::Files | QDir::Hidden, QDir::Name); }
    ScriptedDialogs& dialogs() { return f_.platform->dialogs; }

    MainFixture f_;
};

void TestDrops::firstCopyAsksForTheFolder()
{
    writePictures(folder(QStringLiteral("src")), 3, "bmp", QStringLiteral("a"));
    QDir().mkpath(folder(QStringLiteral("backup")));
    VuMain& m = showFolder(folder(QStringLiteral("src")));
    dialogs().answerMessage(MsgAnswer::Ok);
    dialogs().answerFolder(folder(QStringLiteral("backup")));
    drop(CopyBox, 1);
    QCOMPARE(m.errNo(), 0);
    QCOMPARE(dialogs().asked.size(), 2);
    QCOMPARE(dialogs().asked[0].title, QStringLiteral("コピー"));
    QCOMPARE(dialogs().asked[0].text, QStringLiteral("コピーを行います。よろしいですか？"));
    QCOMPARE(dialogs().asked[0].icon, MsgIcon::Exclamation);
    QCOMPARE(dialogs().asked[0].buttons, MsgButtons::OkCancel);
    QCOMPARE(dialogs().asked[1].kind, ScriptedDialogs::Question::Folder);
    QCOMPARE(m.panel(5), QStringLiteral("ｺﾋﾟｰﾌｫﾙﾀﾞ：") + folder(QStringLiteral("backup")));
    QCOMPARE(names(folder(QStringLiteral("backup"))), QStringList{QStringLiteral("a0001.bmp")});
    QCOMPARE(m.dstFile(), folder(QStringLiteral("backup/a0001.bmp")));
    QCOMPARE(m.panel(2), QStringLiteral("ページ： 1/ 1"));
    // The second copy only asks for confirmation.
    dialogs().answerMessage(MsgAnswer::Ok);
    drop(CopyBox, 2);
    QCOMPARE(dialogs().asked.size(), 3);
    QCOMPARE(names(folder(QStringLiteral("backup"))).size(), 2);
    QCOMPARE(dialogs().unanswered, 0);
}

void TestDrops::copyToTheRootAddsNoSecondSeparator()
{
    writePictures(folder(QStringLiteral("src")), 2, "bmp", QStringLiteral("r"));
    VuMain& m = showFolder(folder(QStringLiteral("src")));
    QString copiedTo;
    f_.platform->files.fail(
        Op::Copy,
        [&](const QString& to) {
            copiedTo = to;
            return true;
        },
        err::PermissionDenied);
    dialogs().answerMessage(MsgAnswer::Ok);
    dialogs().answerFolder(QStringLiteral("/"));
    drop(CopyBox, 0);
    QCOMPARE(copiedTo, QStringLiteral("/r0000.bmp"));
    QCOMPARE(m.copyPath(), QStringLiteral("/"));
    QCOMPARE(m.panel(5), QStringLiteral("ｺﾋﾟｰﾌｫﾙﾀﾞ：/"));
    QCOMPARE(m.errNo(), int(err::PermissionDenied));
}

void TestDrops::cancelChangesNothing_data()
{
    QTest::addColumn<int>("box");
    QTest::newRow("copy") << int(CopyBox);
    QTest::newRow("move") << int(MoveBox);
    QTest::newRow("delete") << int(DeleteBox);
}

void TestDrops::cancelChangesNothing()
{
    QFETCH(int, box);
    writePictures(folder(QStringLiteral("src")), 4);
    QDir().mkpath(folder(QStringLiteral("dst")));
    VuMain& m = showFolder(folder(QStringLiteral("src")));
    m.setCopyPath(folder(QStringLiteral("dst")));
    m.setMovePath(folder(QStringLiteral("dst")));
    m.setErrNo(5);
    QStringList panels;
    for (int n = 1; n <= 6; ++n)
        panels << m.panel(n);
    dialogs().answerMessage(MsgAnswer::Cancel);
    drop(box, 0);
    QCOMPARE(m.errNo(), 0);
    QCOMPARE(names(folder(QStringLiteral("src"))).size(), 4);
    QVERIFY(names(folder(QStringLiteral("dst"))).isEmpty());
    for (int n = 1; n <= 6; ++n)
        QCOMPARE(m.panel(n), panels[n - 1]);
    QVERIFY(m.ui().Img[0]->hasPicture());
    QCOMPARE(dialogs().asked.size(), 1);
}

void TestDrops::sameNamedTarget_data()
{
    QTest::addColumn<int>("box");
    QTest::addColumn<QString>("target");  // the file of the same name: "different", "identical" or "read-only"
    QTest::addColumn<bool>("yes");  // the answer, if asked
    for (const int box : {int(CopyBox), int(MoveBox)}) {
        const char* what = box == CopyBox ? "copy" : "move";
        QTest::addRow("%s, a different file, yes", what) << box << "different" << true;
        QTest::addRow("%s, a different file, no", what) << box << "different" << false;
        QTest::addRow("%s, the same bytes: replaced unasked", what) << box << "identical" << false;
        QTest::addRow("%s, a read-only file: refused, saying why", what) << box << "read-only" << true;
    }
}

void TestDrops::sameNamedTarget()
{
    // A different file of the same name in the target folder is replaced only when the user
    // says yes (No is the default), and then only by a complete copy. The same bytes dropped
    // again replace it without a question; a read-only file is never replaced, as it would be
    // neither deleted nor moved: it keeps its bytes and its mode.
    QFETCH(int, box);
    QFETCH(QString, target);
    QFETCH(bool, yes);
    writePictures(folder(QStringLiteral("src")), 1, "bmp", QStringLiteral("same"));
    const QByteArray mine = readBytes(folder(QStringLiteral("src/same0000.bmp")));
    const QString existing = folder(QStringLiteral("dst/same0000.bmp"));
    QDir().mkpath(folder(QStringLiteral("dst")));
    writeBytes(existing, target == u"identical" ? mine : QByteArray("older file"));
    if (target == u"read-only")
        QVERIFY(
            QFile::setPermissions(existing, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther));
    const QFileDevice::Permissions mode = QFileInfo(existing).permissions();
    VuMain& m = showFolder(folder(QStringLiteral("src")));
    box == CopyBox ? m.setCopyPath(folder(QStringLiteral("dst"))) : m.setMovePath(folder(QStringLiteral("dst")));
    dialogs().answerMessage(MsgAnswer::Ok);
    dialogs().answerMessage(yes ? MsgAnswer::Yes : MsgAnswer::No);
    drop(box, 0);
    const bool replaced = target == u"identical" || (target == u"different" && yes);
    QCOMPARE(m.errNo(), target == u"read-only" ? int(err::ReadOnlyFile) : 0);
    QCOMPARE(dialogs().asked.size(), target == u"identical" ? 1 : 2);
    if (target == u"different") {
        const auto& q = dialogs().asked[1];
        QCOMPARE(q.title, dropBox(box).title);
        QCOMPARE(q.text, QStringLiteral("同じ名前のファイルがあります。置き換えますか？\n") + existing);
        QCOMPARE(q.buttons, MsgButtons::YesNo);
    } else if (target == u"read-only") {
        const auto& told = dialogs().asked[1];
        QCOMPARE(told.title, dropBox(box).failureTitle);
        QCOMPARE(told.icon, MsgIcon::Error);
        QVERIFY2(told.text.contains(existing) && told.text.contains(QStringLiteral("読取専用のファイルです")),
            qPrintable(told.text));
    }
    QCOMPARE(readBytes(existing), replaced ? mine : QByteArray("older file"));
    if (!replaced)
        QCOMPARE(QFileInfo(existing).permissions(), mode);
    QCOMPARE(QFile::exists(folder(QStringLiteral("src/same0000.bmp"))), !(replaced && box == MoveBox));
    QCOMPARE(names(folder(QStringLiteral("dst"))), QStringList{QStringLiteral("same0000.bmp")});
}

void TestDrops::readOnlyFileIsNeitherDeletedNorMoved_data()
{
    QTest::addColumn<int>("box");
    QTest::newRow("waste bin") << int(DeleteBox);
    QTest::newRow("move box") << int(MoveBox);
}

void TestDrops::readOnlyFileIsNeitherDeletedNorMoved()
{
    // What the information menu calls read-only (読取専用) the boxes refuse to delete or move,
    // and they say so.
    QFETCH(int, box);
    writePictures(folder(QStringLiteral("src")), 2, "bmp", QStringLiteral("r"));
    const QString kept = folder(QStringLiteral("src/r0001.bmp"));
    QVERIFY(QFile::setPermissions(kept, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther));
    QDir().mkpath(folder(QStringLiteral("dst")));
    VuMain& m = showFolder(folder(QStringLiteral("src")));
    m.setMovePath(folder(QStringLiteral("dst")));
    dialogs().answerMessage(MsgAnswer::Ok);
    drop(box, 1);
    QVERIFY(QFile::exists(kept));
    QVERIFY(names(folder(QStringLiteral("dst"))).isEmpty());
    QCOMPARE(dialogs().asked.size(), 2);
    const auto& told = dialogs().asked[1];
    QCOMPARE(told.title, box == DeleteBox ? QStringLiteral("削除エラー") : QStringLiteral("移動エラー"));
    QCOMPARE(told.icon, MsgIcon::Error);
    QVERIFY2(told.text.contains(kept) && told.text.contains(QStringLiteral("読取専用のファイルです")),
        qPrintable(told.text));
    QCOMPARE(m.errNo(), int(err::ReadOnlyFile));
    QCOMPARE(m.ui().ImgName[1]->text(), QStringLiteral("r0001.bmp"));
}

void TestDrops::deleteRedrawsTheSamePage_data()
{
    QTest::addColumn<int>("files");
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("cell");
    QTest::addColumn<QString>("count");
    QTest::addColumn<QString>("label");
    QTest::addColumn<int>("cellsAfter");
    QTest::newRow("only file of the last page") << 61 << 3 << 0 << "データ数：60"
                                                << "ページ： 3/ 2" << 0;
    QTest::newRow("one of 31 on page 1") << 31 << 1 << 5 << "データ数：30"
                                         << "ページ： 1/ 1" << 30;
}

void TestDrops::deleteRedrawsTheSamePage()
{
    QFETCH(int, files);
    QFETCH(int, page);
    QFETCH(int, cell);
    QFETCH(QString, count);
    QFETCH(QString, label);
    QFETCH(int, cellsAfter);
    writePictures(folder(QStringLiteral("d")), files, "bmp", QStringLiteral("d"), QSize(4, 4));
    VuMain& m = showFolder(folder(QStringLiteral("d")));
    for (int p = 1; p < page; ++p)
        m.pageForward();
    QCOMPARE(int(m.pageNo()), page);
    const QString doomed = m.ui().ImgName[cell]->text();
    dialogs().answerMessage(MsgAnswer::Ok);
    drop(DeleteBox, cell);
    QCOMPARE(m.errNo(), 0);
    QCOMPARE(dialogs().asked.first().text, QStringLiteral("削除を行います。よろしいですか？"));
    QVERIFY(!QFile::exists(folder(QStringLiteral("d/")) + doomed));
    QCOMPARE(int(m.pageNo()), page);
    QCOMPARE(m.panel(1), count);
    QCOMPARE(m.panel(2), label);
    int shown = 0;
    for (PictureBox* c : m.ui().Img)
        shown += c->isHidden() ? 0 : 1;
    QCOMPARE(shown, cellsAfter);
}

void TestDrops::moveWhoseDeleteFailsKeepsBoth()
{
    // A source that cannot be removed (as from a folder without write permission).
    writePictures(folder(QStringLiteral("ro")), 2, "bmp", QStringLiteral("m"));
    QDir().mkpath(folder(QStringLiteral("dst")));
    VuMain& m = showFolder(folder(QStringLiteral("ro")));
    f_.platform->files.fail(
        Op::Remove, [](const QString&) { return true; }, err::PermissionDenied);
    dialogs().answerMessage(MsgAnswer::Ok);
    dialogs().answerFolder(folder(QStringLiteral("dst")));
    drop(MoveBox, 1);
    QCOMPARE(m.errNo(), int(err::PermissionDenied));
    QVERIFY(QFile::exists(folder(QStringLiteral("ro/m0001.bmp"))));
    QVERIFY(QFile::exists(folder(QStringLiteral("dst/m0001.bmp"))));
    QCOMPARE(m.panel(6), QStringLiteral("移動ﾌｫﾙﾀﾞ：") + folder(QStringLiteral("dst")));
    QCOMPARE(dialogs().asked.first().title, QStringLiteral("移動"));
}

void TestDrops::moveRemovesTheSource()
{
    writePictures(folder(QStringLiteral("src")), 3, "bmp", QStringLiteral("v"));
    QDir().mkpath(folder(QStringLiteral("dst")));
    VuMain& m = showFolder(folder(QStringLiteral("src")));
    const QByteArray original = readBytes(folder(QStringLiteral("src/v0000.bmp")));
    m.setMovePath(folder(QStringLiteral("dst")));
    dialogs().answerMessage(MsgAnswer::Ok);
    drop(MoveBox, 0);
    QCOMPARE(m.errNo(), 0);
    QCOMPARE(
        names(folder(QStringLiteral("src"))), QStringList({QStringLiteral("v0001.bmp"), QStringLiteral("v0002.bmp")}));
    QCOMPARE(readBytes(folder(QStringLiteral("dst/v0000.bmp"))), original);
    QCOMPARE(m.panel(1), QStringLiteral("データ数：2"));
    QCOMPARE(m.ui().ImgName[0]->text(), QStringLiteral("v0001.bmp"));
    QVERIFY(m.ui().ImgName[2]->isHidden());
}

void TestDrops::cancelledFolderChooserEndsTheDrop()
{
    writePictures(folder(QStringLiteral("src")), 2);
    VuMain& m = showFolder(folder(QStringLiteral("src")));
    int copies = 0;
    f_.platform->files.before = [&](Op op, const QString&) { copies += op == Op::Copy ? 1 : 0; };
    dialogs().answerMessage(MsgAnswer::Ok);
    dialogs().answerFolder(QString());  // cancelled
    drop(MoveBox, 0);
    QCOMPARE(copies, 0);
    QCOMPARE(m.movePath(), QString());
    QCOMPARE(m.errNo(), 0);
    QCOMPARE(names(folder(QStringLiteral("src"))).size(), 2);
    // The next drop asks for the folder again.
    dialogs().answerMessage(MsgAnswer::Ok);
    dialogs().answerFolder(QString());
    drop(MoveBox, 0);
    QCOMPARE(dialogs().asked.size(), 4);
}

void TestDrops::ontoItsOwnFolderDoesNothing_data()
{
    QTest::addColumn<int>("box");
    QTest::addColumn<bool>("throughLink");
    QTest::newRow("copy") << int(CopyBox) << false;
    QTest::newRow("move") << int(MoveBox) << false;
    QTest::newRow("move through a link to the folder") << int(MoveBox) << true;
}

void TestDrops::ontoItsOwnFolderDoesNothing()
{
    QFETCH(int, box);
    QFETCH(bool, throughLink);
    writePictures(folder(QStringLiteral("src")), 2, "jpg", QStringLiteral("s"), QSize(64, 48));
    QFile::link(folder(QStringLiteral("src")), folder(QStringLiteral("alias")));
    const QByteArray before = readBytes(folder(QStringLiteral("src/s0000.jpg")));
    VuMain& m = showFolder(folder(QStringLiteral("src")));
    const QString target = folder(throughLink ? QStringLiteral("alias") : QStringLiteral("src"));
    box == CopyBox ? m.setCopyPath(target) : m.setMovePath(target);
    dialogs().answerMessage(MsgAnswer::Ok);
    drop(box, 0);
    QCOMPARE(readBytes(folder(QStringLiteral("src/s0000.jpg"))), before);
    QCOMPARE(
        names(folder(QStringLiteral("src"))), QStringList({QStringLiteral("s0000.jpg"), QStringLiteral("s0001.jpg")}));
    QCOMPARE(m.errNo(), 0);
    // The user is told why nothing happened.
    QCOMPARE(dialogs().asked.size(), 2);
    QCOMPARE(dialogs().asked[1].icon, MsgIcon::Information);
    QVERIFY(dialogs().asked[1].text.contains(folder(QStringLiteral("src/s0000.jpg"))));
}

void TestDrops::sourceIsTheDrawnFolder()
{
    // The user opens another folder (holding a file of the same name) without redrawing; the
    // drop works on the file the cell shows.
    writePictures(folder(QStringLiteral("shown")), 2, "bmp", QStringLiteral("n"));
    writePictures(folder(QStringLiteral("other")), 2, "bmp", QStringLiteral("n"));
    VuMain& m = showFolder(folder(QStringLiteral("shown")));
    QVERIFY(m.ui().DirList->setPath(folder(QStringLiteral("other"))).ok());
    QCOMPARE(f_.module->folder().curPath(), folder(QStringLiteral("other")));
    dialogs().answerMessage(MsgAnswer::Ok);
    drop(DeleteBox, 1);
    QVERIFY(!QFile::exists(folder(QStringLiteral("shown/n0001.bmp"))));
    QVERIFY(QFile::exists(folder(QStringLiteral("other/n0001.bmp"))));
}

void TestDrops::pagesAndDropsFollowTheListedFolder_data()
{
    // What another window does to the current folder while the main window lists "browse": the
    // current folder afterwards, and the folder status panel 4 then names. The lists never move.
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("curPath");
    QTest::addColumn<QString>("panel4");
    QTest::newRow("settings dialog cancelled") << "settings"
                                               << "stored"
                                               << "browse";
    QTest::newRow("batch window closed on another folder") << "batch"
                                                           << "stored"
                                                           << "browse";
    QTest::newRow("file chosen in another folder") << "file"
                                                   << "stored/"
                                                   << "browse";
    QTest::newRow("file chosen in the listed folder") << "file here"
                                                      << "browse/"
                                                      << "browse/";
}

void TestDrops::pagesAndDropsFollowTheListedFolder()
{
    // Two folders hold pictures of the same names in two colours; the settings file stores the
    // one not shown. Whatever the other windows do, the next page, its panel and a drop on the
    // waste bin all take the folder whose names the lists show.
    QFETCH(QString, action);
    const QString listed = QStringLiteral("browse"), other = QStringLiteral("stored");
    const QColor colour[2] = {Qt::red, Qt::blue};
    const QString folders[2] = {folder(listed), folder(other)};
    for (int f = 0; f < 2; ++f) {
        QDir().mkpath(folders[f]);
        for (int i = 0; i < 35; ++i)
            writePicture(folders[f] + QStringLiteral("/a%1.bmp").arg(i, 4, 10, QLatin1Char('0')), QSize(16, 12), "bmp",
                colour[f]);
    }
    VuMain& m = showFolder(folders[0]);
    f_.storeStartFolder(folders[1]);

    if (action == QStringLiteral("settings")) {
        VuProp prop(*f_.module, &m);
        prop.cmd_Click(1);
    } else if (action == QStringLiteral("batch")) {
        m.mnuRunConv_Click();
        VuConv* conv = m.batchWindow();
        QVERIFY(conv->ui().DirList[0]->setPath(folders[1]).ok());
        conv->close();
    } else {
        dialogs().answerFile(folders[action == QStringLiteral("file") ? 1 : 0] + QStringLiteral("/a0003.bmp"));
        QCOMPARE(m.DialgDsp().error, 0);
    }
    QFETCH(QString, curPath);
    QFETCH(QString, panel4);
    QCOMPARE(f_.module->folder().curPath(), folder(curPath));
    QCOMPARE(m.ui().DirList->path(), folder(listed));
    QCOMPARE(m.fileList().path(), folder(listed));

    m.tbToolBar_ButtonClick(m.toolButton(QStringLiteral("進む")));
    QCOMPARE(m.panel(2), QStringLiteral("ページ： 2/ 2"));
    QCOMPARE(m.panel(4), QStringLiteral("表示ﾌｫﾙﾀﾞ：") + folder(panel4));
    QCOMPARE(m.ui().ImgName[0]->text(), QStringLiteral("a0030.bmp"));
    QCOMPARE(m.cellFile(0), folder(listed + QStringLiteral("/a0030.bmp")));
    const QImage shown = m.ui().Img[0]->picture();
    QVERIFY(!shown.isNull());
    const QRgb corner = shown.pixel(1, 1);
    QVERIFY2(qRed(corner) > 200 && qBlue(corner) < 60, "the picture comes from the listed folder");

    dialogs().answerMessage(MsgAnswer::Ok);
    drop(DeleteBox, 0);
    QCOMPARE(m.errNo(), 0);
    QVERIFY(!QFile::exists(folder(listed + QStringLiteral("/a0030.bmp"))));
    QVERIFY(QFile::exists(folder(other + QStringLiteral("/a0030.bmp"))));
    QCOMPARE(m.panel(1), QStringLiteral("データ数：34"));
}

void TestDrops::failedCopyLosesNothing()
{
    // The copy fails part-way (as on a full disk): neither a partial file nor the loss of the
    // earlier file of that name, and a move keeps its source.
    const QString src = folder(QStringLiteral("src"));
    QDir().mkpath(src);
    writeBytes(src + QStringLiteral("/big.jpg"), readBytes(dataFile(QStringLiteral("jpeg/testorig.jpg"))).repeated(20));
    QDir().mkpath(folder(QStringLiteral("dst")));
    writeBytes(folder(QStringLiteral("dst/big.jpg")), "earlier");
    VuMain& m = showFolder(src);
    m.setMovePath(folder(QStringLiteral("dst")));
    const int status = runLimitedChild(30000, [&] {
        dialogs().answerMessage(MsgAnswer::Ok);
        dialogs().answerMessage(MsgAnswer::Yes);  // replace the earlier file
        drop(MoveBox, 0);
        // The user is told which file failed and why.
        const auto& told = dialogs().asked.last();
        const bool box = told.title == QStringLiteral("移動エラー") && told.icon == MsgIcon::Error
            && told.text.contains(src + QStringLiteral("/big.jpg"))
            && told.text.contains(QStringLiteral("ディスクの空き容量が不足しています"));
        return m.errNo() == err::DiskFull && box ? 0 : 1;
    });
    QCOMPARE(status, 0);
    QCOMPARE(readBytes(folder(QStringLiteral("dst/big.jpg"))), QByteArray("earlier"));
    QVERIFY(QFile::exists(src + QStringLiteral("/big.jpg")));
    QCOMPARE(names(folder(QStringLiteral("dst"))), QStringList{QStringLiteral("big.jpg")});

    // And a copy that succeeds keeps the modification time.
    const QDateTime old(QDate(2003, 4, 5), QTime(6, 7, 8));
    QFile f(src + QStringLiteral("/big.jpg"));
    QVERIFY(f.open(QIODevice::ReadWrite) && f.setFileTime(old, QFileDevice::FileModificationTime));
    f.close();
    m.setCopyPath(folder(QStringLiteral("copies")));
    QDir().mkpath(m.copyPath());
    dialogs().answerMessage(MsgAnswer::Ok);
    drop(CopyBox, 0);
    QCOMPARE(QFileInfo(m.copyPath() + QStringLiteral("/big.jpg")).lastModified(), old);
}

void TestDrops::dragIconFollowsTheBoxes()
{
    writePictures(folder(QStringLiteral("p")), 3);
    VuMain& m = showFolder(folder(QStringLiteral("p")));
    QVERIFY(m.dragIcon(1).isNull());
    m.imgBox_DragOver(2, m.ui().Img[1], 5, 5, 0);
    QVERIFY(!m.dragIcon(1).isNull());
    m.imgBox_DragOver(2, m.ui().Img[1], 6, 6, 2);
    QVERIFY(!m.dragIcon(1).isNull());
    m.imgBox_DragOver(2, m.ui().Img[1], 6, 6, 1);
    QVERIFY(m.dragIcon(1).isNull());
    // Dropped on a box, the thumbnail keeps the icon until it next leaves a box.
    m.imgBox_DragOver(0, m.ui().Img[1], 5, 5, 0);
    dialogs().answerMessage(MsgAnswer::Cancel);
    m.imgBox_DragDrop(0, m.ui().Img[1], 5, 5);
    QVERIFY(!m.dragIcon(1).isNull());
    QVERIFY(m.dragIcon(0).isNull());
}

void TestDrops::dropIconFromWorkingDirectory_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QSize>("size");
    QTest::newRow("missing: built in") << "" << QSize(32, 32);
    QTest::newRow("damaged: built in") << "garbage" << QSize(32, 32);
    QTest::newRow("the user's own") << "ico" << QSize(16, 16);
    QTest::newRow("a pipe: built in, at once") << "pipe" << QSize(32, 32);
}

void TestDrops::dropIconFromWorkingDirectory()
{
    QFETCH(QString, file);
    QFETCH(QSize, size);
    if (file == QStringLiteral("garbage"))
        writeBytes(f_.cwd->file(QStringLiteral("drop.ico")), "not an icon");
    else if (file == QStringLiteral("ico"))
        writePicture(f_.cwd->file(QStringLiteral("drop.ico")), QSize(16, 16), "ico");
    else if (file == QStringLiteral("pipe"))
        QCOMPARE(::mkfifo(QFile::encodeName(f_.cwd->file(QStringLiteral("drop.ico"))).constData(), 0644), 0);
    writePictures(folder(QStringLiteral("p")), 1);
    VuMain& m = showFolder(folder(QStringLiteral("p")));
    // A pipe in place of the icon file must not hold the window, waiting for a writer.
    Watchdog watchdog(std::chrono::seconds(60));
    watchdog.step(QStringLiteral("reading drop.ico"));
    QCOMPARE(m.dropIcon().size(), size);
}

void TestDrops::clickingBoxesChoosesTargets()
{
    VuMain& m = showFolder(QStringLiteral("/"));
    dialogs().answerFolder(QStringLiteral("/srv/copies"));
    m.imgBox_Click(CopyBox);
    QCOMPARE(m.copyPath(), QStringLiteral("/srv/copies"));
    QCOMPARE(m.panel(5), QStringLiteral("ｺﾋﾟｰﾌｫﾙﾀﾞ：/srv/copies"));
    dialogs().answerFolder(QStringLiteral("/srv/moved"));
    m.imgBox_Click(MoveBox);
    QCOMPARE(m.panel(6), QStringLiteral("移動ﾌｫﾙﾀﾞ：/srv/moved"));
    m.imgBox_Click(DeleteBox);
    QCOMPARE(dialogs().asked.size(), 2);
    // A click asks anew; cancelling empties the target.
    m.imgBox_Click(CopyBox);
    QCOMPARE(m.copyPath(), QString());
    QCOMPARE(m.panel(5), QStringLiteral("ｺﾋﾟｰﾌｫﾙﾀﾞ："));
}

void TestDrops::onlyThumbnailsAreDropped()
{
    writePictures(folder(QStringLiteral("p")), 2);
    VuMain& m = showFolder(folder(QStringLiteral("p")));
    m.setErrNo(3);
    QCOMPARE(m.imgBox_DragDrop(DeleteBox, m.ui().OkBtn[0], 1, 1), 0);
    QCOMPARE(m.errNo(), 0);
    QVERIFY(dialogs().asked.isEmpty());
    QCOMPARE(names(folder(QStringLiteral("p"))).size(), 2);
}

void TestDrops::undoTheNewestDrop_data()
{
    QTest::addColumn<int>("box");
    QTest::addColumn<bool>("twice");  // two drops, undone one at a time, the newest first
    QTest::addColumn<bool>("batchOpen");  // the batch window is open: its log tells
    QTest::addColumn<bool>("changed");  // the file changed after the drop: left alone, a box tells
    QTest::newRow("copy") << int(CopyBox) << false << false << false;
    QTest::newRow("move") << int(MoveBox) << false << false << false;
    QTest::newRow("delete") << int(DeleteBox) << false << false << false;
    QTest::newRow("two deletes") << int(DeleteBox) << true << false << false;
    QTest::newRow("move, the batch window open") << int(MoveBox) << false << true << false;
    QTest::newRow("copy, changed since") << int(CopyBox) << false << false << true;
}

void TestDrops::undoTheNewestDrop()
{
    QFETCH(int, box);
    QFETCH(bool, twice);
    QFETCH(bool, batchOpen);
    QFETCH(bool, changed);
    f_.module->preferences().setUseTrash(true);  // so that the deletion can be undone
    const QStringList files = writePictures(folder(QStringLiteral("src")), 3, "bmp", QStringLiteral("u"));
    QDir().mkpath(folder(QStringLiteral("dst")));
    QList<QByteArray> bytes;
    for (const QString& f : files)
        bytes << readBytes(folder(QStringLiteral("src/")) + f);
    VuMain& m = showFolder(folder(QStringLiteral("src")));
    m.setCopyPath(folder(QStringLiteral("dst")));
    m.setMovePath(folder(QStringLiteral("dst")));
    QVERIFY(!m.ui().mnuFileUndo->isEnabled());
    dialogs().answerMessage(MsgAnswer::Ok);
    drop(box, 1);
    if (twice) {
        dialogs().answerMessage(MsgAnswer::Ok);
        drop(box, 1);  // the page was drawn again: cell 1 now shows the third file
    }
    QVERIFY(m.ui().mnuFileUndo->isEnabled());
    if (changed)
        writeBytes(folder(QStringLiteral("dst/")) + files[1], "edited");
    if (batchOpen)
        m.mnuRunConv_Click();

    dialogs().asked.clear();
    dialogs().answerMessage(MsgAnswer::Ok);
    if (changed)
        dialogs().answerMessage(MsgAnswer::Ok);  // the box telling of the file left alone
    m.mnuFileUndo_Click();
    const QString undone = folder(QStringLiteral("src/")) + files[twice ? 2 : 1];
    static const char* const what[] = {"コピー", "移動", "削除"};
    QCOMPARE(dialogs().asked.value(0).title, QStringLiteral("元に戻す"));
    QCOMPARE(dialogs().asked.value(0).text,
        QStringLiteral("直前のドラッグでの%1を元に戻します。よろしいですか？\n").arg(QString::fromUtf8(what[box]))
            + undone);
    QCOMPARE(dialogs().asked.value(0).buttons, MsgButtons::OkCancel);
    if (twice) {
        QCOMPARE(names(folder(QStringLiteral("src"))), QStringList({files[0], files[2]}));
        QVERIFY(m.ui().mnuFileUndo->isEnabled());  // the drop before can be undone next
        dialogs().answerMessage(MsgAnswer::Ok);
        m.mnuFileUndo_Click();
    }
    QVERIFY(!m.ui().mnuFileUndo->isEnabled());
    // Every file back where it was, with its bytes; the page shows it again.
    for (int i = 0; i < files.size(); ++i)
        QCOMPARE(readBytes(folder(QStringLiteral("src/")) + files[i]), bytes[i]);
    QCOMPARE(names(folder(QStringLiteral("src"))), files);
    QCOMPARE(names(folder(QStringLiteral("dst"))), changed ? QStringList{files[1]} : QStringList());
    QCOMPARE(m.panel(1), QStringLiteral("データ数：3"));
    QCOMPARE(m.ui().ImgName[1]->text(), files[1]);
    QCOMPARE(names(f_.platform->homeTrash() + QStringLiteral("/files")), QStringList());
    if (changed) {
        QCOMPARE(readBytes(folder(QStringLiteral("dst/")) + files[1]), QByteArray("edited"));
        QCOMPARE(dialogs().asked.size(), 2);
        QCOMPARE(dialogs().asked[1].text,
            undoSummary(1,
                {QStringLiteral("\u3000[複写取消失敗]\u3000") + folder(QStringLiteral("dst/")) + files[1]
                    + QStringLiteral("\u3000（処理の後で変更されたため、そのままにしました）")}));
    } else {
        QCOMPARE(dialogs().asked.size(), twice ? 2 : 1);
    }
    if (batchOpen) {
        const BatchLog& log = m.batchWindow()->logStore();
        QCOMPARE(log.count(), 1);
        QCOMPARE(log.line(0),
            QStringLiteral("\u3000[元に戻す]\u3000") + folder(QStringLiteral("dst/")) + files[1]
                + QStringLiteral("\u3000から\u3000") + undone);
    }
    // Nothing more to undo: the command asks nothing.
    m.mnuFileUndo_Click();
    QCOMPARE(dialogs().unanswered, 0);
}

void TestDrops::deleteForGood_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("yes");  // the answer where the volume has no trash
    QTest::newRow("final: nothing more asked") << int(engine::DeleteMode::Final) << false;
    QTest::newRow("into the trash, none there: no keeps the file") << int(engine::DeleteMode::Trash) << false;
    QTest::newRow("into the trash, none there: yes deletes it for good") << int(engine::DeleteMode::Trash) << true;
}

void TestDrops::deleteForGood()
{
    // A deletion is final unless the trash is chosen; only where the file's volume has no room
    // left for a trash folder (it holds as many files as it may) does the trash ask. A file
    // deleted for good cannot come back, and 元に戻す says so plainly instead of asking.
    QFETCH(int, mode);
    QFETCH(bool, yes);
    f_.module->preferences().setUseTrash(mode == int(engine::DeleteMode::Trash));
    TmpfsMount disk(folder(QStringLiteral("disk")), 1 << 20, 4);
    if (!disk.ok())
        QSKIP("mounting a small disk needs the superuser");
    const QStringList files = writePictures(disk.path() + QStringLiteral("/p"), 2, "bmp", QStringLiteral("n"));
    VuMain& m = showFolder(disk.path() + QStringLiteral("/p"));
    const QString file = disk.path() + QStringLiteral("/p/") + files[0];
    const bool final = mode == int(engine::DeleteMode::Final);
    dialogs().answerMessage(MsgAnswer::Ok);
    if (!final)
        dialogs().answerMessage(yes ? MsgAnswer::Yes : MsgAnswer::No);
    drop(DeleteBox, 0);
    QCOMPARE(m.errNo(), 0);
    QCOMPARE(dialogs().asked.size(), final ? 1 : 2);
    if (!final) {
        QCOMPARE(dialogs().asked[1].title, QStringLiteral("削除"));
        QCOMPARE(dialogs().asked[1].text, batch::deleteForGoodQuestion(file, false));
        QCOMPARE(dialogs().asked[1].buttons, MsgButtons::YesNo);
    }
    const bool gone = final || yes;
    QCOMPARE(QFile::exists(file), !gone);
    QCOMPARE(QDir(f_.platform->homeTrash()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
    QCOMPARE(m.panel(1), gone ? QStringLiteral("データ数：1") : QStringLiteral("データ数：2"));
    QCOMPARE(m.ui().mnuFileUndo->isEnabled(), gone);
    if (gone) {
        dialogs().asked.clear();
        dialogs().answerMessage(MsgAnswer::Ok);
        m.mnuFileUndo_Click();
        QCOMPARE(dialogs().asked.size(), 1);
        QCOMPARE(dialogs().asked[0].text,
            QStringLiteral("直前のドラッグでの削除は完全な削除のため、ファイルを元に戻せません。\n") + file);
        QCOMPARE(dialogs().asked[0].buttons, MsgButtons::Ok);
        QVERIFY(!m.ui().mnuFileUndo->isEnabled());
    }
    QCOMPARE(dialogs().unanswered, 0);
}

QTEST_MAIN(TestDrops)
#include "tst_drops.moc"
