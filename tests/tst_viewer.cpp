// The viewer: its magnification rules on their own, and the window driven through its key
// handler and through real key presses.
#include "platform/testing/doubles.h"
#include "platform/twips.h"
#include "support/testsupport.h"
#include "viewer/vuview.h"
#include "viewer/zoom.h"

#include <QBuffer>
#include <QDateTime>
#include <QImageWriter>
#include <QTest>

using namespace vu;
using namespace vu::testing;

namespace {

// Work area of the fake screen, 1280 x 994 pixels, in twips.
const QSizeF WorkArea(19200, 14910);

zoom::ViewState press(const QString& keys, QSizeF picture, QSizeF area = WorkArea)
{
    zoom::ViewState s = zoom::opened(picture);
    for (QChar k : keys)
        s = k == u'+' ? zoom::plus(s, picture, area) : zoom::minus(s, picture);
    return s;
}

}  // namespace

class TestViewer : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        cwd_ = std::make_unique<TempCwd>();
        platform_ = std::make_unique<TestPlatform>();
        module_ = std::make_unique<VuModule>(platform_->platform());
    }
    void cleanup()
    {
        view_.reset();
        module_.reset();
        platform_.reset();
        cwd_.reset();
    }

    // The rules on their own.
    void steps_data();
    void steps();
    void caption_data();
    void caption();

    // The window.
    void windowFollowsTheSteps_data();
    void windowFollowsTheSteps();
    void fillingTheScreenStretches();
    void tallPictureKeepsTheWindowOnTheScreen();
    void typedKeysReachTheHandler();
    void captionAfterAnyKey_data();
    void captionAfterAnyKey();
    void curPathGainsItsSeparatorOnASteps_data();
    void curPathGainsItsSeparatorOnASteps();
    void decodedOnce();
    void showsTheFileItIsGiven();
    void refusesWhatItCannotShow_data();
    void refusesWhatItCannotShow();
    void largePhotoShowsAFirstViewAtOnce_data();
    void largePhotoShowsAFirstViewAtOnce();
    void damageTheFirstViewCouldNotTellClosesTheViewer();

private:
    // A viewer on `file`, as if it were cell 7 of page 2 of the main window.
    VuView& open(const QString& file)
    {
        module_->SelPage = 2;
        module_->SelCell = 7;
        view_ = std::make_unique<VuView>(*module_, &owner_, file);
        return *view_;
    }
    QString picture(QSize size, const char* format = "bmp")
    {
        return writePicture(cwd_->file(QStringLiteral("pic.") + QString::fromLatin1(format)), size, format);
    }

    QWidget owner_;
    std::unique_ptr<TempCwd> cwd_;
    std::unique_ptr<TestPlatform> platform_;
    std::unique_ptr<VuModule> module_;
    std::unique_ptr<VuView> view_;
};

