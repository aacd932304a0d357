// The file-operation engine: the rename plan from a table, and what the engine reports of each
// file (enough for a record of the run: step, paths before and after, which file).
#include "engine/fileengine.h"
#include "engine/renameplan.h"
#include "platform/testing/doubles.h"
#include "support/testsupport.h"

#include <QMap>
#include <QTest>

using namespace vu;
using namespace vu::engine;
using namespace vu::testing;
using namespace Qt::StringLiterals;

class TestEngine : public QObject {
    Q_OBJECT
private slots:
    void renamePlan_data();
    void renamePlan();
    void outcomesSayWhatHappened();
};

void TestEngine::renamePlan_data()
{
    QTest::addColumn<QStringList>("names");  // the batch in list order; the prefix is "x"
    QTest::addColumn<QStringList>("outside");  // names held in the folder by other files
    QTest::addColumn<QStringList>("failing");  // moves "from>to" that fail
    QTest::addColumn<QStringList>("vanishing");  // files that are gone when first moved
    QTest::addColumn<QStringList>("moves");  // expected, in order
    QTest::addColumn<QStringList>("after");  // each file's name afterwards ("" when gone)

    const QStringList none;
    QTest::newRow("fresh names") << QStringList{u"a.jpg"_s, u"b.gif"_s} << none << none << none
                                 << QStringList{u"rename a.jpg>x_.jpg"_s, u"rename b.gif>x_1.gif"_s}
                                 << QStringList{u"x_.jpg"_s, u"x_1.gif"_s};
    QTest::newRow("same prefix again") << QStringList{u"x_.gif"_s, u"x_1.jpg"_s} << none << none << none << none
                                       << QStringList{u"x_.gif"_s, u"x_1.jpg"_s};
    QTest::newRow("new name held by a later file")
        << QStringList{u"b.jpg"_s, u"x_.jpg"_s} << none << none << none
        << QStringList{u"aside x_.jpg>x_~1.jpg"_s, u"rename b.jpg>x_.jpg"_s, u"rename x_~1.jpg>x_1.jpg"_s}
        << QStringList{u"x_.jpg"_s, u"x_1.jpg"_s};
    QTest::newRow("chain") << QStringList{u"a.jpg"_s, u"x_.jpg"_s, u"x_1.jpg"_s} << none << none << none
                           << QStringList{u"aside x_.jpg>x_~1.jpg"_s, u"rename a.jpg>x_.jpg"_s,
                                  u"aside x_1.jpg>x_1~2.jpg"_s, u"rename x_~1.jpg>x_1.jpg"_s,
                                  u"rename x_1~2.jpg>x_2.jpg"_s}
                           << QStringList{u"x_.jpg"_s, u"x_1.jpg"_s, u"x_2.jpg"_s};
    QTest::newRow("names held by earlier files") << QStringList{u"x_1.jpg"_s, u"x_2.jpg"_s} << none << none << none
                                                 << QStringList{u"rename x_1.jpg>x_.jpg"_s, u"rename x_2.jpg>x_1.jpg"_s}
                                                 << QStringList{u"x_.jpg"_s, u"x_1.jpg"_s};
    QTest::newRow("temporary name taken outside")
        << QStringList{u"b.jpg"_s, u"x_.jpg"_s} << QStringList{u"x_~1.jpg"_s} << none << none
        << QStringList{u"aside x_.jpg>x_~2.jpg"_s, u"rename b.jpg>x_.jpg"_s, u"rename x_~2.jpg>x_1.jpg"_s}
        << QStringList{u"x_.jpg"_s, u"x_1.jpg"_s};
    QTest::newRow("new name held outside the batch")
        << QStringList{u"a.jpg"_s, u"b.jpg"_s} << QStringList{u"x_.jpg"_s} << none << none
        << QStringList{u"rename a.jpg>x_.jpg failed"_s, u"rename b.jpg>x_1.jpg"_s}
        << QStringList{u"a.jpg"_s, u"x_1.jpg"_s};
    QTest::newRow("the file that had to step aside vanished")
        << QStringList{u"a.jpg"_s, u"x_.jpg"_s, u"z.jpg"_s} << none << none << QStringList{u"x_.jpg"_s}
        << QStringList{u"aside x_.jpg>x_~1.jpg gone"_s, u"rename a.jpg>x_.jpg"_s, u"rename z.jpg>x_2.jpg"_s}
        << QStringList{u"x_.jpg"_s, QString(), u"x_2.jpg"_s};
    QTest::newRow("the file that had to step aside could not")
        << QStringList{u"a.jpg"_s, u"x_.jpg"_s} << none << QStringList{u"x_.jpg>x_~1.jpg"_s} << none
        << QStringList{u"aside x_.jpg>x_~1.jpg failed"_s, u"rename x_.jpg>x_1.jpg"_s}
        << QStringList{u"a.jpg"_s, u"x_1.jpg"_s};
    QTest::newRow("stood aside, could not take its name, goes back")
        << QStringList{u"b.jpg"_s, u"x_.jpg"_s} << QStringList{u"x_1.jpg"_s} << QStringList{u"b.jpg>x_.jpg"_s} << none
        << QStringList{u"aside x_.jpg>x_~1.jpg"_s, u"rename b.jpg>x_.jpg failed"_s, u"rename x_~1.jpg>x_1.jpg failed"_s,
               u"back x_~1.jpg>x_.jpg"_s}
        << QStringList{u"b.jpg"_s, u"x_.jpg"_s};
    QTest::newRow("stood aside, its name taken since, stays aside")
        << QStringList{u"b.jpg"_s, u"x_.jpg"_s} << QStringList{u"x_1.jpg"_s} << none << none
        << QStringList{u"aside x_.jpg>x_~1.jpg"_s, u"rename b.jpg>x_.jpg"_s, u"rename x_~1.jpg>x_1.jpg failed"_s}
        << QStringList{u"x_.jpg"_s, u"x_~1.jpg"_s};
}

