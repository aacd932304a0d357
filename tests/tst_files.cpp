// The file service: copies that never leave partial or lost files, exclusive renames,
// listings, times and attributes.
#include "platform/blocking.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/platform.h"
#include "platform/trash.h"
#include "support/hungmount.h"
#include "support/testsupport.h"
#include "support/watchdog.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTest>
#include <QThread>

#include <csignal>

#include <grp.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace vu;
using namespace vu::testing;

class TestFiles : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        cwd_ = std::make_unique<TempCwd>();
        // The home trash of these tests is their own.
        qputenv("XDG_DATA_HOME", QFile::encodeName(file(QStringLiteral("data"))));
    }
    void cleanup()
    {
        qunsetenv("XDG_DATA_HOME");
        cwd_.reset();
    }

    void copyKeepsContentAndTime();
    void copyModes_data();
    void copyModes();
    void copyKeepsHoles_data();
    void copyKeepsHoles();
    void leftoverTemporaries_data();
    void leftoverTemporaries();
    void temporaryGoesWhenTheProgramIsEnded_data();
    void temporaryGoesWhenTheProgramIsEnded();
    void copyOntoItself_data();
    void copyOntoItself();
    void removeOnlyWhatWasRead_data();
    void removeOnlyWhatWasRead();
    void errorReasons_data();
    void errorReasons();
    void fileSizeLimitFailsLikeAFullDisk();
    void failedCopyLeavesNothing();
    void copyIntoVanishedFolder();
    void renameNeverReplaces();
    void removeRefusesFolders();
    void listingSkipsUndecodableNamesAndBrokenLinks();
    void listingGoesOnPastLinksIntoAHungVolume();
    void attributes_data();
    void attributes();
    void readOnlyFollowsTheUsersGroups_data();
    void readOnlyFollowsTheUsersGroups();
    void pathsWithNulAreRefused();
    void joinAndDrop_data();
    void joinAndDrop();
    void listingReuse_data();
    void listingReuse();
    void listingSeesChanges();
    void trashInfoText_data();
    void trashInfoText();
    void parseTrashInfo_data();
    void parseTrashInfo();
    void trashOfEachVolume_data();
    void trashOfEachVolume();
    void trashNeverReplacesAndPutsBack();

private:
    QString file(const QString& name) const { return cwd_->file(name); }
    QStringList visibleAndHidden() const
    {
        return QDir(cwd_->path()).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    }
    std::unique_ptr<TempCwd> cwd_;
    PosixFiles files_;
};

void TestFiles::copyKeepsContentAndTime()
{
    writeBytes(file(QStringLiteral("a.jpg")), QByteArray(300000, 'x'));
    const QDateTime old(QDate(2001, 2, 3), QTime(4, 5, 6));
    QFile f(file(QStringLiteral("a.jpg")));
    QVERIFY(f.open(QIODevice::ReadWrite));
    QVERIFY(f.setFileTime(old, QFileDevice::FileModificationTime));
    f.close();
    QVERIFY(files_.copyFile(file(QStringLiteral("a.jpg")), file(QStringLiteral("b.jpg")), Replace::Never).ok());
    QCOMPARE(readBytes(file(QStringLiteral("b.jpg"))), QByteArray(300000, 'x'));
    QCOMPARE(files_.modified(file(QStringLiteral("b.jpg"))), std::optional<QDateTime>(old));
    QCOMPARE(visibleAndHidden(), QStringList({QStringLiteral("a.jpg"), QStringLiteral("b.jpg")}));
}

void TestFiles::copyModes_data()
{
    QTest::addColumn<bool>("overwrite");
    QTest::addColumn<bool>("targetIsFolder");
    QTest::addColumn<int>("error");
    QTest::addColumn<QByteArray>("targetAfter");
    QTest::newRow("overwrite replaces") << true << false << int(err::None) << QByteArray("new");
    QTest::newRow("never keeps existing") << false << false << int(err::FileExists) << QByteArray("old");
    QTest::newRow("overwrite refuses a folder") << true << true << int(err::PathFileAccess) << QByteArray();
    QTest::newRow("never refuses a folder") << false << true << int(err::FileExists) << QByteArray();
}

void TestFiles::copyModes()
{
    QFETCH(bool, overwrite);
    QFETCH(bool, targetIsFolder);
    QFETCH(int, error);
    QFETCH(QByteArray, targetAfter);
    writeBytes(file(QStringLiteral("src")), "new");
    if (targetIsFolder)
        QDir().mkdir(file(QStringLiteral("dst")));
    else
        writeBytes(file(QStringLiteral("dst")), "old");
    const FsStatus s = files_.copyFile(
        file(QStringLiteral("src")), file(QStringLiteral("dst")), overwrite ? Replace::Overwrite : Replace::Never);
    QCOMPARE(s.error, error);
    if (!targetIsFolder)
        QCOMPARE(readBytes(file(QStringLiteral("dst"))), targetAfter);
    else
        QVERIFY(QFileInfo(file(QStringLiteral("dst"))).isDir());
    QCOMPARE(readBytes(file(QStringLiteral("src"))), QByteArray("new"));
    QVERIFY(!visibleAndHidden().join(u' ').contains(QStringLiteral(".vutara")));
}

void TestFiles::copyKeepsHoles_data()
{
    QTest::addColumn<bool>("sourceOnDisk");  // the source on its own small disk, else the target
    QTest::addColumn<bool>("oneVolume");  // both on that disk
    QTest::newRow("onto another file system") << false << false;
    QTest::newRow("from another file system") << true << false;
    QTest::newRow("on one file system") << true << true;
}

