// The file-operation engine: the rename plan from a table, and what the engine reports of each
// file (enough for a record of the run: step, paths before and after, which file), and how a run
// goes aside while its caller serves what it hands back.
#include "engine/aside.h"
#include "engine/fileengine.h"
#include "engine/journal.h"
#include "engine/renameplan.h"
#include "platform/paths.h"
#include "platform/testing/doubles.h"
#include "support/testsupport.h"
#include "support/watchdog.h"

#include <QMap>
#include <QTest>

#include <atomic>
#include <semaphore>
#include <thread>

using namespace vu;
using namespace vu::engine;
using namespace vu::testing;
using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

class TestEngine : public QObject {
    Q_OBJECT
private slots:
    void renamePlan_data();
    void renamePlan();
    void outcomesSayWhatHappened();
    void renameBackPlan_data();
    void renameBackPlan();
    void undoPutsBack_data();
    void undoPutsBack();
    void deleteAsksOnlyWhereNoTrash_data();
    void deleteAsksOnlyWhereNoTrash();
    void undoTwice_data();
    void undoTwice();
    void journalKeepsTheNewestActions();
    void runsAsideAnsweringOnTheCallersThread();  // last: it ends every wait of the process
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
    const Totals deleted = engine.deleteAll(dst, {u"p_.jpg"_s, u"gone.jpg"_s}, DeleteMode::Final, listener);
    QCOMPARE(deleted.done, 1);
    QCOMPARE(deleted.failed, 1);
    QCOMPARE(seen[0].step, Step::Delete);
    QCOMPARE(std::optional<FileIdentity>(seen[0].identity), copied);
    QVERIFY(seen[0].to.isEmpty());
    QCOMPARE(seen[1].result, Result::Failed);
    QCOMPARE(seen[1].error, err::FileNotFound);
    QCOMPARE(seen[1].reason, err::describe(err::FileNotFound));
}

void TestEngine::renameBackPlan_data()
{
    QTest::addColumn<QStringList>("moves");  // "now>back" of each file, the first to be undone first
    QTest::addColumn<QStringList>("outside");  // names held in the folder by other files
    QTest::addColumn<QStringList>("plan");  // the chains, each "from>to from>to ..."

    const QStringList none;
    QTest::newRow("old names free") << QStringList{u"x_.jpg>a.jpg"_s, u"x_1.jpg>b.jpg"_s} << none
                                    << QStringList{u"x_.jpg>a.jpg"_s, u"x_1.jpg>b.jpg"_s};
    // The run renamed a.jpg to x_.jpg after x_.jpg stepped aside and became x_1.jpg.
    QTest::newRow("a chain: the holder of an old name moves first")
        << QStringList{u"x_1.jpg>x_.jpg"_s, u"x_.jpg>a.jpg"_s} << none << QStringList{u"x_.jpg>a.jpg x_1.jpg>x_.jpg"_s};
    QTest::newRow("a longer chain, given in any order") << QStringList{u"x_2.jpg>x_1.jpg"_s, u"x_1.jpg>x_.jpg"_s,
        u"x_.jpg>a.jpg"_s} << none << QStringList{u"x_.jpg>a.jpg x_1.jpg>x_.jpg x_2.jpg>x_1.jpg"_s};
    QTest::newRow("two files swapped: one steps aside") << QStringList{u"b.jpg>a.jpg"_s, u"a.jpg>b.jpg"_s} << none
                                                        << QStringList{u"b.jpg>b~1.jpg a.jpg>b.jpg b~1.jpg>a.jpg"_s};
    QTest::newRow("a ring of three, its temporary name taken outside")
        << QStringList{u"a.jpg>c.jpg"_s, u"b.jpg>a.jpg"_s, u"c.jpg>b.jpg"_s} << QStringList{u"a~1.jpg"_s}
        << QStringList{u"a.jpg>a~2.jpg b.jpg>a.jpg c.jpg>b.jpg a~2.jpg>c.jpg"_s};
    QTest::newRow("already back") << QStringList{u"a.jpg>a.jpg"_s, u"x_1.jpg>b.jpg"_s} << none
                                  << QStringList{u"x_1.jpg>b.jpg"_s};
    // An old name held outside the batch is found taken when its file comes to it; the plan
    // still puts the file waiting for it after it.
    QTest::newRow("old name held outside") << QStringList{u"x_1.jpg>x_.jpg"_s, u"x_.jpg>a.jpg"_s}
                                           << QStringList{u"a.jpg"_s} << QStringList{u"x_.jpg>a.jpg x_1.jpg>x_.jpg"_s};
    QTest::newRow("two files want one free name: the second will find it taken") << QStringList{
        u"x_.jpg>a.jpg"_s, u"x_1.jpg>a.jpg"_s} << none << QStringList{u"x_.jpg>a.jpg"_s, u"x_1.jpg>a.jpg"_s};
    QTest::newRow("two files want a name held in the batch: the second stays") << QStringList{
        u"x_.jpg>b.jpg"_s, u"x_1.jpg>b.jpg"_s, u"b.jpg>c.jpg"_s} << none << QStringList{u"b.jpg>c.jpg x_.jpg>b.jpg"_s};
}

