// The main window on awkward folders: tens of thousands of pictures (listed, and paged to the
// last page the page number reaches, with the information menu and the viewer there), Japanese
// names and spaces, names that are not UTF-8, folders CP932 cannot name, link loops, and a folder
// that disappears while it is shown (the lists, and every command on its page).
#include "browser/drops.h"
#include "browser/info.h"
#include "browser/pages.h"
#include "browser/vumain.h"
#include "platform/cp932.h"
#include "platform/paths.h"
#include "platform/testing/doubles.h"
#include "support/testsupport.h"
#include "viewer/vuview.h"

#include <QElapsedTimer>
#include <QTest>

#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace vu;
using namespace vu::testing;

namespace {

// `count` names for one small picture, as hard links (copies where links are refused), so a
// folder of 40,000 pictures takes a second to make.
void linkPictures(const QString& folder, int count, const QString& prefix, const char* format)
{
    QDir().mkpath(folder);
    const QString first = writePicture(
        QDir(folder).filePath(
            QStringLiteral("%1%2.%3").arg(prefix).arg(0, 5, 10, QLatin1Char('0')).arg(QLatin1String(format))),
        QSize(8, 6), format);
    const QByteArray source = QFile::encodeName(first);
    for (int i = 1; i < count; ++i) {
        const QString name
            = QStringLiteral("%1%2.%3").arg(prefix).arg(i, 5, 10, QLatin1Char('0')).arg(QLatin1String(format));
        const QByteArray target = QFile::encodeName(QDir(folder).filePath(name));
        if (::link(source.constData(), target.constData()) != 0)
            QFile::copy(first, QDir(folder).filePath(name));
    }
}

// A file or folder whose name is raw bytes, which need not be text at all. Qt cannot name it,
// so it is removed here too.
class RawEntries {
public:
    ~RawEntries()
    {
        for (const QByteArray& path : files_)
            ::unlink(path.constData());
        for (const QByteArray& path : folders_)
            ::rmdir(path.constData());
    }
    void make(const QString& folder, const QByteArray& name, bool isFolder);

private:
    QList<QByteArray> files_, folders_;
};

void RawEntries::make(const QString& folder, const QByteArray& name, bool isFolder)
{
    const QByteArray path = QFile::encodeName(folder) + '/' + name;
    (isFolder ? folders_ : files_) << path;
    if (isFolder) {
        QVERIFY(::mkdir(path.constData(), 0755) == 0);
        return;
    }
    const QByteArray bytes = readBytes(writePicture(folder + QStringLiteral("/raw-source.bmp"), QSize(8, 6), "bmp"));
    QFile::remove(folder + QStringLiteral("/raw-source.bmp"));
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    QVERIFY(fd >= 0);
    QCOMPARE(::write(fd, bytes.constData(), size_t(bytes.size())), ssize_t(bytes.size()));
    ::close(fd);
}

void storeFolder(const QString& settingsFile, const QString& folder)
{
    SettingsRec rec;
    rec.set(SettingsRec::PathName, folder);
    writeBytes(settingsFile, rec.toBytes());
}

QStringList folderEntries(const DirListBox* list, const QString& folder)
{
    QStringList names;
    for (int row = 0; row < list->count(); ++row) {
        const QString p = list->entryPath(row);
        if (paths::folderOf(p) == folder)
            names << paths::fileName(p);
    }
    return names;
}

}  // namespace

class TestAwkwardFolders : public QObject {
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

    void hugeFolders_data();
    void hugeFolders();
    void hugeFolderPages_data();
    void hugeFolderPages();
    void japaneseNamesAndSpaces();
    void namesThatAreNotText();
    void folderCp932CannotName();
    void linkLoops();
    void onlyBrokenLinks();
    void shownFolderDisappears_data();
    void shownFolderDisappears();
    void pageOfVanishedFolder_data();
    void pageOfVanishedFolder();

private:
    std::unique_ptr<VuMain> startIn(const QString& folder, VuModule& module)
    {
        storeFolder(cwd_->file(SettingsFileName), folder);
        return std::make_unique<VuMain>(module);
    }
    std::unique_ptr<TempCwd> cwd_;
    std::unique_ptr<TestPlatform> platform_;
};

