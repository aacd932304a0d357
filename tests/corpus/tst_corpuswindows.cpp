// The damaged-picture corpus through the windows' own loading paths: the main window's
// thumbnail pages over a folder of variants (with the information menu on a broken cell of each
// page), the viewer opened on every cell, and slide shows ticking through folders of variants.
// What each window does is checked against what the picture service makes of the same file, so
// a picture is shown exactly where it can be read and refused exactly where it cannot.
#include "corpus.h"

#include "browser/info.h"
#include "browser/pages.h"
#include "browser/vumain.h"
#include "platform/paths.h"
#include "platform/testing/doubles.h"
#include "slideshow/vuslide.h"
#include "support/testsupport.h"
#include "support/watchdog.h"
#include "viewer/vuview.h"
#include "viewer/zoom.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QTest>

#include <cstdio>
#include <unistd.h>

using namespace vu;
using namespace vu::corpus;
using namespace vu::testing;

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool Sanitized = true;
#else
constexpr bool Sanitized = false;
#endif
// A step (a page, a viewer, a tick) still running after this long is a hang; instrumented code
// runs several times slower.
constexpr std::chrono::milliseconds StepLimit(Sanitized ? 240000 : 60000);

const QString Broken = QStringLiteral("読込不可");

// Every variant, or for a quicker run every n-th (the same ones on every run) when the
// environment says VUTARA_CORPUS_STRIDE=n.
int stride()
{
    const int fromEnvironment = qEnvironmentVariableIntValue("VUTARA_CORPUS_STRIDE");
    return fromEnvironment > 0 ? fromEnvironment : 1;
}

QtMessageHandler testHandler = nullptr;
// The offscreen platform and the image readers complain about every damaged file and every
// window shown; thousands of those lines would bury the test's own report.
void quietHandler(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (type == QtWarningMsg || type == QtDebugMsg || type == QtInfoMsg)
        return;
    testHandler(type, context, text);
}

struct Incident {
    QString variant;
    QString what;
};

}  // namespace

class TestCorpusWindows : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void pagesMenuAndViewer();
    void slideShows();

private:
    void incident(const QString& variant, const QString& what) { incidents_ << Incident{variant, what}; }
    bool reportIncidents(const char* part);
    // What the picture service makes of a variant as a whole picture: its size, or none.
    std::optional<QSize> wholePicture(const QString& name);

    std::unique_ptr<TempCwd> cwd_;
    QString folder_;  // every sampled variant
    QStringList sample_;
    int variants_ = 0;
    QHash<QString, std::optional<QSize>> whole_;
    QtPictures pictures_;  // the reference the windows are checked against
    QList<Incident> incidents_;
};

void TestCorpusWindows::initTestCase()
{
    testHandler = qInstallMessageHandler(quietHandler);
    cwd_ = std::make_unique<TempCwd>();
    folder_ = cwd_->file(QStringLiteral("variants"));
    QVERIFY(QDir().mkpath(folder_));
    QList<Seed> seeds = generatedSeeds();
    seeds += shippedSeeds();
    const QList<Variant> variants = damagedVariants(seeds, CorpusSeed);
    variants_ = int(variants.size());
    const int every = stride();
    for (int i = 0; i < variants.size(); i += every) {
        writeBytes(paths::join(folder_, variants[i].name), variants[i].bytes);
        sample_ << variants[i].name;
    }
    QVERIFY(sample_.size() > 100);
    // The main window lists at most 255 pages of 30.
    QVERIFY(sample_.size() <= 255 * CellsPerPage);
}

void TestCorpusWindows::cleanupTestCase()
{
    cwd_.reset();
    qInstallMessageHandler(testHandler);
}

std::optional<QSize> TestCorpusWindows::wholePicture(const QString& name)
{
    auto it = whole_.constFind(name);
    if (it != whole_.constEnd())
        return *it;
    const PictureResult r = pictures_.load(paths::join(folder_, name));
    const std::optional<QSize> size = r.ok() ? std::optional<QSize>(r.image.size()) : std::nullopt;
    whole_.insert(name, size);
    return size;
}