void TestEngine::renameBackPlan()
{
    QFETCH(QStringList, moves);
    QFETCH(QStringList, outside);
    QFETCH(QStringList, plan);
    const QString folder = u"/f/"_s;
    QStringList now, back;
    for (const QString& m : moves) {
        now << folder + m.section(u'>', 0, 0);
        back << folder + m.section(u'>', 1, 1);
    }
    const std::vector<MoveChain> chains
        = planRenameBack(now, back, [&](const QString& name) { return outside.contains(name.mid(folder.size())); });
    QStringList got;
    for (const MoveChain& c : chains) {
        QStringList steps;
        for (const NameMove& m : c.moves) {
            QCOMPARE(m.from.startsWith(folder) && m.to.startsWith(folder), true);
            steps << m.from.mid(folder.size()) + u'>' + m.to.mid(folder.size());
            if (!c.ring || (&m != &c.moves.front() && &m != &c.moves.back())) {
                QCOMPARE(now.value(m.file), m.from);
                QCOMPARE(back.value(m.file), m.to);
            }
        }
        QCOMPARE(c.ring, c.moves.front().file == c.moves.back().file && c.moves.size() > 1);
        got << steps.join(u' ');
    }
    QCOMPARE(got, plan);
}

namespace {

// A file as the user knows it: its bytes and its modification time.
struct Kept {
    QByteArray bytes;
    qint64 modifiedNs = 0;
    bool operator==(const Kept&) const = default;
};

std::optional<Kept> keptAt(Files& files, const QString& path)
{
    const std::optional<FileIdentity> id = files.identity(path);
    if (!id)
        return std::nullopt;
    return Kept{readBytes(path), id->modifiedNs};
}

void setTime(const QString& path, const QDateTime& when)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadWrite));
    QVERIFY(f.setFileTime(when, QFileDevice::FileModificationTime));
}

QStringList entriesOf(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

}  // namespace

