// The thumbnail pages, the show and type buttons, paging, the choosers and the commands of the
// main window.
#include "browser/pages.h"
#include "browser/vumain.h"
#include "platform/testing/doubles.h"
#include "support/mainfixture.h"
#include "support/testsupport.h"
#include "widgets/thumbnailer.h"

#include <QBuffer>
#include <QDateTime>
#include <QTest>
#include <QWaitCondition>

#include <atomic>

using namespace vu;
using namespace vu::testing;

class TestBrowser : public QObject {
    Q_OBJECT
private slots:
    void init() { f_.setUp(); }
    void cleanup() { f_.tearDown(); }

    void showButtonDrawsFirstPage();
    void showButtonWithNoFilesChangesNothing();
    void typeButtonsKeepTheGridAndFollowFolders();
    void paging_data();
    void paging();
    void pageNumberStopsAt255();
    void pagePastTheEndDrawsNothing();
    void damagedPicturesDoNotHideTheRest();
    void thumbnailsAreOrientedAndFirstFrames();
    void pagesShareTheDesktopsThumbnailCache();
    void changedPicturesAreNeverShownWithTheirOldThumbnails();
    void unreadablePicturesAreNotReadOnEveryVisit();
    void cacheEntriesAreWrittenAfterThePage_data();
    void cacheEntriesAreWrittenAfterThePage();
    void cellFileNamesTheDrawnFolder();
    void fileDialog();
    void folderChooser_data();
    void folderChooser();
    void desktopFoldersLieInHome();
    void toolbarDispatchesByKey();
    void developerSite();

private:
    QString folder(const QString& name) const { return f_.folder(name); }
    // Builds the main window with the stored folder `start`.
    VuMain& open(const QString& start) { return f_.open(start); }
    static QList<int> shownCells(const VuMain& m)
    {
        QList<int> cells;
        for (int i = 0; i < 30; ++i) {
            if (!m.ui().Img[i]->isHidden())
                cells << i;
        }
        return cells;
    }
    QAction* tool(const char* key) const { return f_.main->toolButton(QString::fromUtf8(key)); }

    MainFixture f_;
};

void TestBrowser::showButtonDrawsFirstPage()
{
    writePictures(folder(QStringLiteral("pics")), 12, "bmp", QStringLiteral("b"));
    VuMain& m = open(folder(QStringLiteral("pics")));
    m.setPageNo(4);
    m.OkBtn_Click(0);
    QCOMPARE(m.pageNo(), quint8(1));
    QCOMPARE(m.panel(1), QStringLiteral("データ数：12"));
    QCOMPARE(m.panel(2), QStringLiteral("ページ： 1/ 1"));
    QCOMPARE(m.panel(4), QStringLiteral("表示ﾌｫﾙﾀﾞ：") + folder(QStringLiteral("pics")));
    QCOMPARE(shownCells(m).size(), 12);
    for (int i = 0; i < 12; ++i) {
        QVERIFY(m.ui().Img[i]->hasPicture());
        QCOMPARE(m.ui().ImgName[i]->text(), QStringLiteral("b%1.bmp").arg(i, 4, 10, QLatin1Char('0')));
        QCOMPARE(m.pageFile(i), m.ui().ImgName[i]->text());
        QVERIFY(!m.ui().ImgName[i]->isHidden());
    }
    QVERIFY(m.ui().ImgName[12]->isHidden());
    QCOMPARE(m.ui().PrgBar1->value(), 0);
    // Only pictures of the cell size are kept.
    QCOMPARE(m.ui().Img[0]->picture().size(), m.ui().Img[0]->size() * m.devicePixelRatioF());
}