void TestViewer::steps_data()
{
    QTest::addColumn<QSizeF>("picture");
    QTest::addColumn<double>("areaWidth");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<double>("zoom");
    QTest::addColumn<QSizeF>("window");
    QTest::addColumn<bool>("natural");
    QTest::addColumn<QSizeF>("magnified");  // empty while nothing is magnified
    const double w = WorkArea.width();
    const QSizeF small(1500, 1200);  // 100 x 80 pixels
    QTest::newRow("opened") << small << w << "" << 1.0 << QSizeF(1570, 1320) << true << QSizeF();
    QTest::newRow("-: nothing") << small << w << "-" << 1.0 << QSizeF(1570, 1320) << true << QSizeF();
    QTest::newRow("+") << small << w << "+" << 1.5 << QSizeF(2320, 1920) << false << QSizeF(2250, 1800);
    QTest::newRow("++") << small << w << "++" << 2.0 << QSizeF(3070, 2520) << false << QSizeF(3000, 2400);
    QTest::newRow("+++") << small << w << "+++" << 2.5 << QSizeF(3820, 3120) << false << QSizeF(3750, 3000);
    QTest::newRow("+++-") << small << w << "+++-" << 2.0 << QSizeF(3070, 2520) << false << QSizeF(3000, 2400);
    QTest::newRow("+++--") << small << w << "+++--" << 1.5 << QSizeF(2320, 1920) << false << QSizeF(2250, 1800);
    QTest::newRow("+++---: 1, still magnified")
        << small << w << "+++---" << 1.0 << QSizeF(1570, 1320) << false << QSizeF(1500, 1200);
    QTest::newRow("+++----: the natural picture on top")
        << small << w << "+++----" << 1.0 << QSizeF(1570, 1320) << true << QSizeF(1500, 1200);
    QTest::newRow("+-+") << small << w << "+-+" << 1.5 << QSizeF(2320, 1920) << false << QSizeF(2250, 1800);

    // 900 x 300 pixels: 1.5 x 13500 + 70 reaches the work area's 19200.
    const QSizeF wide(13500, 4500);
    const QSizeF filled = WorkArea;
    const QSizeF filledImage(19130, 14790);
    QTest::newRow("wide: + fills the screen") << wide << w << "+" << 1.0 << filled << false << filledImage;
    QTest::newRow("wide: ++ stays") << wide << w << "++" << 1.0 << filled << false << filledImage;
    QTest::newRow("wide: +- the natural picture on top") << wide << w << "+-" << 1.0 << filled << true << filledImage;

    // 300 pixels wide: steps to 4 (18070 twips), then the next (20320) fills the screen.
    const QSizeF mid(4500, 3000);
    QTest::newRow("mid: to 4") << mid << w << "++++++" << 4.0 << QSizeF(18070, 12120) << false << QSizeF(18000, 12000);
    QTest::newRow("mid: then filling") << mid << w << "+++++++" << 4.0 << filled << false << filledImage;
    QTest::newRow("mid: filling, then -")
        << mid << w << "+++++++-" << 3.5 << QSizeF(15820, 10620) << false << QSizeF(15750, 10500);

    // Only the width is compared: a narrow picture grows past the work area's height.
    QTest::newRow("tall: ten steps") << QSizeF(150, 6000) << w << "++++++++++" << 6.0 << QSizeF(970, 36120) << false
                                     << QSizeF(900, 36000);

    // The next width 1.5 x 12740 + 70 = 19180: reaching the work area's width is enough.
    const QSizeF edge(12740, 1000);
    QTest::newRow("next width equals the work area")
        << edge << 19180.0 << "+" << 1.0 << QSizeF(19180, 14910) << false << QSizeF(19110, 14790);
    QTest::newRow("next width one twip short")
        << edge << 19181.0 << "+" << 1.5 << QSizeF(19180, 1620) << false << QSizeF(19110, 1500);
}

void TestViewer::steps()
{
    QFETCH(QSizeF, picture);
    QFETCH(double, areaWidth);
    QFETCH(QString, keys);
    QFETCH(double, zoom);
    QFETCH(QSizeF, window);
    QFETCH(bool, natural);
    QFETCH(QSizeF, magnified);
    const zoom::ViewState s = press(keys, picture, QSizeF(areaWidth, WorkArea.height()));
    QCOMPARE(s.zoom, zoom);
    QCOMPARE(s.window, window);
    QCOMPARE(s.naturalShown, natural);
    QCOMPARE(s.magnifiedSet, !magnified.isEmpty());
    if (!magnified.isEmpty())
        QCOMPARE(s.magnified, magnified);
}

void TestViewer::caption_data()
{
    QTest::addColumn<double>("zoom");
    QTest::addColumn<QString>("caption");
    QTest::newRow("1") << 1.0 << "sea.jpg( x 1)";
    QTest::newRow("1.5") << 1.5 << "sea.jpg( x 1.5)";
    QTest::newRow("2") << 2.0 << "sea.jpg( x 2)";
    QTest::newRow("12.5") << 12.5 << "sea.jpg( x 12.5)";
    QTest::newRow("1000: no exponent") << 1000.0 << "sea.jpg( x 1000)";
    QTest::newRow("1275.5") << 1275.5 << "sea.jpg( x 1275.5)";
}