bool TestCorpusWindows::reportIncidents(const char* part)
{
    for (const Incident& i : std::as_const(incidents_))
        std::printf("  FAILED %s on %s: %s\n", part, qPrintable(i.variant), qPrintable(i.what));
    std::fflush(stdout);
    const bool none = incidents_.isEmpty();
    incidents_.clear();
    return none;
}

// Every page of the folder of variants, as the user pages through it: each cell shows its name,
// and its picture or the broken mark exactly as the thumbnail loader decides. On each page the
// information menu opens on a broken cell (or the first), and the viewer opens on every cell:
// either it shows the picture or an error box says why, and no window stays behind.
void TestCorpusWindows::pagesMenuAndViewer()
{
    TestPlatform platform;
    SettingsRec rec;
    rec.set(SettingsRec::PathName, folder_);
    writeBytes(cwd_->file(SettingsFileName), rec.toBytes());
    VuModule module(platform.platform());
    VuMain main(module);
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    QCOMPARE(main.errNo(), 0);
    const int n = main.fileList().count();
    QCOMPARE(n, int(sample_.size()));
    const QStringList names = main.fileList().names();
    const QSize box = (QSizeF(main.ui().Img[0]->size()) * main.devicePixelRatioF()).toSize();
    const int pages = pageCount(n);

    Watchdog pageDog(StepLimit), viewerDog(StepLimit), menuDog(StepLimit);
    int pictures = 0, broken = 0, opened = 0, refused = 0, menus = 0;
    QElapsedTimer timer;
    timer.start();
    for (int page = 1; page <= pages; ++page) {
        const int first = firstEntryOfPage(page);
        pageDog.step(QStringLiteral("page %1 from %2").arg(page).arg(names[first]));
        if (page == 1)
            main.OkBtn_Click(0);
        else
            main.pageForward();
        pageDog.idle();
        QCOMPARE(int(main.pageNo()), page);
        QCOMPARE(main.panel(2), pageLabel(page, n));
        QCOMPARE(main.ui().PrgBar1->value(), 0);

        int menuCell = 0;
        for (int cell = 0; cell < CellsPerPage; ++cell) {
            if (first + cell >= n) {
                if (!main.ui().Img[cell]->isHidden() || !main.ui().ImgName[cell]->isHidden())
                    incident(
                        QStringLiteral("page %1 cell %2").arg(page).arg(cell), QStringLiteral("shown past the end"));
                continue;
            }
            const QString& name = names[first + cell];
            const QString path = paths::join(folder_, name);
            if (main.ui().Img[cell]->isHidden() || main.ui().ImgName[cell]->isHidden()
                || main.ui().ImgName[cell]->text() != name)
                incident(name, QStringLiteral("cell %1 does not show its name").arg(cell));
            const bool readable = pictures_.loadScaled(path, box).ok();
            if (readable && !main.ui().Img[cell]->hasPicture())
                incident(name, QStringLiteral("a readable picture shows no thumbnail"));
            if (!readable && (main.ui().Img[cell]->hasPicture() || main.ui().Img[cell]->emptyText() != Broken))
                incident(name, QStringLiteral("an unreadable picture shows no broken mark"));
            if (main.ui().Img[cell]->hasPicture())
                ++pictures;
            else
                ++broken;
            if (!readable && menuCell == 0)
                menuCell = cell;
        }

        // The information menu on a broken cell: it names the file, which still exists.
        if (first + menuCell < n) {
            const QString& name = names[first + menuCell];
            menuDog.step(QStringLiteral("menu on %1").arg(name));
            const QStringList captions
                = menuCaptions([&] { main.img_MouseDown(menuCell, Qt::RightButton, {}, QPoint(4, 4)); });
            menuDog.idle();
            ++menus;
            if (captions.value(2) != asMenuText(QStringLiteral("名称　") + name)
                || captions.value(3).size() <= QStringLiteral("日付　").size()
                || !captions.value(4).startsWith(QStringLiteral("属性　")))
                incident(name, QStringLiteral("menu: ") + captions.join(u'|'));
            if (module.SelPage != page || module.SelCell != menuCell)
                incident(name, QStringLiteral("the menu did not note its cell"));
        }

        // The viewer on every cell of the page, found the way the viewer finds its file.
        for (int cell = 0; cell < CellsPerPage && first + cell < n; ++cell) {
            const QString& name = names[first + cell];
            const QString path = paths::join(folder_, name);
            const std::optional<QSize> expected = wholePicture(name);
            module.SelPage = quint8(page);
            module.SelCell = quint8(cell);
            const qsizetype asked = platform.dialogs.asked.size();
            viewerDog.step(QStringLiteral("viewer on %1").arg(name));
            {
                VuView view(module, &main, main.cellFile(cell));
                // A large picture opens on its first view; whether the whole one can be shown
                // is known once it is decoded.
                if (!QTest::qWaitFor([&] { return !view.busy(); }, int(StepLimit.count())))
                    incident(name, QStringLiteral("the viewer never finished decoding"));
                if (view.loaded()) {
                    ++opened;
                    if (!expected)
                        incident(name, QStringLiteral("the viewer opened what cannot be read"));
                    else if (view.ui().Picture1->size() != *expected)
                        incident(name, QStringLiteral("the viewer shows a wrong size"));
                    if (view.windowTitle() != name)
                        incident(name, QStringLiteral("viewer caption ") + view.windowTitle());
                    // Magnified, painted, and back to the natural size.
                    view.Text1_KeyPress(u'+');
                    view.grab();
                    for (char key : {'+', '-', '-', '-'})
                        view.Text1_KeyPress(key);
                    if (view.state().zoom != 1.0 || view.windowTitle() != zoom::caption(name, 1.0))
                        incident(name, QStringLiteral("viewer steps end at ") + view.windowTitle());
                } else {
                    ++refused;
                    if (expected)
                        incident(name, QStringLiteral("the viewer refused a readable picture"));
                    if (platform.dialogs.asked.size() != asked + 1)
                        incident(name, QStringLiteral("%1 message boxes").arg(platform.dialogs.asked.size() - asked));
                    else {
                        const ScriptedDialogs::Question& q = platform.dialogs.asked.last();
                        if (q.icon != MsgIcon::Error || q.owner != &main || !q.text.endsWith(path)
                            || !q.text.startsWith(QStringLiteral("画像を表示できません。\n")))
                            incident(name, QStringLiteral("error box: ") + q.text);
                    }
                    if (view.isVisible())
                        incident(name, QStringLiteral("a refused viewer is on the screen"));
                }
            }
            viewerDog.idle();
            if (!main.findChildren<VuView*>().isEmpty())
                incident(name, QStringLiteral("a viewer stayed behind"));
        }
    }
    main.Form_Unload();

    std::printf(
        "corpus windows: %d of %d variants (every %d), %.1f s\n", n, variants_, stride(), timer.elapsed() / 1000.0);
    std::printf("  thumbnail pages  %d pages: %d pictures, %d broken marks; slowest page %lld ms (%s)\n", pages,
        pictures, broken, static_cast<long long>(pageDog.slowestMs()), qPrintable(pageDog.slowest()));
    std::printf("  information menu %d menus, one a page; slowest %lld ms\n", menus,
        static_cast<long long>(menuDog.slowestMs()));
    const QString slowestViewed = viewerDog.slowest().section(u' ', 2);
    const QSize slowestSize = wholePicture(slowestViewed).value_or(QSize());
    std::printf("  viewer           %d opened, %d refused with an error box; slowest %lld ms (%s, %d x %d)\n", opened,
        refused, static_cast<long long>(viewerDog.slowestMs()), qPrintable(slowestViewed), slowestSize.width(),
        slowestSize.height());
    QVERIFY(reportIncidents("pages, menu or viewer"));
    QCOMPARE(pictures + broken, n);
    QCOMPARE(opened + refused, n);
    QVERIFY2(broken > 0 && refused > 0, "the corpus holds unreadable pictures");
    QVERIFY2(pictures > 0 && opened > 0, "the corpus holds readable pictures");
}