void TestBrowser::showButtonWithNoFilesChangesNothing()
{
    writePictures(folder(QStringLiteral("pics")), 3);
    QDir().mkpath(folder(QStringLiteral("pics/empty")));
    VuMain& m = open(folder(QStringLiteral("pics")));
    m.OkBtn_Click(0);
    QVERIFY(m.ui().DirList->setPath(folder(QStringLiteral("pics/empty"))).ok());
    // A right click leaves the current folder with a final separator; a show button that finds
    // nothing to show leaves it as it is, rather than taking the folder list's path.
    f_.module->folder().takeStored(folder(QStringLiteral("pics/empty/")));
    const QString curPath = f_.module->folder().curPath();
    m.setPageNo(1);
    m.OkBtn_Click(0);
    QCOMPARE(shownCells(m), QList<int>({0, 1, 2}));
    QCOMPARE(m.panel(2), QStringLiteral("ページ： 1/ 1"));
    QCOMPARE(m.panel(4), QStringLiteral("表示ﾌｫﾙﾀﾞ：") + folder(QStringLiteral("pics")));
    QCOMPARE(f_.module->folder().curPath(), curPath);
}

void TestBrowser::typeButtonsKeepTheGridAndFollowFolders()
{
    writePictures(folder(QStringLiteral("a")), 5, "bmp");
    writePictures(folder(QStringLiteral("a")), 2, "jpg", QStringLiteral("j"));
    writePictures(folder(QStringLiteral("b")), 4, "jpg", QStringLiteral("k"));
    VuMain& m = open(folder(QStringLiteral("a")));
    QCOMPARE(m.panel(1), QStringLiteral("データ数：7"));
    m.OkBtn_Click(0);
    m.OkBtn_Click(4);  // gif: none here
    QCOMPARE(m.panel(1), QStringLiteral("データ数：0"));
    QCOMPARE(m.panel(3), QStringLiteral("画像形式：GIF"));
    QCOMPARE(shownCells(m).size(), 7);
    m.OkBtn_Click(0);
    QCOMPARE(shownCells(m).size(), 7);
    m.OkBtn_Click(3);  // jpg
    QCOMPARE(m.panel(1), QStringLiteral("データ数：2"));
    QCOMPARE(m.fileList().pattern(), QStringLiteral("*.jpg"));
    QVERIFY(m.ui().DirList->setPath(folder(QStringLiteral("b"))).ok());
    QCOMPARE(m.panel(1), QStringLiteral("データ数：4"));
    QCOMPARE(m.panel(3), QStringLiteral("画像形式：JPG"));
    QCOMPARE(m.panel(2), QStringLiteral("ページ： 1/ 1"));  // untouched until the show button
    m.OkBtn_Click(1);
    QCOMPARE(m.panel(1), QStringLiteral("データ数：4"));
    QCOMPARE(m.panel(3), QStringLiteral("画像形式：ALL"));
}

void TestBrowser::paging_data()
{
    QTest::addColumn<int>("files");
    QTest::addColumn<int>("startPage");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("cells");
    QTest::addColumn<QString>("label");
    QTest::newRow("31: forward") << 31 << 1 << "F" << 2 << 1 << "ページ： 2/ 2";
    QTest::newRow("31: forward twice") << 31 << 1 << "FF" << 2 << 1 << "ページ： 2/ 2";
    QTest::newRow("31: forward, back") << 31 << 1 << "FB" << 1 << 30 << "ページ： 1/ 2";
    QTest::newRow("31: back on page 1") << 31 << 1 << "B" << 1 << 30 << "ページ： 1/ 1";
    QTest::newRow("60 on page 2: forward") << 60 << 2 << "F" << 2 << 30 << "ページ： 2/ 2";
    QTest::newRow("300: to the end") << 300 << 1 << "FFFFFFFFFFF" << 10 << 30 << "ページ： 10/ 10";
    QTest::newRow("0 files") << 0 << 1 << "FB" << 1 << 0 << "ページ：";
}