void TestViewer::caption()
{
    QFETCH(double, zoom);
    QFETCH(QString, caption);
    QCOMPARE(zoom::caption(QStringLiteral("sea.jpg"), zoom), caption);
}

void TestViewer::windowFollowsTheSteps_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<double>("zoom");
    QTest::addColumn<QSize>("client");  // pixels
    QTest::addColumn<bool>("natural");
    QTest::addColumn<QSize>("image1");
    // 100 x 80 pixels: the client area is the picture times the magnification.
    QTest::newRow("opened") << "" << 1.0 << QSize(100, 80) << true << QSize(0, 0);
    QTest::newRow("+") << "+" << 1.5 << QSize(150, 120) << false << QSize(150, 120);
    QTest::newRow("++") << "++" << 2.0 << QSize(200, 160) << false << QSize(200, 160);
    QTest::newRow("+++") << "+++" << 2.5 << QSize(250, 200) << false << QSize(250, 200);
    QTest::newRow("+++-") << "+++-" << 2.0 << QSize(200, 160) << false << QSize(200, 160);
    QTest::newRow("+++--") << "+++--" << 1.5 << QSize(150, 120) << false << QSize(150, 120);
    QTest::newRow("+++---") << "+++---" << 1.0 << QSize(100, 80) << false << QSize(100, 80);
    QTest::newRow("+++----") << "+++----" << 1.0 << QSize(100, 80) << true << QSize(100, 80);
    QTest::newRow("- on opening") << "-" << 1.0 << QSize(100, 80) << true << QSize(0, 0);
}

void TestViewer::windowFollowsTheSteps()
{
    QFETCH(QString, keys);
    QFETCH(double, zoom);
    QFETCH(QSize, client);
    QFETCH(bool, natural);
    QFETCH(QSize, image1);
    VuView& v = open(picture(QSize(100, 80)));
    QVERIFY(v.loaded());
    for (QChar k : keys)
        v.Text1_KeyPress(k.unicode());
    QCOMPARE(v.state().zoom, zoom);
    QCOMPARE(v.size(), client);
    QCOMPARE(v.state().window, zoom::windowSize(QSizeF(1500, 1200), zoom));
    QCOMPARE(v.ui().Picture1->size(), QSize(100, 80));
    QCOMPARE(v.ui().Picture1->isHidden(), !natural);
    QCOMPARE(v.ui().Picture1->pos(), QPoint(0, 0));
    QCOMPARE(v.ui().Image1->geometry(), QRect(QPoint(0, 0), image1));
    if (!image1.isEmpty()) {
        // The magnified picture is scaled to its rectangle and shows the picture's pattern: the
        // top-left quarter in the picture's colour, the bottom-right darker.
        const QImage shown = v.ui().Image1->picture();
        QCOMPARE(shown.size(), image1 * v.devicePixelRatioF());
        const QColor topLeft = shown.pixelColor(shown.width() / 8, shown.height() / 8);
        QVERIFY(topLeft.red() > 150 && topLeft.green() < 110);
        QCOMPARE(shown.pixelColor(shown.width() - 2, 1), QColor(Qt::white));
    } else {
        QVERIFY(!v.ui().Image1->hasPicture());
    }
    QCOMPARE(
        v.windowTitle(), keys.isEmpty() ? QStringLiteral("pic.bmp") : zoom::caption(QStringLiteral("pic.bmp"), zoom));
}

