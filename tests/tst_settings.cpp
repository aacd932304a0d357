// The settings record, byte for byte, and its file access.
#include "platform/cp932.h"
#include "platform/testing/doubles.h"
#include "shell/settings.h"
#include "support/testsupport.h"
#include "support/watchdog.h"

#include <QFile>
#include <QTest>

#include <sys/stat.h>
#include <sys/sysmacros.h>

using namespace vu;
using namespace vu::testing;

class TestSettings : public QObject {
    Q_OBJECT
private slots:
    void fieldOffsets();
    void storingFitsFieldWidth_data();
    void storingFitsFieldWidth();
    void writtenRecord();
    void folderCutAtFiftyBytes_data();
    void folderCutAtFiftyBytes();
    void readingShortAndDamagedFiles_data();
    void readingShortAndDamagedFiles();
    void startFolder_data();
    void startFolder();
    void slideSeconds_data();
    void slideSeconds();
    void missingFileIsCreatedEmpty();
    void writeKeepsBytesAfterRecordAndLeavesNoTemporary();
    void writeThroughLinkKeepsLink();
    void writtenInPlaceWhereItCannotBeReplaced_data();
    void writtenInPlaceWhereItCannotBeReplaced();
    void failedWriteKeepsOldRecord();
    void specialFilesAreLeftAlone_data();
    void specialFilesAreLeftAlone();
};

void TestSettings::fieldOffsets()
{
    const int expected[] = {0, 6, 56, 67, 71, 75, 76, 77};
    for (int f = 0; f < SettingsRec::FieldCount; ++f)
        QCOMPARE(SettingsRec::offset(SettingsRec::Field(f)), expected[f]);
    QCOMPARE(SettingsRec::offset(SettingsRec::Spare4) + SettingsRec::Width[SettingsRec::Spare4], SettingsRec::Size);
}

void TestSettings::storingFitsFieldWidth_data()
{
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("held");
    QTest::newRow("short padded") << int(SettingsRec::PathHead) << "[P"
                                  << "[P    ";
    QTest::newRow("exact") << int(SettingsRec::PathHead) << "[Path]"
                           << "[Path]";
    QTest::newRow("long cut") << int(SettingsRec::SlideSec) << "12"
                              << "1";
    QTest::newRow("empty is blank") << int(SettingsRec::SlideSec) << ""
                                    << " ";
    QTest::newRow("head") << int(SettingsRec::SlideHead) << "[Slideshow]"
                          << "[Slideshow]";
}

void TestSettings::storingFitsFieldWidth()
{
    QFETCH(int, field);
    QFETCH(QString, value);
    QFETCH(QString, held);
    SettingsRec rec;
    rec.set(SettingsRec::Field(field), value);
    QCOMPARE(rec.field(SettingsRec::Field(field)), held);
}

void TestSettings::writtenRecord()
{
    // A run that ended in /home/u/Images with a display time of 3.
    SettingsRec rec;
    rec.set(SettingsRec::PathHead, QStringLiteral("[Path]"));
    rec.set(SettingsRec::PathName, QStringLiteral("/home/u/Images"));
    rec.set(SettingsRec::SlideHead, QStringLiteral("[Slideshow]"));
    rec.set(SettingsRec::SlideSec, QStringLiteral("3"));
    const QByteArray bytes = rec.toBytes();
    QCOMPARE(bytes.size(), 128);
    QCOMPARE(bytes.mid(0, 6), QByteArray("[Path]"));
    QCOMPARE(bytes.mid(6, 50), QByteArray("/home/u/Images").leftJustified(50, ' '));
    QCOMPARE(bytes.mid(56, 11), QByteArray("[Slideshow]"));
    QCOMPARE(bytes.at(75), '3');
    QCOMPARE(bytes.mid(67, 8), QByteArray(8, ' '));
    QCOMPARE(bytes.mid(76), QByteArray(52, ' '));
    // Reading it back gives the same fields.
    const SettingsRec back = SettingsRec::fromBytes(bytes);
    for (int f = 0; f < SettingsRec::FieldCount; ++f)
        QCOMPARE(back.field(SettingsRec::Field(f)), rec.field(SettingsRec::Field(f)));
}