void TestBrowser::paging()
{
    QFETCH(int, files);
    QFETCH(int, startPage);
    QFETCH(QString, keys);
    QFETCH(int, page);
    QFETCH(int, cells);
    QFETCH(QString, label);
    writePictures(folder(QStringLiteral("p")), files, "bmp", QStringLiteral("p"), QSize(4, 3));
    QDir().mkpath(folder(QStringLiteral("p")));
    VuMain& m = open(folder(QStringLiteral("p")));
    m.OkBtn_Click(0);
    if (startPage > 1) {
        m.setPageNo(quint8(startPage));
        m.ImgClr();
        m.imgDsp();
        m.setPanel(2, pageLabel(startPage, files));
    }
    if (startPage == 1 && keys.startsWith(u'B') && files > 0)
        m.setPanel(2, QStringLiteral("ページ： 1/ 1"));  // a marker: back on page 1 must not write it
    for (QChar k : keys)
        m.tbToolBar_ButtonClick(tool(k == u'F' ? "進む" : "戻る"));
    QCOMPARE(int(m.pageNo()), page);
    QCOMPARE(shownCells(m).size(), cells);
    QCOMPARE(m.panel(2), label);
    QCOMPARE(m.ui().PrgBar1->value(), 0);
    if (cells > 0)
        QCOMPARE(m.ui().ImgName[0]->text(), QStringLiteral("p%1.bmp").arg((page - 1) * 30, 4, 10, QLatin1Char('0')));
}

void TestBrowser::pageNumberStopsAt255()
{
    writePictures(folder(QStringLiteral("many")), 8000, "bmp", QStringLiteral("m"), QSize(2, 2));
    VuMain& m = open(folder(QStringLiteral("many")));
    m.OkBtn_Click(0);
    m.setPageNo(254);
    m.tbToolBar_ButtonClick(tool("進む"));
    QCOMPARE(m.pageNo(), quint8(255));
    QCOMPARE(m.panel(2), QStringLiteral("ページ： 255/ 267"));
    QCOMPARE(m.ui().ImgName[0]->text(), QStringLiteral("m7620.bmp"));
    m.ui().ImgName[0]->clear();
    m.tbToolBar_ButtonClick(tool("進む"));
    QCOMPARE(m.pageNo(), quint8(255));
    QCOMPARE(m.panel(2), QStringLiteral("ページ： 255/ 267"));
    QCOMPARE(m.ui().ImgName[0]->text(), QStringLiteral("m7620.bmp"));  // drawn again
}

void TestBrowser::pagePastTheEndDrawsNothing()
{
    writePictures(folder(QStringLiteral("p")), 60);
    VuMain& m = open(folder(QStringLiteral("p")));
    m.OkBtn_Click(0);
    m.setPanel(4, QString());
    m.setPageNo(3);
    m.ImgClr();
    m.imgDsp();
    QVERIFY(shownCells(m).isEmpty());
    QCOMPARE(m.panel(4), QStringLiteral("表示ﾌｫﾙﾀﾞ：") + folder(QStringLiteral("p")));
    QCOMPARE(m.ui().PrgBar1->value(), 0);
}

void TestBrowser::damagedPicturesDoNotHideTheRest()
{
    const QString p = folder(QStringLiteral("d"));
    writePictures(p, 5, "jpg", QStringLiteral("f"), QSize(64, 48));
    writeBytes(p + QStringLiteral("/f0003.jpg"), readBytes(p + QStringLiteral("/f0000.jpg")).left(20));  // cut short
    writeBytes(p + QStringLiteral("/f0004.jpg"), "not a picture at all");
    // A header that claims a picture far too large to decode whole.
    QByteArray bomb = readBytes(dataFile(QStringLiteral("bmp-suite/good/rgb24.bmp")));
    bomb[18] = char(0x60);
    bomb[19] = char(0xEA);
    bomb[22] = char(0x60);
    bomb[23] = char(0xEA);  // 60000 x 60000
    writeBytes(p + QStringLiteral("/f0005.bmp"), bomb);
    VuMain& m = open(p);
    m.OkBtn_Click(0);
    QCOMPARE(shownCells(m), QList<int>({0, 1, 2, 3, 4, 5}));
    for (int i : {0, 1, 2})
        QVERIFY(m.ui().Img[i]->hasPicture());
    for (int i : {3, 4, 5}) {
        QVERIFY2(!m.ui().Img[i]->hasPicture(), qPrintable(m.ui().ImgName[i]->text()));
        QVERIFY(!m.ui().ImgName[i]->isHidden());
    }
    QCOMPARE(m.ui().ImgName[5]->text(), QStringLiteral("f0005.bmp"));
    QCOMPARE(m.panel(2), QStringLiteral("ページ： 1/ 1"));
    QCOMPARE(m.ui().PrgBar1->value(), 0);
}

