// The thumbnails' information menu: its texts on their own, and the menu and the viewer opened
// from the main window with real mouse and key presses.
#include "browser/info.h"
#include "browser/vumain.h"
#include "platform/testing/doubles.h"
#include "support/mainfixture.h"
#include "support/testsupport.h"
#include "viewer/vuview.h"
#include "widgets/busywindows.h"

#include <QApplication>
#include <QPointer>
#include <QTest>
#include <QTimer>

using namespace vu;
using namespace vu::testing;

namespace {

QWidget* openMenu()
{
    return qobject_cast<QMenu*>(QApplication::activePopupWidget());
}
QWidget* openViewer()
{
    return qobject_cast<VuView*>(QApplication::activeModalWidget());
}

void setModified(const QString& path, const QDateTime& t)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadWrite));
    QVERIFY(f.setFileTime(t, QFileDevice::FileModificationTime));
}

}  // namespace

class TestPopup : public QObject {
    Q_OBJECT
private slots:
    // File runs go aside and wait as in the program: the windows keep taking posted events.
    void initTestCase() { BusyWindows::install(); }
    void init()
    {
        f_.setUp();
        menus_.clear();
    }
    void cleanup()
    {
        for (const QPointer<QTimer>& t : watchers_)
            delete t.data();
        watchers_.clear();
        f_.tearDown();
    }

    // The texts on their own.
    void attributeTexts_data();
    void attributeTexts();
    void dates_data();
    void dates();
    void captionsOfAnUnreadableFile();
    void menuText_data();
    void menuText();

    // The menu of the main window.
    void describesTheCellsFile_data();
    void describesTheCellsFile();
    void otherButtonsOpenNoMenu_data();
    void otherButtonsOpenNoMenu();
    void readOnlyAndMidnight();
    void curPathGainsItsSeparatorOnce_data();
    void curPathGainsItsSeparatorOnce();
    void describesTheDrawnFileAfterTheListsMoved();
    void vanishedFile();
    void choosingTheFirstItemOpensTheViewer();
    void infoItemsDoNothing();
    void viewerRefusalLeavesNoWindow();

private:
    QString folder(const QString& name) const { return f_.folder(name); }
    VuMain& open(const QString& start)
    {
        VuMain& m = f_.open(start);
        m.show();
        [&] { QVERIFY(QTest::qWaitForWindowExposed(&m)); }();
        return m;
    }
    // What the menu showed the last time it opened.
    struct Seen {
        QStringList captions;
        QPoint pos;
    };
    // Records the menu once it opens, then closes it (choosing `choose` if given, by keyboard).
    void watchMenu(QAction* choose = nullptr)
    {
        watchers_ << whenShown(openMenu, [this, choose](QWidget* w) {
            auto* menu = static_cast<QMenu*>(w);
            Seen seen;
            for (QAction* a : menu->actions()) {
                if (!a->isSeparator())
                    seen.captions << a->text();
            }
            seen.pos = menu->pos();
            menus_ << seen;
            if (choose) {
                menu->setActiveAction(choose);
                QTest::keyClick(menu, Qt::Key_Return);
            } else {
                menu->close();
            }
        });
    }
    // Right-clicks cell `cell` with a real mouse press, the menu closed without a choice.
    void rightClick(VuMain& m, int cell, QAction* choose = nullptr)
    {
        watchMenu(choose);
        QTest::mousePress(m.ui().Img[cell], Qt::RightButton, {}, QPoint(5, 5));
        QTest::mouseRelease(m.ui().Img[cell], Qt::RightButton, {}, QPoint(5, 5));
    }
    static QStringList captions(const VuMain& m)
    {
        return {m.ui().mnuPop1->text(), m.ui().mnuPop2->text(), m.ui().mnuPop3->text(), m.ui().mnuPop4->text()};
    }

    MainFixture f_;
    QList<Seen> menus_;
    QList<QPointer<QTimer>> watchers_;
};