void TestFiles::copyKeepsHoles()
{
    // A gigabyte that holds a few kilobytes of data fits on a disk of a few megabytes, and
    // arrives with the same bytes where they were, holes included.
    QFETCH(bool, sourceOnDisk);
    QFETCH(bool, oneVolume);
    TmpfsMount disk(file(QStringLiteral("disk")), 8 << 20);
    if (!disk.ok())
        QSKIP("mounting a small disk needs the superuser");
    const QString source = (sourceOnDisk ? disk.path() : cwd_->path()) + QStringLiteral("/sparse.bmp");
    const QString target = (sourceOnDisk && !oneVolume ? cwd_->path() : disk.path()) + QStringLiteral("/copy.bmp");
    constexpr qint64 Size = qint64(1) << 30;
    const QList<qint64> dataAt = {0, 300 << 20, Size - 20};
    {
        QFile f(source);
        QVERIFY(f.open(QIODevice::WriteOnly));
        for (const qint64 at : dataAt) {
            QVERIFY(f.seek(at));
            const QByteArray mark = QByteArray::number(at) + "!";
            QCOMPARE(f.write(mark), qint64(mark.size()));
        }
        QVERIFY(f.resize(Size));
    }
    CopyRecord record;
    const FsStatus s = files_.copyFile(source, target, Replace::Never, &record);
    QVERIFY2(s.ok(), qPrintable(s.detail));
    struct stat st;
    QCOMPARE(::stat(QFile::encodeName(target).constData(), &st), 0);
    QCOMPARE(qint64(st.st_size), Size);
    QVERIFY2(qint64(st.st_blocks) * 512 < (1 << 20), qPrintable(QString::number(st.st_blocks)));
    QFile copy(target);
    QVERIFY(copy.open(QIODevice::ReadOnly));
    for (const qint64 at : dataAt) {
        QVERIFY(copy.seek(at));
        const QByteArray expected = QByteArray::number(at) + "!";
        QCOMPARE(copy.read(expected.size()), expected);
    }
    QVERIFY(copy.seek(100 << 20));
    QCOMPARE(copy.read(4096), QByteArray(4096, '\0'));
    QCOMPARE(record.copy.size, Size);
}

void TestFiles::leftoverTemporaries_data()
{
    QTest::addColumn<QString>("name");  // a file an earlier run left in the target folder
    QTest::addColumn<int>("ageHours");
    QTest::addColumn<bool>("heldOpen");  // by another process
    QTest::addColumn<bool>("removed");
    QTest::newRow("ours, two days old") << ".vutara-a.jpg.k3x9z.tmp" << 48 << false << true;
    QTest::newRow("ours, an hour old: a copy may still be running") << ".vutara-a.jpg.k3x9z.tmp" << 1 << false << false;
    QTest::newRow("ours, old, but open in another process") << ".vutara-a.jpg.k3x9z.tmp" << 48 << true << false;
    QTest::newRow("not of our form: another program's") << ".vutara-notes.tmp" << 48 << false << false;
    QTest::newRow("not of our form: a user's file") << "vutara-a.jpg.k3x9z.tmp" << 48 << false << false;
}

void TestFiles::leftoverTemporaries()
{
    // A copy killed on a file system without unnamed temporary files leaves its named one; the
    // next write into that folder removes it, but only when it is surely abandoned.
    QFETCH(QString, name);
    QFETCH(int, ageHours);
    QFETCH(bool, heldOpen);
    QFETCH(bool, removed);
    // A folder of its own for each row: each folder is looked at once per run.
    const QString folder = file(QStringLiteral("out-%1").arg(qHash(QByteArray(QTest::currentDataTag()))));
    QVERIFY(QDir().mkpath(folder));
    const QString left = folder + u'/' + name;
    writeBytes(left, "half a copy");
    QFile f(left);
    QVERIFY(f.open(QIODevice::ReadWrite));
    QVERIFY(f.setFileTime(QDateTime::currentDateTime().addSecs(-3600 * ageHours), QFileDevice::FileModificationTime));
    f.close();
    QProcess holder;
    if (heldOpen) {
        holder.start(QStringLiteral("/bin/sh"),
            {QStringLiteral("-c"), QStringLiteral("exec 3<\"$1\"; echo; sleep 60"), QStringLiteral("sh"), left});
        QVERIFY(holder.waitForReadyRead(10000));
    }
    writeBytes(file(QStringLiteral("a.jpg")), "picture");
    QVERIFY(files_.copyFile(file(QStringLiteral("a.jpg")), folder + QStringLiteral("/a.jpg"), Replace::Never).ok());
    QCOMPARE(QFileInfo::exists(left), !removed);
    QCOMPARE(readBytes(folder + QStringLiteral("/a.jpg")), QByteArray("picture"));
    if (heldOpen) {
        holder.kill();
        holder.waitForFinished();
    }
}

void TestFiles::temporaryGoesWhenTheProgramIsEnded_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGINT") << int(SIGINT);
}

void TestFiles::temporaryGoesWhenTheProgramIsEnded()
{
    // A FUSE file system makes no unnamed temporary files: a copy onto it writes a named one,
    // which goes with the program when the program is ended in the middle of the copy.
    QFETCH(int, signal);
    QVERIFY(QDir().mkpath(file(QStringLiteral("real"))));
    BindMount fuse(file(QStringLiteral("real")), file(QStringLiteral("fuse")), BindMount::Fuse);
    if (!fuse.ok())
        QSKIP("a FUSE mount needs the superuser and bindfs");
    const QString big = file(QStringLiteral("big.jpg"));
    writeBytes(big, QByteArray(64 << 20, 'b'));
    const QString target = fuse.path() + QStringLiteral("/big.jpg");
    const pid_t child = ::fork();
    if (child == 0) {
        // As a program starts: the test's own handlers of these signals are not the program's.
        ::signal(SIGTERM, SIG_DFL);
        ::signal(SIGINT, SIG_DFL);
        prepareProcess();
        PosixFiles files;
        for (;;)  // until it is ended
            files.copyFile(big, target, Replace::Overwrite);
    }
    QVERIFY(child > 0);
    // Stopped while a temporary file is there, then ended.
    auto temporaries
        = [&] { return QDir(fuse.path()).entryList({QStringLiteral(".vutara-*")}, QDir::Files | QDir::Hidden); };
    bool seen = false;
    int status = 0;
    for (int tries = 0; tries < 100 && !seen; ++tries) {
        QDeadlineTimer deadline(30000);
        while (temporaries().isEmpty() && !deadline.hasExpired())
            QThread::usleep(200);
        ::kill(child, SIGSTOP);
        QCOMPARE(::waitpid(child, &status, WUNTRACED), child);
        QVERIFY(WIFSTOPPED(status));
        seen = !temporaries().isEmpty();
        if (!seen)
            ::kill(child, SIGCONT);  // caught between two copies
    }
    ::kill(child, signal);
    ::kill(child, SIGCONT);
    QCOMPARE(::waitpid(child, &status, 0), child);
    QVERIFY(seen);
    QVERIFY(WIFSIGNALED(status));
    QCOMPARE(WTERMSIG(status), signal);
    QCOMPARE(temporaries(), QStringList());
}

