// The windows with a volume mounted whose server is stopped, as a network share that stopped
// answering: they are built and shown, re-read their lists, snap back from the share chosen in a
// drive list, open their choosers and point their panes, and the share costs each of them at
// most its deadline, once; after that it is treated as not ready without being asked again,
// until the user chooses it. A watchdog names any step that hangs instead.
#include "batch/vuconv.h"
#include "browser/vumain.h"
#include "platform/blocking.h"
#include "platform/testing/doubles.h"
#include "support/hungmount.h"
#include "support/mainfixture.h"
#include "support/testsupport.h"
#include "support/watchdog.h"
#include "viewer/vuview.h"
#include "widgets/busywindows.h"

#include <QApplication>
#include <QFileDialog>
#include <QTest>

#include <atomic>
#include <thread>

using namespace vu;
using namespace vu::testing;
using namespace std::chrono_literals;
using namespace Qt::StringLiterals;

namespace {

// Where a row's folder lies.
enum class Where { Elsewhere, OnShare, WorkingFolderOnShare };

QList<QFileDialog*> hiddenFileDialogs()
{
    QList<QFileDialog*> out;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* d = qobject_cast<QFileDialog*>(w); d && !d->isVisible())
            out << d;
    }
    return out;
}

}  // namespace

class TestHungVolume : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { BusyWindows::install(); }
    void init();
    void cleanup();

    void startUp_data();
    void startUp();
    void activation_data();
    void activation();
    void shareChosenInTheDriveList();
    void choosers_data();
    void choosers();
    void batchPane_data();
    void batchPane();
    void viewerRefusesAtOnce();
    void batchRunStuckOnTheShare();
    void pageWithALinkIntoTheShare();

private:
    MainFixture f_;
    // Destroyed first: the share goes on before the windows and services its workers use go.
    std::unique_ptr<HungMount> share_;
    std::unique_ptr<Watchdog> watchdog_;
    QString photos_;  // a folder of two pictures on the share
    QString pictures_;  // a folder of three pictures elsewhere
};

void TestHungVolume::init()
{
    f_.setUp();
    share_ = std::make_unique<HungMount>();
    if (!share_->ok())
        QSKIP(qPrintable(share_->why()));
    watchdog_ = std::make_unique<Watchdog>(60s);
    writePictures(share_->source() + u"/photos"_s, 2, "jpg");
    photos_ = share_->mountPoint() + u"/photos"_s;
    pictures_ = f_.folder(u"pictures"_s);
    writePictures(pictures_, 3, "jpg");
}

void TestHungVolume::cleanup()
{
    watchdog_.reset();
    share_.reset();
    f_.tearDown();
}

void TestHungVolume::startUp_data()
{
    QTest::addColumn<Where>("stored");
    QTest::addColumn<int>("errNo");  // of the start-up
    QTest::addColumn<QString>("listed");  // the folder list's folder: "pictures", "working folder", or none
    QTest::addColumn<int>("storedAtExit");  // the error number of storing the settings
    QTest::newRow("a folder elsewhere stored") << Where::Elsewhere << 0 << u"pictures"_s << 0;
    QTest::newRow("a folder on the share stored")
        << Where::OnShare << int(err::DeviceUnavailable) << u"working folder"_s << 0;
    // Nothing the lists could reach: they stay empty, and the drives can be chosen.
    QTest::newRow("working folder on the share")
        << Where::WorkingFolderOnShare << int(err::DeviceUnavailable) << QString() << int(err::DeviceUnavailable);
}

