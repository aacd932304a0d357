// The slide show: its display time, its pace on a hand-driven timer, the pictures it passes
// over, where it puts them, how it ends, and the main window's command that starts it.
#include "browser/vumain.h"
#include "platform/paths.h"
#include "platform/testing/doubles.h"
#include "platform/twips.h"
#include "shell/imagetypes.h"
#include "slideshow/sliderules.h"
#include "slideshow/vuslide.h"
#include "support/testsupport.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QPointer>
#include <QSemaphore>
#include <QTest>

using namespace vu;
using namespace vu::testing;

namespace {

// A list of texts written as plain literals.
QStringList L(std::initializer_list<const char*> items)
{
    QStringList out;
    for (const char* i : items)
        out << QString::fromUtf8(i);
    return out;
}

const QString Black = QStringLiteral("-");  // nothing shown yet
const QString Ended = QStringLiteral("END");

// A picture service whose loads wait until the test lets them through, to hold a decode in
// the middle of a tick.
class GatedPictures final : public Pictures {
public:
    QSemaphore gate;
    std::optional<QSize> naturalSize(const QString& path) override { return real_.naturalSize(path); }
    PictureResult load(const QString& path) override
    {
        gate.acquire();
        return real_.load(path);
    }
    PictureResult loadScaled(const QString& path, QSize box) override { return real_.loadScaled(path, box); }
    PictureResult loadFitted(const QString& path, QSize bound) override { return real_.loadFitted(path, bound); }
    PictureResult loadFirstView(const QString& path, const QImage& thumbnail) override
    {
        return real_.loadFirstView(path, thumbnail);
    }

private:
    QtPictures real_;
};

// Writes one file of the show's folder: "x.jpg" a picture of that type, "bad:x.jpg" a file of
// that name that is no picture.
void writeEntry(const QString& folder, const QString& entry, QSize size = QSize(40, 30))
{
    if (entry.startsWith(QStringLiteral("bad:"))) {
        writeBytes(folder + u'/' + entry.mid(4), QByteArrayLiteral("\xFF\xD8\xFF\xE0 this is not a picture"));
        return;
    }
    const QString ext = entry.section(u'.', -1).toLower();
    const QByteArray format
        = ext == QStringLiteral("png") || ext == QStringLiteral("txt") ? QByteArray("png") : ext.toLatin1();
    if (ext == QStringLiteral("txt"))
        writeBytes(folder + u'/' + entry, "text");
    else
        writePicture(folder + u'/' + entry, size, format.constData());
}

}  // namespace

class TestVuSlide : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        cwd_ = std::make_unique<TempCwd>();
        platform_ = std::make_unique<TestPlatform>();
        folder_ = cwd_->file(QStringLiteral("show"));
        QDir().mkpath(folder_);
    }
    void cleanup()
    {
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        platform_.reset();
        cwd_.reset();
    }

    // rules
    void interval_data();
    void interval();
    void position_data();
    void position();
    void nextSlide_data();
    void nextSlide();
    void nameFamily_data();
    void nameFamily();

    // the window
    void timeline_data();
    void timeline();
    void showStopsAfter256Pictures_data();
    void showStopsAfter256Pictures();
    void decodesAhead_data();
    void decodesAhead();
    void latePictureGetsWholeInterval();
    void clickDuringDecodeEnds();
    void pictureIsCentred_data();
    void pictureIsCentred();
    void clicksAndKeys_data();
    void clicksAndKeys();
    void window();

    // the main window's command
    void commandCancelled();
    void commandPlaysChosenFolder();