void TestViewer::fillingTheScreenStretches()
{
    VuView& v = open(picture(QSize(900, 300)));
    QCOMPARE(v.size(), QSize(900, 300));
    QCOMPARE(v.pos(), QPoint(0, 0));
    v.Text1_KeyPress(u'+');
    // The work area less the allowances: 19130 x 14790 twips.
    QCOMPARE(v.size(), QSize(1275, 986));
    QCOMPARE(v.ui().Image1->geometry(), QRect(0, 0, 1275, 986));
    QCOMPARE(v.ui().Image1->picture().size(), QSize(1275, 986) * v.devicePixelRatioF());  // proportions not kept
    QCOMPARE(v.windowTitle(), QStringLiteral("pic.bmp( x 1)"));
    v.Text1_KeyPress(u'+');
    QCOMPARE(v.size(), QSize(1275, 986));
    QCOMPARE(v.state().zoom, 1.0);
    v.Text1_KeyPress(u'-');
    QVERIFY(!v.ui().Picture1->isHidden());
    QCOMPARE(v.size(), QSize(1275, 986));

    // On a work area that does not start at the screen's corner the window goes to its corner.
    platform_->screen.setWorkArea(QRect(0, 40, 1024, 728));
    VuView& w = open(picture(QSize(900, 300)));
    QCOMPARE(w.pos(), QPoint(0, 40));
    QCOMPARE(w.ui().Text1->pos(), QPoint(1024 - 10, 728 - 18));
    w.Text1_KeyPress(u'+');
    QCOMPARE(w.size(), QSize(1019, 720));
}

void TestViewer::tallPictureKeepsTheWindowOnTheScreen()
{
    // 20 x 4000 pixels, magnified 50 times: 200,000 pixels tall, far past the work area.
    VuView& v = open(picture(QSize(20, 4000)));
    for (int i = 0; i < 98; ++i)
        v.Text1_KeyPress(u'+');
    QCOMPARE(v.state().zoom, 50.0);
    QCOMPARE(v.state().window, QSizeF(300 * 50 + 70, 60000 * 50 + 120));
    QCOMPARE(v.ui().Image1->size(), QSize(1000, 200000));
    QCOMPARE(v.size(), QSize(1000, 986));  // the real window stops at the work area
    // Not enlarged into 800 MB of memory: stretched while painting.
    QCOMPARE(v.ui().Image1->picture().size(), QSize(20, 4000));
    v.Text1_KeyPress(u'+');
    QCOMPARE(v.state().zoom, 50.5);
    for (int i = 0; i < 96; ++i)
        v.Text1_KeyPress(u'-');
    QCOMPARE(v.state().zoom, 2.5);
    QCOMPARE(v.ui().Image1->picture().size(), QSize(50, 10000) * v.devicePixelRatioF());

    // A large natural picture, too: the window does not outgrow the work area.
    VuView& w = open(picture(QSize(2000, 1500)));
    QCOMPARE(w.ui().Picture1->size(), QSize(2000, 1500));
    QCOMPARE(w.size(), QSize(1275, 986));
    w.Text1_KeyPress(u'+');  // fills the screen: reduced once, smoothly
    QCOMPARE(w.ui().Image1->picture().size(), QSize(1275, 986) * w.devicePixelRatioF());
}

void TestViewer::typedKeysReachTheHandler()
{
    VuView& v = open(picture(QSize(100, 80)));
    v.show();
    QVERIFY(QTest::qWaitForWindowActive(&v));
    QCOMPARE(QApplication::focusWidget(), v.ui().Text1);
    QCOMPARE(v.ui().Picture1->focusPolicy(), Qt::NoFocus);
    QCOMPARE(v.ui().Image1->focusPolicy(), Qt::NoFocus);
    // 150 x 270 twips at the work area's bottom-right corner, outside the window.
    QCOMPARE(v.ui().Text1->geometry(), QRect(1270, 976, 10, 18));
    QTest::keyClicks(v.ui().Text1, QStringLiteral("++"));
    QCOMPARE(v.state().zoom, 2.0);
    QCOMPARE(v.size(), QSize(200, 160));
    QTest::keyClick(v.ui().Text1, Qt::Key_Minus);
    QCOMPARE(v.state().zoom, 1.5);
    QTest::keyClick(v.ui().Text1, Qt::Key_Escape);  // a key like any other: the window stays
    QVERIFY(v.isVisible());
    QCOMPARE(v.windowTitle(), QStringLiteral("pic.bmp( x 1.5)"));
    QCOMPARE(v.ui().Text1->text(), QStringLiteral("++-"));  // the box still receives what is typed
}