void TestAwkwardFolders::hugeFolders_data()
{
    QTest::addColumn<int>("pictures");
    QTest::addColumn<int>("listed");
    QTest::newRow("32,767 pictures") << 32767 << 32767;
    QTest::newRow("40,000 pictures") << 40000 << 32767;
}

void TestAwkwardFolders::hugeFolders()
{
    QFETCH(int, pictures);
    QFETCH(int, listed);
    const QString folder = cwd_->file(QStringLiteral("many"));
    // Two kinds, so that the list's type filter has something to leave out.
    linkPictures(folder, pictures - 100, QStringLiteral("p"), "bmp");
    linkPictures(folder, 100, QStringLiteral("Q"), "gif");
    VuModule module(platform_->platform());
    auto main = startIn(folder, module);
    QCOMPARE(main->errNo(), 0);
    QCOMPARE(main->fileList().count(), listed);
    QCOMPARE(main->panel(1), QStringLiteral("データ数：%1").arg(listed));
    // The first names in the list's order: case does not count, so "Q..." comes after "p...".
    QCOMPARE(main->fileList().item(0), QStringLiteral("p00000.bmp"));
    const bool cut = pictures > listed;
    QCOMPARE(main->fileList().item(listed - 1),
        cut ? QStringLiteral("p%1.bmp").arg(listed - 1, 5, 10, QLatin1Char('0')) : QStringLiteral("Q00099.gif"));
    main->OkBtn_Click(4);  // "gif"
    QCOMPARE(main->fileList().count(), 100);
    main->OkBtn_Click(1);  // "all": *.bmp;*.jpg;*.gif;*.ico
    main->Form_Activate();
    QCOMPARE(main->fileList().count(), listed);
    QVERIFY(main->Form_Unload().ok());
}

void TestAwkwardFolders::japaneseNamesAndSpaces()
{
    const QString folder = cwd_->file(QStringLiteral("写真 集"));
    QVERIFY(cp932::encode(folder).size() <= 50);
    QDir().mkpath(folder);
    const QStringList names = {QStringLiteral(" 先頭に空白.bmp"), QStringLiteral("ｶﾀｶﾅ.ico"),
        QStringLiteral("two  spaces.JPG"), QStringLiteral("写真 一.jpg"), QStringLiteral("終わりに空白 .gif")};
    const char* formats[] = {"bmp", "ico", "jpg", "jpg", "gif"};
    for (int i = 0; i < names.size(); ++i)
        writePicture(QDir(folder).filePath(names[i]), QSize(12, 9), formats[i]);
    QDir().mkpath(folder + QStringLiteral("/下の フォルダ"));

    VuModule module(platform_->platform());
    auto main = startIn(folder, module);
    QCOMPARE(main->errNo(), 0);
    QCOMPARE(module.folder().curPath(), folder);
    QCOMPARE(main->fileList().names(), QStringList({names[0], names[2], names[3], names[4], names[1]}));
    QCOMPARE(folderEntries(main->ui().DirList, folder), QStringList({QStringLiteral("下の フォルダ")}));
    for (const QString& name : names) {
        const PictureResult r = module.pictures().loadScaled(paths::join(folder, name), QSize(120, 90));
        QVERIFY2(r.ok(), qPrintable(r.detail));
    }
    // Stored in CP932 and found again at the next start.
    QVERIFY(main->Form_Unload().ok());
    main.reset();
    VuModule again(platform_->platform());
    VuMain second(again);
    QCOMPARE(second.errNo(), 0);
    QCOMPARE(again.folder().curPath(), folder);
}

void TestAwkwardFolders::namesThatAreNotText()
{
    const QString folder = cwd_->file(QStringLiteral("mixed"));
    writePictures(folder, 2);
    RawEntries raw;
    raw.make(folder, QByteArray("bad\xFF name.bmp"), false);
    raw.make(folder, QByteArray("\xE3\x81.jpg"), false);  // UTF-8 cut inside a character
    raw.make(folder, QByteArray("\x82\xA0sjis.gif"), false);  // a Shift_JIS name from another system
    raw.make(folder, QByteArray("folder\xFE"), true);
    QDir().mkdir(folder + QStringLiteral("/good"));

    VuModule module(platform_->platform());
    auto main = startIn(folder, module);
    QCOMPARE(main->errNo(), 0);
    QCOMPARE(main->fileList().names(), QStringList({QStringLiteral("img0000.bmp"), QStringLiteral("img0001.bmp")}));
    QCOMPARE(folderEntries(main->ui().DirList, folder), QStringList({QStringLiteral("good")}));
    QCOMPARE(main->panel(1), QStringLiteral("データ数：2"));
    main->Form_Activate();
    QCOMPARE(main->fileList().count(), 2);
}