void TestPopup::attributeTexts_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("0 normal") << 0 << "通常ﾌｧｲﾙ";
    QTest::newRow("1 read-only") << 1 << "読取専用";
    QTest::newRow("2 hidden") << 2 << "隠しﾌｧｲﾙ";
    QTest::newRow("4 system") << 4 << "ｼｽﾃﾑﾌｧｲﾙ";
    QTest::newRow("32 archive") << 32 << "ｱｰｶｲﾌﾞ";
    QTest::newRow("33 read-only archive") << 33 << "";
    QTest::newRow("3 read-only hidden") << 3 << "";
    QTest::newRow("16 folder") << 16 << "";
    QTest::newRow("128") << 128 << "";
    QTest::newRow("-1") << -1 << "";
}

void TestPopup::attributeTexts()
{
    QFETCH(int, value);
    QFETCH(QString, text);
    QCOMPARE(attributeText(value), text);
    QCOMPARE(popCaptions(QStringLiteral("a.jpg"), std::nullopt, value).attribute, QStringLiteral("属性　") + text);
}

void TestPopup::dates_data()
{
    QTest::addColumn<QDateTime>("time");
    QTest::addColumn<QString>("text");
    const QDate d(2000, 6, 15);
    QTest::newRow("afternoon") << QDateTime(d, QTime(12, 34, 56)) << "2000/06/15 12:34:56";
    QTest::newRow("morning: hour without zero") << QDateTime(d, QTime(9, 5, 3)) << "2000/06/15 9:05:03";
    QTest::newRow("midnight") << QDateTime(d, QTime(0, 0, 0)) << "2000/06/15";
    QTest::newRow("within midnight's second") << QDateTime(d, QTime(0, 0, 0, 999)) << "2000/06/15";
    QTest::newRow("a second after midnight") << QDateTime(d, QTime(0, 0, 1)) << "2000/06/15 0:00:01";
    QTest::newRow("a minute after midnight") << QDateTime(d, QTime(0, 1, 0)) << "2000/06/15 0:01:00";
    QTest::newRow("last second") << QDateTime(QDate(1999, 12, 31), QTime(23, 59, 59)) << "1999/12/31 23:59:59";
    QTest::newRow("invalid") << QDateTime() << "";
}

void TestPopup::dates()
{
    QFETCH(QDateTime, time);
    QFETCH(QString, text);
    QCOMPARE(generalDate(time), text);
}

void TestPopup::captionsOfAnUnreadableFile()
{
    const PopCaptions c = popCaptions(QStringLiteral("gone.jpg"), std::nullopt, std::nullopt);
    QCOMPARE(c.show, QStringLiteral("■□　画像を表示　□■"));
    QCOMPARE(c.name, QStringLiteral("名称　gone.jpg"));
    QCOMPARE(c.date, QStringLiteral("日付　"));
    QCOMPARE(c.attribute, QStringLiteral("属性　"));
}

void TestPopup::menuText_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("text");
    QTest::newRow("plain") << "名称　sea.jpg"
                           << "名称　sea.jpg";
    QTest::newRow("ampersand") << "名称　R&B.jpg"
                               << "名称　R&&B.jpg";
    QTest::newRow("two ampersands") << "&&.jpg"
                                    << "&&&&.jpg";
    QTest::newRow("tab") << "名称　a\tb.jpg"
                         << "名称　a b.jpg";
}

void TestPopup::menuText()
{
    QFETCH(QString, caption);
    QFETCH(QString, text);
    QCOMPARE(asMenuText(caption), text);
}

void TestPopup::describesTheCellsFile_data()
{
    QTest::addColumn<int>("files");
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("cell");
    QTest::newRow("page 1, cell 0") << 5 << 1 << 0;
    QTest::newRow("page 2, cell 7: entry 37") << 40 << 2 << 7;
    QTest::newRow("page 3, cell 29: entry 89") << 90 << 3 << 29;
    QTest::newRow("page 2, cell 0 of a short page: entry 30") << 31 << 2 << 0;
}