void TestViewer::captionAfterAnyKey_data()
{
    QTest::addColumn<int>("key");
    QTest::newRow("a") << int('a');
    QTest::newRow("space") << int(' ');
    QTest::newRow("escape") << 27;
    QTest::newRow("return") << 13;
    QTest::newRow("ideographic") << 0x3042;
}

void TestViewer::captionAfterAnyKey()
{
    QFETCH(int, key);
    VuView& v = open(picture(QSize(100, 80)));
    QCOMPARE(v.windowTitle(), QStringLiteral("pic.bmp"));
    v.Text1_KeyPress(key);
    QCOMPARE(v.windowTitle(), QStringLiteral("pic.bmp( x 1)"));
    QCOMPARE(v.size(), QSize(100, 80));
    QVERIFY(!v.ui().Picture1->isHidden());
    QVERIFY(!v.ui().Image1->hasPicture());
    v.Text1_KeyPress(u'+');
    v.Text1_KeyPress(key);
    QCOMPARE(v.windowTitle(), QStringLiteral("pic.bmp( x 1.5)"));
    QCOMPARE(v.size(), QSize(150, 120));
}

void TestViewer::curPathGainsItsSeparatorOnASteps_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    QTest::newRow("+") << "+"
                       << "/srv/Images"
                       << "/srv/Images/";
    QTest::newRow("+ twice: once") << "++"
                                   << "/srv/Images"
                                   << "/srv/Images/";
    QTest::newRow("already there") << "+"
                                   << "/srv/Images/"
                                   << "/srv/Images/";
    QTest::newRow("root") << "+"
                          << "/"
                          << "/";
    QTest::newRow("- stepping back") << "+-"
                                     << "/srv/Images"
                                     << "/srv/Images/";
    QTest::newRow("other key") << "a"
                               << "/srv/Images"
                               << "/srv/Images";
    QTest::newRow("- at natural size") << "-"
                                       << "/srv/Images"
                                       << "/srv/Images";
}

void TestViewer::curPathGainsItsSeparatorOnASteps()
{
    QFETCH(QString, keys);
    QFETCH(QString, before);
    QFETCH(QString, after);
    VuView& v = open(picture(QSize(40, 30)));
    module_->folder().takeStored(before);
    for (QChar k : keys)
        v.Text1_KeyPress(k.unicode());
    QCOMPARE(module_->folder().curPath(), after);
}

void TestViewer::decodedOnce()
{
    const QString file = picture(QSize(120, 90), "jpg");
    VuView& v = open(file);
    QCOMPARE(platform_->pictures.loads(), 1);
    QVERIFY(QFile::remove(file));  // the steps need the picture in memory only
    for (QChar k : QStringLiteral("+++----+"))
        v.Text1_KeyPress(k.unicode());
    QCOMPARE(platform_->pictures.loads(), 1);
    QCOMPARE(v.ui().Image1->picture().size(), QSize(180, 135) * v.devicePixelRatioF());
    QVERIFY(platform_->dialogs.asked.isEmpty());
}

void TestViewer::showsTheFileItIsGiven()
{
    const QString a = writePicture(cwd_->file(QStringLiteral("a.bmp")), QSize(30, 20), "bmp");
    const QString b = writePicture(cwd_->file(QStringLiteral("b.bmp")), QSize(50, 40), "bmp");
    module_->folder().takeStored(QStringLiteral("/somewhere/else"));  // CurPath plays no part
    view_ = std::make_unique<VuView>(*module_, &owner_, a);
    QCOMPARE(view_->file(), a);
    QCOMPARE(view_->windowTitle(), QStringLiteral("a.bmp"));
    QCOMPARE(view_->ui().Picture1->size(), QSize(30, 20));
    view_ = std::make_unique<VuView>(*module_, &owner_, b);
    QCOMPARE(view_->windowTitle(), QStringLiteral("b.bmp"));
    QCOMPARE(view_->ui().Picture1->size(), QSize(50, 40));
}