void TestBrowser::thumbnailsAreOrientedAndFirstFrames()
{
    const QString p = folder(QStringLiteral("o"));
    QDir().mkpath(p);
    // A landscape picture, left half red, stored with "rotate 90 degrees clockwise" in EXIF:
    // shown upright it is portrait with red on top.
    QImage wide(80, 40, QImage::Format_RGB32);
    wide.fill(Qt::blue);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x)
            wide.setPixel(x, y, qRgb(255, 0, 0));
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QVERIFY(wide.save(&buffer, "jpg", 95));
    writeBytes(p + QStringLiteral("/a.jpg"), withExifOrientation(buffer.data(), 6));
    QImage green(20, 20, QImage::Format_RGB32), red(20, 20, QImage::Format_RGB32);
    green.fill(Qt::green);
    red.fill(Qt::red);
    writeBytes(p + QStringLiteral("/b.gif"), encodeGif({green, red}));
    VuMain& m = open(p);
    m.OkBtn_Click(0);
    const QImage a = m.ui().Img[0]->picture();
    QVERIFY(qRed(a.pixel(a.width() / 2, 2)) > 200 && qBlue(a.pixel(a.width() / 2, 2)) < 60);
    QVERIFY(qBlue(a.pixel(a.width() / 2, a.height() - 3)) > 200);
    const QImage b = m.ui().Img[1]->picture();
    QVERIFY(qGreen(b.pixel(5, 5)) > 200 && qRed(b.pixel(5, 5)) < 60);
}

// Dates a file an hour back, as pictures on a disk are.
static void age(const QString& path)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadWrite));
    QVERIFY(f.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime));
}

// The first visit decodes each picture at the cell's size in device pixels and leaves its
// thumbnail in the shared cache (normal entries at the usual density, large ones at twice it);
// the next visit decodes nothing.
void TestBrowser::pagesShareTheDesktopsThumbnailCache()
{
    const QString p = folder(QStringLiteral("photos"));
    QStringList files;
    for (const QString& name : writePictures(p, 4, "jpg", QStringLiteral("p"), QSize(400, 300))) {
        files << p + u'/' + name;
        age(files.last());
    }
    VuMain& m = open(p);
    m.OkBtn_Click(0);
    QCOMPARE(f_.platform->pictures.loads(), 4);
    const QSize cell = (QSizeF(m.ui().Img[0]->size()) * m.devicePixelRatioF()).toSize();
    FreedesktopThumbnails& cache = f_.platform->thumbnails;
    for (const QString& f : files) {
        const QString entry = cache.entryPath(fileUri(f), thumbnailSide(cell));
        QTRY_VERIFY2(QFile::exists(entry), qPrintable(entry));  // written after the page
        QVERIFY(entry.contains(m.devicePixelRatioF() > 1 ? QStringLiteral("/large/") : QStringLiteral("/normal/")));
    }
    m.pageForward();
    m.OkBtn_Click(0);
    QCOMPARE(f_.platform->pictures.loads(), 4);
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(m.ui().Img[i]->picture().size(), cell);  // sharp: one picture pixel per device pixel
        QVERIFY(qRed(m.ui().Img[i]->picture().pixel(cell.width() / 8, cell.height() / 8)) > 150);
    }
}