void TestFiles::copyOntoItself_data()
{
    QTest::addColumn<QString>("target");  // how the target name reaches the source
    QTest::newRow("the same name") << "same";
    QTest::newRow("a link of that name to it") << "link";
    QTest::newRow("its folder through a link") << "folder link";
    QTest::newRow("a second name of the same file") << "hard link";
}

void TestFiles::copyOntoItself()
{
    // Copying a file onto itself copies nothing, and says so: a move would otherwise go on to
    // delete the only copy.
    QFETCH(QString, target);
    const QString source = file(QStringLiteral("pics/a.bmp"));
    QDir().mkpath(file(QStringLiteral("pics")));
    QDir().mkpath(file(QStringLiteral("fav")));
    writeBytes(source, "content");
    QString to = source;
    if (target == QStringLiteral("link")) {
        to = file(QStringLiteral("fav/a.bmp"));
        QVERIFY(QFile::link(QStringLiteral("../pics/a.bmp"), to));
    } else if (target == QStringLiteral("folder link")) {
        QVERIFY(QFile::link(file(QStringLiteral("pics")), file(QStringLiteral("alias"))));
        to = file(QStringLiteral("alias/a.bmp"));
    } else if (target == QStringLiteral("hard link")) {
        to = file(QStringLiteral("fav/a.bmp"));
        QCOMPARE(::link(QFile::encodeName(source).constData(), QFile::encodeName(to).constData()), 0);
    }
    for (const Replace mode : {Replace::Overwrite, Replace::Never}) {
        const FsStatus s = files_.copyFile(source, to, mode);
        QCOMPARE(err::describe(s.error), QStringLiteral("コピー元とコピー先が同じファイルです"));
        QCOMPARE(readBytes(source), QByteArray("content"));
        QCOMPARE(readBytes(to), QByteArray("content"));
    }
    QCOMPARE(QFileInfo(to).isSymLink(), target == QStringLiteral("link"));
    QVERIFY(!QDir(file(QStringLiteral("fav"))).entryList(QDir::Hidden | QDir::Files).join(u' ').contains(u".vutara"));
}

void TestFiles::removeOnlyWhatWasRead_data()
{
    QTest::addColumn<QString>("meanwhile");  // what happens to the source after it was copied
    QTest::addColumn<bool>("removed");
    QTest::newRow("nothing") << "" << true;
    QTest::newRow("grown") << "append" << false;
    QTest::newRow("replaced under its name") << "replace" << false;
    QTest::newRow("modification time changed") << "touch" << false;
    QTest::newRow("gone") << "remove" << false;
}

void TestFiles::removeOnlyWhatWasRead()
{
    QFETCH(QString, meanwhile);
    QFETCH(bool, removed);
    const QString source = file(QStringLiteral("a.jpg"));
    writeBytes(source, QByteArray(5000, 'a'));
    QDir().mkdir(file(QStringLiteral("out")));
    CopyRecord record;
    QVERIFY(files_.copyFile(source, file(QStringLiteral("out/a.jpg")), Replace::Never, &record).ok());
    QCOMPARE(record.source.size, qint64(5000));
    QCOMPARE(files_.identity(file(QStringLiteral("out/a.jpg"))), std::optional<FileIdentity>(record.copy));
    QCOMPARE(record.copy.modifiedNs, record.source.modifiedNs);
    if (meanwhile == QStringLiteral("append")) {
        QFile f(source);
        QVERIFY(f.open(QIODevice::Append));
        f.write("more");
    } else if (meanwhile == QStringLiteral("replace")) {
        writeBytes(file(QStringLiteral(".a.tmp")), QByteArray(5000, 'b'));
        QVERIFY(::rename(".a.tmp", "a.jpg") == 0);
    } else if (meanwhile == QStringLiteral("touch")) {
        QFile f(source);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.setFileTime(QDateTime::currentDateTime().addSecs(60), QFileDevice::FileModificationTime));
    } else if (meanwhile == QStringLiteral("remove")) {
        QFile::remove(source);
    }
    const FsStatus s = files_.removeIfUnchanged(source, record.source);
    QCOMPARE(s.ok(), removed);
    QCOMPARE(QFile::exists(source), !removed && meanwhile != QStringLiteral("remove"));
    if (!removed && meanwhile != QStringLiteral("remove"))
        QCOMPARE(s.error, err::SourceChanged);
}

void TestFiles::errorReasons_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("reason");
    QTest::newRow("disk full") << "full"
                               << "ディスクの空き容量が不足しています";
    QTest::newRow("read-only file system") << "read-only"
                                           << "読み取り専用のドライブです";
    QTest::newRow("immutable file") << "immutable"
                                    << "変更禁止の属性が付いています";
    QTest::newRow("name too long") << "name"
                                   << "ファイル名が長すぎます";
    QTest::newRow("path too long") << "path"
                                   << "パスが長すぎます";
}