void TestEngine::undoPutsBack_data()
{
    QTest::addColumn<QString>("command");  // copy, move, rename or delete (into the trash) of a.jpg, b.jpg,
                                           // x_.jpg, x_1.jpg; "delete link to ...": b.jpg is a relative link
    QTest::addColumn<bool>("otherVolume");  // the copies, or the deleted files, on a volume of their own
    QTest::addColumn<QString>("meanwhile");  // what another program does to b.jpg before the undo
    QTest::addColumn<QList<int>>("leftAlone");  // the files the undo must leave where they are

    const QList<int> none;
    QTest::newRow("copy") << "copy" << false << "" << none;
    QTest::newRow("copy: a copy changed since") << "copy" << false << "changed" << QList<int>{1};
    QTest::newRow("copy: its original changed since") << "copy" << false << "original changed" << QList<int>{1};
    QTest::newRow("copy to another volume") << "copy" << true << "" << none;
    QTest::newRow("move") << "move" << false << "" << none;
    QTest::newRow("move: a moved file changed since") << "move" << false << "changed" << QList<int>{1};
    QTest::newRow("move: an old name taken since") << "move" << false << "name taken" << QList<int>{1};
    QTest::newRow("move to another volume") << "move" << true << "" << none;
    QTest::newRow("move to another volume: a moved file changed since") << "move" << true << "changed" << QList<int>{1};
    QTest::newRow("rename, with files stepping aside") << "rename" << false << "" << none;
    // x_1.jpg had to wait for b.jpg: it keeps its new name too.
    QTest::newRow("rename: a renamed file changed since") << "rename" << false << "changed" << QList<int>{1, 3};
    QTest::newRow("rename: an old name taken since") << "rename" << false << "name taken" << QList<int>{1, 3};
    // Its new name is free then: x_1.jpg takes its old name back.
    QTest::newRow("rename: a renamed file gone") << "rename" << false << "gone" << QList<int>{1};
    QTest::newRow("delete into the trash") << "delete" << false << "" << none;
    QTest::newRow("delete into another volume's trash") << "delete" << true << "" << none;
    QTest::newRow("delete: changed in the trash") << "delete" << false << "changed" << QList<int>{1};
    QTest::newRow("delete: an old name taken since") << "delete" << false << "name taken" << QList<int>{1};
    QTest::newRow("delete: emptied from the trash") << "delete" << false << "gone" << QList<int>{1};
    QTest::newRow("delete a relative link into the trash") << "delete link to ../dst/kept.jpg" << false << "" << none;
    QTest::newRow("delete a link to a file deleted before it") << "delete link to a.jpg" << false << "" << none;
}