void TestAwkwardFolders::folderCp932CannotName()
{
    // Accented Latin letters and emoji have no place in CP932: the record stores "?" for them,
    // the next start cannot find that folder and lists the folder it was started in; the folder
    // stored stays the current one.
    const QString folder = cwd_->file(QStringLiteral("café ☕"));
    writePictures(folder, 4);
    VuModule module(platform_->platform());
    auto main = std::make_unique<VuMain>(module);
    QVERIFY(main->ui().DirList->setPath(folder).ok());
    QCOMPARE(module.folder().curPath(), folder);
    QCOMPARE(main->fileList().count(), 4);
    QVERIFY(main->Form_Unload().ok());
    const QByteArray stored = readBytes(cwd_->file(SettingsFileName)).mid(6, 50);
    QCOMPARE(stored.trimmed(), QFile::encodeName(cwd_->path()) + "/caf? ?");
    main.reset();

    VuModule again(platform_->platform());
    VuMain second(again);
    second.show();
    QVERIFY(second.isVisible());
    QCOMPARE(second.errNo(), int(err::PathNotFound));
    QCOMPARE(again.folder().curPath(), cwd_->path() + QStringLiteral("/caf? ?"));
    QCOMPARE(second.ui().DirList->path(), cwd_->path());
    QVERIFY(second.Form_Unload().ok());
}

void TestAwkwardFolders::linkLoops()
{
    const QString top = cwd_->file(QStringLiteral("top"));
    writePictures(top + QStringLiteral("/a"), 2);
    QVERIFY(QFile::link(top, top + QStringLiteral("/a/back")));  // a/back/a/back/... for ever
    QVERIFY(QFile::link(QStringLiteral("self"), top + QStringLiteral("/self")));  // leads to itself
    QVERIFY(QFile::link(QStringLiteral("ping"), top + QStringLiteral("/pong")));
    QVERIFY(QFile::link(QStringLiteral("pong"), top + QStringLiteral("/ping")));
    QVERIFY(QFile::link(QStringLiteral("loop.bmp"), top + QStringLiteral("/a/loop.bmp")));
    QVERIFY(QFile::link(QStringLiteral("img0000.bmp"), top + QStringLiteral("/a/alias.bmp")));

    VuModule module(platform_->platform());
    auto main = startIn(top, module);
    QCOMPARE(main->errNo(), 0);
    QCOMPARE(folderEntries(main->ui().DirList, top), QStringList({QStringLiteral("a")}));

    // Down the loop until the system refuses the path: every step either opens the folder or
    // fails and leaves the list where it was.
    QVERIFY(main->ui().DirList->setPath(top + QStringLiteral("/a")).ok());
    QElapsedTimer timer;
    timer.start();
    int opened = 0;
    QString path = main->ui().DirList->path();
    for (int step = 0; step < 100; ++step) {
        const QString next = path + QStringLiteral("/back/a");
        if (!main->ui().DirList->setPath(next).ok())
            break;
        path = next;
        ++opened;
        QCOMPARE(main->ui().DirList->path(), path);
        QCOMPARE(module.folder().curPath(), path);
        QCOMPARE(main->fileList().names(),
            QStringList({QStringLiteral("alias.bmp"), QStringLiteral("img0000.bmp"), QStringLiteral("img0001.bmp")}));
    }
    QVERIFY(opened >= 5);
    QVERIFY2(opened < 100, "the system ends the loop");
    QCOMPARE(main->ui().DirList->path(), path);
    main->Form_Activate();
    QCOMPARE(main->ui().DirList->path(), path);
    QVERIFY2(timer.elapsed() < 60000, "no step hangs");
    QVERIFY(main->Form_Unload().ok());
}