// A picture rewritten since its thumbnail was made, even within the same second and to the same
// size, is decoded again and shown as it is now.
void TestBrowser::changedPicturesAreNeverShownWithTheirOldThumbnails()
{
    const QString p = folder(QStringLiteral("c"));
    QDir().mkpath(p);
    const QString f = writePicture(p + QStringLiteral("/a.bmp"), QSize(64, 48), "bmp", QColor(220, 30, 30));
    age(f);
    VuMain& m = open(p);
    auto colour = [&] {
        m.OkBtn_Click(0);
        const QImage shown = m.ui().Img[0]->picture();
        return shown.pixelColor(shown.width() / 8, shown.height() / 8);
    };
    QVERIFY(colour().red() > 150);
    const QSize cell = (QSizeF(m.ui().Img[0]->size()) * m.devicePixelRatioF()).toSize();
    QTRY_VERIFY(QFile::exists(f_.platform->thumbnails.entryPath(fileUri(f), thumbnailSide(cell))));
    for (const QColor now : {QColor(30, 40, 220), QColor(30, 200, 40), QColor(220, 30, 30)}) {
        const qint64 size = QFileInfo(f).size();
        writePicture(f, QSize(64, 48), "bmp", now);  // the same size, at once
        QCOMPARE(QFileInfo(f).size(), size);
        const QColor shown = colour();
        QVERIFY2(qAbs(shown.red() - now.red()) < 60 && qAbs(shown.blue() - now.blue()) < 60, qPrintable(shown.name()));
    }
}

// A picture that could not be read is noted in the cache's failures and not read again on the
// next visit; once it is replaced by a readable picture, it shows.
void TestBrowser::unreadablePicturesAreNotReadOnEveryVisit()
{
    const QString p = folder(QStringLiteral("u"));
    QDir().mkpath(p);
    const QString f = p + QStringLiteral("/broken.jpg");
    writeBytes(f, "not a picture at all");
    age(f);
    VuMain& m = open(p);
    m.OkBtn_Click(0);
    QCOMPARE(m.ui().Img[0]->emptyText(), QStringLiteral("読込不可"));
    QTRY_VERIFY(QFile::exists(f_.platform->thumbnails.failurePath(fileUri(f))));
    const int loads = f_.platform->pictures.loads();
    m.OkBtn_Click(0);
    QCOMPARE(f_.platform->pictures.loads(), loads);
    QCOMPARE(m.ui().Img[0]->emptyText(), QStringLiteral("読込不可"));
    QVERIFY(!m.ui().Img[0]->hasPicture());
    writePicture(f, QSize(64, 48), "jpg");
    m.OkBtn_Click(0);
    QVERIFY(m.ui().Img[0]->hasPicture());
}

namespace {

// The real cache, counting what is written to it; writes wait while held.
class WatchedCache final : public ThumbnailCache {
public:
    explicit WatchedCache(ThumbnailCache& real)
        : real_(real)
    {
    }
    ThumbnailKey keyOf(const QString& file) override { return real_.keyOf(file); }
    QImage find(const ThumbnailKey& key, int side) override { return real_.find(key, side); }
    QImage largest(const ThumbnailKey& key) override { return real_.largest(key); }
    bool failedBefore(const ThumbnailKey& key) override { return real_.failedBefore(key); }
    bool store(const ThumbnailKey& key, int side, const QImage& thumbnail, QSize natural) override
    {
        pass();
        return real_.store(key, side, thumbnail, natural);
    }
    bool storeFailure(const ThumbnailKey& key) override
    {
        pass();
        return real_.storeFailure(key);
    }
    void hold(bool on)
    {
        QMutexLocker lock(&mutex_);
        held_ = on;
        released_.wakeAll();
    }
    std::atomic<int> written{0};

private:
    void pass()
    {
        QMutexLocker lock(&mutex_);
        while (held_)
            released_.wait(&mutex_);
        ++written;
    }
    ThumbnailCache& real_;
    QMutex mutex_;
    QWaitCondition released_;
    bool held_ = false;
};

}  // namespace

