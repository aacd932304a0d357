// The folder pane both windows are built from: its drive, folder and file lists kept in step, with
// its files shown (the batch window) or only listed (the main window).
#include "platform/testing/doubles.h"
#include "support/testsupport.h"
#include "widgets/folderpane.h"

#include <QDir>
#include <QSignalSpy>
#include <QTest>

using namespace vu;
using namespace vu::testing;

class TestFolderPane : public QObject {
    Q_OBJECT
private slots:
    void steps_data();
    void steps();
};

// Each row starts a pane on "disk/photos" (three pictures; a sibling "disk/empty"; a volume
// "cdrom" that is not ready) and takes one step; the folder, the drive and the count afterwards.
void TestFolderPane::steps_data()
{
    QTest::addColumn<bool>("showFiles");
    QTest::addColumn<QString>("step");
    QTest::addColumn<QString>("folder");  // relative to the test's folder
    QTest::addColumn<QString>("drive");
    QTest::addColumn<int>("count");
    for (bool shown : {false, true}) {
        auto row = [shown](const char* name) -> QTestData& {
            return QTest::addRow("%s, %s", name, shown ? "shown" : "listed") << shown;
        };
        row("start") << "none"
                     << "disk/photos"
                     << "disk" << 3;
        row("drive not ready snaps back") << "cdrom"
                                          << "disk/photos"
                                          << "disk" << 3;
        row("highlighted folder taken") << "highlight"
                                        << "disk/empty"
                                        << "disk" << 0;
        row("gone folder not shown") << "show gone"
                                     << "disk/photos"
                                     << "disk" << 3;
        row("folder gone climbs") << "remove"
                                  << "disk"
                                  << "disk" << 0;
        row("pattern") << "gif"
                       << "disk/photos"
                       << "disk" << 0;
    }
}

void TestFolderPane::steps()
{
    QFETCH(bool, showFiles);
    QFETCH(QString, step);
    TempCwd cwd;
    writePictures(cwd.file(QStringLiteral("disk/photos")), 3);
    QDir().mkpath(cwd.file(QStringLiteral("disk/empty")));
    QDir().mkpath(cwd.file(QStringLiteral("cdrom")));
    TestPlatform platform;
    FakeVolumes& volumes = platform.useFakeVolumes();
    volumes.volumes = {{QStringLiteral("/"), QString(), true}, {cwd.file(QStringLiteral("disk")), QString(), true},
        {cwd.file(QStringLiteral("cdrom")), QString(), false}};
    QWidget window;
    FolderPane pane(platform.files, volumes, &window, QStringLiteral("*.bmp"), showFiles);
    QCOMPARE(bool(pane.fileBox()), showFiles);
    // A window's handlers: the files follow the folder, the folder the drive, as both windows wire them.
    connect(&pane, &FolderPane::folderChanged, &pane, [&] { pane.listFiles(pane.folder()); });
    connect(&pane, &FolderPane::driveChosen, &pane, [&] { pane.followDrive(); });
    pane.show(cwd.file(QStringLiteral("disk/photos")));

    if (step == QStringLiteral("cdrom")) {
        const int cd = pane.drives()->findData(cwd.file(QStringLiteral("cdrom")));
        pane.drives()->setCurrentIndex(cd);
        emit pane.drives()->activated(cd);  // as when the user picks it
    } else if (step == QStringLiteral("highlight")) {
        QVERIFY(pane.folders()->setPath(cwd.file(QStringLiteral("disk"))).ok());
        for (int row = 0; row < pane.folders()->count(); ++row) {
            if (pane.folders()->entryPath(row) == cwd.file(QStringLiteral("disk/empty")))
                pane.folders()->setCurrentRow(row);  // one click: highlighted only
        }
        QCOMPARE(pane.folder(), cwd.file(QStringLiteral("disk")));
        pane.takeHighlighted();
    } else if (step == QStringLiteral("show gone")) {
        pane.show(cwd.file(QStringLiteral("disk/gone")));
    } else if (step == QStringLiteral("remove")) {
        QVERIFY(QDir(cwd.file(QStringLiteral("disk/photos"))).removeRecursively());
        pane.refreshFiles();
        pane.climbIfGone();
    } else if (step == QStringLiteral("gif")) {
        pane.setPattern(QStringLiteral("*.gif"));
    }
    QFETCH(QString, folder);
    QFETCH(QString, drive);
    QCOMPARE(pane.folder(), cwd.file(folder));
    QCOMPARE(pane.drives()->drive(), cwd.file(drive));
    QTEST(pane.listing().count(), "count");
    QCOMPARE(pane.listing().path(), pane.folder());
    if (showFiles)
        QCOMPARE(pane.fileBox()->count(), pane.listing().count());
}

QTEST_MAIN(TestFolderPane)
#include "tst_folderpane.moc"
