// The main window's two layout tables.
#include "browser/layout.h"

#include <QTest>

using namespace vu;

class TestLayout : public QObject {
    Q_OBJECT
private slots:
    void threshold_data();
    void threshold();
    void controls_data();
    void controls();
    void cells_data();
    void cells();
    void gridLeftOfDropBoxes();
    void fittedToTheRoomBelowTheToolbar_data();
    void fittedToTheRoomBelowTheToolbar();
    void panelsShareTheBar_data();
    void panelsShareTheBar();
};

void TestLayout::threshold_data()
{
    QTest::addColumn<double>("width");
    QTest::addColumn<bool>("large");
    QTest::newRow("800 pixels") << 12000.0 << false;
    QTest::newRow("15359 twips") << 15359.0 << false;
    QTest::newRow("15360 twips") << 15360.0 << true;
    QTest::newRow("1280 pixels") << 19200.0 << true;
}

void TestLayout::threshold()
{
    QFETCH(double, width);
    QFETCH(bool, large);
    QCOMPARE(mainLayout(width).large, large);
}

void TestLayout::controls_data()
{
    QTest::addColumn<bool>("large");
    QTest::addColumn<QString>("control");
    QTest::addColumn<QList<float>>("rect");
    auto row = [](bool large, const char* control, const QList<float>& rect) {
        QTest::addRow("%s %s", large ? "large" : "small", control) << large << QString::fromLatin1(control) << rect;
    };
    row(true, "DrvList", {130, 50, 2280, 0});
    row(true, "DirList", {130, 720, 2280, 4000});
    row(true, "OkBtn0", {130, 4580, 2280, 265});
    row(true, "OkBtn1", {130, 4850, 460, 265});
    row(true, "OkBtn5", {1930, 4850, 480, 265});
    row(true, "PrgBar1", {130, 9700, 2280, 265});
    row(true, "Frame2", {14080, 600, 1095, 3135});
    row(true, "imgBox2", {165, 2160, 800, 800});
    row(false, "DrvList", {130, 50, 1781.25f, 0});
    row(false, "DirList", {130, 620, 1781.25f, 3125});
    row(false, "OkBtn0", {130, 3645, 1781.25f, 207.03125f});
    row(false, "OkBtn4", {1180, 3840, 359.375f, 207.03125f});
    row(false, "OkBtn5", {1530, 3840, 383, 207.03125f});
    row(false, "PrgBar1", {130, 7270, 1781.25f, 207.03125f});
    row(false, "Frame2", {11000, 520, 855.46875f, float(3135 / 1.05)});
    row(false, "imgBox0", {128.90625f, 240, 625, 625});
    row(false, "imgBox1", {128.90625f, 1200, 625, 625});
}

void TestLayout::controls()
{
    QFETCH(bool, large);
    QFETCH(QString, control);
    QFETCH(QList<float>, rect);
    const MainLayout m = mainLayout(large ? 15360 : 15359);
    const QHash<QString, TwipRect> byName = {
        {QStringLiteral("DrvList"), m.DrvList},
        {QStringLiteral("DirList"), m.DirList},
        {QStringLiteral("PrgBar1"), m.PrgBar1},
        {QStringLiteral("Frame2"), m.Frame2},
        {QStringLiteral("OkBtn0"), m.OkBtn[0]},
        {QStringLiteral("OkBtn1"), m.OkBtn[1]},
        {QStringLiteral("OkBtn4"), m.OkBtn[4]},
        {QStringLiteral("OkBtn5"), m.OkBtn[5]},
        {QStringLiteral("imgBox0"), m.imgBox[0]},
        {QStringLiteral("imgBox1"), m.imgBox[1]},
        {QStringLiteral("imgBox2"), m.imgBox[2]},
    };
    const TwipRect r = byName.value(control);
    QCOMPARE(r.left, rect[0]);
    QCOMPARE(r.top, rect[1]);
    QCOMPARE(r.width, rect[2]);
    QCOMPARE(r.hasHeight, rect[3] != 0);
    if (r.hasHeight)
        QCOMPARE(r.height, rect[3]);
}

void TestLayout::cells_data()
{
    QTest::addColumn<bool>("large");
    QTest::addColumn<int>("cell");
    QTest::addColumn<QList<float>>("img");
    QTest::addColumn<QList<float>>("name");
    QTest::newRow("large cell 0") << true << 0 << QList<float>{2520, 720, 1800, 1350}
                                  << QList<float>{2520, 2040, 1800, 270};
    QTest::newRow("large cell 5") << true << 5 << QList<float>{12120, 720, 1800, 1350}
                                  << QList<float>{12120, 2040, 1800, 270};
    QTest::newRow("large cell 6") << true << 6 << QList<float>{2520, 2520, 1800, 1350}
                                  << QList<float>{2520, 3840, 1800, 270};
    QTest::newRow("large cell 29") << true << 29 << QList<float>{12120, 7920, 1800, 1350}
                                   << QList<float>{12120, 9240, 1800, 270};
    QTest::newRow("small cell 0") << false << 0 << QList<float>{2020, 620, 1406.25f, 1054.6875f}
                                  << QList<float>{2020, 1650, 1406.25f, 210.9375f};
    QTest::newRow("small cell 29") << false << 29 << QList<float>{9520, 6245, 1406.25f, 1054.6875f}
                                   << QList<float>{9520, 7275, 1406.25f, 210.9375f};
}