void TestFiles::errorReasons()
{
    // Each fault produced for real gets its own reason, not a general "access denied" or "bad
    // file name".
    QFETCH(QString, fault);
    QFETCH(QString, reason);
    const QString source = file(QStringLiteral("a.jpg"));
    writeBytes(source, QByteArray(100000, 'a'));
    QList<FsStatus> outcomes;
    if (fault == QStringLiteral("full") || fault == QStringLiteral("read-only")) {
        TmpfsMount disk(file(QStringLiteral("disk")), fault == QStringLiteral("full") ? 65536 : 1 << 20);
        if (!disk.ok())
            QSKIP("mounting a small disk needs the superuser");
        writeBytes(disk.path() + QStringLiteral("/old.jpg"), "old");
        if (fault == QStringLiteral("read-only"))
            QVERIFY(disk.setReadOnly(true));
        outcomes << files_.copyFile(source, disk.path() + QStringLiteral("/a.jpg"), Replace::Never);
        if (fault == QStringLiteral("read-only")) {
            outcomes << files_.removeFile(disk.path() + QStringLiteral("/old.jpg"));
            outcomes << files_.renameFile(
                disk.path() + QStringLiteral("/old.jpg"), disk.path() + QStringLiteral("/x.jpg"));
            outcomes << files_.checkChangeable(disk.path() + QStringLiteral("/old.jpg"));
        }
    } else if (fault == QStringLiteral("immutable")) {
        const QString fixed = file(QStringLiteral("fixed.jpg"));
        writeBytes(fixed, "fixed");
        if (!setImmutable(fixed, true))
            QSKIP("marking a file unchangeable needs the superuser and a file system that can");
        struct Unmark {
            QString path;
            ~Unmark() { setImmutable(path, false); }
        } unmark{fixed};
        outcomes << files_.removeFile(fixed) << files_.renameFile(fixed, file(QStringLiteral("moved.jpg")))
                 << files_.checkChangeable(fixed);
        QVERIFY(QFile::exists(fixed));
        QCOMPARE(files_.attributes(fixed), std::optional<int>(attr::ReadOnly));
    } else if (fault == QStringLiteral("name")) {
        outcomes << files_.copyFile(source, file(QString(300, u'n') + QStringLiteral(".jpg")), Replace::Never);
    } else {
        QString deep = cwd_->path();
        while (deep.size() < 4200)
            deep += QStringLiteral("/folder");
        outcomes << files_.copyFile(source, deep + QStringLiteral("/a.jpg"), Replace::Never);
    }
    for (const FsStatus& s : outcomes)
        QCOMPARE(err::describe(s.error), reason);
    QCOMPARE(readBytes(source), QByteArray(100000, 'a'));
}

void TestFiles::fileSizeLimitFailsLikeAFullDisk()
{
    // A program whose files may not grow past a limit gets a signal that ends it unless it is
    // ignored; the program ignores it from the start, so the copy fails like one to a full disk.
    writeBytes(file(QStringLiteral("big.jpg")), QByteArray(200000, 'b'));
    const QString big = file(QStringLiteral("big.jpg"));
    const QString copy = file(QStringLiteral("copy.jpg"));
    const int status = runLimitedChild(
        65536,
        [&] {
            prepareProcess();
            PosixFiles files;
            return files.copyFile(big, copy, Replace::Never).error == err::DiskFull ? 0 : 1;
        },
        true);
    QCOMPARE(status, 0);
    QVERIFY(!QFile::exists(copy));
}

void TestFiles::failedCopyLeavesNothing()
{
    // The child may not write files larger than 64 KB: the copy fails part-way, as on a full
    // disk. The earlier file of the target name must survive and no partial file may appear.
    writeBytes(file(QStringLiteral("big.jpg")), QByteArray(200000, 'b'));
    writeBytes(file(QStringLiteral("keep.jpg")), "earlier file");
    QDir().mkdir(file(QStringLiteral("out")));
    const QString big = file(QStringLiteral("big.jpg"));
    const QString target = file(QStringLiteral("keep.jpg"));
    const QString fresh = file(QStringLiteral("out/big.jpg"));
    const int status = runLimitedChild(65536, [&] {
        PosixFiles files;
        const FsStatus a = files.copyFile(big, target, Replace::Overwrite);
        const FsStatus b = files.copyFile(big, fresh, Replace::Never);
        return !a.ok() && !b.ok() && a.error == err::DiskFull ? 0 : 1;
    });
    QCOMPARE(status, 0);
    QCOMPARE(readBytes(target), QByteArray("earlier file"));
    QVERIFY(!QFile::exists(fresh));
    QCOMPARE(QDir(file(QStringLiteral("out"))).entryList(QDir::Files | QDir::Hidden).size(), 0);
    QCOMPARE(visibleAndHidden(), QStringList({QStringLiteral("big.jpg"), QStringLiteral("keep.jpg")}));
}

void TestFiles::copyIntoVanishedFolder()
{
    writeBytes(file(QStringLiteral("a.jpg")), "x");
    const FsStatus s
        = files_.copyFile(file(QStringLiteral("a.jpg")), file(QStringLiteral("gone/a.jpg")), Replace::Never);
    QCOMPARE(s.error, err::PathNotFound);  // the folder is missing, not the file
    QCOMPARE(files_.copyFile(file(QStringLiteral("nothing.jpg")), file(QStringLiteral("b.jpg")), Replace::Never).error,
        err::FileNotFound);
}

void TestFiles::renameNeverReplaces()
{
    writeBytes(file(QStringLiteral("a")), "a");
    writeBytes(file(QStringLiteral("b")), "b");
    QCOMPARE(files_.renameFile(file(QStringLiteral("a")), file(QStringLiteral("b"))).error, err::FileExists);
    QCOMPARE(readBytes(file(QStringLiteral("b"))), QByteArray("b"));
    QVERIFY(files_.renameFile(file(QStringLiteral("a")), file(QStringLiteral("c"))).ok());
    QCOMPARE(readBytes(file(QStringLiteral("c"))), QByteArray("a"));
    QVERIFY(!QFile::exists(file(QStringLiteral("a"))));
    QCOMPARE(files_.renameFile(file(QStringLiteral("a")), file(QStringLiteral("d"))).error, err::FileNotFound);
}

void TestFiles::removeRefusesFolders()
{
    QDir().mkdir(file(QStringLiteral("d")));
    QVERIFY(!files_.removeFile(file(QStringLiteral("d"))).ok());
    QVERIFY(QFileInfo(file(QStringLiteral("d"))).isDir());
    writeBytes(file(QStringLiteral("f")), "f");
    QVERIFY(files_.removeFile(file(QStringLiteral("f"))).ok());
    QCOMPARE(files_.removeFile(file(QStringLiteral("f"))).error, err::FileNotFound);
}