void TestBrowser::cacheEntriesAreWrittenAfterThePage_data()
{
    QTest::addColumn<bool>("wholePage");
    QTest::addColumn<bool>("fresh");  // the files changed just now
    QTest::newRow("the page's last picture taken") << true << false;
    QTest::newRow("page left half drawn, window closed") << false << false;
    QTest::newRow("files changed just now: nothing kept") << true << true;
}

// No cache entry is written while a page fills: the entries of what was decoded (and the note of
// a file that cannot be read) are written once the last picture is taken, or when the window
// closes on a page left half drawn; each once. Until they are written, the next page finds
// them without decoding again. A file changed in the last seconds gets no entry, not even in
// memory.
void TestBrowser::cacheEntriesAreWrittenAfterThePage()
{
    QFETCH(bool, wholePage);
    QFETCH(bool, fresh);
    const QString p = folder(QStringLiteral("w"));
    QStringList paths;
    for (const QString& name : writePictures(p, 3, "jpg", QStringLiteral("p"), QSize(400, 300)))
        paths << p + u'/' + name;
    paths << p + QStringLiteral("/broken.jpg");
    writeBytes(paths.last(), "not a picture");
    for (const QString& path : paths) {
        if (!fresh)
            age(path);
    }
    const int entries = fresh ? 0 : int(paths.size());
    WatchedCache cache(f_.platform->thumbnails);
    FaultyPictures& pictures = f_.platform->pictures;
    const QSize box(120, 90);
    {
        Thumbnailer thumbnailer(pictures, cache);
        thumbnailer.start(paths, box);
        for (int i = 0; i + 1 < paths.size(); ++i)
            QVERIFY(thumbnailer.take(i).ok());
        QCOMPARE(cache.written.load(), 0);
        if (wholePage) {
            cache.hold(true);
            QVERIFY(!thumbnailer.take(paths.size() - 1).ok());
            const int loads = pictures.loads();
            thumbnailer.start(paths, box);
            for (int i = 0; i < paths.size(); ++i)
                QCOMPARE(thumbnailer.take(i).ok(), i + 1 < paths.size());
            QCOMPARE(pictures.loads(), loads + int(paths.size()) - entries);
            cache.hold(false);
            QTRY_COMPARE(cache.written.load(), entries);
        }
    }
    QCOMPARE(cache.written.load(), entries);
    FreedesktopThumbnails& disk = f_.platform->thumbnails;
    for (const QString& path : paths.mid(0, 3))
        QCOMPARE(disk.find(disk.keyOf(path), 128).isNull(), fresh);
    QCOMPARE(disk.failedBefore(disk.keyOf(paths.last())), !fresh);
}

void TestBrowser::cellFileNamesTheDrawnFolder()
{
    writePictures(folder(QStringLiteral("one")), 3, "bmp", QStringLiteral("x"));
    writePictures(folder(QStringLiteral("two")), 5, "bmp", QStringLiteral("y"));
    VuMain& m = open(folder(QStringLiteral("one")));
    m.OkBtn_Click(0);
    QVERIFY(m.ui().DirList->setPath(folder(QStringLiteral("two"))).ok());
    QCOMPARE(f_.module->folder().curPath(), folder(QStringLiteral("two")));
    QCOMPARE(m.cellFile(1), folder(QStringLiteral("one/x0001.bmp")));
    QCOMPARE(m.cellFile(3), QString());
}