private:
    void writeSettingsChar(char seconds)
    {
        SettingsRec rec;
        rec.set(SettingsRec::PathName, cwd_->path());
        rec.set(SettingsRec::SlideSec, QString(QChar::fromLatin1(seconds)));
        writeBytes(cwd_->file(SettingsFileName), rec.toBytes());
    }
    // Starts a show of folder_ on a hand-driven timer; owner_ plays the hidden main window.
    QPointer<VuSlide> start(VuModule& module, bool decodeAhead, ManualSlideTimer** timer)
    {
        *timer = new ManualSlideTimer;
        module.folder().takeStored(folder_ + u'/');
        owner_.hide();
        return new VuSlide(module, &owner_, {*timer, decodeAhead});
    }
    // A module whose picture loads wait for the test to let them through.
    std::unique_ptr<VuModule> gatedModule(GatedPictures& gated)
    {
        Platform p = platform_->platform();
        p.pictures = &gated;
        return std::make_unique<VuModule>(p);
    }
    // What the screen shows once every decode under way has finished.
    QString screen(const QPointer<VuSlide>& slide)
    {
        if (!QTest::qWaitFor([&] { return !slide || !slide->busy(); }, 10000))
            return QStringLiteral("still decoding");
        if (owner_.isVisible())
            return Ended;
        if (!slide)
            return QStringLiteral("gone without bringing the main window back");
        return slide->ui().imgScr->hasPicture() ? slide->ui().Label1->text() : Black;
    }
    // Lets `seconds` seconds pass one by one and notes the screen after each.
    QStringList play(const QPointer<VuSlide>& slide, ManualSlideTimer* timer, int seconds)
    {
        QStringList seen;
        for (int s = 0; s < seconds; ++s) {
            if (slide && !owner_.isVisible())
                timer->advance(1000);
            seen << screen(slide);
        }
        return seen;
    }

    std::unique_ptr<TempCwd> cwd_;
    std::unique_ptr<TestPlatform> platform_;
    QString folder_;
    QWidget owner_;
};

// ---- rules ----

void TestVuSlide::interval_data()
{
    QTest::addColumn<char>("stored");
    QTest::addColumn<bool>("readable");
    QTest::addColumn<int>("ms");
    QTest::newRow("digit 5") << '5' << true << 5000;
    QTest::newRow("digit 9") << '9' << true << 9000;
    QTest::newRow("digit 1") << '1' << true << 1000;
    QTest::newRow("digit 0") << '0' << true << 0;
    QTest::newRow("blank") << ' ' << true << 0;
    QTest::newRow("letter") << 'a' << true << 0;
    QTest::newRow("zero byte") << '\0' << true << 0;
    QTest::newRow("minus sign") << '-' << true << 0;
    QTest::newRow("unreadable settings") << '7' << false << FallbackSlideSeconds * 1000;
}

void TestVuSlide::interval()
{
    QFETCH(char, stored);
    QFETCH(bool, readable);
    QFETCH(int, ms);
    writeSettingsChar(stored);
    if (!readable)
        platform_->files.fail(
            FaultyFiles::Op::Read, [](const QString&) { return true; }, err::PermissionDenied);

    SettingsRec rec;
    const FsStatus read = readSettings(platform_->files, SettingsFileName, &rec);
    QCOMPARE(slideInterval(read, rec), ms);

    // The window's own timer, real and hand-driven: an interval of 0 never runs.
    VuModule module(platform_->platform());
    module.folder().takeStored(folder_);
    for (bool manual : {false, true}) {
        VuSlide slide(module, nullptr, {manual ? new ManualSlideTimer : nullptr, true});
        QCOMPARE(slide.ui().Timer1->interval(), ms);
        QCOMPARE(slide.ui().Timer1->isActive(), ms > 0);
        QCOMPARE(slide.slideNo(), quint8(0));
    }
}

void TestVuSlide::position_data()
{
    QTest::addColumn<QSize>("area");  // the work area in pixels
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QPoint>("topLeft");
    // 994 px = 14910 twips; 14910 / 14.453 / 2 = 515.81, a little below the middle (497).
    QTest::newRow("640x480 on 1280x994") << QSize(1280, 994) << QSize(640, 480) << QPoint(320, 276);
    QTest::newRow("fills the width") << QSize(1024, 738) << QSize(1024, 738) << QPoint(0, 14);
    QTest::newRow("odd size rounds") << QSize(1280, 994) << QSize(3, 3) << QPoint(639, 514);
    QTest::newRow("larger than the area") << QSize(800, 570) << QSize(1000, 800) << QPoint(-100, -104);
    QTest::newRow("24 megapixels") << QSize(1280, 994) << QSize(6000, 4000) << QPoint(-2360, -1484);
    QTest::newRow("empty picture") << QSize(800, 570) << QSize(0, 0) << QPoint(400, 296);
}

void TestVuSlide::position()
{
    QFETCH(QSize, area);
    QFETCH(QSize, picture);
    QFETCH(QPoint, topLeft);
    QCOMPARE(slidePosition(twips::fromPx(area.width()), twips::fromPx(area.height()), picture), topLeft);
}