void TestFiles::listingSkipsUndecodableNamesAndBrokenLinks()
{
    writeBytes(file(QStringLiteral("good.jpg")), "x");
    writeBytes(file(QStringLiteral("写真 1.jpg")), "x");
    QDir().mkdir(file(QStringLiteral("sub")));
    QVERIFY(QFile::link(file(QStringLiteral("nowhere")), file(QStringLiteral("broken.jpg"))));
    QVERIFY(QFile::link(file(QStringLiteral("good.jpg")), file(QStringLiteral("link.jpg"))));
    const QByteArray raw = QFile::encodeName(cwd_->path()) + "/bad\xff\xfe.jpg";
    FILE* f = ::fopen(raw.constData(), "w");
    QVERIFY(f);
    ::fclose(f);

    std::vector<DirEntry> entries;
    QVERIFY(files_.listDir(cwd_->path(), &entries).ok());
    QStringList names;
    for (const DirEntry& e : entries)
        names << e.name + (e.isDir ? QStringLiteral("/") : QString());
    names.sort();
    QCOMPARE(names,
        QStringList({QStringLiteral("good.jpg"), QStringLiteral("link.jpg"), QStringLiteral("sub/"),
            QStringLiteral("写真 1.jpg")}));
    QCOMPARE(files_.listDir(file(QStringLiteral("missing")), &entries).error, err::FileNotFound);
}

void TestFiles::listingGoesOnPastLinksIntoAHungVolume()
{
    Watchdog watchdog(std::chrono::seconds(60));
    HungMount share;  // made last, gone first: it goes on before the folder with its links goes
    if (!share.ok())
        QSKIP(qPrintable(share.why()));
    writeBytes(share.source() + QStringLiteral("/far.jpg"), "x");
    QDir().mkdir(share.source() + QStringLiteral("/far"));
    writeBytes(file(QStringLiteral("own.jpg")), "x");
    QDir().mkdir(file(QStringLiteral("sub")));
    QVERIFY(QFile::link(file(QStringLiteral("own.jpg")), file(QStringLiteral("near.jpg"))));
    QVERIFY(QFile::link(file(QStringLiteral("nowhere")), file(QStringLiteral("broken.jpg"))));
    // Links into the share, by absolute and relative names, to a picture and to a folder.
    QVERIFY(QFile::link(share.mountPoint() + QStringLiteral("/far.jpg"), file(QStringLiteral("a.jpg"))));
    QVERIFY(QFile::link(QDir(cwd_->path()).relativeFilePath(share.mountPoint() + QStringLiteral("/far.jpg")),
        file(QStringLiteral("b.jpg"))));
    QVERIFY(QFile::link(share.mountPoint() + QStringLiteral("/far"), file(QStringLiteral("c"))));
    share.stop();

    watchdog.step(QStringLiteral("listing a folder with links into a hung share"));
    const int workers = blocking::runningWorkers();
    std::vector<DirEntry> entries;
    QVERIFY(files_.listDir(cwd_->path(), &entries).ok());
    QStringList names;
    for (const DirEntry& e : entries)
        names << e.name + (e.isDir ? QStringLiteral("/") : QString());
    names.sort();
    // The links into the share are listed as files; the one wait for the first of them is all.
    QCOMPARE(names,
        QStringList({QStringLiteral("a.jpg"), QStringLiteral("b.jpg"), QStringLiteral("c"), QStringLiteral("near.jpg"),
            QStringLiteral("own.jpg"), QStringLiteral("sub/")}));
    QTRY_COMPARE(blocking::runningWorkers(), workers + 1);
    watchdog.idle();
}

void TestFiles::attributes_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("writable");
    QTest::addColumn<bool>("folder");
    QTest::addColumn<int>("value");
    QTest::newRow("ordinary") << "a.jpg" << true << false << 0;
    QTest::newRow("read-only") << "b.jpg" << false << false << int(attr::ReadOnly);
    QTest::newRow("hidden") << ".c.jpg" << true << false << int(attr::Hidden);
    QTest::newRow("hidden read-only") << ".d.jpg" << false << false << int(attr::Hidden | attr::ReadOnly);
    QTest::newRow("folder") << "e" << true << true << int(attr::Directory);
}

void TestFiles::attributes()
{
    QFETCH(QString, name);
    QFETCH(bool, writable);
    QFETCH(bool, folder);
    QFETCH(int, value);
    const QString path = file(name);
    if (folder)
        QDir().mkdir(path);
    else
        writeBytes(path, "x");
    const mode_t mode = folder ? 0755 : (writable ? 0644 : 0444);
    QCOMPARE(::chmod(QFile::encodeName(path).constData(), mode), 0);
    QCOMPARE(files_.attributes(path), std::optional<int>(value));
    QVERIFY(!files_.attributes(file(QStringLiteral("missing"))).has_value());
}

void TestFiles::readOnlyFollowsTheUsersGroups_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("member");  // the file's group is one of the user's supplementary groups
    QTest::addColumn<bool>("readOnly");
    QTest::newRow("group may write, user in the group") << 0664 << true << false;
    QTest::newRow("group may write, user not in it") << 0664 << false << true;
    QTest::newRow("only others may write, user in the group") << 0602 << true << true;
}

void TestFiles::readOnlyFollowsTheUsersGroups()
{
    QFETCH(int, mode);
    QFETCH(bool, member);
    QFETCH(bool, readOnly);
    if (::geteuid() != 0)
        QSKIP("giving a file to another user and choosing one's groups needs the superuser");
    const QString path = file(QStringLiteral("shared.jpg"));
    writeBytes(path, "x");
    const QByteArray native = QFile::encodeName(path);
    QCOMPARE(::chown(native.constData(), 4321, 4322), 0);
    QCOMPARE(::chmod(native.constData(), mode_t(mode)), 0);
    // In a child, whose groups can be chosen without touching the test's own.
    const int status = runLimitedChild(1L << 30, [&] {
        const gid_t groups[] = {member ? gid_t(4322) : gid_t(4323)};
        if (::setgroups(1, groups) != 0)
            return 2;
        PosixFiles files;
        const std::optional<int> a = files.attributes(path);
        if (!a || bool(*a & attr::ReadOnly) != readOnly)
            return 1;
        return files.checkChangeable(path).ok() == !readOnly ? 0 : 3;
    });
    QCOMPARE(status, 0);
}

void TestFiles::pathsWithNulAreRefused()
{
    // A NUL would cut the path short and name another file.
    writeBytes(file(QStringLiteral("a")), "a");
    const QString withNul = file(QStringLiteral("a")) + QChar(0) + QStringLiteral("ignored");
    QCOMPARE(files_.removeFile(withNul).error, err::BadFileName);
    QVERIFY(QFile::exists(file(QStringLiteral("a"))));
    QVERIFY(!files_.exists(withNul));
}

