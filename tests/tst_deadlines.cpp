// The file and picture services with deadlines, on a volume whose server is stopped: a call
// that does not answer fails as on a volume that is not ready, the volume is asked whether it
// answers at all, and once it does not, every call on it fails at once.
#include "platform/deadlines.h"
#include "platform/paths.h"
#include "platform/posixfiles.h"
#include "support/hungmount.h"
#include "support/testsupport.h"
#include "support/watchdog.h"

#include <QApplication>
#include <QTest>

#include <future>
#include <memory>

using namespace vu;
using namespace vu::testing;
using namespace std::chrono_literals;
using namespace Qt::StringLiterals;

class TestDeadlines : public QObject {
    Q_OBJECT
private slots:
    void callsThatDoNotAnswerSilenceTheirVolumeOnly();
    void everyCallOnASilentVolumeFailsAtOnce_data();
    void everyCallOnASilentVolumeFailsAtOnce();
    void cleanupTestCase();

private:
    // One share for the table, hung and found silent once: its rows cost no wait each.
    bool silenceShare();
    std::unique_ptr<HungMount> silent_;
    std::unique_ptr<QtVolumes> volumes_;
    QString previousCwd_;
};

bool TestDeadlines::silenceShare()
{
    if (silent_)
        return silent_->ok();
    silent_ = std::make_unique<HungMount>();
    if (!silent_->ok())
        return false;
    writePicture(silent_->source() + u"/a.bmp"_s, QSize(8, 8), "bmp");
    // The working folder lies on the share: relative paths are taken there.
    previousCwd_ = QDir::currentPath();
    QDir::setCurrent(silent_->mountPoint());
    volumes_ = std::make_unique<QtVolumes>();
    silent_->stop();
    Watchdog watchdog(60s);
    watchdog.step(u"the share asked once"_s);
    return !volumes_->isReady(silent_->mountPoint());
}

void TestDeadlines::cleanupTestCase()
{
    if (!previousCwd_.isEmpty())
        QDir::setCurrent(previousCwd_);
    silent_.reset();
    volumes_.reset();
}

void TestDeadlines::callsThatDoNotAnswerSilenceTheirVolumeOnly()
{
    Watchdog watchdog(60s);
    TempCwd cwd;
    PosixFiles real;
    QtVolumes volumes;
    DeadlineFiles files(real, volumes);
    HungMount share;  // made last, gone first: it goes on before what its workers use goes
    if (!share.ok())
        QSKIP(qPrintable(share.why()));
    writePicture(share.source() + u"/a.bmp"_s, QSize(8, 8), "bmp");
    QVERIFY(QFile::link(share.mountPoint() + u"/a.bmp"_s, cwd.file(u"link.bmp"_s)));
    const int workers = blocking::runningWorkers();
    volumes.list();  // the share is known, answering
    QVERIFY(files.isDir(share.mountPoint()));
    share.stop();

    // Through a link into the share, a file of the working folder's volume does not answer;
    // that volume itself does, so it stays as it was.
    watchdog.step(u"a link into the hung share"_s);
    QVERIFY(!files.exists(cwd.file(u"link.bmp"_s)));
    QTRY_COMPARE(blocking::runningWorkers(), workers + 1);
    QVERIFY(!volumes.silentAt(cwd.path()));
    QVERIFY(files.isDir(cwd.path()));

    // On the share itself the call does not answer, nor does the share when asked: it is silent.
    watchdog.step(u"a file on the hung share"_s);
    QVERIFY(!files.exists(share.mountPoint() + u"/a.bmp"_s));
    QTRY_COMPARE(blocking::runningWorkers(), workers + 3);
    QVERIFY(volumes.silentAt(share.mountPoint()));
    watchdog.idle();
}

// Each call as it fails on a silent volume.
enum class Call {
    ReadRecord,
    WriteRecord,
    Modified,
    Attributes,
    CheckChangeable,
    Identity,
    Exists,
    IsDir,
    SameEntry,
    ListDir,
    FolderStamp,
    NaturalSize,
    Load,
    LoadScaled,
    LoadFitted,
    LoadFirstView,
    LoadOnAnotherThread,
};

