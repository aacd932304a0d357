// The page model, the status texts and the file-open dialog's rules.
#include "browser/pages.h"
#include "browser/pickers.h"

#include <QTest>

using namespace vu;

class TestPages : public QObject {
    Q_OBJECT
private slots:
    void pageLabel_data();
    void pageLabel();
    void firstEntry();
    void types_data();
    void types();
    void filters();
};

void TestPages::pageLabel_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("files");
    QTest::addColumn<int>("pages");
    QTest::addColumn<QString>("label");
    QTest::addColumn<int>("forward");  // the page the forward button turns to; 0: none
    QTest::newRow("no files") << 1 << 0 << 0 << "ページ： 1/ 0" << 0;
    QTest::newRow("one") << 1 << 1 << 1 << "ページ： 1/ 1" << 0;
    QTest::newRow("12") << 1 << 12 << 1 << "ページ： 1/ 1" << 0;
    QTest::newRow("30") << 1 << 30 << 1 << "ページ： 1/ 1" << 0;
    QTest::newRow("31") << 1 << 31 << 2 << "ページ： 1/ 2" << 2;
    QTest::newRow("60") << 2 << 60 << 2 << "ページ： 2/ 2" << 0;
    QTest::newRow("61") << 1 << 61 << 3 << "ページ： 1/ 3" << 2;
    QTest::newRow("page past the end") << 3 << 60 << 2 << "ページ： 3/ 2" << 0;
    QTest::newRow("300") << 10 << 300 << 10 << "ページ： 10/ 10" << 0;
    QTest::newRow("8000") << 255 << 8000 << 267 << "ページ： 255/ 267" << 255;
    QTest::newRow("32767") << 1 << 32767 << 1093 << "ページ： 1/ 1093" << 2;
}

void TestPages::pageLabel()
{
    QFETCH(int, page);
    QFETCH(int, files);
    QFETCH(int, pages);
    QFETCH(QString, label);
    QFETCH(int, forward);
    QCOMPARE(pageCount(files), pages);
    QCOMPARE(vu::pageLabel(page, files), label);
    QCOMPARE(nextPage(page, files), forward);
}

void TestPages::firstEntry()
{
    QCOMPARE(firstEntryOfPage(1), 0);
    QCOMPARE(firstEntryOfPage(2), 30);
    QCOMPARE(firstEntryOfPage(255), 7620);
    QCOMPARE(countLabel(12), QStringLiteral("データ数：12"));
    QCOMPARE(countLabel(0), QStringLiteral("データ数：0"));
}

void TestPages::types_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("panel");
    QTest::newRow("all") << 1 << "all"
                         << "*.bmp;*.jpg;*.gif;*.ico"
                         << "画像形式：ALL";
    QTest::newRow("bmp") << 2 << "bmp"
                         << "*.bmp"
                         << "画像形式：BMP";
    QTest::newRow("jpg") << 3 << "jpg"
                         << "*.jpg"
                         << "画像形式：JPG";
    QTest::newRow("gif") << 4 << "gif"
                         << "*.gif"
                         << "画像形式：GIF";
    QTest::newRow("ico") << 5 << "ico"
                         << "*.ico"
                         << "画像形式：ICO";
}

void TestPages::types()
{
    QFETCH(int, button);
    QFETCH(QString, caption);
    QFETCH(QString, pattern);
    QFETCH(QString, panel);
    QCOMPARE(imageType(button).caption, caption);
    QCOMPARE(imageType(button).pattern, pattern);
    QCOMPARE(typeLabel(button), panel);
}

void TestPages::filters()
{
    QCOMPARE(imageFileFilters(),
        QStringList({QStringLiteral("ｲﾒｰｼﾞ(all) (*.gif *.jpg *.bmp *.ico)"), QStringLiteral("ｲﾒｰｼﾞ(bmp) (*.bmp)"),
            QStringLiteral("ｲﾒｰｼﾞ(jpg) (*.jpg)"), QStringLiteral("ｲﾒｰｼﾞ(gif) (*.gif)"),
            QStringLiteral("ｲﾒｰｼﾞ(ico) (*.ico)")}));
}

QTEST_GUILESS_MAIN(TestPages)
#include "tst_pages.moc"