void TestFiles::joinAndDrop_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("joined");
    QTest::addColumn<QString>("dropped");
    QTest::newRow("root") << "/"
                          << "/a.jpg"
                          << "";
    QTest::newRow("folder") << "/srv/img"
                            << "/srv/img/a.jpg"
                            << "/srv/img";
    QTest::newRow("folder with separator") << "/srv/img/"
                                           << "/srv/img/a.jpg"
                                           << "/srv/img";
}

void TestFiles::joinAndDrop()
{
    QFETCH(QString, folder);
    QFETCH(QString, joined);
    QFETCH(QString, dropped);
    QCOMPARE(paths::join(folder, QStringLiteral("a.jpg")), joined);
    QCOMPARE(paths::dropOneSeparator(folder), dropped);
    QCOMPARE(paths::folderOf(joined), paths::cleanFolder(folder));
}

void TestFiles::listingReuse_data()
{
    QTest::addColumn<qint64>("readAfterChangeMs");
    QTest::addColumn<bool>("sameStamp");
    QTest::addColumn<bool>("folderThere");
    QTest::addColumn<bool>("holds");
    QTest::newRow("unchanged, read long after the change") << qint64(60000) << true << true << true;
    QTest::newRow("unchanged, read just after the change") << qint64(500) << true << true << false;
    QTest::newRow("unchanged, read two seconds after") << qint64(2000) << true << true << true;
    QTest::newRow("changed since") << qint64(60000) << false << true << false;
    QTest::newRow("folder gone") << qint64(60000) << true << false << false;
}

void TestFiles::listingReuse()
{
    QFETCH(qint64, readAfterChangeMs);
    QFETCH(bool, sameStamp);
    QFETCH(bool, folderThere);
    QFETCH(bool, holds);
    const FolderStamp then{1, 2, 1000000000000, 1000000000500};
    FolderStamp now = then;
    if (!sameStamp)
        now.modifiedNs += 1;
    const qint64 readAt = then.changedNs + readAfterChangeMs * 1000000;
    QCOMPARE(listingStillHolds(then, readAt, folderThere ? std::optional<FolderStamp>(now) : std::nullopt), holds);
}

void TestFiles::listingSeesChanges()
{
    // Listings are reused only while nothing changed: every change shows at once.
    const QString folder = cwd_->path();
    std::vector<DirEntry> entries;
    QVERIFY(files_.listDir(folder, &entries).ok());
    const size_t before = entries.size();
    writeBytes(file(QStringLiteral("new.jpg")), "x");
    QVERIFY(files_.listDir(folder, &entries).ok());
    QCOMPARE(entries.size(), before + 1);
    QVERIFY(QFile::rename(file(QStringLiteral("new.jpg")), file(QStringLiteral("renamed.jpg"))));
    QVERIFY(files_.listDir(folder, &entries, Listing::All).ok());
    QVERIFY(std::any_of(
        entries.begin(), entries.end(), [](const DirEntry& e) { return e.name == QStringLiteral("renamed.jpg"); }));
    QVERIFY(files_.listDir(folder, &entries, Listing::FoldersOnly).ok());
    QVERIFY(std::none_of(entries.begin(), entries.end(), [](const DirEntry& e) { return !e.isDir; }));
}

void TestFiles::trashInfoText_data()
{
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<QByteArray>("text");
    const QDateTime when(QDate(2026, 3, 4), QTime(5, 6, 7));
    QTest::newRow("plain, absolute") << QByteArray(
        "/home/u/a.jpg") << QByteArray("[Trash Info]\nPath=/home/u/a.jpg\nDeletionDate=2026-03-04T05:06:07\n");
    QTest::newRow("relative") << QByteArray("photos/a.jpg")
                              << QByteArray("[Trash Info]\nPath=photos/a.jpg\nDeletionDate=2026-03-04T05:06:07\n");
    // Each byte of a name in UTF-8 is escaped on its own; "/" stays.
    QTest::newRow("space, percent, Japanese")
        << QStringLiteral("/写真/a b%.jpg").toUtf8()
        << QByteArray("[Trash Info]\nPath=/%E5%86%99%E7%9C%9F/a%20b%25.jpg\nDeletionDate=2026-03-04T05:06:07\n");
    QTest::newRow("a line break cannot break the record") << QByteArray(
        "/a\nPath=/etc/x") << QByteArray("[Trash Info]\nPath=/a%0APath%3D/etc/x\nDeletionDate=2026-03-04T05:06:07\n");
}

void TestFiles::trashInfoText()
{
    QFETCH(QByteArray, path);
    QFETCH(QByteArray, text);
    QCOMPARE(vu::trashInfoText(path, QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7))), text);
}

namespace {

// The keys of a trash's description of a file, as a desktop's file manager reads them.
QMap<QByteArray, QByteArray> readTrashInfo(const QString& path)
{
    QMap<QByteArray, QByteArray> keys;
    const QList<QByteArray> lines = readBytes(path).split('\n');
    if (lines.value(0) != "[Trash Info]")
        return {};
    for (const QByteArray& line : lines.mid(1)) {
        const qsizetype eq = line.indexOf('=');
        if (eq > 0)
            keys.insert(line.left(eq), line.mid(eq + 1));
    }
    return keys;
}

}  // namespace