// Slide shows on folders of at most 256 variants each (a show plays a folder's first 256),
// ticked by hand, every other show decoding ahead: the pictures that can be read appear in list
// order at their natural size, the others are passed over, and each show ends by itself.
void TestCorpusWindows::slideShows()
{
    TestPlatform platform;
    SettingsRec rec;
    rec.set(SettingsRec::PathName, folder_);
    rec.set(SettingsRec::SlideSec, QStringLiteral("1"));
    writeBytes(cwd_->file(SettingsFileName), rec.toBytes());
    VuModule module(platform.platform());
    QWidget owner;  // the main window, hidden while a show plays

    // The folders, filled in the order the lists sort the names, by links to the variants.
    QStringList sorted = sample_;
    std::sort(sorted.begin(), sorted.end(), [](const QString& a, const QString& b) {
        const int c = a.compare(b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
    QStringList folders;
    for (int i = 0; i < sorted.size(); ++i) {
        if (i % MaxSlides == 0) {
            folders << cwd_->file(QStringLiteral("show%1").arg(folders.size(), 3, 10, QLatin1Char('0')));
            QVERIFY(QDir().mkpath(folders.last()));
        }
        const QByteArray from = QFile::encodeName(paths::join(folder_, sorted[i]));
        const QByteArray to = QFile::encodeName(paths::join(folders.last(), sorted[i]));
        QVERIFY(::link(from.constData(), to.constData()) == 0);
    }

    Watchdog tickDog(StepLimit);
    int shown = 0, skipped = 0, ticks = 0;
    QElapsedTimer timer;
    timer.start();
    for (int f = 0; f < folders.size(); ++f) {
        const bool ahead = f % 2 == 0;
        auto* clock = new ManualSlideTimer;
        module.folder().takeStored(folders[f] + u'/');
        owner.hide();
        QPointer<VuSlide> slide = new VuSlide(module, &owner, {clock, ahead});
        slide->show();
        const QStringList names = slide->fileList().names();
        QStringList expected;
        for (const QString& name : names) {
            if (wholePicture(name))
                expected << name;
        }
        QStringList seen;
        for (int tick = 0; tick <= names.size() + 1 && slide && !owner.isVisible(); ++tick) {
            tickDog.step(QStringLiteral("show %1 (%2), tick %3 after %4")
                             .arg(f)
                             .arg(ahead ? QStringLiteral("decoding ahead") : QStringLiteral("decoding on the tick"))
                             .arg(tick)
                             .arg(seen.value(seen.size() - 1, QStringLiteral("the start"))));
            clock->fire();
            QVERIFY(QTest::qWaitFor([&] { return !slide || !slide->busy(); }, int(StepLimit.count())));
            tickDog.idle();
            ++ticks;
            if (!slide || owner.isVisible())
                break;
            const QString name = slide->ui().Label1->text();
            seen << name;
            const std::optional<QSize> size = wholePicture(name);
            if (!size)
                incident(name, QStringLiteral("the show put up what cannot be read"));
            else if (!slide->ui().imgScr->isVisible() || slide->ui().imgScr->size() != *size)
                incident(name, QStringLiteral("the show put it up at the wrong size"));
        }
        QVERIFY2(owner.isVisible(), "the show ended by itself and brought the main window back");
        QVERIFY(QTest::qWaitFor([&] { return slide.isNull(); }, 5000));
        if (seen != expected) {
            incident(folders[f],
                QStringLiteral("shown %1 of %2 expected, first difference at %3")
                    .arg(seen.size())
                    .arg(expected.size())
                    .arg(std::mismatch(seen.begin(), seen.end(), expected.begin(), expected.end()).first
                        - seen.begin()));
        }
        shown += int(seen.size());
        skipped += int(names.size() - seen.size());
    }

    std::printf("corpus slide shows: %d of %d variants (every %d) in %d shows, %d ticks, %.1f s\n", int(sample_.size()),
        variants_, stride(), int(folders.size()), ticks, timer.elapsed() / 1000.0);
    std::printf("  %d shown, %d passed over; slowest tick %lld ms (%s)\n", shown, skipped,
        static_cast<long long>(tickDog.slowestMs()), qPrintable(tickDog.slowest()));
    QVERIFY(reportIncidents("slide show"));
    QCOMPARE(shown + skipped, int(sample_.size()));
    QVERIFY(shown > 0 && skipped > 0);
}

QTEST_MAIN(TestCorpusWindows)
#include "tst_corpuswindows.moc"