void TestVuSlide::nextSlide_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("count");
    QTest::addColumn<QList<int>>("failing");
    QTest::addColumn<int>("next");
    QTest::addColumn<QList<int>>("asked");
    QTest::newRow("first") << 0 << 3 << QList<int>() << 0 << QList<int>{0};
    QTest::newRow("skips one") << 0 << 3 << QList<int>{0} << 1 << QList<int>{0, 1};
    QTest::newRow("skips to the last") << 1 << 4 << QList<int>{1, 2} << 3 << QList<int>{1, 2, 3};
    QTest::newRow("rest unloadable") << 1 << 3 << QList<int>{1, 2} << -1 << QList<int>{1, 2};
    QTest::newRow("past the end") << 3 << 3 << QList<int>() << -1 << QList<int>();
    QTest::newRow("empty list") << 0 << 0 << QList<int>() << -1 << QList<int>();
    QTest::newRow("256th entry") << 255 << 300 << QList<int>() << 255 << QList<int>{255};
    QTest::newRow("after the 256th") << 256 << 300 << QList<int>() << -1 << QList<int>();
    QTest::newRow("no skipping past 256") << 254 << 300 << QList<int>{254, 255} << -1 << QList<int>{254, 255};
}

void TestVuSlide::nextSlide()
{
    QFETCH(int, from);
    QFETCH(int, count);
    QFETCH(QList<int>, failing);
    QFETCH(int, next);
    QFETCH(QList<int>, asked);
    QList<int> seen;
    const int got = vu::nextSlide(from, count, [&](int i) {
        seen << i;
        return !failing.contains(i);
    });
    QCOMPARE(got, next);
    QCOMPARE(seen, asked);
}

void TestVuSlide::nameFamily_data()
{
    QTest::addColumn<QStringList>("installed");
    QTest::addColumn<QString>("family");
    QTest::newRow("the named face") << QStringList{QStringLiteral("IPAPGothic"), QStringLiteral("ＭＳ Ｐゴシック")}
                                    << QStringLiteral("ＭＳ Ｐゴシック");
    QTest::newRow("its English name") << QStringList{QStringLiteral("MS PGothic"), QStringLiteral("IPAPGothic")}
                                      << QStringLiteral("MS PGothic");
    QTest::newRow("IPA stands in") << QStringList{QStringLiteral("DejaVu Sans"), QStringLiteral("IPAPGothic")}
                                   << QStringLiteral("IPAPGothic");
    QTest::newRow("no Japanese face") << QStringList{QStringLiteral("DejaVu Sans")}
                                      << QStringLiteral("ＭＳ Ｐゴシック");
}

void TestVuSlide::nameFamily()
{
    QFETCH(QStringList, installed);
    QFETCH(QString, family);
    QCOMPARE(slideNameFamily(installed), family);
}

// ---- the window ----

void TestVuSlide::timeline_data()
{
    QTest::addColumn<bool>("ahead");
    QTest::addColumn<char>("seconds");
    QTest::addColumn<bool>("readable");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("failing");  // loads refused by the picture service
    QTest::addColumn<QStringList>("removed");  // files deleted once the show has listed them
    QTest::addColumn<QStringList>("screen");  // after each second
    const QStringList none;
    for (bool ahead : {true, false}) {
        const char* mode = ahead ? "decoded ahead" : "decoded on the tick";
        auto row = [&](const char* name) {
            return &(QTest::newRow(
                         qPrintable(QStringLiteral("%1, %2").arg(QString::fromUtf8(name), QString::fromUtf8(mode))))
                << ahead);
        };
        *row("three files every 2 s") << '2' << true << L({"a.jpg", "b.bmp", "c.gif"}) << none << none
                                      << L({"-", "a.jpg", "a.jpg", "b.bmp", "b.bmp", "c.gif", "c.gif", "END"});
        *row("every type, others left out") << '1' << true << L({"d.ico", "a.JPG", "b.png", "c.gif", "e.txt", "f.bmp"})
                                            << none << none << L({"a.JPG", "c.gif", "d.ico", "f.bmp", "END"});
        *row("empty folder") << '2' << true << L({"x.png"}) << none << none << L({"-", "END"});
        *row("unloadable passed over") << '1' << true << L({"a.jpg", "bad:b.jpg", "c.bmp", "d.gif", "bad:e.ico"})
                                       << L({"c.bmp"}) << none << L({"a.jpg", "d.gif", "END"});
        *row("vanished passed over") << '1' << true << L({"a.jpg", "b.jpg", "c.jpg"}) << none << L({"b.jpg"})
                                     << L({"a.jpg", "c.jpg", "END"});
        *row("nothing loads") << '1' << true << L({"bad:a.jpg", "bad:b.gif"}) << none << none << L({"END"});
        *row("zero stays black") << '0' << true << L({"a.jpg"}) << none << none << L({"-", "-", "-", "-", "-"});
        *row("blank stays black") << ' ' << true << L({"a.jpg"}) << none << none << L({"-", "-", "-"});
        *row("unreadable settings: 3 s") << '9' << false << L({"a.jpg", "b.jpg"}) << none << none
                                         << L({"-", "-", "a.jpg", "a.jpg", "a.jpg", "b.jpg", "b.jpg", "b.jpg", "END"});
    }
}