void TestHungVolume::startUp()
{
    QFETCH(Where, stored);
    QFETCH(int, errNo);
    QFETCH(QString, listed);
    QFETCH(int, storedAtExit);
    f_.storeStartFolder(stored == Where::Elsewhere ? pictures_ : photos_);
    if (stored == Where::WorkingFolderOnShare) {
        QVERIFY(QFile::copy(f_.folder(SettingsFileName), share_->source() + u"/photos/"_s + SettingsFileName));
        QVERIFY(QDir::setCurrent(photos_));
    }
    share_->stop();
    const int workers = blocking::runningWorkers();

    watchdog_->step(u"building and showing the main window"_s);
    f_.main = std::make_unique<VuMain>(*f_.module);
    VuMain& main = *f_.main;
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    QCOMPARE(main.errNo(), errNo);
    // The drive list lists the share by its mount point, not ready.
    QVERIFY(main.ui().DrvList->findData(share_->mountPoint()) >= 0);
    const QList<Volume> volumes = f_.module->volumes().list();
    const auto share
        = std::find_if(volumes.begin(), volumes.end(), [&](const Volume& v) { return v.root == share_->mountPoint(); });
    QVERIFY(share != volumes.end() && !share->ready);
    QCOMPARE(main.ui().DirList->path(),
        listed == u"pictures"_s ? pictures_
            : listed.isEmpty()  ? QString()
                                : f_.cwd->path());
    if (listed == u"pictures"_s)
        QCOMPARE(main.panel(1), u"データ数：3"_s);
    // One question to the share, left behind; the rest knew it as not ready.
    QTRY_COMPARE(blocking::runningWorkers(), workers + 1);

    watchdog_->step(u"storing the settings at exit"_s);
    QCOMPARE(main.Form_Unload().error, storedAtExit);
    QTRY_COMPARE(blocking::runningWorkers(), workers + 1);
    QVERIFY(QDir::setCurrent(f_.cwd->path()));
    watchdog_->idle();
}

void TestHungVolume::activation_data()
{
    QTest::addColumn<Where>("shown");  // where the lists are when the share hangs
    QTest::newRow("lists elsewhere") << Where::Elsewhere;
    QTest::newRow("lists on the share") << Where::OnShare;
}

void TestHungVolume::activation()
{
    QFETCH(Where, shown);
    const int workers = blocking::runningWorkers();
    f_.open(shown == Where::Elsewhere ? pictures_ : photos_);
    VuMain& main = *f_.main;
    QCOMPARE(main.ui().DirList->path(), shown == Where::Elsewhere ? pictures_ : photos_);
    share_->stop();

    // The lists are re-read at each activation: the share, known since start-up, is not asked
    // again for them; lists on it climb out of it, to the folder that holds its mount point.
    watchdog_->step(u"the first activation after the share hung"_s);
    main.Form_Activate();
    const QString mountFolder = QFileInfo(share_->mountPoint()).path();
    QCOMPARE(main.ui().DirList->path(), shown == Where::Elsewhere ? pictures_ : mountFolder);
    QCOMPARE(main.panel(1), shown == Where::Elsewhere ? u"データ数：3"_s : u"データ数：0"_s);
    // The lists on the share asked it once, and the share itself once, then knew it silent.
    const int asked = shown == Where::Elsewhere ? 0 : 2;
    QTRY_COMPARE(blocking::runningWorkers(), workers + asked);

    watchdog_->step(u"the activations after it"_s);
    main.Form_Activate();
    main.Form_Activate();
    QTRY_COMPARE(blocking::runningWorkers(), workers + asked);
    QCOMPARE(main.ui().DirList->path(), shown == Where::Elsewhere ? pictures_ : mountFolder);
    watchdog_->idle();
}

void TestHungVolume::shareChosenInTheDriveList()
{
    const int before = blocking::runningWorkers();
    share_->stop();
    watchdog_->step(u"start-up"_s);
    VuMain& main = f_.open(pictures_);
    const QString drive = main.ui().DrvList->drive();
    const int at = main.ui().DrvList->findData(share_->mountPoint());
    QVERIFY(at >= 0);
    const int workers = before + 1;  // start-up asked the share once
    auto choose = [&] {
        main.ui().DrvList->setCurrentIndex(at);
        emit main.ui().DrvList->activated(at);  // as when the user picks it
    };

    // Each choice asks the share again; while it does not answer, the list snaps back silently.
    for (int i = 1; i <= 2; ++i) {
        watchdog_->step(u"the hung share chosen, time %1"_s.arg(i));
        choose();
        QCOMPARE(main.ui().DrvList->drive(), drive);
        QCOMPARE(main.ui().DrvList->currentData().toString(), drive);
        QCOMPARE(main.ui().DirList->path(), pictures_);
        QTRY_COMPARE(blocking::runningWorkers(), workers + i);
    }
    QVERIFY(f_.platform->dialogs.asked.isEmpty());

    watchdog_->step(u"the share chosen once it answers again"_s);
    share_->resume();
    QTRY_COMPARE(blocking::runningWorkers(), before);
    choose();
    QCOMPARE(main.ui().DrvList->drive(), share_->mountPoint());
    QCOMPARE(main.ui().DirList->path(), share_->mountPoint());
    watchdog_->idle();
}