void TestPopup::describesTheCellsFile()
{
    QFETCH(int, files);
    QFETCH(int, page);
    QFETCH(int, cell);
    const QString p = folder(QStringLiteral("pics"));
    writePictures(p, files, "bmp", QStringLiteral("img"), QSize(8, 6));
    const int entry = (page - 1) * 30 + cell;
    const QString name = QStringLiteral("img%1.bmp").arg(entry, 4, 10, QLatin1Char('0'));
    setModified(p + u'/' + name, QDateTime(QDate(2000, 6, 15), QTime(12, 34, 56)));
    VuMain& m = open(p);
    m.OkBtn_Click(0);
    for (int i = 1; i < page; ++i)
        m.pageForward();
    QCOMPARE(int(m.pageNo()), page);

    rightClick(m, cell);
    QCOMPARE(menus_.size(), 1);
    const QStringList expected = {QStringLiteral("■□　画像を表示　□■"), QStringLiteral("名称　") + name,
        QStringLiteral("日付　2000/06/15 12:34:56"), QStringLiteral("属性　通常ﾌｧｲﾙ")};
    QCOMPARE(menus_.first().captions, expected);
    QCOMPARE(captions(m), expected);  // the captions stay until the next right click
    QCOMPARE(int(f_.module->SelPage), page);
    QCOMPARE(int(f_.module->SelCell), cell);
    // The menu opens where the mouse was pressed (moved left where the screen ends).
    const QPoint pressed = m.ui().Img[cell]->mapToGlobal(QPoint(5, 5));
    QCOMPARE(menus_.first().pos.y(), pressed.y());
    QVERIFY(menus_.first().pos.x() <= pressed.x());
    if (cell < 20)
        QCOMPARE(menus_.first().pos.x(), pressed.x());
}

void TestPopup::otherButtonsOpenNoMenu_data()
{
    QTest::addColumn<int>("button");
    QTest::newRow("left") << int(Qt::LeftButton);
    QTest::newRow("middle") << int(Qt::MiddleButton);
}

void TestPopup::otherButtonsOpenNoMenu()
{
    QFETCH(int, button);
    writePictures(folder(QStringLiteral("pics")), 3);
    VuMain& m = open(folder(QStringLiteral("pics")));
    m.OkBtn_Click(0);
    f_.module->SelPage = 9;
    f_.module->SelCell = 4;
    const QString curPath = f_.module->folder().curPath();
    watchMenu();
    QTest::mousePress(m.ui().Img[1], Qt::MouseButton(button), {}, QPoint(5, 5));
    QTest::mouseRelease(m.ui().Img[1], Qt::MouseButton(button), {}, QPoint(5, 5));
    QTest::qWait(50);
    QVERIFY(menus_.isEmpty());
    QCOMPARE(f_.module->SelPage, quint8(9));
    QCOMPARE(f_.module->SelCell, quint8(4));
    QCOMPARE(f_.module->folder().curPath(), curPath);
    QCOMPARE(captions(m), QStringList({QString(), QString(), QString(), QString()}));
}

void TestPopup::readOnlyAndMidnight()
{
    const QString p = folder(QStringLiteral("pics"));
    writePictures(p, 2, "bmp", QStringLiteral("r"));
    setModified(p + QStringLiteral("/r0000.bmp"), QDateTime(QDate(2000, 6, 15), QTime(0, 0, 0)));
    QVERIFY(QFile::setPermissions(
        p + QStringLiteral("/r0001.bmp"), QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther));
    setModified(p + QStringLiteral("/r0001.bmp"), QDateTime(QDate(2011, 1, 2), QTime(7, 8, 9)));
    VuMain& m = open(p);
    m.OkBtn_Click(0);
    rightClick(m, 0);
    QCOMPARE(m.ui().mnuPop3->text(), QStringLiteral("日付　2000/06/15"));
    QCOMPARE(m.ui().mnuPop4->text(), QStringLiteral("属性　通常ﾌｧｲﾙ"));
    rightClick(m, 1);
    QCOMPARE(m.ui().mnuPop2->text(), QStringLiteral("名称　r0001.bmp"));
    QCOMPARE(m.ui().mnuPop3->text(), QStringLiteral("日付　2011/01/02 7:08:09"));
    QCOMPARE(m.ui().mnuPop4->text(), QStringLiteral("属性　読取専用"));
    QCOMPARE(menus_.size(), 2);
}

