// The volume service: the kernel's table of mounts read without asking any volume, the volumes a
// user keeps files on, their labels, and a volume that stops answering listed but not ready,
// asked again only when the user chooses it.
#include "platform/blocking.h"
#include "platform/volumes.h"
#include "support/hungmount.h"
#include "support/watchdog.h"

#include <QApplication>
#include <QTest>

using namespace vu;
using namespace vu::testing;
using namespace std::chrono_literals;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(QList<MountEntry>)

class TestVolumes : public QObject {
    Q_OBJECT
private slots:
    void mountTable_data();
    void mountTable();
    void userMountsOfTable_data();
    void userMountsOfTable();
    void labels_data();
    void labels();
    void hungVolumeListedNotReadyAndAskedAgainOnlyWhenChosen();
};

void TestVolumes::mountTable_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QList<MountEntry>>("entries");
    const QString root = QStringLiteral("/");
    QTest::newRow("root file system") << QByteArray(
        "23 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw,errors=remount-ro\n")
                                      << QList<MountEntry>{
                                             {23, root, QStringLiteral("ext4"), QStringLiteral("/dev/sda1"), root}};
    QTest::newRow("blank, tab, newline and backslash in names")
        << QByteArray("51 23 8:17 / /media/u/My\\040Disk\\011\\012x\\134y rw - vfat /dev/sdb1 rw\n")
        << QList<MountEntry>{{51, QStringLiteral("/media/u/My Disk\t\nx\\y"), QStringLiteral("vfat"),
               QStringLiteral("/dev/sdb1"), root}};
    QTest::newRow("no optional fields, several")
        << QByteArray("36 35 98:0 / /mnt1 rw - ext3 /dev/root rw\n"
                      "37 35 98:0 / /mnt2 rw shared:2 master:1 propagate_from:1 - ext3 /dev/root rw\n")
        << QList<MountEntry>{{36, QStringLiteral("/mnt1"), QStringLiteral("ext3"), QStringLiteral("/dev/root"), root},
               {37, QStringLiteral("/mnt2"), QStringLiteral("ext3"), QStringLiteral("/dev/root"), root}};
    QTest::newRow("bind mount of a folder")
        << QByteArray("40 23 8:1 /home/u/photo\\040s /srv/photos rw - ext4 /dev/sda1 rw\n")
        << QList<MountEntry>{{40, QStringLiteral("/srv/photos"), QStringLiteral("ext4"), QStringLiteral("/dev/sda1"),
               QStringLiteral("/home/u/photo s")}};
    QTest::newRow("network share and FUSE")
        << QByteArray("60 23 0:50 / /mnt/nas rw - nfs4 nas:/export/photos rw\n"
                      "61 23 0:51 / /mnt/ssh rw,nosuid - fuse.sshfs u@host:/home/u rw\n")
        << QList<MountEntry>{
               {60, QStringLiteral("/mnt/nas"), QStringLiteral("nfs4"), QStringLiteral("nas:/export/photos"), root},
               {61, QStringLiteral("/mnt/ssh"), QStringLiteral("fuse.sshfs"), QStringLiteral("u@host:/home/u"), root}};
    QTest::newRow("lines not of the table's form")
        << QByteArray("\ngarbage\n70 23 0:5 / /x rw ext4 /dev/sdc1 rw\nx 23 0:5 / /y rw - ext4 /dev/sdc1 rw\n"
                      "71 23 0:5 / relative rw - ext4 /dev/sdc1 rw\n72 23 0:5 / /z rw -\n")
        << QList<MountEntry>{};
}

void TestVolumes::mountTable()
{
    QFETCH(QByteArray, text);
    QFETCH(QList<MountEntry>, entries);
    QCOMPARE(parseMountTable(text), entries);
}

void TestVolumes::userMountsOfTable_data()
{
    // Each mount as "mount point type", in the table's order; the expected mount points (and,
    // where one point is mounted twice, the type that wins).
    QTest::addColumn<QStringList>("table");
    QTest::addColumn<QStringList>("volumes");
    QTest::newRow("pseudo and system file systems left out")
        << QStringList{u"/ ext4"_s, u"/proc proc"_s, u"/sys sysfs"_s, u"/sys/fs/cgroup cgroup2"_s, u"/dev devtmpfs"_s,
               u"/dev/pts devpts"_s, u"/dev/shm tmpfs"_s, u"/run tmpfs"_s, u"/run/user/1000 tmpfs"_s,
               u"/proc/sys/fs/binfmt_misc binfmt_misc"_s, u"/sys/kernel/debug debugfs"_s, u"/tmp tmpfs"_s,
               u"/home ext4"_s, u"/mnt/nas nfs4"_s, u"/media/u/card vfat"_s, u"/x autofs"_s}
        << QStringList{u"/ ext4"_s, u"/tmp tmpfs"_s, u"/home ext4"_s, u"/mnt/nas nfs4"_s, u"/media/u/card vfat"_s};
    QTest::newRow("a later mount on one point hides the earlier") << QStringList{u"/ ext4"_s, u"/mnt/a ext4"_s,
        u"/mnt/b vfat"_s, u"/mnt/a fuse.sshfs"_s} << QStringList{u"/ ext4"_s, u"/mnt/b vfat"_s, u"/mnt/a fuse.sshfs"_s};
    QTest::newRow("one file system bound at two places: two volumes") << QStringList{u"/ ext4"_s, u"/srv/photos ext4"_s,
        u"/home/u/photos ext4"_s} << QStringList{u"/ ext4"_s, u"/srv/photos ext4"_s, u"/home/u/photos ext4"_s};
}