void TestVuSlide::timeline()
{
    QFETCH(bool, ahead);
    QFETCH(char, seconds);
    QFETCH(bool, readable);
    QFETCH(QStringList, files);
    QFETCH(QStringList, failing);
    QFETCH(QStringList, removed);
    QFETCH(QStringList, screen);
    writeSettingsChar(seconds);
    for (const QString& f : files)
        writeEntry(folder_, f);
    QDir().mkpath(folder_ + QStringLiteral("/sub.jpg"));  // a folder is no file of the show
    if (!readable)
        platform_->files.fail(
            FaultyFiles::Op::Read, [](const QString&) { return true; }, err::DeviceIO);
    platform_->pictures.failing = [failing](const QString& path) { return failing.contains(paths::fileName(path)); };

    VuModule module(platform_->platform());
    ManualSlideTimer* timer = nullptr;
    QPointer<VuSlide> slide = start(module, ahead, &timer);
    for (const QString& f : removed)
        QVERIFY(QFile::remove(folder_ + u'/' + f));
    QCOMPARE(play(slide, timer, int(screen.size())), screen);
    if (screen.last() == Ended)
        QTRY_VERIFY(slide.isNull());
    else
        delete slide.data();
}

void TestVuSlide::showStopsAfter256Pictures_data()
{
    QTest::addColumn<bool>("ahead");
    QTest::newRow("decoded ahead") << true;
    QTest::newRow("decoded on the tick") << false;
}

void TestVuSlide::showStopsAfter256Pictures()
{
    QFETCH(bool, ahead);
    writeSettingsChar('1');
    writePictures(folder_, 258, "bmp", QStringLiteral("p"), QSize(4, 3));
    VuModule module(platform_->platform());
    ManualSlideTimer* timer = nullptr;
    QPointer<VuSlide> slide = start(module, ahead, &timer);
    QCOMPARE(slide->fileList().count(), 258);
    const QStringList seen = play(slide, timer, 255);
    QCOMPARE(seen.first(), QStringLiteral("p0000.bmp"));
    QCOMPARE(seen.last(), QStringLiteral("p0254.bmp"));
    QCOMPARE(slide->slideNo(), quint8(255));
    QCOMPARE(play(slide, timer, 1), QStringList{QStringLiteral("p0255.bmp")});
    QCOMPARE(slide->slideNo(), quint8(0));  // the 8-bit number has wrapped
    QCOMPARE(play(slide, timer, 1), QStringList{Ended});
    QTRY_VERIFY(slide.isNull());
}

void TestVuSlide::decodesAhead_data()
{
    QTest::addColumn<bool>("ahead");
    QTest::addColumn<QList<int>>("loads");  // loads after opening, after tick 1, after tick 2
    QTest::newRow("decoded ahead") << true << QList<int>{1, 2, 3};
    QTest::newRow("decoded on the tick") << false << QList<int>{0, 1, 2};
}