void TestBrowser::fileDialog()
{
    const QString images = folder(QStringLiteral("Images"));
    writePictures(images + QStringLiteral("/Sub"), 2, "gif", QStringLiteral("a"));
    VuMain& m = open(images);
    f_.platform->dialogs.answerFile(images + QStringLiteral("/Sub/a0001.gif"));
    QCOMPARE(m.DialgDsp().error, 0);
    QCOMPARE(f_.module->folder().chosenFile(), images + QStringLiteral("/Sub/a0001.gif"));
    QCOMPARE(f_.module->folder().curPath(), images + QStringLiteral("/Sub/"));
    // The lists stay where they are.
    QCOMPARE(m.ui().DirList->path(), images);
    QCOMPARE(m.fileList().path(), images);
    QCOMPARE(m.panel(1), QStringLiteral("データ数：0"));
    const auto& q = f_.platform->dialogs.asked.last();
    QCOMPARE(q.title, QStringLiteral("ファイルを指定してください"));
    QCOMPARE(q.folder, images);
    QCOMPARE(q.filters.size(), 5);
    QCOMPARE(q.selected, 0);
    QCOMPARE(q.owner, &m);

    f_.platform->dialogs.answerFile(std::nullopt);  // cancelled
    QVERIFY(m.DialgDsp().error != 0);
    QCOMPARE(f_.module->folder().chosenFile(), images + QStringLiteral("/Sub/a0001.gif"));
    QCOMPARE(f_.module->folder().curPath(), images + QStringLiteral("/Sub/"));
}

void TestBrowser::folderChooser_data()
{
    // Where the chooser starts: "/" for the drives, else the user's folder (FakePlaces' names).
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("start");
    QTest::newRow("13: the drives") << 13 << QStringLiteral("/");
    QTest::newRow("1: the drives") << 1 << QStringLiteral("/");
    QTest::newRow("40: the drives") << 40 << QStringLiteral("/");
    QTest::newRow("-3: the drives") << -3 << QStringLiteral("/");
    QTest::newRow("0: the desktop") << 0 << QStringLiteral("/home/tester/Desktop");
    QTest::newRow("5: documents") << 5 << QStringLiteral("/home/tester/Documents");
    QTest::newRow("6: favourites, the home folder") << 6 << QStringLiteral("/home/tester");
    QTest::newRow("12: the desktop folder") << 12 << QStringLiteral("/home/tester/Desktop");
    QTest::newRow("17: templates") << 17 << QStringLiteral("/home/tester/Templates");
}

void TestBrowser::folderChooser()
{
    QFETCH(int, kind);
    QFETCH(QString, start);
    QWidget owner;
    f_.platform->dialogs.answerFolder(QStringLiteral("/srv/Photos"));
    QCOMPARE(f_.module->FolderDsp(&owner, kind), QStringLiteral("/srv/Photos"));
    const auto& q = f_.platform->dialogs.asked.last();
    QCOMPARE(q.kind, ScriptedDialogs::Question::Folder);
    QCOMPARE(q.title, QStringLiteral("フォルダを選択してください"));
    QCOMPARE(q.owner, &owner);
    QCOMPARE(q.folder, start);
    QCOMPARE(f_.module->FolderDsp(&owner, kind), QString());  // cancelled
}

void TestBrowser::desktopFoldersLieInHome()
{
    // Where the chooser starts on the real desktop: a folder in the home folder, or the home
    // folder itself where the desktop has no such folder.
    const DesktopPlaces places;
    for (Place p : {Place::Home, Place::Desktop, Place::Documents})
        QVERIFY(places.folder(p).startsWith(QDir::homePath()));
}