void TestLayout::cells()
{
    QFETCH(bool, large);
    QFETCH(int, cell);
    QFETCH(QList<float>, img);
    QFETCH(QList<float>, name);
    const MainLayout m = mainLayout(large ? 19200 : 12000);
    const TwipRect i = m.Img[cell], n = m.ImgName[cell];
    QCOMPARE(QList<float>({i.left, i.top, i.width, i.height}), img);
    QCOMPARE(QList<float>({n.left, n.top, n.width, n.height}), name);
}

void TestLayout::gridLeftOfDropBoxes()
{
    for (double width : {12000.0, 19200.0}) {
        const MainLayout m = mainLayout(width);
        const float right = m.Img[29].left + m.Img[29].width;
        QVERIFY(right < m.Frame2.left);
        QCOMPARE(right, m.large ? 13920.0f : 2020 + 5 * 1500 + 1406.25f);
    }
    const MainLayout small = mainLayout(12000);
    QCOMPARE(small.panelWidth[0], float(1300 / 1.1));
    QCOMPARE(small.panelWidth[2], float(1300 / 1.03));
    QCOMPARE(small.panelWidth[5], float(4000 / 1.4));
}

void TestLayout::fittedToTheRoomBelowTheToolbar_data()
{
    QTest::addColumn<bool>("large");
    QTest::addColumn<double>("room");  // twips below the toolbar
    QTest::addColumn<bool>("scaled");
    // The small table needs its last names (7485.9) and a margin; the large one its progress bar.
    QTest::newRow("small, room to spare") << false << 9000.0 << false;
    QTest::newRow("small, exactly") << false << tableHeight(mainLayout(12000)) << false;
    QTest::newRow("small, 800x600 with a panel") << false << 480 * 15.0 << true;
    QTest::newRow("small, 800x540 with a panel") << false << 444 * 15.0 << true;
    QTest::newRow("large, 1280x1024") << true << 875 * 15.0 << false;
    QTest::newRow("large, 1024x740") << true << 640 * 15.0 << true;
}

void TestLayout::fittedToTheRoomBelowTheToolbar()
{
    QFETCH(bool, large);
    QFETCH(double, room);
    QFETCH(bool, scaled);
    const MainLayout table = mainLayout(large ? 19200 : 12000);
    const MainLayout m = fitHeight(table, room);
    QCOMPARE(m.verticalScale < 1, scaled);
    QVERIFY(tableHeight(m) <= room + 0.5);
    const double k = m.verticalScale;
    if (!scaled)
        QCOMPARE(k, 1.0);
    else
        QVERIFY(tableHeight(m) > room - 1);  // no smaller than it has to be
    // One factor for every top and height of the grid and the list column; lefts, widths and
    // the drop boxes as in the table.
    const QList<std::pair<TwipRect, TwipRect>> pairs = {{table.DirList, m.DirList}, {table.PrgBar1, m.PrgBar1},
        {table.OkBtn[0], m.OkBtn[0]}, {table.OkBtn[5], m.OkBtn[5]}, {table.Img[29], m.Img[29]},
        {table.ImgName[29], m.ImgName[29]}, {table.Img[6], m.Img[6]}};
    for (const auto& [t, f] : pairs) {
        QCOMPARE(f.left, t.left);
        QCOMPARE(f.width, t.width);
        QCOMPARE(f.top, float(t.top * k));
        QCOMPARE(f.height, float(t.height * k));
    }
    QCOMPARE(m.Frame2.top, table.Frame2.top);
    QCOMPARE(m.Frame2.height, table.Frame2.height);
    QCOMPARE(m.imgBox[2].height, table.imgBox[2].height);
    // Rows still follow one another: each name ends above the next row's pictures.
    for (int cell = 0; cell + 6 < CellsPerPage; ++cell)
        QVERIFY(m.ImgName[cell].top + m.ImgName[cell].height < m.Img[cell + 6].top);
}

void TestLayout::panelsShareTheBar_data()
{
    QTest::addColumn<bool>("large");
    QTest::addColumn<double>("bar");  // twips
    QTest::addColumn<float>("last");  // the sixth panel's width; the first five keep the table's
    QTest::newRow("1280: the table") << true << 1240 * 15.0 << 4000.0f;
    QTest::newRow("1024: the last gives way") << true << 986 * 15.0 << float(986 * 15 - 3 * 1300 - 2 * 4000);
    QTest::newRow("800: the last gives way")
        << false << 762 * 15.0 << float(762 * 15 - 2 * 1300 / 1.1 - 1300 / 1.03 - 2 * 4000 / 1.4);
    QTest::newRow("narrower than five panels") << false << 200 * 15.0 << 0.0f;
}

void TestLayout::panelsShareTheBar()
{
    QFETCH(bool, large);
    QFETCH(double, bar);
    QFETCH(float, last);
    const MainLayout m = mainLayout(large ? 19200 : 12000);
    const std::array<float, 6> w = fitPanels(m, bar);
    for (int n = 0; n < 5; ++n)
        QCOMPARE(w[n], m.panelWidth[n]);
    QVERIFY2(qAbs(w[5] - last) < 0.5f, qPrintable(QString::number(w[5])));
}

QTEST_GUILESS_MAIN(TestLayout)
#include "tst_layout.moc"