void TestDeadlines::everyCallOnASilentVolumeFailsAtOnce_data()
{
    QTest::addColumn<Call>("call");
    QTest::addColumn<QString>("path");  // below the share's mount point; relative: in the working folder there
    QTest::addColumn<QString>("answer");
    QTest::newRow("readRecord") << Call::ReadRecord << u"/初期設定.ini"_s << u"68"_s;
    QTest::newRow("readRecord, relative") << Call::ReadRecord << u"初期設定.ini"_s << u"68"_s;
    QTest::newRow("writeRecord") << Call::WriteRecord << u"/初期設定.ini"_s << u"68"_s;
    QTest::newRow("modified") << Call::Modified << u"/a.bmp"_s << u"none"_s;
    QTest::newRow("attributes") << Call::Attributes << u"/a.bmp"_s << u"none"_s;
    QTest::newRow("checkChangeable") << Call::CheckChangeable << u"/a.bmp"_s << u"68"_s;
    QTest::newRow("identity") << Call::Identity << u"/a.bmp"_s << u"none"_s;
    QTest::newRow("exists") << Call::Exists << u"/a.bmp"_s << u"false"_s;
    QTest::newRow("isDir") << Call::IsDir << u""_s << u"false"_s;
    QTest::newRow("sameEntry") << Call::SameEntry << u"/a.bmp"_s << u"false"_s;
    QTest::newRow("listDir") << Call::ListDir << u""_s << u"68"_s;
    QTest::newRow("folderStamp") << Call::FolderStamp << u""_s << u"none"_s;
    QTest::newRow("naturalSize") << Call::NaturalSize << u"/a.bmp"_s << u"none"_s;
    QTest::newRow("load") << Call::Load << u"/a.bmp"_s << u"68"_s;
    QTest::newRow("load drop.ico, relative") << Call::Load << u"drop.ico"_s << u"68"_s;
    QTest::newRow("loadScaled") << Call::LoadScaled << u"/a.bmp"_s << u"68"_s;
    QTest::newRow("loadFitted") << Call::LoadFitted << u"/a.bmp"_s << u"68"_s;
    QTest::newRow("loadFirstView") << Call::LoadFirstView << u"/a.bmp"_s << u"68"_s;
    QTest::newRow("load on another thread") << Call::LoadOnAnotherThread << u"/a.bmp"_s << u"68"_s;
}

void TestDeadlines::everyCallOnASilentVolumeFailsAtOnce()
{
    QFETCH(Call, call);
    QFETCH(QString, path);
    QFETCH(QString, answer);
    if (!silenceShare())
        QSKIP(qPrintable(silent_->why()));
    HungMount& share = *silent_;
    Watchdog watchdog(60s);
    PosixFiles real;
    QtPictures qt;
    DeadlineFiles files(real, *volumes_);
    DeadlinePictures pictures(qt, *volumes_);
    watchdog.step(QString::fromLatin1(QTest::currentDataTag()));
    const int workers = blocking::runningWorkers();
    const QString at = path.startsWith(u'/') ? share.mountPoint() + path : path;
    const auto status = [](const FsStatus& s) { return QString::number(s.error); };
    const auto picture = [](const PictureResult& r) { return QString::number(r.error); };
    const auto some = [](bool has) { return has ? u"some"_s : u"none"_s; };
    const auto truth = [](bool b) { return b ? u"true"_s : u"false"_s; };
    QString got;
    switch (call) {
    case Call::ReadRecord: {
        QByteArray bytes("left over");
        got = status(files.readRecord(at, 128, &bytes));
        QVERIFY(bytes.isEmpty());
        break;
    }
    case Call::WriteRecord:
        got = status(files.writeRecord(at, QByteArray(128, ' ')));
        break;
    case Call::Modified:
        got = some(files.modified(at).has_value());
        break;
    case Call::Attributes:
        got = some(files.attributes(at).has_value());
        break;
    case Call::CheckChangeable:
        got = status(files.checkChangeable(at));
        break;
    case Call::Identity:
        got = some(files.identity(at).has_value());
        break;
    case Call::Exists:
        got = truth(files.exists(at));
        break;
    case Call::IsDir:
        got = truth(files.isDir(at));
        break;
    case Call::SameEntry:
        got = truth(files.sameEntry(share.source() + path, at));
        break;
    case Call::ListDir: {
        std::vector<DirEntry> entries{{u"left over"_s, false}};
        got = status(files.listDir(at, &entries));
        QVERIFY(entries.empty());
        break;
    }
    case Call::FolderStamp:
        got = some(files.folderStamp(at).has_value());
        break;
    case Call::NaturalSize:
        got = some(pictures.naturalSize(at).has_value());
        break;
    case Call::Load:
        got = picture(pictures.load(at));
        break;
    case Call::LoadScaled:
        got = picture(pictures.loadScaled(at, QSize(4, 4)));
        break;
    case Call::LoadFitted:
        got = picture(pictures.loadFitted(at, QSize(4, 4)));
        break;
    case Call::LoadFirstView:
        got = picture(pictures.loadFirstView(at, QImage()));
        break;
    case Call::LoadOnAnotherThread:
        got = picture(std::async(std::launch::async, [&] { return pictures.load(at); }).get());
        break;
    }
    QCOMPARE(got, answer);
    QTRY_COMPARE(blocking::runningWorkers(), workers);  // nothing asked the share again
    watchdog.idle();
}

VUTARA_HUNG_MOUNT_TEST_MAIN(QApplication, TestDeadlines)
#include "tst_deadlines.moc"
