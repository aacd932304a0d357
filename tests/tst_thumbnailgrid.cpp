// The thumbnail grid drawing a page whose pictures do not all arrive: a picture held back longer
// than the page's patience leaves its cell with its name and the broken-picture mark, the other
// cells fill, and the next draw of the page tries the picture again.
#include "platform/blocking.h"
#include "platform/testing/doubles.h"
#include "support/testsupport.h"
#include "widgets/thumbnailgrid.h"

#include <QApplication>
#include <QTest>

#include <condition_variable>
#include <mutex>

using namespace vu;
using namespace vu::testing;
using namespace std::chrono_literals;

namespace {

// Real pictures, except that loading the chosen ones waits until the test lets them go, as on a
// volume that stopped answering.
class HeldPictures final : public Pictures {
public:
    explicit HeldPictures(Pictures& real)
        : real_(real)
    {
    }
    void hold(const QStringList& paths)
    {
        std::lock_guard lock(mutex_);
        held_ = paths;
    }
    void releaseAll()
    {
        {
            std::lock_guard lock(mutex_);
            held_.clear();
        }
        released_.notify_all();
    }
    std::optional<QSize> naturalSize(const QString& path) override
    {
        wait(path);
        return real_.naturalSize(path);
    }
    PictureResult load(const QString& path) override
    {
        wait(path);
        return real_.load(path);
    }
    PictureResult loadScaled(const QString& path, QSize box) override
    {
        wait(path);
        return real_.loadScaled(path, box);
    }
    PictureResult loadFitted(const QString& path, QSize bound) override
    {
        wait(path);
        return real_.loadFitted(path, bound);
    }
    PictureResult loadFirstView(const QString& path, const QImage& thumbnail) override
    {
        wait(path);
        return real_.loadFirstView(path, thumbnail);
    }

private:
    void wait(const QString& path)
    {
        std::unique_lock lock(mutex_);
        released_.wait(lock, [&] { return !held_.contains(path); });
    }

    Pictures& real_;
    std::mutex mutex_;
    std::condition_variable released_;
    QStringList held_;
};

}  // namespace

class TestThumbnailGrid : public QObject {
    Q_OBJECT
private slots:
    void heldPictures_data();
    void heldPictures();
};

void TestThumbnailGrid::heldPictures_data()
{
    QTest::addColumn<int>("count");  // pictures on the page
    QTest::addColumn<QList<int>>("held");  // the cells whose pictures do not arrive
    QTest::newRow("none held") << 6 << QList<int>{};
    QTest::newRow("the first held") << 6 << QList<int>{0};
    QTest::newRow("the last held") << 6 << QList<int>{5};
    QTest::newRow("two side by side held") << 6 << QList<int>{2, 3};
    QTest::newRow("every picture held") << 4 << QList<int>{0, 1, 2, 3};
    QTest::newRow("one of a full page held") << CellsPerPage << QList<int>{17};
}

void TestThumbnailGrid::heldPictures()
{
    QFETCH(int, count);
    QFETCH(QList<int>, held);
    TestPlatform platform;
    TempCwd cwd;
    const QStringList names = writePictures(cwd.path(), count, "bmp");
    HeldPictures pictures(platform.pictures);
    QStringList heldPaths;
    for (int cell : held)
        heldPaths << cwd.file(names[cell]);
    pictures.hold(heldPaths);
    const int workers = blocking::runningWorkers();
    {
        QWidget window;
        window.resize(800, 600);
        ThumbnailGrid grid(pictures, platform.thumbnails, &window);
        for (int i = 0; i < CellsPerPage; ++i)
            grid.cells()[i]->resize(60, 45);
        grid.setPatience(300ms);

        grid.draw(cwd.path(), names);
        for (int i = 0; i < count; ++i) {
            QVERIFY(!grid.cells()[i]->isHidden());
            QCOMPARE(grid.names()[i]->text(), names[i]);
            QCOMPARE(grid.cells()[i]->picture().isNull(), held.contains(i));
            QCOMPARE(grid.cells()[i]->emptyText(), held.contains(i) ? QStringLiteral("読込不可") : QString());
            QCOMPARE(grid.cellFile(i), cwd.file(names[i]));
        }
        QCOMPARE(grid.progressBar()->value(), 0);

        // The volume answers again: the next draw shows every picture.
        pictures.releaseAll();
        grid.clear();
        grid.draw(cwd.path(), names);
        for (int i = 0; i < count; ++i)
            QVERIFY2(!grid.cells()[i]->picture().isNull(), qPrintable(names[i]));
    }
    // The workers left behind end once their pictures arrive; none outlives the test.
    QTRY_COMPARE(blocking::runningWorkers(), workers);
}

QTEST_MAIN(TestThumbnailGrid)
#include "tst_thumbnailgrid.moc"