void TestEngine::undoPutsBack()
{
    // A run on real folders, then its undo: every file is back where it was, with the same bytes
    // and modification time, and nothing else is left behind (no copy, no temporary name). A file
    // another program touched after the run is left alone and reported, never forced.
    QFETCH(QString, command);
    QFETCH(bool, otherVolume);
    QFETCH(QString, meanwhile);
    QFETCH(QList<int>, leftAlone);
    TempCwd cwd;
    TestPlatform platform;
    std::unique_ptr<TmpfsMount> disk;
    QString src = cwd.file(u"src"_s), dst = cwd.file(u"dst"_s);
    if (otherVolume) {
        disk = std::make_unique<TmpfsMount>(cwd.file(u"disk"_s), 4 << 20);
        if (!disk->ok())
            QSKIP("mounting a small disk needs the superuser");
        (command.startsWith(u"delete"_s) ? src : dst) = disk->path() + u"/folder"_s;
    }
    QVERIFY(QDir().mkpath(src));
    QVERIFY(QDir().mkpath(dst));
    const QStringList names{u"a.jpg"_s, u"b.jpg"_s, u"x_.jpg"_s, u"x_1.jpg"_s};
    QList<Kept> before;
    for (int i = 0; i < names.size(); ++i) {
        writeBytes(src + u'/' + names[i], QByteArray(1000 * (i + 1), char('a' + i)));
        setTime(src + u'/' + names[i], QDateTime(QDate(2001, 2, 3 + i), QTime(4, 5, 6, 789)));
        if (command.startsWith(u"delete link to "_s) && i == 1) {
            const QString target = command.mid(15);
            if (target.startsWith(u"../dst/"_s))
                QVERIFY(QFile::rename(src + u"/b.jpg"_s, src + u'/' + target));
            else
                QVERIFY(QFile::remove(src + u"/b.jpg"_s));
            QVERIFY(QFile::link(target, src + u"/b.jpg"_s));
        }
        before << *keptAt(platform.files, src + u'/' + names[i]);
    }

    FileEngine engine(platform.files, platform.clock);
    Journal journal;
    QList<Outcome> outcomes;
    {
        const ActionKind kind = command == u"copy"_s ? ActionKind::Copy
            : command == u"move"_s                   ? ActionKind::Move
            : command == u"rename"_s                 ? ActionKind::Rename
                                                     : ActionKind::Delete;
        Recording recording(&journal, kind, false);
        Listener listener;
        listener.outcome = [&](const Outcome& o) {
            outcomes << o;
            recording.add(o);
        };
        Totals totals;
        if (command == u"copy"_s || command == u"move"_s)
            totals
                = engine.transferAll(command == u"move"_s ? Transfer::Move : Transfer::Copy, src, names, dst, listener);
        else if (command == u"rename"_s)
            totals = engine.renameAll(src, names, u"x"_s, listener);
        else
            totals = engine.deleteAll(src, names, DeleteMode::Trash, listener);
        QCOMPARE(totals.done, 4);
    }
    QCOMPARE(journal.size(), size_t(1));
    if (command == u"rename"_s) {
        QVERIFY(
            std::any_of(outcomes.begin(), outcomes.end(), [](const Outcome& o) { return o.step == Step::StepAside; }));
        QCOMPARE(entriesOf(src), QStringList({u"x_.jpg"_s, u"x_1.jpg"_s, u"x_2.jpg"_s, u"x_3.jpg"_s}));
    }

    // Where b.jpg is after the run, and what another program does to it then.
    const UndoEntry b = *std::find_if(journal.last()->entries.begin(), journal.last()->entries.end(),
        [](const UndoEntry& e) { return e.index == 1; });
    if (meanwhile == u"changed"_s) {
        QFile f(b.now);
        QVERIFY(f.open(QIODevice::Append));
        f.write("more");
    } else if (meanwhile == u"original changed"_s) {
        writeBytes(src + u"/b.jpg"_s, "edited");
    } else if (meanwhile == u"name taken"_s) {
        writeBytes(src + u"/b.jpg"_s, "another file");
    } else if (meanwhile == u"gone"_s) {
        QVERIFY(QFile::remove(b.now));
    }
    QMap<QString, std::optional<Kept>> untouched;  // what must still be there, as it is now
    for (const QString& place : {b.now, b.back}) {
        if (const std::optional<Kept> there = keptAt(platform.files, place); there && !leftAlone.isEmpty())
            untouched.insert(place, there);
    }
    if (leftAlone.contains(3))
        untouched.insert(src + u"/x_3.jpg"_s, keptAt(platform.files, src + u"/x_3.jpg"_s));

    QList<UndoOutcome> undone;
    const Totals totals = Undoer(platform.files).undo(journal.takeLast(), [&](const UndoOutcome& u) { undone << u; });
    QVERIFY(!journal.canUndo());
    QCOMPARE(undone.size(), 4);
    QCOMPARE(totals.done, 4 - leftAlone.size());
    for (const UndoOutcome& u : undone) {
        QCOMPARE(u.done(), !leftAlone.contains(u.index));
        QCOMPARE(u.reason.isEmpty(), u.done());
        if (command != u"rename"_s)  // newest first
            QCOMPARE(u.index, 3 - int(&u - &undone.front()));
    }

    // Every file not left alone is back with its bytes and time; what was left alone is as it was.
    QStringList expected;
    for (int i = 0; i < names.size(); ++i) {
        if (leftAlone.contains(i))
            continue;
        QCOMPARE(keptAt(platform.files, src + u'/' + names[i]), std::optional<Kept>(before[i]));
        expected << names[i];
    }
    for (auto it = untouched.cbegin(); it != untouched.cend(); ++it) {
        QCOMPARE(keptAt(platform.files, it.key()), it.value());
        if (it.value() && it.key().startsWith(src + u'/'))
            expected << paths::fileName(it.key());
    }
    expected.removeDuplicates();
    expected.sort();
    QCOMPARE(entriesOf(src), expected);
    if (command == u"copy"_s || command == u"move"_s)
        QCOMPARE(entriesOf(dst), leftAlone.isEmpty() ? QStringList() : QStringList{u"b.jpg"_s});
    if (command.startsWith(u"delete link"_s))
        QVERIFY(QFileInfo(src + u"/b.jpg"_s).isSymLink());
    if (command.startsWith(u"delete"_s)) {
        const QString trash = otherVolume ? disk->path() + u"/.Trash-%1"_s.arg(::geteuid()) : platform.homeTrash();
        QCOMPARE(entriesOf(trash + u"/files"_s),
            leftAlone.isEmpty() || meanwhile == u"gone"_s ? QStringList() : QStringList{u"b.jpg"_s});
        QCOMPARE(entriesOf(trash + u"/info"_s).size(), leftAlone.size());
    }
}