void TestEngine::renamePlan()
{
    QFETCH(QStringList, names);
    QFETCH(QStringList, outside);
    QFETCH(QStringList, failing);
    QFETCH(QStringList, vanishing);
    QFETCH(QStringList, moves);
    QFETCH(QStringList, after);
    // A folder of names: the batch's files by number, and names held by other files.
    QMap<QString, int> folder;
    for (int i = 0; i < names.size(); ++i)
        folder.insert(names[i], i);
    const auto taken = [&](const QString& n) { return folder.contains(n) || outside.contains(n); };
    QStringList newNames;
    for (int i = 0; i < names.size(); ++i)
        newNames << renamedName(u"x"_s, i, names[i]);

    RenamePlan plan(names, newNames);
    QStringList done;
    for (int i = 0; i < names.size(); ++i) {
        plan.begin(i);
        while (const std::optional<RenamePlan::Move> m = plan.next(taken)) {
            static const char* kinds[] = {"aside", "rename", "back"};
            QString step = QString::fromLatin1(kinds[m->kind]) + u' ' + m->from + u'>' + m->to;
            QCOMPARE(folder.value(m->from, -1) == m->file || vanishing.contains(m->from), true);
            RenamePlan::Result r = RenamePlan::Result::Done;
            if (vanishing.contains(m->from)) {
                folder.remove(m->from);
                vanishing.removeAll(m->from);
                r = RenamePlan::Result::Gone;
                step += u" gone"_s;
            } else if (failing.contains(m->from + u'>' + m->to) || taken(m->to)) {
                r = RenamePlan::Result::Failed;
                step += u" failed"_s;
            } else {
                folder.insert(m->to, folder.take(m->from));
            }
            plan.report(r);
            done << step;
        }
        QCOMPARE(plan.succeeded(), !plan.gone() && folder.value(newNames[i], -1) == i);
    }
    QCOMPARE(done, moves);
    QStringList names2;
    for (int i = 0; i < names.size(); ++i)
        names2 << folder.key(i, QString());
    QCOMPARE(names2, after);
}