void TestViewer::refusesWhatItCannotShow_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason");
    QTest::newRow("vanished") << "vanished"
                              << "ファイルが見つかりません。移動または削除された可能性があります。";
    QTest::newRow("not a picture") << "text"
                                   << "画像として読み込めません。ファイルが壊れているか、対応していない形式です。";
    QTest::newRow("cut short") << "short"
                               << "画像として読み込めません。ファイルが壊れているか、対応していない形式です。";
    QTest::newRow("unreadable") << "injected"
                                << "画像として読み込めません。ファイルが壊れているか、対応していない形式です。";
    QTest::newRow("too large") << "bomb"
                               << "画像が大きすぎるため表示できません。";
    QTest::newRow("no file in the cell") << "none"
                                         << "ファイルが見つかりません。移動または削除された可能性があります。";
}

void TestViewer::refusesWhatItCannotShow()
{
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    QString file = cwd_->file(QStringLiteral("p.bmp"));
    if (kind == QStringLiteral("text")) {
        writeBytes(file, "not a picture at all");
    } else if (kind == QStringLiteral("short")) {
        writePicture(file, QSize(64, 48), "bmp");
        writeBytes(file, readBytes(file).left(20));
    } else if (kind == QStringLiteral("injected")) {
        writePicture(file, QSize(64, 48), "bmp");
        platform_->pictures.failing = [file](const QString& p) { return p == file; };
    } else if (kind == QStringLiteral("bomb")) {
        // A JPEG whose frame header claims 20000 x 20000 pixels: 1.6 GB decoded.
        file = cwd_->file(QStringLiteral("p.jpg"));
        writePicture(file, QSize(16, 16), "jpg");
        QByteArray bomb = readBytes(file);
        const qsizetype sof = bomb.indexOf(QByteArray("\xFF\xC0", 2));
        QVERIFY(sof > 0);
        for (int i : {5, 7}) {  // height, then width, big-endian
            bomb[sof + i] = char(20000 >> 8);
            bomb[sof + i + 1] = char(20000 & 0xFF);
        }
        writeBytes(file, bomb);
    } else if (kind == QStringLiteral("none")) {
        file.clear();
    }
    module_->folder().takeStored(QStringLiteral("/srv/Images/"));
    VuView& v = open(file);
    QVERIFY(!v.loaded());
    QCOMPARE(platform_->dialogs.asked.size(), 1);
    const auto& q = platform_->dialogs.asked.first();
    QCOMPARE(q.kind, ScriptedDialogs::Question::Message);
    QCOMPARE(q.title, QStringLiteral("画像の表示"));
    QCOMPARE(q.icon, MsgIcon::Error);
    QCOMPARE(q.buttons, MsgButtons::Ok);
    QCOMPARE(q.owner, &owner_);
    QVERIFY2(q.text.startsWith(QStringLiteral("画像を表示できません。\n") + reason), qPrintable(q.text));
    QVERIFY(file.isEmpty() || q.text.endsWith(file));
    QVERIFY(!v.isVisible());
    // Keys reaching a refused viewer change nothing.
    v.Text1_KeyPress(u'+');
    QCOMPARE(v.state().zoom, 1.0);
    QCOMPARE(module_->folder().curPath(), QStringLiteral("/srv/Images/"));
}

// A progressive JPEG of 2400 x 1600 pixels (large enough for a first view), dated an hour back.
static QString largePhoto(const QString& path)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpg");
    writer.setProgressiveScanWrite(true);
    writer.write(makePicture(QSize(2400, 1600)));
    writeBytes(path, buffer.data());
    QFile f(path);
    f.open(QIODevice::ReadWrite);
    f.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime);
    return path;
}