void TestSettings::folderCutAtFiftyBytes_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QByteArray>("stored");
    const QString japanese = QStringLiteral("/写真/");  // 1 + 4 + 1 bytes
    QTest::newRow("sixty single bytes") << QString(60, u'a') << QByteArray(50, 'a');
    QTest::newRow("double bytes fit") << japanese << QByteArray("/\x8e\xca\x90\x5e/", 6).leftJustified(50, ' ');
    // 49 single bytes then a double-byte character: the character would straddle byte 50, so it
    // is left out and a blank pads the field.
    QTest::newRow("split character cut before")
        << QString(49, u'b') + QStringLiteral("写") << QByteArray(49, 'b') + ' ';
    QTest::newRow("backslash stays 0x5C") << QStringLiteral("a\\b") << QByteArray("a\\b").leftJustified(50, ' ');
    QTest::newRow("half-width katakana one byte")
        << QStringLiteral("ﾌｧｲﾙ") << QByteArray("\xcc\xa7\xb2\xd9").leftJustified(50, ' ');
}

void TestSettings::folderCutAtFiftyBytes()
{
    QFETCH(QString, folder);
    QFETCH(QByteArray, stored);
    SettingsRec rec;
    rec.set(SettingsRec::PathName, folder);
    QCOMPARE(rec.toBytes().mid(6, 50), stored);
}

void TestSettings::readingShortAndDamagedFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("seconds");
    QByteArray full = QByteArray("[Path]") + QByteArray("/srv/img").leftJustified(50, ' ') + "[Slideshow]"
        + QByteArray(8, ' ') + "7" + QByteArray(52, ' ');
    QTest::newRow("empty") << QByteArray() << QString() << 0;
    QTest::newRow("complete") << full << "/srv/img" << 7;
    QTest::newRow("ends inside the folder") << full.left(10) << "/srv" << 0;
    QTest::newRow("ends before the time") << full.left(75) << "/srv/img" << 0;
    QTest::newRow("longer than a record") << full + "trailing bytes"
                                          << "/srv/img" << 7;
    QTest::newRow("zero bytes") << QByteArray(128, '\0') << QString() << 0;
    QTest::newRow("lead byte at the end of the folder")
        << QByteArray("[Path]") + QByteArray(49, 'x') + '\x82' + "[Slideshow]" << QString(49, u'x') + QChar(0xFFFD)
        << 0;
    QTest::newRow("invalid bytes") << QByteArray("[Path]\xff\xfe\x80/x") << QStringLiteral("\uFFFD\uFFFD\uFFFD/x") << 0;
}

void TestSettings::readingShortAndDamagedFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, path);
    QFETCH(int, seconds);
    const SettingsRec rec = SettingsRec::fromBytes(bytes);
    QCOMPARE(rec.value(SettingsRec::PathName), path);
    QCOMPARE(vu::slideSeconds(rec), seconds);
    for (int f = 0; f < SettingsRec::FieldCount; ++f)
        QCOMPARE(rec.field(SettingsRec::Field(f)).size(), SettingsRec::Width[f]);
    QCOMPARE(rec.toBytes().size(), 128);
}

void TestSettings::startFolder_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("folder");
    QTest::newRow("empty is the root") << ""
                                       << "/";
    QTest::newRow("blanks are empty") << "   "
                                      << "/";
    QTest::newRow("plain") << "/home/u/Images"
                           << "/home/u/Images";
    QTest::newRow("fifty ending in separator drops it") << QString(49, u'a') + u'/' << QString(49, u'a');
    QTest::newRow("shorter ending in separator keeps it") << "/home/"
                                                          << "/home/";
    QTest::newRow("drive letter c upper-cased") << "c:\\photos"
                                                << "C:\\photos";
    QTest::newRow("drive letter e upper-cased") << "e:"
                                                << "E:";
    QTest::newRow("drive letter f kept") << "f:\\photos"
                                         << "f:\\photos";
    QTest::newRow("no drive form untouched") << "/c:"
                                             << "/c:";
}

void TestSettings::startFolder()
{
    QFETCH(QString, stored);
    QFETCH(QString, folder);
    SettingsRec rec;
    rec.set(SettingsRec::PathName, stored);
    QCOMPARE(vu::startFolder(rec), folder);
}

void TestSettings::slideSeconds_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("seconds");
    QTest::newRow("digit 3") << "3" << 3;
    QTest::newRow("digit 0") << "0" << 0;
    QTest::newRow("digit 9") << "9" << 9;
    QTest::newRow("blank") << " " << 0;
    QTest::newRow("letter") << "a" << 0;
    QTest::newRow("zero byte") << QString(QChar(0)) << 0;
    QTest::newRow("full-width digit") << "３" << 0;
}