void TestVolumes::userMountsOfTable()
{
    QFETCH(QStringList, table);
    QFETCH(QStringList, volumes);
    QList<MountEntry> mounts;
    for (const QString& m : table)
        mounts.push_back({int(mounts.size()), m.section(u' ', 0, 0), m.section(u' ', 1, 1), QString(), u"/"_s});
    QStringList kept;
    for (const MountEntry& m : userMounts(mounts))
        kept << m.mountPoint + u' ' + m.fsType;
    QCOMPARE(kept, volumes);
}

void TestVolumes::labels_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QString>("label");
    QTest::newRow("plain") << QByteArray("EFI") << u"EFI"_s;
    QTest::newRow("blank") << QByteArray("My\\x20Disk") << u"My Disk"_s;
    QTest::newRow("slash") << QByteArray("a\\x2fb") << u"a/b"_s;
    QTest::newRow("UTF-8 kept as it is") << QByteArray("\xe5\x86\x99\xe7\x9c\x9f") << u"写真"_s;
    QTest::newRow("a backslash that escapes nothing") << QByteArray("a\\b\\x2") << u"a\\b\\x2"_s;
}

void TestVolumes::labels()
{
    QFETCH(QByteArray, name);
    QFETCH(QString, label);
    QCOMPARE(decodeLabel(name), label);
}

void TestVolumes::hungVolumeListedNotReadyAndAskedAgainOnlyWhenChosen()
{
    Watchdog watchdog(60s);
    QtVolumes volumes;
    HungMount share;  // made last, gone first: it goes on before what its workers use goes
    if (!share.ok())
        QSKIP(qPrintable(share.why()));
    auto listed = [&] {
        for (const Volume& v : volumes.list()) {
            if (v.root == share.mountPoint())
                return v.ready ? u"ready"_s : u"not ready"_s;
        }
        return u"not listed"_s;
    };
    // Workers still running at each point: those the hung share holds (those that answered may
    // take a moment to be done).
    const int workers = blocking::runningWorkers();
    watchdog.step(u"the first look at the volumes, the share answering"_s);
    QCOMPARE(listed(), u"ready"_s);
    QVERIFY(volumes.isReady(share.mountPoint()));
    share.stop();

    // A volume already known is not asked on the next look: that does not notice the hang.
    watchdog.step(u"the next look, the share hung"_s);
    QCOMPARE(listed(), u"ready"_s);
    QTRY_COMPARE(blocking::runningWorkers(), workers);

    // Asked, it does not answer in time: its asking is left behind, and from now on it is not
    // ready without being asked (no look at the volumes, no readiness asks it again).
    watchdog.step(u"asking the hung share"_s);
    QVERIFY(!volumes.isReady(share.mountPoint()));
    QTRY_COMPARE(blocking::runningWorkers(), workers + 1);
    watchdog.step(u"the looks after it"_s);
    QCOMPARE(listed(), u"not ready"_s);
    QVERIFY(!volumes.isReady(share.mountPoint()));
    QVERIFY(volumes.silentAt(share.mountPoint() + u"/photos/a.jpg"_s));
    QVERIFY(!volumes.silentAt(share.source()));
    QTRY_COMPARE(blocking::runningWorkers(), workers + 1);

    // A program that first looks while the share hangs lists it by its mount point, not ready.
    watchdog.step(u"the first look of another program, the share hung"_s);
    QtVolumes later;
    bool seen = false;
    for (const Volume& v : later.list()) {
        if (v.root == share.mountPoint()) {
            seen = true;
            QVERIFY(!v.ready);
        }
    }
    QVERIFY(seen);
    QTRY_COMPARE(blocking::runningWorkers(), workers + 2);

    // Chosen by the user, it is asked again; once it answers again, it is ready again.
    watchdog.step(u"chosen while still hung"_s);
    volumes.askAgain(share.mountPoint());
    QVERIFY(!volumes.isReady(share.mountPoint()));
    QTRY_COMPARE(blocking::runningWorkers(), workers + 3);
    share.resume();
    QTRY_COMPARE(blocking::runningWorkers(), workers);
    watchdog.step(u"chosen once it answers again"_s);
    QCOMPARE(listed(), u"not ready"_s);
    volumes.askAgain(share.mountPoint());
    QVERIFY(volumes.isReady(share.mountPoint()));
    QCOMPARE(listed(), u"ready"_s);
    watchdog.idle();
}

VUTARA_HUNG_MOUNT_TEST_MAIN(QApplication, TestVolumes)
#include "tst_volumes.moc"