void TestPopup::curPathGainsItsSeparatorOnce_data()
{
    QTest::addColumn<QString>("before");  // relative to the test folder, or absolute
    QTest::addColumn<QString>("after");
    QTest::newRow("without") << "pics"
                             << "pics/";
    QTest::newRow("with") << "pics/"
                          << "pics/";
    QTest::newRow("the root") << "/"
                              << "/";
}

void TestPopup::curPathGainsItsSeparatorOnce()
{
    QFETCH(QString, before);
    QFETCH(QString, after);
    writePictures(folder(QStringLiteral("pics")), 3);
    VuMain& m = open(folder(QStringLiteral("pics")));
    m.OkBtn_Click(0);
    auto full = [&](const QString& p) { return p.startsWith(u'/') ? p : folder(p); };
    f_.module->folder().takeStored(full(before));
    rightClick(m, 2);
    QCOMPARE(f_.module->folder().curPath(), full(after));
    rightClick(m, 0);
    QCOMPARE(f_.module->folder().curPath(), full(after));
    QCOMPARE(m.ui().mnuPop2->text(), QStringLiteral("名称　img0000.bmp"));
}

void TestPopup::describesTheDrawnFileAfterTheListsMoved()
{
    writePictures(folder(QStringLiteral("one")), 3, "bmp", QStringLiteral("x"), QSize(30, 20));
    writePictures(folder(QStringLiteral("two")), 5, "jpg", QStringLiteral("y"), QSize(50, 40));
    setModified(folder(QStringLiteral("one/x0001.bmp")), QDateTime(QDate(2001, 2, 3), QTime(4, 5, 6)));
    VuMain& m = open(folder(QStringLiteral("one")));
    m.OkBtn_Click(0);
    // Another folder and type, the page not drawn again: the cells still show "one".
    QVERIFY(m.ui().DirList->setPath(folder(QStringLiteral("two"))).ok());
    m.OkBtn_Click(3);
    QCOMPARE(f_.module->folder().curPath(), folder(QStringLiteral("two")));
    rightClick(m, 1);
    QCOMPARE(m.ui().mnuPop2->text(), QStringLiteral("名称　x0001.bmp"));
    QCOMPARE(m.ui().mnuPop3->text(), QStringLiteral("日付　2001/02/03 4:05:06"));
    QCOMPARE(f_.module->folder().curPath(), folder(QStringLiteral("two/")));

    // The viewer shows it too.
    QString title;
    QSize natural;
    whenShown(openViewer, [&](QWidget* w) {
        auto* v = static_cast<VuView*>(w);
        title = v->windowTitle();
        natural = v->ui().Picture1->size();
        v->close();
    });
    m.mnuPop1_Click();
    QCOMPARE(title, QStringLiteral("x0001.bmp"));
    QCOMPARE(natural, QSize(30, 20));
}

void TestPopup::vanishedFile()
{
    writePictures(folder(QStringLiteral("pics")), 3);
    VuMain& m = open(folder(QStringLiteral("pics")));
    m.OkBtn_Click(0);
    QVERIFY(QFile::remove(folder(QStringLiteral("pics/img0001.bmp"))));
    rightClick(m, 1);
    QCOMPARE(menus_.size(), 1);
    QCOMPARE(menus_.first().captions,
        QStringList({QStringLiteral("■□　画像を表示　□■"), QStringLiteral("名称　img0001.bmp"),
            QStringLiteral("日付　"), QStringLiteral("属性　")}));
}

