// CP932 conversion and the file list's name filter.
#include "platform/cp932.h"
#include "platform/wildcard.h"

#include <QTest>

using namespace vu;

class TestCp932 : public QObject {
    Q_OBJECT
private slots:
    void encode_data();
    void encode();
    void decodeDamaged_data();
    void decodeDamaged();
    void cutToWidth_data();
    void cutToWidth();
    void patterns_data();
    void patterns();
    void filterSortsAndLimits();
};

void TestCp932::encode_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("ascii") << "abc" << QByteArray("abc");
    QTest::newRow("backslash is not a yen sign") << "\\" << QByteArray("\\");
    QTest::newRow("half-width katakana") << "ﾌｧｲﾙ" << QByteArray("\xcc\xa7\xb2\xd9");
    QTest::newRow("ideographic space") << "\u3000" << QByteArray("\x81\x40");
    QTest::newRow("kanji") << "画像" << QByteArray("\x89\xe6\x91\x9c");
    QTest::newRow("not representable") << "a\u00e9\U0001F600b" << QByteArray("a??b");
}

void TestCp932::encode()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(cp932::encode(text), bytes);
    if (!bytes.contains('?'))
        QCOMPARE(cp932::decode(bytes), text);
}

void TestCp932::decodeDamaged_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("lone lead byte at end") << QByteArray("ab\x82") << QStringLiteral("ab\uFFFD");
    QTest::newRow("lead byte with bad trail") << QByteArray("\x82\x20z") << QStringLiteral("\uFFFD z");
    QTest::newRow("undefined single bytes") << QByteArray("\x80\xa0\xfd") << QStringLiteral("\uFFFD\uFFFD\uFFFD");
    QTest::newRow("zero byte kept") << QByteArray("a\0b", 3)
                                    << QString(QStringLiteral("a") + QChar(0) + QStringLiteral("b"));
}

void TestCp932::decodeDamaged()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(cp932::decode(bytes), text);
}

void TestCp932::cutToWidth_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("width");
    QTest::addColumn<QByteArray>("cut");
    QTest::newRow("fits") << QByteArray("abc") << 5 << QByteArray("abc");
    QTest::newRow("single bytes") << QByteArray("abcdef") << 4 << QByteArray("abcd");
    QTest::newRow("double byte whole") << QByteArray("a\x89\xe6") << 3 << QByteArray("a\x89\xe6");
    QTest::newRow("double byte split") << QByteArray("ab\x89\xe6") << 3 << QByteArray("ab");
}

void TestCp932::cutToWidth()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, width);
    QFETCH(QByteArray, cut);
    QCOMPARE(cp932::cutToWidth(bytes, width), cut);
}

void TestCp932::patterns_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("matches");
    const QString all = QStringLiteral("*.bmp;*.jpg;*.gif;*.ico");
    QTest::newRow("jpg") << all << "a.jpg" << true;
    QTest::newRow("upper case") << all << "A.JPG" << true;
    QTest::newRow("mixed case") << all << "Sea.Gif" << true;
    QTest::newRow("png") << all << "a.png" << false;
    QTest::newRow("jpeg is another extension") << all << "a.jpeg" << false;
    QTest::newRow("extension only") << all << ".jpg" << true;
    QTest::newRow("dot inside") << QStringLiteral("*.jpg") << "a.b.jpg" << true;
    QTest::newRow("not at end") << QStringLiteral("*.jpg") << "a.jpg.txt" << false;
    QTest::newRow("question mark") << QStringLiteral("a?.bmp") << "ab.bmp" << true;
    QTest::newRow("question mark needs one") << QStringLiteral("a?.bmp") << "a.bmp" << false;
    QTest::newRow("blanks around parts") << QStringLiteral(" *.gif ; *.ico") << "x.ico" << true;
    QTest::newRow("japanese name") << all << "写真.JPG" << true;
}

void TestCp932::patterns()
{
    QFETCH(QString, pattern);
    QFETCH(QString, name);
    QFETCH(bool, matches);
    QCOMPARE(NamePattern(pattern).matches(name), matches);
}

void TestCp932::filterSortsAndLimits()
{
    std::vector<DirEntry> entries = {{QStringLiteral("b.jpg"), false}, {QStringLiteral("A.jpg"), false},
        {QStringLiteral("a.jpg"), false}, {QStringLiteral(".hidden.jpg"), false}, {QStringLiteral("dir.jpg"), true},
        {QStringLiteral("c.txt"), false}};
    QCOMPARE(filterFileNames(entries, QStringLiteral("*.jpg")),
        QStringList({QStringLiteral("A.jpg"), QStringLiteral("a.jpg"), QStringLiteral("b.jpg")}));
    QCOMPARE(filterFolderNames(entries), QStringList{QStringLiteral("dir.jpg")});

    std::vector<DirEntry> many;
    many.reserve(40000);
    for (int i = 0; i < 40000; ++i)
        many.push_back({QStringLiteral("f%1.bmp").arg(i, 5, 10, QLatin1Char('0')), false});
    const QStringList names = filterFileNames(many, QStringLiteral("*.bmp"));
    QCOMPARE(names.size(), MaxListEntries);
    QCOMPARE(names.first(), QStringLiteral("f00000.bmp"));
    QCOMPARE(names.last(), QStringLiteral("f32766.bmp"));
}

QTEST_GUILESS_MAIN(TestCp932)
#include "tst_cp932.moc"