void TestFiles::parseTrashInfo_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("path");  // "" for a text that is no description
    QTest::addColumn<QString>("deleted");
    const QByteArray date = "DeletionDate=2026-03-04T05:06:07\n";
    const QString when = QStringLiteral("2026-03-04T05:06:07");
    QTest::newRow("as written here") << vu::trashInfoText(
        QStringLiteral("/写真/a b%.jpg").toUtf8(), QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7)))
                                     << QStringLiteral("/写真/a b%.jpg").toUtf8() << when;
    QTest::newRow("relative, keys in another order, CRLF")
        << QByteArray("[Trash Info]\r\nDeletionDate=2026-03-04T05:06:07\r\nPath=photos/a.jpg\r\n")
        << QByteArray("photos/a.jpg") << when;
    QTest::newRow("comments, blanks and spaces around =")
        << QByteArray("[Trash Info]\n# by another program\n\nPath = /a.jpg\n" + date) << QByteArray("/a.jpg") << when;
    QTest::newRow("other keys and a later group are not ours")
        << QByteArray("[Trash Info]\nPath=/a.jpg\nX-Size=3\n" + date + "[Other]\nPath=/b.jpg\n") << QByteArray("/a.jpg")
        << when;
    QTest::newRow("not first") << QByteArray("\n[Trash Info]\nPath=/a.jpg\n" + date) << QByteArray() << QString();
    QTest::newRow("no place") << QByteArray("[Trash Info]\n" + date) << QByteArray() << QString();
    QTest::newRow("empty place") << QByteArray("[Trash Info]\nPath=\n" + date) << QByteArray() << QString();
    QTest::newRow("no time") << QByteArray("[Trash Info]\nPath=/a.jpg\n") << QByteArray() << QString();
    QTest::newRow("a time of another form")
        << QByteArray("[Trash Info]\nPath=/a.jpg\nDeletionDate=2026-03-04 05:06\n") << QByteArray() << QString();
    QTest::newRow("a time that is none") << QByteArray("[Trash Info]\nPath=/a.jpg\nDeletionDate=2026-13-44T25:06:07\n")
                                         << QByteArray() << QString();
    QTest::newRow("the place twice") << QByteArray("[Trash Info]\nPath=/a.jpg\nPath=/etc/x\n" + date) << QByteArray()
                                     << QString();
    QTest::newRow("a broken escape") << QByteArray("[Trash Info]\nPath=/a%2.jpg\n" + date) << QByteArray() << QString();
    QTest::newRow("an escaped NUL") << QByteArray("[Trash Info]\nPath=/a%00/etc\n" + date) << QByteArray() << QString();
    QTest::newRow("a line that is no key")
        << QByteArray("[Trash Info]\nPath=/a.jpg\ngarbage\n" + date) << QByteArray() << QString();
    QTest::newRow("empty") << QByteArray() << QByteArray() << QString();
}

void TestFiles::parseTrashInfo()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, path);
    QFETCH(QString, deleted);
    const std::optional<TrashInfo> info = vu::parseTrashInfo(text);
    QCOMPARE(info.has_value(), !path.isEmpty());
    if (info) {
        QCOMPARE(info->path, path);
        QCOMPARE(info->deletedAt, QDateTime::fromString(deleted, Qt::ISODate));
    }
}

void TestFiles::trashOfEachVolume_data()
{
    QTest::addColumn<QString>("volume");  // where the file is: "home" (the data folder's mount), "bind" (a
                                          // bind mount of the same volume) or "other" (a volume of its own)
    QTest::addColumn<QString>("prepared");  // what the other volume holds at its top beforehand
    QTest::addColumn<QString>("trash");  // the trash expected, relative to its volume; "" for none
    QTest::newRow("home volume: the home trash") << "home"
                                                 << ""
                                                 << "data/Trash";
    QTest::newRow("other volume: its own trash, made") << "other"
                                                       << ""
                                                       << ".Trash-%1";
    QTest::newRow("other volume: its shared trash") << "other"
                                                    << "shared sticky"
                                                    << ".Trash/%1";
    QTest::newRow("shared trash without the sticky bit is passed over") << "other"
                                                                        << "shared"
                                                                        << ".Trash-%1";
    QTest::newRow("the trash's name held by a file") << "other"
                                                     << "file"
                                                     << "";
    QTest::newRow("the trash is a link") << "other"
                                         << "link"
                                         << "";
    QTest::newRow("the trash belongs to another user") << "other"
                                                       << "foreign"
                                                       << "";
    QTest::newRow("our trash, but others may write into it") << "other"
                                                             << "open"
                                                             << "";
    QTest::newRow("our trash, but its files folder is another user's") << "other"
                                                                       << "foreign files"
                                                                       << "";
    QTest::newRow("a bind mount of the home's volume: the mount's own trash") << "bind"
                                                                              << ""
                                                                              << ".Trash-%1";
    QTest::newRow("no room for one more folder") << "other"
                                                 << "no inode"
                                                 << "";
}