void TestHungVolume::choosers_data()
{
    QTest::addColumn<bool>("fileDialog");  // the file dialog, else the folder chooser
    QTest::addColumn<QString>("start");  // "share", "mount folder" (the folder holding its mount point), "home"
    QTest::addColumn<bool>("chosenOnShareBefore");  // a folder on the share was chosen while it answered
    QTest::addColumn<QString>("opensIn");
    QTest::addColumn<bool>("leftBehind");  // the closed chooser is kept, not destroyed
    QTest::newRow("folder chooser on the share") << false << u"share"_s << false << u"home"_s << false;
    QTest::newRow("file dialog on the share") << true << u"share"_s << false << u"home"_s << false;
    QTest::newRow("folder chooser beside the share")
        << false << u"mount folder"_s << false << u"mount folder"_s << true;
    QTest::newRow("folder chooser after a folder on the share was chosen")
        << false << u"home"_s << true << u"home"_s << false;
    QTest::newRow("file dialog after a folder on the share was chosen")
        << true << u"home"_s << true << u"home"_s << false;
}

void TestHungVolume::choosers()
{
    QFETCH(bool, fileDialog);
    QFETCH(QString, start);
    QFETCH(bool, chosenOnShareBefore);
    QFETCH(QString, opensIn);
    QFETCH(bool, leftBehind);
    const QString mountFolder = QFileInfo(share_->mountPoint()).path();
    auto folderOf = [&](const QString& place) {
        return place == u"share"_s ? photos_ : place == u"mount folder"_s ? mountFolder : QDir::homePath();
    };
    QtDialogs dialogs;
    // Answers the chooser once it shows: notes the folder it shows, chooses `choice` or cancels.
    QString shownIn;
    auto answer = [&](const QString& choice) {
        whenShown([] { return qobject_cast<QFileDialog*>(QApplication::activeModalWidget()); },
            [&shownIn, choice](QWidget* w) {
                auto* d = static_cast<QFileDialog*>(w);
                shownIn = d->directory().path();
                if (choice.isEmpty()) {
                    d->reject();
                } else {
                    d->selectFile(choice);
                    static_cast<QDialog*>(d)->accept();
                }
            },
            20000);
    };
    if (chosenOnShareBefore) {
        watchdog_->step(u"a folder on the share chosen while it answers"_s);
        answer(photos_);
        QCOMPARE(dialogs.chooseFolder(nullptr, u"フォルダを選択してください"_s, share_->mountPoint()), photos_);
    }
    share_->stop();
    const int kept = int(hiddenFileDialogs().size());

    watchdog_->step(u"the chooser opened and closed, the share hung"_s);
    answer(QString());
    if (fileDialog) {
        QCOMPARE(
            dialogs.chooseFile(nullptr, u"ファイルを指定してください"_s, folderOf(start), {u"ｲﾒｰｼﾞ(all) (*.jpg)"_s}, 0),
            std::nullopt);
    } else {
        QCOMPARE(dialogs.chooseFolder(nullptr, u"フォルダを選択してください"_s, folderOf(start)), QString());
    }
    QCOMPARE(shownIn, folderOf(opensIn));
    QCOMPARE(int(hiddenFileDialogs().size()), kept + (leftBehind ? 1 : 0));
    watchdog_->idle();
}

void TestHungVolume::batchPane_data()
{
    QTest::addColumn<bool>("openedOnShare");  // else the share is chosen in the target pane's drive list
    QTest::newRow("opened on the share") << true;
    QTest::newRow("the share chosen in a pane") << false;
}

void TestHungVolume::batchPane()
{
    QFETCH(bool, openedOnShare);
    f_.module->folder().takeStored(openedOnShare ? photos_ : pictures_);
    share_->stop();

    watchdog_->step(u"the batch window opened"_s);
    const int workers = blocking::runningWorkers();
    auto* w = new VuConv(*f_.module);
    const std::unique_ptr<VuConv> closing(w);
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    const QString panes = openedOnShare ? f_.cwd->path() : pictures_;
    QCOMPARE(w->ui().DirList[0]->path(), panes);
    QCOMPARE(w->ui().DirList[1]->path(), panes);
    QTRY_COMPARE(blocking::runningWorkers(), workers + 1);  // the share asked once, when first listed
    if (!openedOnShare) {
        watchdog_->step(u"the share chosen in the target pane"_s);
        const int at = w->ui().DrvList[1]->findData(share_->mountPoint());
        QVERIFY(at >= 0);
        const QString drive = w->ui().DrvList[1]->drive();
        w->ui().DrvList[1]->setCurrentIndex(at);
        emit w->ui().DrvList[1]->activated(at);
        QCOMPARE(w->ui().DrvList[1]->drive(), drive);
        QCOMPARE(w->ui().DirList[1]->path(), pictures_);
        QCOMPARE(w->ui().filSu[1]->text(), u"3"_s);
        QTRY_COMPARE(blocking::runningWorkers(), workers + 2);
    }
    QVERIFY(f_.platform->dialogs.asked.isEmpty());
    watchdog_->idle();
}