void TestPopup::choosingTheFirstItemOpensTheViewer()
{
    const QString p = folder(QStringLiteral("pics"));
    writePictures(p, 35, "bmp", QStringLiteral("v"), QSize(40, 30));
    VuMain& m = open(p);
    m.OkBtn_Click(0);
    m.pageForward();
    struct {
        QString title, caption;
        QWidget* parent = nullptr;
        bool modal = false;
        QSize before, after;
    } seen;
    whenShown(openViewer, [&](QWidget* w) {
        auto* v = static_cast<VuView*>(w);
        seen.title = v->windowTitle();
        seen.parent = v->parentWidget();
        seen.modal = v->isModal();
        seen.before = v->size();
        QTest::keyClick(v->ui().Text1, Qt::Key_Plus);
        seen.after = v->size();
        seen.caption = v->windowTitle();
        v->close();
    });
    rightClick(m, 3, m.ui().mnuPop1);
    QCOMPARE(menus_.size(), 1);
    QCOMPARE(seen.title, QStringLiteral("v0033.bmp"));
    QCOMPARE(seen.parent, &m);
    QVERIFY(seen.modal);
    QCOMPARE(seen.before, QSize(40, 30));
    QCOMPARE(seen.after, QSize(60, 45));
    QCOMPARE(seen.caption, QStringLiteral("v0033.bmp( x 1.5)"));
    QCOMPARE(f_.module->SelPage, quint8(2));
    QCOMPARE(f_.module->SelCell, quint8(3));
    QVERIFY(f_.platform->dialogs.asked.isEmpty());
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
    QVERIFY(m.findChildren<VuView*>().isEmpty());  // discarded when closed
}

void TestPopup::infoItemsDoNothing()
{
    writePictures(folder(QStringLiteral("pics")), 3);
    VuMain& m = open(folder(QStringLiteral("pics")));
    m.OkBtn_Click(0);
    bool viewerOpened = false;
    for (QAction* item : {m.ui().mnuPop2, m.ui().mnuPop3, m.ui().mnuPop4}) {
        bool triggered = false;
        auto c = connect(item, &QAction::triggered, [&] { triggered = true; });
        rightClick(m, 0, item);
        disconnect(c);
        QVERIFY(triggered);
        viewerOpened = viewerOpened || !m.findChildren<VuView*>().isEmpty();
    }
    QCOMPARE(menus_.size(), 3);
    QVERIFY(!viewerOpened);
    QVERIFY(f_.platform->dialogs.asked.isEmpty());
}

void TestPopup::viewerRefusalLeavesNoWindow()
{
    writePictures(folder(QStringLiteral("pics")), 3);
    VuMain& m = open(folder(QStringLiteral("pics")));
    m.OkBtn_Click(0);
    rightClick(m, 2);
    QVERIFY(QFile::remove(folder(QStringLiteral("pics/img0002.bmp"))));
    bool viewerShown = false;
    f_.platform->dialogs.onQuestion = [&](const ScriptedDialogs::Question&) {
        viewerShown = !m.findChildren<VuView*>().isEmpty() && m.findChild<VuView*>()->isVisible();
    };
    m.mnuPop1_Click();  // returns at once: nothing modal is left open
    QCOMPARE(f_.platform->dialogs.asked.size(), 1);
    const auto& q = f_.platform->dialogs.asked.first();
    QCOMPARE(q.icon, MsgIcon::Error);
    QCOMPARE(q.owner, &m);
    QVERIFY(q.text.contains(folder(QStringLiteral("pics/img0002.bmp"))));
    QVERIFY(!viewerShown);
    QVERIFY(m.findChildren<VuView*>().isEmpty());
}

QTEST_MAIN(TestPopup)
#include "tst_popup.moc"