void TestEngine::deleteAsksOnlyWhereNoTrash_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("disk");  // "no trash": its top holds a file by the trash folder's name;
                                        // "full": a trash is there, but no room for anything more
    QTest::addColumn<bool>("forGood");  // the answer to the question, if asked
    QTest::addColumn<bool>("asked");
    QTest::addColumn<int>("error");  // why the files stayed (None: they went)
    QTest::newRow("final: nothing asked, every file goes")
        << int(DeleteMode::Final) << "no trash" << false << false << int(err::None);
    QTest::newRow("trash, none there, no: every file stays")
        << int(DeleteMode::Trash) << "no trash" << false << true << int(err::NoTrash);
    QTest::newRow("trash, none there, yes: every file goes, for good")
        << int(DeleteMode::Trash) << "no trash" << true << true << int(err::None);
    QTest::newRow("trash on a full disk: nothing asked, every file stays")
        << int(DeleteMode::Trash) << "full" << true << false << int(err::DiskFull);
}

void TestEngine::deleteAsksOnlyWhereNoTrash()
{
    // Only a volume without a usable trash asks, once for the run, whether to delete for good;
    // a deletion that is final from the start asks nothing, and a trash that cannot take the
    // files for another reason (a full disk) says so and keeps them.
    QFETCH(int, mode);
    QFETCH(QString, disk);
    QFETCH(bool, forGood);
    QFETCH(bool, asked);
    QFETCH(int, error);
    TempCwd cwd;
    TestPlatform platform;
    TmpfsMount volume(cwd.file(u"disk"_s), 1 << 20);
    if (!volume.ok())
        QSKIP("mounting a small disk needs the superuser");
    const QString trash = volume.path() + u"/.Trash-%1"_s.arg(::geteuid());
    const QStringList names = writePictures(volume.path() + u"/photos"_s, 3);
    if (disk == u"no trash"_s) {
        writeBytes(trash, "in the way");
    } else {
        QVERIFY(QDir().mkpath(trash + u"/files"_s) && QDir().mkpath(trash + u"/info"_s));
        QFile filler(volume.path() + u"/filler"_s);
        QVERIFY(filler.open(QIODevice::WriteOnly));
        filler.write(QByteArray(2 << 20, 'f'));  // fails part-way: the disk is full
    }
    FileEngine engine(platform.files, platform.clock);
    Journal journal;
    QStringList questions;
    QList<Outcome> outcomes;
    Listener listener;
    Recording* recording = nullptr;
    listener.outcome = [&](const Outcome& o) {
        outcomes << o;
        recording->add(o);
    };
    listener.mayDeleteForGood = [&](const QString& file) {
        questions << file;
        return forGood;
    };
    Totals totals;
    {
        Recording r(&journal, ActionKind::Delete, false);
        recording = &r;
        totals = engine.deleteAll(volume.path() + u"/photos"_s, names, DeleteMode(mode), listener);
    }
    QCOMPARE(questions, asked ? QStringList{volume.path() + u"/photos/"_s + names[0]} : QStringList());
    const bool gone = error == err::None;
    QCOMPARE(totals.done, gone ? 3 : 0);
    QCOMPARE(entriesOf(volume.path() + u"/photos"_s), gone ? QStringList() : names);
    for (const Outcome& o : outcomes) {
        QCOMPARE(o.error, error);
        QVERIFY(o.trashed.isEmpty());
    }
    if (disk == u"full"_s)
        QCOMPARE(entriesOf(trash + u"/info"_s), QStringList());
    // Files deleted for good cannot come back, and the undo says so.
    QCOMPARE(journal.canUndo(), gone);
    if (gone) {
        QList<UndoOutcome> undone;
        Undoer(platform.files).undo(journal.takeLast(), [&](const UndoOutcome& u) { undone << u; });
        QCOMPARE(undone.size(), 3);
        for (const UndoOutcome& u : undone) {
            QCOMPARE(u.kind, UndoEntry::Lost);
            QCOMPARE(u.result, Result::Skipped);
        }
    }
}