void TestAwkwardFolders::onlyBrokenLinks()
{
    // Every entry is skipped; the folder is still an empty folder, not an unreadable one.
    const QString folder = cwd_->file(QStringLiteral("broken"));
    QDir().mkpath(folder);
    QVERIFY(QFile::link(QStringLiteral("nowhere.bmp"), folder + QStringLiteral("/gone.bmp")));
    QVERIFY(QFile::link(QStringLiteral("self"), folder + QStringLiteral("/self")));
    VuModule module(platform_->platform());
    auto main = startIn(folder, module);
    QCOMPARE(main->errNo(), 0);
    QCOMPARE(module.folder().curPath(), folder);
    QCOMPARE(main->fileList().count(), 0);
    QCOMPARE(folderEntries(main->ui().DirList, folder), QStringList());
    std::vector<DirEntry> entries;
    QVERIFY(module.files().listDir(folder, &entries).ok());
    QVERIFY(entries.empty());
}

void TestAwkwardFolders::shownFolderDisappears_data()
{
    QTest::addColumn<QString>("removed");  // below the temporary folder
    QTest::addColumn<QString>("fileNamed");  // made where a folder was, or empty
    QTest::addColumn<QString>("expected");  // the folder shown afterwards
    QTest::newRow("the folder shown") << "a/b/c"
                                      << ""
                                      << "a/b";
    QTest::newRow("two levels") << "a/b"
                                << ""
                                << "a";
    QTest::newRow("replaced by a file") << "a/b/c"
                                        << "a/b/c"
                                        << "a/b";
    QTest::newRow("parent replaced by a file") << "a"
                                               << "a"
                                               << ".";
}

void TestAwkwardFolders::shownFolderDisappears()
{
    QFETCH(QString, removed);
    QFETCH(QString, fileNamed);
    QFETCH(QString, expected);
    const QString shown = cwd_->file(QStringLiteral("a/b/c"));
    writePictures(shown, 3);
    writePictures(cwd_->file(QStringLiteral("a/b")), 5, "gif");
    writePictures(cwd_->file(QStringLiteral("a")), 7, "jpg");
    VuModule module(platform_->platform());
    auto main = startIn(shown, module);
    QCOMPARE(main->fileList().count(), 3);

    QVERIFY(QDir(cwd_->file(removed)).removeRecursively());
    if (!fileNamed.isEmpty())
        writeBytes(cwd_->file(fileNamed), "not a folder");
    main->Form_Activate();  // as when the user comes back to the window
    const QString want = expected == QStringLiteral(".") ? cwd_->path() : cwd_->file(expected);
    QCOMPARE(main->ui().DirList->path(), want);
    QCOMPARE(module.folder().curPath(), want);
    QCOMPARE(main->fileList().path(), want);
    const int count = expected == QStringLiteral("a/b") ? 5 : expected == QStringLiteral("a") ? 7 : 0;
    QCOMPARE(main->fileList().count(), count);
    QCOMPARE(main->panel(1), QStringLiteral("データ数：%1").arg(count));
    QVERIFY(main->Form_Unload().ok());
    QCOMPARE(readBytes(cwd_->file(SettingsFileName)).mid(6, 50).trimmed(), QFile::encodeName(want));
}

void TestAwkwardFolders::hugeFolderPages_data()
{
    QTest::addColumn<int>("pictures");
    QTest::newRow("32,767 pictures") << 32767;
    QTest::newRow("40,000 pictures") << 40000;
}