void TestVuSlide::decodesAhead()
{
    QFETCH(bool, ahead);
    QFETCH(QList<int>, loads);
    writeSettingsChar('5');
    for (const char* f : {"a.jpg", "b.jpg", "c.jpg"})
        writeEntry(folder_, QString::fromLatin1(f));
    VuModule module(platform_->platform());
    ManualSlideTimer* timer = nullptr;
    QPointer<VuSlide> slide = start(module, ahead, &timer);
    QList<int> seen;
    QCOMPARE(screen(slide), Black);
    seen << platform_->pictures.loads();
    timer->fire();
    QCOMPARE(screen(slide), QStringLiteral("a.jpg"));
    seen << platform_->pictures.loads();
    timer->fire();
    QCOMPARE(screen(slide), QStringLiteral("b.jpg"));
    seen << platform_->pictures.loads();
    QCOMPARE(seen, loads);
    delete slide.data();
}

void TestVuSlide::latePictureGetsWholeInterval()
{
    writeSettingsChar('2');
    for (const char* f : {"a.jpg", "b.jpg"})
        writeEntry(folder_, QString::fromLatin1(f));
    GatedPictures gated;
    const std::unique_ptr<VuModule> module = gatedModule(gated);
    ManualSlideTimer* timer = nullptr;
    QPointer<VuSlide> slide = start(*module, true, &timer);

    timer->advance(2000);  // the tick comes while the first picture is still being decoded
    QTest::qWait(20);
    QVERIFY(slide->busy());
    QVERIFY(!slide->ui().imgScr->hasPicture());
    timer->advance(2000);  // a further tick while it waits does not skip ahead
    gated.gate.release();
    QTRY_COMPARE(slide->ui().Label1->text(), QStringLiteral("a.jpg"));
    QCOMPARE(slide->slideNo(), quint8(1));
    gated.gate.release();
    QTRY_VERIFY(!slide->busy());
    timer->advance(1000);
    QCOMPARE(slide->ui().Label1->text(), QStringLiteral("a.jpg"));  // counted from when it appeared
    timer->advance(1000);
    QCOMPARE(slide->ui().Label1->text(), QStringLiteral("b.jpg"));
    gated.gate.release(10);
    delete slide.data();
}

void TestVuSlide::clickDuringDecodeEnds()
{
    writeSettingsChar('1');
    writeEntry(folder_, QStringLiteral("a.jpg"));
    GatedPictures gated;
    const std::unique_ptr<VuModule> module = gatedModule(gated);
    ManualSlideTimer* timer = nullptr;
    QPointer<VuSlide> slide = start(*module, true, &timer);
    slide->show();
    timer->advance(1000);
    QVERIFY(slide->busy());
    QTest::mouseClick(slide, Qt::LeftButton, {}, QPoint(600, 500));
    QVERIFY(owner_.isVisible());  // at once, without waiting for the picture
    QVERIFY(!slide->ui().Timer1->isActive());
    gated.gate.release();
    QTRY_VERIFY(slide.isNull());
}

void TestVuSlide::pictureIsCentred_data()
{
    QTest::addColumn<QRect>("area");
    QTest::addColumn<QSize>("picture");
    QTest::newRow("small picture") << QRect(0, 0, 800, 570) << QSize(200, 100);
    QTest::newRow("larger than the work area") << QRect(0, 0, 800, 570) << QSize(1000, 800);
    QTest::newRow("large screen") << QRect(0, 0, 1280, 994) << QSize(321, 241);
}

void TestVuSlide::pictureIsCentred()
{
    QFETCH(QRect, area);
    QFETCH(QSize, picture);
    platform_->screen.setWorkArea(area);
    writeSettingsChar('1');
    writeEntry(folder_, QStringLiteral("big.jpg"), picture);
    VuModule module(platform_->platform());
    ManualSlideTimer* timer = nullptr;
    QPointer<VuSlide> slide = start(module, true, &timer);
    QCOMPARE(play(slide, timer, 1), QStringList{QStringLiteral("big.jpg")});
    const QPoint at = slidePosition(twips::fromPx(area.width()), twips::fromPx(area.height()), picture);
    QCOMPARE(slide->ui().imgScr->geometry(), QRect(at, picture));  // natural size, no stretching
    if (picture.width() > area.width())
        QVERIFY(at.x() < 0 && at.y() < 0);
    QCOMPARE(slide->ui().imgScr->picture().size(), picture);
    delete slide.data();
}