void TestEngine::undoTwice_data()
{
    QTest::addColumn<QString>("first");  // what the first run does to src/a.jpg: copy or move it to B, or rename it
    QTest::addColumn<bool>("otherVolume");  // the second run moves the file on to a volume of its own
    QTest::addColumn<bool>("readOnly");  // src is a volume of its own, read-only at the first try of the undo
    QTest::newRow("copy, then move") << "copy" << false << false;
    QTest::newRow("move, then move on") << "move" << false << false;
    QTest::newRow("rename, then move") << "rename" << false << false;
    QTest::newRow("copy, then move to another volume") << "copy" << true << false;
    QTest::newRow("copy, then move; the first undo meets a read-only volume") << "copy" << false << true;
}

void TestEngine::undoTwice()
{
    // Two runs on one file, then 元に戻す twice: the file is back as it was and nothing is left
    // behind. Undoing the move brings back its copy, another file than the one the first run
    // knew; the first run follows it. An undo that the system refused throughout (a volume
    // read-only for the moment) stays in the record, to succeed once it can.
    QFETCH(QString, first);
    QFETCH(bool, otherVolume);
    QFETCH(bool, readOnly);
    TempCwd cwd;
    TestPlatform platform;
    std::unique_ptr<TmpfsMount> disk;
    if (otherVolume || readOnly) {
        disk = std::make_unique<TmpfsMount>(cwd.file(u"disk"_s), 4 << 20);
        if (!disk->ok())
            QSKIP("mounting a small disk needs the superuser");
    }
    const QString src = readOnly ? disk->path() + u"/src"_s : cwd.file(u"src"_s);
    const QString b = cwd.file(u"b"_s), c = otherVolume ? disk->path() + u"/c"_s : cwd.file(u"c"_s);
    for (const QString& folder : {src, b, c})
        QVERIFY(QDir().mkpath(folder));
    writeBytes(src + u"/a.jpg"_s, QByteArray(5000, 'a'));
    setTime(src + u"/a.jpg"_s, QDateTime(QDate(2001, 2, 3), QTime(4, 5, 6)));
    const std::optional<Kept> before = keptAt(platform.files, src + u"/a.jpg"_s);

    FileEngine engine(platform.files, platform.clock);
    Journal journal;
    auto run = [&](ActionKind kind, const std::function<void(const Listener&)>& work) {
        Recording recording(&journal, kind, true);
        Listener listener;
        listener.outcome = [&](const Outcome& o) { recording.add(o); };
        work(listener);
    };
    QString moved = src + u"/a.jpg"_s;  // what the second run moves
    if (first == u"rename"_s) {
        run(ActionKind::Rename, [&](const Listener& l) { engine.renameAll(src, {u"a.jpg"_s}, u"x"_s, l); });
        moved = src + u"/x_.jpg"_s;
    } else {
        const Transfer kind = first == u"move"_s ? Transfer::Move : Transfer::Copy;
        run(first == u"move"_s ? ActionKind::Move : ActionKind::Copy,
            [&](const Listener& l) { QVERIFY(engine.transferOne(kind, src + u"/a.jpg"_s, b, l).done()); });
        if (first == u"move"_s)
            moved = b + u"/a.jpg"_s;
    }
    run(ActionKind::Move, [&](const Listener& l) { QVERIFY(engine.transferOne(Transfer::Move, moved, c, l).done()); });
    QCOMPARE(journal.size(), size_t(2));

    if (readOnly) {
        QVERIFY(disk->setReadOnly(true));
        const Totals refused = undoTaken(journal, platform.files, journal.takeLast(), {});
        QCOMPARE(refused.done, 0);
        QCOMPARE(journal.size(), size_t(2));  // kept
        QCOMPARE(entriesOf(c), QStringList{u"a.jpg"_s});
        QVERIFY(disk->setReadOnly(false));
    }
    for (int k = 0; k < 2; ++k) {
        QList<UndoOutcome> undone;
        undoTaken(journal, platform.files, journal.takeLast(), [&](const UndoOutcome& u) { undone << u; });
        QCOMPARE(undone.size(), 1);
        QVERIFY2(undone[0].done(), qPrintable(undone[0].reason));
    }
    QVERIFY(!journal.canUndo());
    QCOMPARE(entriesOf(src), QStringList{u"a.jpg"_s});
    QCOMPARE(keptAt(platform.files, src + u"/a.jpg"_s), before);
    QCOMPARE(entriesOf(b), QStringList());
    QCOMPARE(entriesOf(c), QStringList());
}