// Paging a huge folder: every page from the first to the 255th, where the 8-bit page number
// stops ("進む" draws page 255 again), then the information menu and the viewer on its last cell.
void TestAwkwardFolders::hugeFolderPages()
{
    QFETCH(int, pictures);
    const QString folder = cwd_->file(QStringLiteral("many"));
    linkPictures(folder, pictures, QStringLiteral("p"), "bmp");
    VuModule module(platform_->platform());
    auto main = startIn(folder, module);
    main->show();
    QVERIFY(QTest::qWaitForWindowExposed(main.get()));
    QCOMPARE(main->fileList().count(), 32767);
    const int pages = pageCount(32767);
    QCOMPARE(pages, 1093);
    auto entry = [](int k) { return QStringLiteral("p%1.bmp").arg(k, 5, 10, QLatin1Char('0')); };
    auto pageShows = [&](int page) {
        const int first = firstEntryOfPage(page);
        for (int cell : {0, 17, 29}) {
            if (main->ui().ImgName[cell]->text() != entry(first + cell) || !main->ui().Img[cell]->hasPicture())
                return false;
        }
        return main->panel(2) == pageLabel(page, 32767) && main->ui().PrgBar1->value() == 0;
    };

    QElapsedTimer timer;
    timer.start();
    main->OkBtn_Click(0);
    QCOMPARE(main->panel(2), QStringLiteral("ページ： 1/ 1093"));
    QVERIFY(pageShows(1));
    for (int page = 2; page <= 255; ++page) {
        main->pageForward();
        QCOMPARE(int(main->pageNo()), page);
        QVERIFY2(pageShows(page), qPrintable(QString::number(page)));
    }
    const qint64 paging = timer.elapsed();
    QCOMPARE(main->panel(2), QStringLiteral("ページ： 255/ 1093"));
    QCOMPARE(main->ui().ImgName[29]->text(), QStringLiteral("p07649.bmp"));
    main->pageForward();  // stays: the page number has no 256
    QCOMPARE(int(main->pageNo()), 255);
    QVERIFY(pageShows(255));
    main->pageBack();
    QCOMPARE(int(main->pageNo()), 254);
    QVERIFY(pageShows(254));
    main->pageForward();
    std::printf("huge folder: %d pictures, pages 1 to 255 of %d drawn in %.1f s\n", pictures, pages, paging / 1000.0);
    std::fflush(stdout);

    // The information menu on the last cell of page 255: entry 7649.
    const QStringList captions = menuCaptions([&] { main->img_MouseDown(29, Qt::RightButton, {}, QPoint(3, 3)); });
    QCOMPARE(module.SelPage, quint8(255));
    QCOMPARE(module.SelCell, quint8(29));
    QCOMPARE(captions.value(2), asMenuText(QStringLiteral("名称　p07649.bmp")));
    QVERIFY(captions.value(3).size() > 3);
    QCOMPARE(captions.value(4), QStringLiteral("属性　通常ﾌｧｲﾙ"));

    // The viewer on it.
    VuView view(module, main.get(), main->cellFile(module.SelCell));
    QVERIFY(view.loaded());
    QCOMPARE(view.windowTitle(), QStringLiteral("p07649.bmp"));
    QCOMPARE(view.file(), paths::join(folder, QStringLiteral("p07649.bmp")));
    QVERIFY(platform_->dialogs.asked.isEmpty());
}

void TestAwkwardFolders::pageOfVanishedFolder_data()
{
    // The folder shown goes while its page 2 (of 3) is on the screen; then the user acts.
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("page");  // the page shown afterwards
    QTest::addColumn<int>("brokenCells");  // cells with the broken mark; -1: the page left as it was
    QTest::addColumn<int>("questions");  // message boxes and choosers that came up
    QTest::addColumn<bool>("failed");  // the command's error number is set
    QTest::newRow("show button") << "show" << 1 << 30 << 0 << false;
    QTest::newRow("進む") << "forward" << 3 << 5 << 0 << false;
    QTest::newRow("戻る") << "back" << 1 << 30 << 0 << false;
    // A drop asks as usual, then says that the file is not found.
    QTest::newRow("copy drop") << "copy" << 2 << -1 << 3 << true;
    QTest::newRow("move drop") << "move" << 2 << -1 << 3 << true;
    QTest::newRow("delete drop") << "delete" << 2 << -1 << 2 << true;
    QTest::newRow("information menu") << "menu" << 2 << -1 << 0 << false;
    QTest::newRow("viewer") << "viewer" << 2 << -1 << 1 << false;
    QTest::newRow("back to the window, show") << "activate" << 1 << 0 << 0 << false;
}