void TestHungVolume::viewerRefusesAtOnce()
{
    share_->stop();
    QVERIFY(!f_.module->volumes().isReady(share_->mountPoint()));
    const int workers = blocking::runningWorkers();
    watchdog_->step(u"the viewer on a picture of the hung share"_s);
    const QString file = photos_ + u"/img0000.jpg"_s;
    VuView view(*f_.module, nullptr, file);
    QVERIFY(!view.loaded());
    QCOMPARE(f_.platform->dialogs.asked.size(), 1);
    QCOMPARE(f_.platform->dialogs.asked[0].title, u"画像の表示"_s);
    QCOMPARE(f_.platform->dialogs.asked[0].text, viewerErrorText(file, err::DeviceUnavailable));
    QTRY_COMPARE(blocking::runningWorkers(), workers);
    watchdog_->idle();
}

void TestHungVolume::batchRunStuckOnTheShare()
{
    // A copy whose share stops answering in the middle of the run holds the run's own thread,
    // not the windows: they go on taking events meanwhile, and the run ends once the share
    // answers again.
    f_.module->folder().takeStored(photos_);
    auto* w = new VuConv(*f_.module);
    const std::unique_ptr<VuConv> closing(w);
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    QVERIFY(w->ui().DirList[1]->setPath(pictures_).ok());
    QCOMPARE(w->ui().filSu[0]->text(), u"2"_s);

    std::atomic<bool> served = false;
    std::thread later;
    f_.platform->files.before = [&](FaultyFiles::Op op, const QString&) {
        if (op != FaultyFiles::Op::Copy || later.joinable())
            return;
        share_->stop();
        later = std::thread([&] {
            std::this_thread::sleep_for(1s);  // the copy is stuck on the share by now
            QMetaObject::invokeMethod(
                w, [&] { served = true; }, Qt::BlockingQueuedConnection);
            share_->resume();
        });
    };
    f_.platform->dialogs.answerMessage(MsgAnswer::Ok);
    watchdog_->step(u"a copy from the share, which stops answering"_s);
    w->mnuSyoriCopy_Click();
    f_.platform->files.before = nullptr;
    QVERIFY(later.joinable());
    later.join();
    QVERIFY(served);
    QCOMPARE(QDir(pictures_).entryList(QDir::Files).size(), 5);
    watchdog_->idle();
}

// A folder of 29 pictures and a link to a picture on the hung share: the page completes, the link's
// cell marked as unreadable, and the other 29 show; the link's picture, tried again on the next
// draw, shows once the share answers.
void TestHungVolume::pageWithALinkIntoTheShare()
{
    const QString folder = f_.folder(u"page"_s);
    const QStringList names = writePictures(folder, CellsPerPage, "jpg");
    const int linked = 12;
    QVERIFY(QFile::remove(folder + u'/' + names[linked]));
    QVERIFY(QFile::link(photos_ + u"/img0000.jpg"_s, folder + u'/' + names[linked]));
    VuMain& main = f_.open(folder);
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    main.grid().setPatience(1s);
    share_->stop();

    watchdog_->step(u"a page holding a link into the hung share"_s);
    main.OkBtn_Click(0);
    for (int i = 0; i < CellsPerPage; ++i) {
        QCOMPARE(main.ui().ImgName[i]->text(), names[i]);
        QCOMPARE(main.ui().Img[i]->hasPicture(), i != linked);
    }
    QCOMPARE(main.ui().Img[linked]->emptyText(), u"読込不可"_s);

    watchdog_->step(u"the page drawn again once the share answers"_s);
    share_->resume();
    main.OkBtn_Click(0);
    QVERIFY(main.ui().Img[linked]->hasPicture());
    watchdog_->idle();
}

VUTARA_HUNG_MOUNT_TEST_MAIN(QApplication, TestHungVolume)
#include "tst_hungvolume.moc"
