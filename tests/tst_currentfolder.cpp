// The current folder: each way CurPath is set, its separator rules, and the folder the lists show.
#include "shell/currentfolder.h"

#include <QSignalSpy>
#include <QTest>

using namespace vu;

class TestCurrentFolder : public QObject {
    Q_OBJECT
private slots:
    void steps_data();
    void steps();
    void folderOfChosenFile_data();
    void folderOfChosenFile();
    void listedChangeIsSignalled();
};

// Each row runs its steps ("how:argument") on a new current folder and checks CurPath, the folder
// names are joined to, what the settings file stores at the end and what status panel 4 names.
void TestCurrentFolder::steps_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("curPath");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("forSettings");
    QTest::addColumn<QString>("shown");
    auto row = [](const char* name, std::initializer_list<const char*> steps, const char* cur, const char* folder,
                   const char* stored, const char* shown) {
        QStringList list;
        for (const char* s : steps)
            list << QString::fromUtf8(s);
        QTest::newRow(name) << list << QString::fromUtf8(cur) << QString::fromUtf8(folder) << QString::fromUtf8(stored)
                            << QString::fromUtf8(shown);
    };
    row("root from the lists", {"list:/"}, "/", "/", "", "/");
    row("folder from the lists", {"list:/srv/img"}, "/srv/img", "/srv/img", "/srv/img", "/srv/img");
    row("right click appends", {"list:/srv/img", "append:"}, "/srv/img/", "/srv/img", "/srv/img", "/srv/img/");
    row("appended once only", {"list:/srv/img", "append:", "append:"}, "/srv/img/", "/srv/img", "/srv/img",
        "/srv/img/");
    row("the root keeps its one", {"list:/", "append:"}, "/", "/", "", "/");
    row("file chosen elsewhere", {"list:/a", "chosen:/b/c.jpg"}, "/b/", "/b", "/b", "/a");
    row("file chosen in the listed folder", {"list:/a", "chosen:/a/x.jpg"}, "/a/", "/a", "/a", "/a/");
    row("handed back on the root", {"list:/a", "handback:/"}, "", "/", "", "/a");
    row("handed back on a folder", {"list:/a", "handback:/b"}, "/b", "/b", "/b", "/a");
    row("handed back on the listed folder", {"list:/a", "handback:/a"}, "/a", "/a", "/a", "/a");
    row("stored, as given", {"list:/a", "stored:/x/y/"}, "/x/y/", "/x/y", "/x/y", "/a");
    row("stored empty", {"list:/a", "stored:"}, "", "/", "", "/a");
    row("the lists move on", {"list:/a", "append:", "shows:/b"}, "/a/", "/a", "/a", "/b");
    row("the show button takes the lists again", {"chosen:/b/c.jpg", "shows:/a", "list:/a"}, "/a", "/a", "/a", "/a");
}

void TestCurrentFolder::steps()
{
    QFETCH(QStringList, steps);
    CurrentFolder f;
    for (const QString& step : steps) {
        const QString how = step.section(u':', 0, 0);
        const QString arg = step.section(u':', 1);
        if (how == QStringLiteral("list"))
            f.takeListed(arg);
        else if (how == QStringLiteral("shows"))
            f.setListed(arg);
        else if (how == QStringLiteral("append"))
            f.appendSeparator();
        else if (how == QStringLiteral("chosen"))
            f.takeChosenFile(arg);
        else if (how == QStringLiteral("handback"))
            f.takeHandedBack(arg);
        else if (how == QStringLiteral("stored"))
            f.takeStored(arg);
        else
            QFAIL(qPrintable(step));
    }
    QTEST(f.curPath(), "curPath");
    QTEST(f.folder(), "folder");
    QTEST(f.forSettings(), "forSettings");
    QTEST(f.shownText(), "shown");
}

void TestCurrentFolder::folderOfChosenFile_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("folder");
    QTest::newRow("nested") << "/srv/Images/Sub/a.gif"
                            << "/srv/Images/Sub/";
    QTest::newRow("one level") << "/srv/cat.jpg"
                               << "/srv/";
    QTest::newRow("root") << "/cat.jpg"
                          << "/";
    QTest::newRow("no separator") << "cat.jpg"
                                  << "ca";
}

void TestCurrentFolder::folderOfChosenFile()
{
    QFETCH(QString, file);
    CurrentFolder f;
    f.takeListed(QStringLiteral("/elsewhere"));
    f.takeChosenFile(file);
    QTEST(f.curPath(), "folder");
    QCOMPARE(f.chosenFile(), file);
    QCOMPARE(f.listed(), QStringLiteral("/elsewhere"));  // the lists do not move
}

void TestCurrentFolder::listedChangeIsSignalled()
{
    CurrentFolder f;
    QSignalSpy spy(&f, &CurrentFolder::listedChanged);
    f.takeListed(QStringLiteral("/a"));
    f.takeListed(QStringLiteral("/a"));
    f.takeChosenFile(QStringLiteral("/b/c.jpg"));
    f.takeHandedBack(QStringLiteral("/c"));
    f.setListed(QStringLiteral("/d"));
    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy.at(1).at(0).toString(), QStringLiteral("/d"));
}

QTEST_GUILESS_MAIN(TestCurrentFolder)
#include "tst_currentfolder.moc"