void TestViewer::largePhotoShowsAFirstViewAtOnce_data()
{
    QTest::addColumn<bool>("thumbnail");
    QTest::newRow("decoded to an eighth") << false;
    QTest::newRow("the thumbnail from the cache") << true;
}

// A large photo's window opens at once at its natural size with a first view (the page's
// thumbnail from the cache, or a decode reduced to an eighth) and gets the whole picture when
// it is decoded; a step taken meanwhile is redone from the whole picture.
void TestViewer::largePhotoShowsAFirstViewAtOnce()
{
    QFETCH(bool, thumbnail);
    const QString file = largePhoto(cwd_->file(QStringLiteral("photo.jpg")));
    if (thumbnail) {
        ThumbnailCache& cache = platform_->thumbnails;
        QVERIFY(cache.store(cache.keyOf(file), 256, QImage(256, 171, QImage::Format_RGB32), QSize(2400, 1600)));
    }
    VuView& v = open(file);
    QVERIFY(v.loaded());
    QVERIFY(v.busy());
    QCOMPARE(v.ui().Picture1->size(), QSize(2400, 1600));
    QCOMPARE(v.ui().Picture1->picture().size(), thumbnail ? QSize(256, 171) : QSize(300, 200));
    v.Text1_KeyPress(u'+');
    const qint64 firstStep = v.ui().Image1->picture().cacheKey();
    QVERIFY(QTest::qWaitFor([&] { return !v.busy(); }, 60000));
    QVERIFY(v.loaded());
    QCOMPARE(v.ui().Picture1->picture().size(), QSize(2400, 1600));
    QCOMPARE(v.ui().Picture1->size(), QSize(2400, 1600));
    QVERIFY(v.ui().Image1->picture().cacheKey() != firstStep);
    QCOMPARE(v.ui().Image1->picture().size(), v.ui().Image1->size() * v.devicePixelRatioF());
    QVERIFY(platform_->dialogs.asked.isEmpty());
}

// A file damaged in a way its first view cannot show (a later scan of a progressive JPEG, the
// file's date and size unchanged): the viewer says so once the whole picture fails, and closes.
void TestViewer::damageTheFirstViewCouldNotTellClosesTheViewer()
{
    const QString file = largePhoto(cwd_->file(QStringLiteral("photo.jpg")));
    ThumbnailCache& cache = platform_->thumbnails;
    QVERIFY(cache.store(cache.keyOf(file), 256, QImage(256, 171, QImage::Format_RGB32), QSize(2400, 1600)));
    const QDateTime date = QFileInfo(file).lastModified();
    QByteArray bytes = readBytes(file);
    const qsizetype second = bytes.indexOf(QByteArray("\xFF\xDA", 2), bytes.indexOf(QByteArray("\xFF\xDA", 2)) + 2);
    QVERIFY(second > 0);
    const int components = uchar(bytes[second + 4]);
    bytes[second + 5 + 2 * components] = char(70);  // a spectral selection past the last coefficient
    writeBytes(file, bytes);
    QFile f(file);
    QVERIFY(f.open(QIODevice::ReadWrite) && f.setFileTime(date, QFileDevice::FileModificationTime));
    f.close();
    VuView& v = open(file);
    QVERIFY(v.loaded());
    QVERIFY(platform_->dialogs.asked.isEmpty());
    QVERIFY(QTest::qWaitFor([&] { return !v.busy(); }, 60000));
    QVERIFY(!v.loaded());
    QVERIFY(!v.isVisible());
    QCOMPARE(platform_->dialogs.asked.size(), 1);
    const auto& q = platform_->dialogs.asked.first();
    QCOMPARE(q.icon, MsgIcon::Error);
    QVERIFY2(
        q.text.startsWith(QStringLiteral("画像を表示できません。\n画像として読み込めません。")), qPrintable(q.text));
    QVERIFY(q.text.endsWith(file));
}

QTEST_MAIN(TestViewer)
#include "tst_viewer.moc"