void TestVuSlide::clicksAndKeys_data()
{
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QString>("action");
    QTest::addColumn<bool>("ends");
    const QSize small(300, 200), large(1200, 900);
    QTest::newRow("click on the background") << small << "background" << true;
    QTest::newRow("click on the picture") << small << "picture" << true;
    QTest::newRow("click on a picture larger than the screen") << large << "picture" << true;
    QTest::newRow("click on the name") << small << "name" << false;
    QTest::newRow("click on the name over the picture") << large << "name" << false;
    QTest::newRow("right click on the name") << small << "name right" << false;
    QTest::newRow("click on the black screen before the first picture") << small << "early" << true;
    QTest::newRow("Escape") << small << "escape" << false;
    QTest::newRow("Enter") << small << "enter" << false;
    QTest::newRow("space") << small << "space" << false;
}

void TestVuSlide::clicksAndKeys()
{
    QFETCH(QSize, picture);
    QFETCH(QString, action);
    QFETCH(bool, ends);
    platform_->screen.setWorkArea(QRect(0, 0, 800, 570));
    writeSettingsChar('3');
    writeEntry(folder_, QStringLiteral("picture.bmp"), picture);
    VuModule module(platform_->platform());
    ManualSlideTimer* timer = nullptr;
    QPointer<VuSlide> slide = start(module, true, &timer);
    slide->show();
    QVERIFY(QTest::qWaitForWindowExposed(slide));
    if (action != QStringLiteral("early")) {
        timer->advance(3000);
        QCOMPARE(screen(slide), QStringLiteral("picture.bmp"));
    }
    // Clicks go to the window at a position, and reach whatever lies on top there.
    const QRect pictureArea = slide->ui().imgScr->geometry() & slide->rect();
    QWindow* window = slide->windowHandle();
    if (action == QStringLiteral("background") || action == QStringLiteral("early")) {
        QVERIFY(!slide->ui().imgScr->isVisible() || !pictureArea.contains(QPoint(4, 560)));
        QTest::mouseClick(window, Qt::LeftButton, {}, QPoint(4, 560));
    } else if (action == QStringLiteral("picture")) {
        QTest::mouseClick(window, Qt::LeftButton, {}, pictureArea.bottomRight() - QPoint(5, 5));
    } else if (action.startsWith(QStringLiteral("name"))) {
        const QPoint at = slide->ui().Label1->geometry().center();
        QVERIFY(slide->childAt(at) == slide->ui().Label1);
        QCOMPARE(pictureArea.contains(at), picture == QSize(1200, 900));
        QTest::mouseClick(window, action.endsWith(QStringLiteral("right")) ? Qt::RightButton : Qt::LeftButton, {}, at);
    } else {
        QTest::keyClick(slide,
            action == QStringLiteral("escape")      ? Qt::Key_Escape
                : action == QStringLiteral("enter") ? Qt::Key_Return
                                                    : Qt::Key_Space);
    }
    QCOMPARE(owner_.isVisible(), ends);
    if (ends) {
        QVERIFY(!slide || !slide->ui().Timer1->isActive());
        QTRY_VERIFY(slide.isNull());
    } else {
        QVERIFY(slide->isVisible());
        QVERIFY(slide->ui().Timer1->isActive());
        delete slide.data();
    }
}