void TestBrowser::toolbarDispatchesByKey()
{
    writePictures(folder(QStringLiteral("p")), 40);
    VuMain& m = open(folder(QStringLiteral("p")));
    m.OkBtn_Click(0);
    int props = 0, slides = 0, batches = 0;
    // Count the commands instead of opening their windows.
    for (QAction* a : {m.ui().mnuPropProp, m.ui().mnuRunSlide, m.ui().mnuRunConv})
        disconnect(a, &QAction::triggered, &m, nullptr);
    connect(m.ui().mnuPropProp, &QAction::triggered, this, [&] { ++props; });
    connect(m.ui().mnuRunSlide, &QAction::triggered, this, [&] { ++slides; });
    connect(m.ui().mnuRunConv, &QAction::triggered, this, [&] { ++batches; });
    for (QAction* a : {m.ui().mnuPropProp, m.ui().mnuRunSlide, m.ui().mnuRunConv})
        a->setEnabled(true);
    m.tbToolBar_ButtonClick(tool("環境設定"));
    m.tbToolBar_ButtonClick(tool("ｽﾗｲﾄﾞｼｮｰ"));
    m.tbToolBar_ButtonClick(tool("一括変換"));
    QCOMPARE(QList<int>({props, slides, batches}), QList<int>({1, 1, 1}));
    // A disabled command is skipped, like any step that cannot run.
    m.ui().mnuRunConv->setEnabled(false);
    QVERIFY(!tool("一括変換")->isEnabled());
    m.tbToolBar_ButtonClick(tool("一括変換"));
    QCOMPARE(batches, 1);
    // Help does nothing at all.
    m.tbToolBar_ButtonClick(tool("ﾍﾙﾌﾟ"));
    QCOMPARE(m.pageNo(), quint8(1));
    QVERIFY(f_.platform->dialogs.asked.isEmpty());
    QVERIFY(f_.platform->urls.opened.isEmpty());
    // The key decides, not the position.
    QAction stray(QStringLiteral("進む"));
    stray.setData(QStringLiteral("戻る"));
    m.tbToolBar_ButtonClick(tool("進む"));
    QCOMPARE(m.pageNo(), quint8(2));
    m.tbToolBar_ButtonClick(&stray);
    QCOMPARE(m.pageNo(), quint8(1));
}

void TestBrowser::developerSite()
{
    // Built without a web address, the command opens the user guide installed with the program.
    const QString guide = folder(QStringLiteral("doc/guide.html"));
    writeBytes(guide, "<html></html>");
    f_.module->guideFile = guide;
    VuMain& m = open(QStringLiteral("/"));
    m.ui().mnuHelpUrl->trigger();
    QCOMPARE(f_.platform->urls.opened.size(), 1);
    const QUrl opened = f_.platform->urls.opened.first();
    if (QStringLiteral(VUTARA_HOMEPAGE).isEmpty())
        QCOMPARE(opened, QUrl::fromLocalFile(guide));
    else
        QCOMPARE(opened, QUrl(QStringLiteral(VUTARA_HOMEPAGE)));
    QVERIFY(opened.isValid() && !opened.host().endsWith(QStringLiteral("example.org")));
    QVERIFY(f_.platform->dialogs.asked.isEmpty());
    f_.platform->urls.result = false;
    m.ui().mnuHelpUrl->trigger();
    QCOMPARE(f_.platform->dialogs.asked.size(), 1);
    QCOMPARE(f_.platform->dialogs.asked.first().icon, MsgIcon::Error);
    QVERIFY(f_.platform->dialogs.asked.first().text.contains(QStringLiteral("ブラウザ")));
    // Without the guide there is nothing to open: a box says so.
    if (QStringLiteral(VUTARA_HOMEPAGE).isEmpty()) {
        f_.module->guideFile.clear();
        m.ui().mnuHelpUrl->trigger();
        QCOMPARE(f_.platform->urls.opened.size(), 2);
        QCOMPARE(f_.platform->dialogs.asked.size(), 2);
        QVERIFY(f_.platform->dialogs.asked.last().text.contains(QStringLiteral("guide.html")));
    }
}

QTEST_MAIN(TestBrowser)
#include "tst_browser.moc"