void TestSettings::slideSeconds()
{
    QFETCH(QString, stored);
    QFETCH(int, seconds);
    SettingsRec rec;
    rec.set(SettingsRec::SlideSec, stored);
    QCOMPARE(vu::slideSeconds(rec), seconds);
}

void TestSettings::missingFileIsCreatedEmpty()
{
    TempCwd cwd;
    PosixFiles files;
    SettingsRec rec;
    rec.set(SettingsRec::PathName, QStringLiteral("stale"));
    QVERIFY(readSettings(files, SettingsFileName, &rec).ok());
    QVERIFY(QFile::exists(cwd.file(SettingsFileName)));
    QCOMPARE(QFileInfo(cwd.file(SettingsFileName)).size(), 0);
    QCOMPARE(rec.value(SettingsRec::PathName), QString());
}

void TestSettings::writeKeepsBytesAfterRecordAndLeavesNoTemporary()
{
    TempCwd cwd;
    PosixFiles files;
    const QByteArray tail("after the record");
    writeBytes(cwd.file(SettingsFileName), QByteArray(128, 'z') + tail);
    SettingsRec rec;
    rec.set(SettingsRec::PathName, QStringLiteral("/x"));
    QVERIFY(writeSettings(files, SettingsFileName, rec).ok());
    const QByteArray now = readBytes(cwd.file(SettingsFileName));
    QCOMPARE(now.size(), 128 + tail.size());
    QCOMPARE(now.left(128), rec.toBytes());
    QCOMPARE(now.mid(128), tail);
    QCOMPARE(QDir(cwd.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

void TestSettings::writeThroughLinkKeepsLink()
{
    TempCwd cwd;
    PosixFiles files;
    writeBytes(cwd.file(QStringLiteral("real.ini")), QByteArray());
    QVERIFY(QFile::link(cwd.file(QStringLiteral("real.ini")), cwd.file(SettingsFileName)));
    QVERIFY(writeSettings(files, SettingsFileName, SettingsRec()).ok());
    QVERIFY(QFileInfo(cwd.file(SettingsFileName)).isSymLink());
    QCOMPARE(readBytes(cwd.file(QStringLiteral("real.ini"))).size(), 128);
}

void TestSettings::writtenInPlaceWhereItCannotBeReplaced_data()
{
    QTest::addColumn<QString>("why");
    QTest::newRow("the record has a second name (a hard link)") << "hard link";
    QTest::newRow("no room for one more file in its folder") << "no inode";
    QTest::newRow("its folder is not the user's to write") << "folder";
}

void TestSettings::writtenInPlaceWhereItCannotBeReplaced()
{
    // Where the record cannot be replaced by a new file, its 128 bytes are written into the file
    // itself: the file stays the same file, with every name it has and every byte after them.
    QFETCH(QString, why);
    TempCwd cwd;
    std::unique_ptr<TmpfsMount> disk;
    QString folder = cwd.path();
    if (why == u"no inode") {
        disk = std::make_unique<TmpfsMount>(cwd.file(QStringLiteral("disk")), 1 << 20, 2);  // itself and the record
        if (!disk->ok())
            QSKIP("mounting a small disk needs the superuser");
        folder = disk->path();
    } else if (why == u"folder") {
        if (::geteuid() != 0)
            QSKIP("writing as another user needs the superuser");
        QCOMPARE(::chmod(QFile::encodeName(folder).constData(), 0755), 0);  // others may look, not write
    }
    const QString path = folder + QStringLiteral("/") + SettingsFileName;
    const QByteArray tail("after the record");
    writeBytes(path, QByteArray(128, 'z') + tail);
    QVERIFY(QFile::setPermissions(path, QFileDevice::Permissions(0x6666)));  // anyone may write it
    struct stat before;
    QCOMPARE(::stat(QFile::encodeName(path).constData(), &before), 0);
    if (why == u"hard link") {
        const QByteArray other = QFile::encodeName(cwd.file(QStringLiteral("other.ini")));
        QCOMPARE(::link(QFile::encodeName(path).constData(), other.constData()), 0);
    }
    SettingsRec rec;
    rec.set(SettingsRec::PathName, QStringLiteral("/x"));
    if (why == u"folder") {
        const int status = runLimitedChild(1L << 30, [&] {
            if (::setgid(65534) != 0 || ::setuid(65534) != 0)
                return 2;
            PosixFiles files;
            return writeSettings(files, path, rec).ok() ? 0 : 1;
        });
        QCOMPARE(status, 0);
    } else {
        PosixFiles files;
        const FsStatus s = writeSettings(files, path, rec);
        QVERIFY2(s.ok(), qPrintable(s.detail));
    }
    struct stat after;
    QCOMPARE(::stat(QFile::encodeName(path).constData(), &after), 0);
    QCOMPARE(after.st_ino, before.st_ino);
    QCOMPARE(readBytes(path), rec.toBytes() + tail);
    if (why == u"hard link")
        QCOMPARE(readBytes(cwd.file(QStringLiteral("other.ini"))), rec.toBytes() + tail);
    QCOMPARE(QDir(folder).entryList({QStringLiteral(".vutara-*")}, QDir::Files | QDir::Hidden), QStringList());
}

void TestSettings::failedWriteKeepsOldRecord()
{
    // A child process limited to small files cannot write the new file whole (as on a full
    // disk); the old record must stay as it was, and no temporary file may be left behind.
    TempCwd cwd;
    const QByteArray old = QByteArray(100, 'o') + QByteArray(400, 't');
    writeBytes(cwd.file(SettingsFileName), old);
    const int status = runLimitedChild(200, [] {
        PosixFiles files;
        SettingsRec rec;
        rec.set(SettingsRec::PathName, QStringLiteral("/new"));
        return writeSettings(files, SettingsFileName, rec).ok() ? 0 : 1;
    });
    QCOMPARE(status, 1);
    QCOMPARE(readBytes(cwd.file(SettingsFileName)), old);
    QCOMPARE(QDir(cwd.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

void TestSettings::specialFilesAreLeftAlone_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("throughLink");
    QTest::newRow("a pipe") << "pipe" << false;
    QTest::newRow("a link to a pipe") << "pipe" << true;
    QTest::newRow("a link to a device") << "device" << true;
    QTest::newRow("a folder") << "folder" << false;
}

void TestSettings::specialFilesAreLeftAlone()
{
    // Reading must not wait for a writer that never comes (the program would hang at start-up),
    // and writing must not replace a device or a pipe with a regular file.
    QFETCH(QString, kind);
    QFETCH(bool, throughLink);
    Watchdog watchdog(std::chrono::seconds(60));
    watchdog.step(QStringLiteral("the settings file on a special file"));
    TempCwd cwd;
    const QString special = cwd.file(throughLink ? QStringLiteral("special") : SettingsFileName);
    const QByteArray native = QFile::encodeName(special);
    mode_t type = S_IFDIR;
    if (kind == QStringLiteral("pipe")) {
        QCOMPARE(::mkfifo(native.constData(), 0644), 0);
        type = S_IFIFO;
    } else if (kind == QStringLiteral("device")) {
        // A device of its own in the temporary folder (the system's null device), never a real one.
        if (::mknod(native.constData(), S_IFCHR | 0666, makedev(1, 3)) != 0)
            QSKIP("making a device needs the superuser");
        type = S_IFCHR;
    } else {
        QVERIFY(QDir().mkdir(special));
    }
    if (throughLink)
        QVERIFY(QFile::link(special, cwd.file(SettingsFileName)));

    PosixFiles files;
    SettingsRec rec;
    rec.set(SettingsRec::PathName, QStringLiteral("/x"));
    const FsStatus read = readSettings(files, SettingsFileName, &rec);
    const FsStatus written = writeSettings(files, SettingsFileName, rec);
    watchdog.idle();
    const QString notAFile = QStringLiteral("通常のファイルではないため読み書きできません");
    QCOMPARE(err::describe(read.error), notAFile);
    QCOMPARE(err::describe(written.error), notAFile);
    struct stat st;
    QCOMPARE(::stat(native.constData(), &st), 0);
    QCOMPARE(st.st_mode & S_IFMT, type);
    QCOMPARE(QFileInfo(cwd.file(SettingsFileName)).isSymLink(), throughLink);
    QCOMPARE(QDir(cwd.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot).size(),
        throughLink ? 2 : 1);  // no temporary file left
}

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