void TestFiles::trashOfEachVolume()
{
    // A file goes to the trash of its own volume, as desktop file managers expect to find it: in
    // the trash's "files", with a description in "info" naming its original place (absolute in
    // the home trash, relative to the top of the volume elsewhere) and the time of deletion.
    // Where no trash can be used or made, the file stays and the failure says so.
    QFETCH(QString, volume);
    QFETCH(QString, prepared);
    QFETCH(QString, trash);
    const QString name = QStringLiteral("a b%写真.jpg");
    std::unique_ptr<TmpfsMount> disk;
    std::unique_ptr<BindMount> bind;
    QString top = cwd_->path();
    if (volume == QStringLiteral("other")) {
        disk = std::make_unique<TmpfsMount>(file(QStringLiteral("disk")), 1 << 20, prepared == u"no inode" ? 3 : 0);
        if (!disk->ok())
            QSKIP("mounting a small disk needs the superuser");
        top = disk->path();
    } else if (volume == QStringLiteral("bind")) {
        QVERIFY(QDir().mkpath(file(QStringLiteral("real"))));
        bind = std::make_unique<BindMount>(file(QStringLiteral("real")), file(QStringLiteral("bind")));
        if (!bind->ok())
            QSKIP("a bind mount needs the superuser");
        top = bind->path();
    }
    const QString folder = top + QStringLiteral("/sub");
    QVERIFY(QDir().mkpath(folder));
    const QString path = folder + u'/' + name;
    writeBytes(path, "picture");
    const std::optional<FileIdentity> before = files_.identity(path);
    const QString uid = QString::number(::geteuid());
    if (prepared.startsWith(QStringLiteral("shared"))) {
        QVERIFY(QDir().mkdir(top + QStringLiteral("/.Trash")));
        QVERIFY(::chmod(QFile::encodeName(top + QStringLiteral("/.Trash")).constData(),
                    prepared == u"shared sticky" ? 01777 : 0777)
            == 0);
    } else if (prepared == u"file") {
        writeBytes(top + QStringLiteral("/.Trash-") + uid, "not a folder");
    } else if (prepared == u"link") {
        QVERIFY(QDir().mkdir(file(QStringLiteral("elsewhere"))));
        QVERIFY(QFile::link(file(QStringLiteral("elsewhere")), top + QStringLiteral("/.Trash-") + uid));
    } else if (prepared == u"foreign") {
        QVERIFY(QDir().mkdir(top + QStringLiteral("/.Trash-") + uid));
        QVERIFY(::chown(QFile::encodeName(top + QStringLiteral("/.Trash-") + uid).constData(), 4242, 4242) == 0);
    } else if (prepared == u"open") {
        QVERIFY(QDir().mkpath(top + QStringLiteral("/.Trash-") + uid + QStringLiteral("/files")));
        QVERIFY(::chmod(QFile::encodeName(top + QStringLiteral("/.Trash-") + uid).constData(), 0777) == 0);
    } else if (prepared == u"foreign files") {
        QVERIFY(QDir().mkpath(top + QStringLiteral("/.Trash-") + uid + QStringLiteral("/files")));
        QVERIFY(
            ::chown(QFile::encodeName(top + QStringLiteral("/.Trash-") + uid + QStringLiteral("/files")).constData(),
                4242, 4242)
            == 0);
    }

    const QDateTime earliest = QDateTime::currentDateTime().addSecs(-1);
    TrashedFile where;
    const FsStatus s = files_.moveToTrash(path, &where);
    const QDateTime latest = QDateTime::currentDateTime().addSecs(1);
    if (trash.isEmpty()) {
        QCOMPARE(s.error, int(err::NoTrash));
        QCOMPARE(readBytes(path), QByteArray("picture"));
        QVERIFY(where.isEmpty());
        QVERIFY(!QFileInfo::exists(file(QStringLiteral("elsewhere/files"))));
        return;
    }
    QVERIFY2(s.ok(), qPrintable(s.detail));
    const QString root = top + u'/' + (trash.contains(u'%') ? trash.arg(uid) : trash);
    QCOMPARE(where.entry, root + QStringLiteral("/files/") + name);
    QCOMPARE(where.info, root + QStringLiteral("/info/") + name + QStringLiteral(".trashinfo"));
    QVERIFY(!QFileInfo::exists(path));
    QCOMPARE(readBytes(where.entry), QByteArray("picture"));
    QCOMPARE(files_.identity(where.entry), before);
    const QMap<QByteArray, QByteArray> info = readTrashInfo(where.info);
    const QByteArray original = QFile::encodeName(volume == u"home" ? path : QStringLiteral("sub/") + name);
    QCOMPARE(info.value("Path"), original.toPercentEncoding("/"));
    QCOMPARE(QByteArray::fromPercentEncoding(info.value("Path")), original);
    const QDateTime deleted = QDateTime::fromString(QString::fromLatin1(info.value("DeletionDate")), Qt::ISODate);
    QCOMPARE(info.value("DeletionDate").size(), 19);  // YYYY-MM-DDThh:mm:ss, local time without a zone
    QVERIFY(deleted >= earliest && deleted <= latest);
    // Only its owner may look into a trash made for it.
    for (const QString& made : {root, root + QStringLiteral("/files"), root + QStringLiteral("/info")})
        QCOMPARE(QFileInfo(made).permissions() & (QFile::ReadGroup | QFile::ReadOther), QFileDevice::Permissions());
}

void TestFiles::trashNeverReplacesAndPutsBack()
{
    const QString trash = file(QStringLiteral("data/Trash"));
    QList<TrashedFile> trashed;
    QList<FileIdentity> ids;
    for (const char* content : {"first", "second", "third"}) {
        writeBytes(file(QStringLiteral("a.jpg")), content);
        ids << *files_.identity(file(QStringLiteral("a.jpg")));
        if (QByteArray(content) == "third")  // a file without description holds the next name
            writeBytes(trash + QStringLiteral("/files/a.3.jpg"), "stray");
        TrashedFile where;
        QVERIFY(files_.moveToTrash(file(QStringLiteral("a.jpg")), &where).ok());
        trashed << where;
    }
    QCOMPARE(trashed[0].entry, trash + QStringLiteral("/files/a.jpg"));
    QCOMPARE(trashed[1].entry, trash + QStringLiteral("/files/a.2.jpg"));
    QCOMPARE(trashed[2].entry, trash + QStringLiteral("/files/a.4.jpg"));
    QCOMPARE(readBytes(trash + QStringLiteral("/files/a.3.jpg")), QByteArray("stray"));
    QVERIFY(!QFileInfo::exists(trash + QStringLiteral("/info/a.3.jpg.trashinfo")));
    QCOMPARE(readBytes(trashed[2].entry), QByteArray("third"));

    // Back only under a free name, and only while the file in the trash is the one put there.
    const QString back = file(QStringLiteral("a.jpg"));
    writeBytes(back, "new");
    QCOMPARE(files_.restoreFromTrash(trashed[0], back, ids[0]).error, int(err::FileExists));
    QCOMPARE(readBytes(back), QByteArray("new"));
    QVERIFY(QFile::remove(back));
    QCOMPARE(files_.restoreFromTrash(trashed[0], back, ids[1]).error, int(err::SourceChanged));
    QCOMPARE(
        files_.restoreFromTrash(trashed[0], file(QStringLiteral("gone/a.jpg")), ids[0]).error, int(err::PathNotFound));
    // A description that no longer names the file's place (the trash emptied and its names
    // reused by another program since) keeps the file where it is.
    const QByteArray description = readBytes(trashed[0].info);
    writeBytes(trashed[0].info,
        vu::trashInfoText(QFile::encodeName(file(QStringLiteral("b.jpg"))), QDateTime::currentDateTime()));
    QCOMPARE(files_.restoreFromTrash(trashed[0], back, ids[0]).error, int(err::SourceChanged));
    writeBytes(trashed[0].info, description);
    QVERIFY(files_.restoreFromTrash(trashed[0], back, ids[0]).ok());
    QCOMPARE(readBytes(back), QByteArray("first"));
    QCOMPARE(files_.identity(back), std::optional<FileIdentity>(ids[0]));
    QVERIFY(!QFileInfo::exists(trashed[0].entry));
    QVERIFY(!QFileInfo::exists(trashed[0].info));
    QCOMPARE(files_.restoreFromTrash(trashed[0], back, ids[0]).error, int(err::FileNotFound));
    QVERIFY(QFileInfo::exists(trashed[1].info));
}

VUTARA_HUNG_MOUNT_TEST_MAIN(QCoreApplication, TestFiles)
#include "tst_files.moc"