void TestEngine::journalKeepsTheNewestActions()
{
    Journal journal;
    int changes = 0;
    connect(&journal, &Journal::changed, this, [&] { ++changes; });
    auto action = [](int files, int tag) {
        Action a;
        a.entries.resize(size_t(files));
        a.entries.front().index = tag;
        return a;
    };
    journal.push(Action());  // did nothing
    QVERIFY(!journal.canUndo());
    QCOMPARE(changes, 0);
    journal.push(action(60000, 1));
    journal.push(action(30000, 2));
    journal.push(action(20000, 3));  // the first has to go
    QCOMPARE(changes, 3);
    QCOMPARE(journal.size(), size_t(2));
    QCOMPARE(journal.takeLast().entries.front().index, 3);
    QCOMPARE(journal.takeLast().entries.front().index, 2);
    QVERIFY(!journal.canUndo());
    journal.push(action(int(Journal::MaxEntries) + 5, 4));  // the newest is kept whole
    QCOMPARE(journal.last()->entries.size(), Journal::MaxEntries + 5);
}

void TestEngine::runsAsideAnsweringOnTheCallersThread()
{
    // The work runs on a thread of its own; what it hands back runs on the caller's thread, in
    // order, and a question's answer reaches the work.
    Watchdog watchdog(60s);
    const std::thread::id caller = std::this_thread::get_id();
    QStringList served;
    std::thread::id worker;
    const int answer = runAside<int>([&](Aside& aside) {
        worker = std::this_thread::get_id();
        for (int i = 0; i < 3; ++i)
            aside.post(
                [&, i] { served << QString::number(i) + (std::this_thread::get_id() == caller ? u""_s : u"!"_s); });
        bool yes = false;
        const bool asked = aside.call([&] {
            served << u"asked"_s;
            yes = std::this_thread::get_id() == caller;
        });
        return asked && yes ? 42 : -1;
    });
    QCOMPARE(answer, 42);
    QVERIFY(worker != caller);
    QCOMPARE(served, QStringList({u"0"_s, u"1"_s, u"2"_s, u"asked"_s}));

    // When the program ends the wait, the caller goes on at once with the fallback, and the
    // work, left alone, gets "no" to its questions instead of waiting for an answer for ever.
    auto release = std::make_shared<std::binary_semaphore>(0);
    auto asked = std::make_shared<std::atomic<int>>(-1);
    QTRY_COMPARE(blocking::runningWorkers(), 0);  // the runs above have all ended
    blocking::abandonWaits();
    const int fallback = runAside<int>(
        [release, asked](Aside& aside) {
            release->acquire();
            *asked = aside.call([] {}) ? 1 : 0;
            return 1;
        },
        7);
    QCOMPARE(fallback, 7);
    release->release();
    QTRY_COMPARE(asked->load(), 0);
    QTRY_COMPARE(blocking::runningWorkers(), 0);
}

QTEST_GUILESS_MAIN(TestEngine)
#include "tst_engine.moc"