// Each command on the page of a folder that has gone: pages draw broken marks, drops fail with
// their error number and a box that says so and change nothing, the menu names the file without date or attribute,
// the viewer says the file is not found; coming back to the window moves to the folder above.
void TestAwkwardFolders::pageOfVanishedFolder()
{
    QFETCH(QString, action);
    QFETCH(int, page);
    QFETCH(int, brokenCells);
    QFETCH(int, questions);
    QFETCH(bool, failed);
    const QString parent = cwd_->file(QStringLiteral("up"));
    const QString folder = parent + QStringLiteral("/gone");
    writePictures(folder, 65);
    writePictures(parent, 4, "gif", QStringLiteral("above"));
    const QString target = cwd_->file(QStringLiteral("target"));
    QDir().mkpath(target);
    VuModule module(platform_->platform());
    auto main = startIn(folder, module);
    main->show();
    QVERIFY(QTest::qWaitForWindowExposed(main.get()));
    main->OkBtn_Click(0);
    main->pageForward();
    QCOMPARE(int(main->pageNo()), 2);
    QVERIFY(QDir(folder).removeRecursively());

    const int cell = 4;  // shows entry 34
    ScriptedDialogs& dialogs = platform_->dialogs;
    QStringList captions;
    QElapsedTimer timer;
    timer.start();
    if (action == QStringLiteral("show")) {
        main->OkBtn_Click(0);
    } else if (action == QStringLiteral("forward")) {
        main->pageForward();
    } else if (action == QStringLiteral("back")) {
        main->pageBack();
    } else if (action == QStringLiteral("copy") || action == QStringLiteral("move")
        || action == QStringLiteral("delete")) {
        dialogs.answerMessage(MsgAnswer::Ok);
        dialogs.answerFolder(target);
        const int box = action == QStringLiteral("copy") ? CopyBox
            : action == QStringLiteral("move")           ? MoveBox
                                                         : DeleteBox;
        main->imgBox_DragDrop(box, main->ui().Img[cell], 5, 5);
        QCOMPARE(dialogs.asked.last().icon, MsgIcon::Error);
        QVERIFY(dialogs.asked.last().text.contains(QStringLiteral("ファイルが見つかりません")));
        QVERIFY(dialogs.asked.last().text.contains(paths::join(folder, QStringLiteral("img0034.bmp"))));
    } else if (action == QStringLiteral("menu")) {
        captions = menuCaptions([&] { main->img_MouseDown(cell, Qt::RightButton, {}, QPoint(3, 3)); });
        QCOMPARE(captions,
            QStringList({QStringLiteral("■□　画像を表示　□■"), QString(), QStringLiteral("名称　img0034.bmp"),
                QStringLiteral("日付　"), QStringLiteral("属性　")}));
    } else if (action == QStringLiteral("viewer")) {
        module.SelPage = 2;
        module.SelCell = quint8(cell);
        main->mnuPop1_Click();  // returns at once when nothing can be shown
        QVERIFY(main->findChildren<VuView*>().isEmpty());
        QCOMPARE(dialogs.asked.value(0).icon, MsgIcon::Error);
        QVERIFY(dialogs.asked.value(0).text.contains(QStringLiteral("ファイルが見つかりません")));
        QVERIFY(dialogs.asked.value(0).text.endsWith(paths::join(folder, QStringLiteral("img0034.bmp"))));
    } else if (action == QStringLiteral("activate")) {
        main->Form_Activate();
        QCOMPARE(main->ui().DirList->path(), parent);
        QCOMPARE(main->fileList().count(), 4);
        main->OkBtn_Click(0);
        QCOMPARE(main->ui().ImgName[3]->text(), QStringLiteral("above0003.gif"));
        QVERIFY(main->ui().Img[4]->isHidden());
    }
    QVERIFY2(timer.elapsed() < 60000, "no command hangs");

    QCOMPARE(int(main->pageNo()), page);
    QCOMPARE(int(dialogs.asked.size()), questions);
    QCOMPARE(main->errNo() != 0, failed);
    if (brokenCells >= 0) {
        int broken = 0;
        for (int i = 0; i < 30; ++i) {
            if (main->ui().Img[i]->isHidden())
                continue;
            QVERIFY(!main->ui().ImgName[i]->isHidden() && !main->ui().ImgName[i]->text().isEmpty());
            if (!main->ui().Img[i]->hasPicture()) {
                QCOMPARE(main->ui().Img[i]->emptyText(), QStringLiteral("読込不可"));
                ++broken;
            }
        }
        QCOMPARE(broken, brokenCells);
        QCOMPARE(main->panel(2), pageLabel(page, main->fileList().count()));
    } else {
        // The page stays as it was drawn before the folder went.
        QCOMPARE(main->ui().ImgName[cell]->text(), QStringLiteral("img0034.bmp"));
        QVERIFY(main->ui().Img[cell]->hasPicture());
        QCOMPARE(main->panel(2), QStringLiteral("ページ： 2/ 3"));
    }
    QVERIFY(QDir(target).isEmpty());
    QVERIFY(!QFile::exists(folder));
    QVERIFY(main->Form_Unload().ok());
}

QTEST_MAIN(TestAwkwardFolders)
#include "tst_awkwardfolders.moc"