void TestEngine::outcomesSayWhatHappened()
{
    // Every outcome carries the step, the paths before and after, and the identity of the file,
    // so that a record of the run can be kept from the outcomes alone.
    TempCwd cwd;
    TestPlatform platform;
    const QString src = cwd.file(u"src"_s), dst = cwd.file(u"dst"_s);
    QDir().mkpath(src);
    QDir().mkpath(dst);
    writeBytes(src + u"/a.jpg"_s, "aaa");
    writeBytes(src + u"/b.jpg"_s, "bbbb");
    writeBytes(dst + u"/b.jpg"_s, "taken");
    const std::optional<FileIdentity> a = platform.files.identity(src + u"/a.jpg"_s);
    const std::optional<FileIdentity> b = platform.files.identity(src + u"/b.jpg"_s);
    QVERIFY(a && b);

    FileEngine engine(platform.files, platform.clock);
    platform.clock.setTime(14, 5, 7);
    QList<Outcome> seen;
    Listener listener;
    listener.outcome = [&](const Outcome& o) { seen << o; };
    const Totals moved = engine.transferAll(Transfer::Move, src, {u"a.jpg"_s, u"b.jpg"_s}, dst, listener);
    QCOMPARE(moved.done, 2);
    QCOMPARE(moved.failed, 0);
    QCOMPARE(seen.size(), 4);
    const QString a2 = dst + u"/a.jpg"_s, b2 = dst + u"/b0507.jpg"_s;
    for (int k = 0; k < 4; ++k) {
        const Outcome& o = seen[k];
        QCOMPARE(o.step, k < 2 ? Step::Copy : Step::RemoveSource);
        QCOMPARE(o.result, Result::Done);
        QCOMPARE(o.index, k % 2);
        QCOMPARE(o.from, src + (k % 2 ? u"/b.jpg"_s : u"/a.jpg"_s));
        QCOMPARE(o.to, k % 2 ? b2 : a2);
        QCOMPARE(o.identity, k % 2 ? *b : *a);
        QCOMPARE(std::optional<FileIdentity>(o.made), platform.files.identity(o.to));
    }

    // A drop that replaces a file of the same name (with consent) says which file it replaced.
    writeBytes(src + u"/b.jpg"_s, "new b");
    const std::optional<FileIdentity> older = platform.files.identity(dst + u"/b.jpg"_s);
    listener.mayReplace = [](const QString&) { return true; };
    const Outcome replacing = engine.transferOne(Transfer::Copy, src + u"/b.jpg"_s, dst, listener);
    QVERIFY(replacing.done());
    QCOMPARE(std::optional<FileIdentity>(replacing.replaced), older);
    QCOMPARE(readBytes(dst + u"/b.jpg"_s), QByteArray("new b"));
    listener.mayReplace = nullptr;

    seen.clear();
    const std::optional<FileIdentity> copied = platform.files.identity(a2);
    engine.renameAll(dst, {u"a.jpg"_s, u"b.jpg"_s, u"b0507.jpg"_s}, u"p"_s, listener);
    QCOMPARE(seen.size(), 3);
    QCOMPARE(seen[0].step, Step::Rename);
    QCOMPARE(seen[0].from, a2);
    QCOMPARE(seen[0].to, dst + u"/p_.jpg"_s);
    QCOMPARE(std::optional<FileIdentity>(seen[0].identity), copied);

    seen.clear();
    const Totals deleted = engine.deleteAll(dst, {u"p_.jpg"_s, u"gone.jpg"_s}, listener);
    QCOMPARE(deleted.done, 1);
    QCOMPARE(deleted.failed, 1);
    QCOMPARE(seen[0].step, Step::Delete);
    QCOMPARE(std::optional<FileIdentity>(seen[0].identity), copied);
    QVERIFY(seen[0].to.isEmpty());
    QCOMPARE(seen[1].result, Result::Failed);
    QCOMPARE(seen[1].error, err::FileNotFound);
    QCOMPARE(seen[1].reason, err::describe(err::FileNotFound));
}

QTEST_GUILESS_MAIN(TestEngine)
#include "tst_engine.moc"