void TestVuSlide::window()
{
    platform_->screen.setWorkArea(QRect(0, 0, 800, 570));
    writeSettingsChar('1');
    writeEntry(folder_, QStringLiteral("名前.jpg"));
    VuModule module(platform_->platform());
    ManualSlideTimer* timer = nullptr;
    QPointer<VuSlide> slide = start(module, true, &timer);
    QVERIFY(slide->windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(slide->isWindow());
    QCOMPARE(slide->parentWidget(), &owner_);
    QVERIFY(slide->windowState() & Qt::WindowMaximized);
    QVERIFY(!slide->isModal());
    QCOMPARE(slide->palette().color(QPalette::Window), QColor(Qt::black));
    QVERIFY(slide->autoFillBackground());
    QVERIFY(!slide->findChild<FileListBox*>());  // the names are listed, not shown
    QCOMPARE(slide->fileList().pattern(), allPicturesPattern());
    QCOMPARE(slide->fileList().path(), folder_);
    QVERIFY(slide->ui().Label1->text().isEmpty());
    for (const char* n : {"imgScr", "Label1"})
        QVERIFY(slide->findChild<QWidget*>(QString::fromLatin1(n)));

    QCOMPARE(play(slide, timer, 1), QStringList{QStringLiteral("名前.jpg")});  // the bare name
    QCOMPARE(slide->ui().Label1->pos(), QPoint(8, 8));  // 120 twips
    QCOMPARE(QFontInfo(slide->ui().Label1->font()).pointSize(), 12);
    QCOMPARE(slide->ui().Label1->font().family(), slideNameFamily(QFontDatabase::families()));
    const QStringList gothic = {QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"),
        QStringLiteral("IPAPGothic"), QStringLiteral("IPA Pゴシック")};
    QVERIFY2(gothic.contains(QFontInfo(slide->ui().Label1->font()).family()),
        qPrintable(QFontInfo(slide->ui().Label1->font()).family()));
    QCOMPARE(slide->ui().Label1->palette().color(QPalette::WindowText),
        QApplication::palette().color(QPalette::HighlightedText));
    QCOMPARE(slide->ui().Label1->palette().color(QPalette::Window),
        QApplication::palette("QMenu").color(QPalette::WindowText));
    QVERIFY(slide->ui().Label1->autoFillBackground());
    QVERIFY(
        slide->ui().Label1->width() >= slide->ui().Label1->fontMetrics().horizontalAdvance(QStringLiteral("名前.jpg")));
    delete slide.data();
}

// ---- the main window's command ----

void TestVuSlide::commandCancelled()
{
    writeSettingsChar('1');
    VuModule module(platform_->platform());
    VuMain main(module);
    main.show();
    QVERIFY(main.ui().mnuRunSlide->isEnabled());
    QVERIFY(main.toolButton(QStringLiteral("ｽﾗｲﾄﾞｼｮｰ"))->isEnabled());
    const QString before = module.folder().curPath();
    platform_->dialogs.answerFile(std::nullopt);
    main.ui().mnuRunSlide->trigger();
    QCOMPARE(platform_->dialogs.asked.size(), 1);
    QCOMPARE(platform_->dialogs.asked[0].title, QStringLiteral("ファイルを指定してください"));
    QCOMPARE(main.errNo(), int(err::Cancel));
    QVERIFY(main.isVisible());
    QVERIFY(!main.findChild<VuSlide*>());
    QCOMPARE(module.folder().curPath(), before);
}

void TestVuSlide::commandPlaysChosenFolder()
{
    writeSettingsChar('9');  // no real tick comes within the test
    for (const char* f : {"a.jpg", "b.gif", "c.bmp"})
        writeEntry(folder_, QString::fromLatin1(f));
    VuModule module(platform_->platform());
    VuMain main(module);
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    platform_->dialogs.answerFile(folder_ + QStringLiteral("/b.gif"));
    main.mnuRunSlide_Click();
    QCOMPARE(main.errNo(), 0);
    QCOMPARE(module.folder().curPath(), folder_ + u'/');
    QVERIFY(!main.isVisible());
    QPointer<VuSlide> slide = main.findChild<VuSlide*>();
    QVERIFY(slide);
    QVERIFY(slide->isVisible());
    QVERIFY(!slide->isModal());
    QCOMPARE(slide->parentWidget(), &main);
    QCOMPARE(slide->ui().Timer1->interval(), 9000);
    QVERIFY(slide->ui().Timer1->isActive());

    // The chosen file only picks the folder: the show starts with its first file.
    slide->Timer1_Timer();
    QTRY_COMPARE(slide->ui().Label1->text(), QStringLiteral("a.jpg"));
    QTest::mouseClick(slide->ui().imgScr, Qt::LeftButton, {}, QPoint(2, 2));
    QVERIFY(main.isVisible());
    QTRY_VERIFY(slide.isNull());

    // Every start begins afresh.
    platform_->dialogs.answerFile(folder_ + QStringLiteral("/c.bmp"));
    main.ui().mnuRunSlide->trigger();
    slide = main.findChild<VuSlide*>();
    QVERIFY(slide);
    QCOMPARE(slide->slideNo(), quint8(0));
    QVERIFY(!slide->ui().imgScr->hasPicture());
    slide->Form_Click();
    QVERIFY(main.isVisible());
    QTRY_VERIFY(slide.isNull());
}

QTEST_MAIN(TestVuSlide)
#include "tst_vuslide.moc"
