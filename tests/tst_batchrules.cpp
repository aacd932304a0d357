// The batch window's rules that need no widget: types, commands, stamps, target names, rename
// names, prefixes, the log store and its lines, and placements.
#include "batch/batchlog.h"
#include "batch/batchrules.h"
#include "engine/names.h"
#include "platform/wildcard.h"
#include "shell/worktexts.h"

#include <QTest>

using namespace vu::batch;
using namespace vu::engine;
using namespace Qt::StringLiterals;

class TestBatchRules : public QObject {
    Q_OBJECT
private slots:
    void commands_data();
    void commands();
    void operations_data();
    void operations();
    void stamps_data();
    void stamps();
    void stampedNames_data();
    void stampedNames();
    void takenNames_data();
    void takenNames();
    void renameNames_data();
    void renameNames();
    void prefixes_data();
    void prefixes();
    void logLines_data();
    void logLines();
    void failureLines();
    void logStore_data();
    void logStore();
    void placements_data();
    void placements();
};

void TestBatchRules::commands_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("command");  // -1: none
    QTest::newRow("copy") << u"ｺﾋﾟｰ"_s << int(Command::Copy);
    QTest::newRow("move") << u"移動"_s << int(Command::Move);
    QTest::newRow("rename") << u"ﾘﾈｰﾑ"_s << int(Command::Rename);
    QTest::newRow("delete") << u"削除"_s << int(Command::Delete);
    QTest::newRow("log") << u"ログ"_s << int(Command::Log);
    QTest::newRow("full-width rename") << u"リネーム"_s << -1;
    QTest::newRow("half-width log") << u"ﾛｸﾞ"_s << -1;
    QTest::newRow("no key") << QString() << -1;
}

void TestBatchRules::commands()
{
    QFETCH(QString, key);
    QFETCH(int, command);
    const std::optional<Command> found = commandForKey(key);
    QCOMPARE(found ? int(*found) : -1, command);
}

// What each file command asks, how its log and its failure box name it, and which files of a
// run its log and progress bar follow.
void TestBatchRules::operations_data()
{
    QTest::addColumn<int>("command");
    QTest::addColumn<QString>("confirmTitle");
    QTest::addColumn<QString>("confirmText");
    QTest::addColumn<QString>("failureTitle");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("action");
    QTest::addColumn<int>("step");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("line");  // "-": no entry
    QTest::addColumn<int>("bar");

    const auto row = [](const char* name, Command c, const QString& title, const QString& text, const QString& fail,
                         LogKind kind, ActionKind action, Step step, Result result, const QString& line, int bar) {
        QTest::newRow(name) << int(c) << title << text << fail << int(kind) << int(action) << int(step) << int(result)
                            << line << bar;
    };
    row("copy", Command::Copy, u"一括コピー"_s, u"ファイルコピーを行います。よろしいですか？"_s, u"コピーエラー"_s,
        LogKind::Copy, ActionKind::Copy, Step::Copy, Result::Done, u"　[複写]　/s/a.jpg　から　/t/a.jpg"_s, 3);
    row("move, source kept", Command::Move, u"一括移動"_s, u"ファイル移動を行います。よろしいですか？"_s,
        u"移動エラー"_s, LogKind::Move, ActionKind::Move, Step::RemoveSource, Result::Done, QString(), 3);
    row("rename", Command::Rename, u"一括リネーム"_s, u"ファイルリネームを行います。よろしいですか？"_s,
        u"リネームエラー"_s, LogKind::Rename, ActionKind::Rename, Step::Rename, Result::Done,
        u"　[リネーム]　/s/a.jpg　から　/t/a.jpg"_s, 3);
    row("rename, stepping aside", Command::Rename, u"一括リネーム"_s, u"ファイルリネームを行います。よろしいですか？"_s,
        u"リネームエラー"_s, LogKind::Rename, ActionKind::Rename, Step::StepAside, Result::Done, u"-"_s, 0);
    row("delete", Command::Delete, u"一括削除"_s, u"削除処理を行います。よろしいですか？"_s, u"削除エラー"_s,
        LogKind::Delete, ActionKind::Delete, Step::Delete, Result::Done, u"　[削除]　/s/a.jpg"_s, 2);
}

void TestBatchRules::operations()
{
    QFETCH(int, command);
    QFETCH(QString, confirmTitle);
    QFETCH(QString, confirmText);
    QFETCH(QString, failureTitle);
    QFETCH(int, kind);
    QFETCH(int, action);
    QFETCH(int, step);
    QFETCH(int, result);
    QFETCH(QString, line);
    QFETCH(int, bar);
    const Operation& op = operation(Command(command));
    QCOMPARE(int(op.command), command);
    QCOMPARE(op.confirmTitle, confirmTitle);
    QCOMPARE(op.confirmText, confirmText);
    QCOMPARE(vu::errorTitle(op.action), failureTitle);
    QCOMPARE(int(op.kind), kind);
    QCOMPARE(int(op.action), action);

    Outcome o;
    o.step = Step(step);
    o.result = Result(result);
    o.index = 2;
    o.from = u"/s/a.jpg"_s;
    o.to = Command(command) == Command::Delete ? QString() : u"/t/a.jpg"_s;
    const auto entry = outcomeEntry(Command(command), o, u"/s"_s, {u"x"_s, u"y"_s, u"a.jpg"_s});
    QCOMPARE(entry ? entry->line : u"-"_s, line);
    if (entry) {
        QCOMPARE(entry->file, o.from);
        QCOMPARE(entry->bar, bar);
    }
}

void TestBatchRules::stamps_data()
{
    QTest::addColumn<QTime>("time");
    QTest::addColumn<QString>("copy");
    QTest::addColumn<QString>("move");
    QTest::newRow("14:05:07") << QTime(14, 5, 7) << "507"
                              << "0507";
    QTest::newRow("14:00:09") << QTime(14, 0, 9) << "9"
                              << "0009";
    QTest::newRow("14:00:00") << QTime(14, 0, 0) << ""
                              << "0000";
    QTest::newRow("09:10:00") << QTime(9, 10, 0) << "1000"
                              << "1000";
    QTest::newRow("23:59:59") << QTime(23, 59, 59) << "5959"
                              << "5959";
    QTest::newRow("00:00:10") << QTime(0, 0, 10) << "10"
                              << "0010";
    QTest::newRow("milliseconds ignored") << QTime(8, 1, 2, 999) << "102"
                                          << "0102";
}

void TestBatchRules::stamps()
{
    QFETCH(QTime, time);
    QFETCH(QString, copy);
    QFETCH(QString, move);
    QCOMPARE(timeStamp(time, StampForm::Copy), copy);
    QCOMPARE(timeStamp(time, StampForm::Move), move);
}

void TestBatchRules::stampedNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("stamp");
    QTest::addColumn<QString>("stamped");
    QTest::addColumn<QString>("numbered");  // the same name's second form
    QTest::newRow("copy stamp") << "a.jpg"
                                << "507"
                                << "a507.jpg"
                                << "a(2).jpg";
    QTest::newRow("move stamp") << "a.jpg"
                                << "0507"
                                << "a0507.jpg"
                                << "a(2).jpg";
    QTest::newRow("empty stamp") << "a.jpg"
                                 << ""
                                 << "a.jpg"
                                 << "a(2).jpg";
    QTest::newRow("dots inside") << "my.photo.GIF"
                                 << "12"
                                 << "my.photo12.GIF"
                                 << "my.photo(2).GIF";
    QTest::newRow("four characters") << ".ico"
                                     << "1"
                                     << "1.ico"
                                     << "(2).ico";
    QTest::newRow("shorter") << "ab"
                             << "1"
                             << "1ab"
                             << "(2)ab";
    QTest::newRow("japanese") << "写真.jpg"
                              << "3"
                              << "写真3.jpg"
                              << "写真(2).jpg";
}

void TestBatchRules::stampedNames()
{
    QFETCH(QString, name);
    QFETCH(QString, stamp);
    QFETCH(QString, stamped);
    QFETCH(QString, numbered);
    QCOMPARE(stampedName(name, stamp), stamped);
    QCOMPARE(numberedName(name, 2), numbered);
}

void TestBatchRules::takenNames_data()
{
    QTest::addColumn<QStringList>("present");
    QTest::addColumn<QString>("candidate");
    QTest::addColumn<QString>("chosen");
    QTest::newRow("free") << QStringList{u"a.jpg"_s} << "b.jpg"
                          << "b.jpg";
    QTest::newRow("taken") << QStringList{u"a507.jpg"_s} << "a507.jpg"
                           << "a507(2).jpg";
    QTest::newRow("taken twice") << QStringList{u"a507.jpg"_s, u"a507(2).jpg"_s} << "a507.jpg"
                                 << "a507(3).jpg";
    QTest::newRow("gap") << QStringList{u"a507.jpg"_s, u"a507(3).jpg"_s} << "a507.jpg"
                         << "a507(2).jpg";
    QTest::newRow("letter case") << QStringList{u"A507.JPG"_s} << "a507.jpg"
                                 << "a507(2).jpg";
    QTest::newRow("wide letters") << QStringList{u"ＡＢ.jpg"_s} << "ａｂ.jpg"
                                  << "ａｂ(2).jpg";
    QTest::newRow("hidden neighbour") << QStringList{u".a.jpg"_s} << "a.jpg"
                                      << "a.jpg";
}

void TestBatchRules::takenNames()
{
    QFETCH(QStringList, present);
    QFETCH(QString, candidate);
    QFETCH(QString, chosen);
    TakenNames taken;
    for (const QString& n : present)
        taken.add(n);
    QCOMPARE(taken.firstFree(candidate), chosen);
    taken.add(chosen);
    QVERIFY(taken.contains(chosen.toUpper()));
    QVERIFY(taken.firstFree(candidate) != chosen);
}

void TestBatchRules::renameNames_data()
{
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("oldName");
    QTest::addColumn<QString>("newName");
    QTest::newRow("first has no number") << "x" << 0 << "a.gif"
                                         << "x_.gif";
    QTest::newRow("second") << "x" << 1 << "b.jpg"
                            << "x_1.jpg";
    QTest::newRow("third") << "x" << 2 << "c.bmp"
                           << "x_2.bmp";
    QTest::newRow("no leading zeros") << "trip" << 10 << "z.ico"
                                      << "trip_10.ico";
    QTest::newRow("large") << "abcdef" << 32766 << "q.JPG"
                           << "abcdef_32766.JPG";
    QTest::newRow("dotted old name") << "p" << 3 << "a.b.c.jpg"
                                     << "p_3.jpg";
}

void TestBatchRules::renameNames()
{
    QFETCH(QString, prefix);
    QFETCH(int, index);
    QFETCH(QString, oldName);
    QFETCH(QString, newName);
    QCOMPARE(renamedName(prefix, index, oldName), newName);
    // A file stepping aside keeps its extension, so it stays listed.
    QVERIFY(asideName(newName, 7).endsWith(oldName.right(4)));
    QVERIFY(asideName(newName, 7) != newName);
}

void TestBatchRules::prefixes_data()
{
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<int>("check");
    QTest::newRow("letters") << "trip01" << int(PrefixCheck::Usable);
    QTest::newRow("Err, a prefix like any other") << "Err" << int(PrefixCheck::Usable);
    QTest::newRow("empty") << "" << int(PrefixCheck::Empty);
    QTest::newRow("separator") << "a/b" << int(PrefixCheck::Unsafe);
    QTest::newRow("leading separator") << "/tmp" << int(PrefixCheck::Unsafe);
    QTest::newRow("backslash") << "a\\b" << int(PrefixCheck::Unsafe);
    QTest::newRow("dot") << "." << int(PrefixCheck::Unsafe);
    QTest::newRow("dot dot") << ".." << int(PrefixCheck::Unsafe);
    QTest::newRow("hidden") << ".x" << int(PrefixCheck::Unsafe);
    QTest::newRow("tab") << "a\tb" << int(PrefixCheck::Unsafe);
    QTest::newRow("newline") << "a\n" << int(PrefixCheck::Unsafe);
    QTest::newRow("delete character") << "a\x7f" << int(PrefixCheck::Unsafe);
    QTest::newRow("dot inside") << "a.b" << int(PrefixCheck::Usable);
    QTest::newRow("blank") << " " << int(PrefixCheck::Usable);
    QTest::newRow("japanese") << "旅行" << int(PrefixCheck::Usable);
}

void TestBatchRules::prefixes()
{
    QFETCH(QString, prefix);
    QFETCH(int, check);
    QCOMPARE(int(checkPrefix(prefix)), check);
}

void TestBatchRules::logLines_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("line");
    // Spelled out with explicit ideographic spaces (U+3000) and plain brackets.
    const QString sp(QChar(0x3000));
    QTest::newRow("copy") << int(LogKind::Copy)
                          << sp + u"[複写]"_s + sp + u"/src/a.jpg"_s + sp + u"から"_s + sp + u"/dst/a507.jpg"_s;
    QTest::newRow("move") << int(LogKind::Move)
                          << sp + u"[移動]"_s + sp + u"/src/a.jpg"_s + sp + u"から"_s + sp + u"/dst/a507.jpg"_s;
    QTest::newRow("delete") << int(LogKind::Delete) << sp + u"[削除]"_s + sp + u"/src/a.jpg"_s;
    QTest::newRow("rename") << int(LogKind::Rename)
                            << sp + u"[リネーム]"_s + sp + u"/src/a.jpg"_s + sp + u"から"_s + sp + u"/dst/a507.jpg"_s;
}

void TestBatchRules::logLines()
{
    QFETCH(int, kind);
    QFETCH(QString, line);
    QCOMPARE(logLine(LogKind(kind), QStringLiteral("/src/a.jpg"), QStringLiteral("/dst/a507.jpg")), line);
}

void TestBatchRules::failureLines()
{
    const QString sp(QChar(0x3000));
    QCOMPARE(failureLine(LogKind::Copy, QStringLiteral("/s/a.jpg"), QStringLiteral("/t/a.jpg"), QStringLiteral("理由")),
        sp + QStringLiteral("[複写失敗]") + sp + QStringLiteral("/s/a.jpg") + sp + QStringLiteral("から") + sp
            + QStringLiteral("/t/a.jpg") + sp + QStringLiteral("（理由）"));
    QCOMPARE(failureLine(LogKind::Delete, QStringLiteral("/s/a.jpg"), QString(), QStringLiteral("理由")),
        sp + QStringLiteral("[削除失敗]") + sp + QStringLiteral("/s/a.jpg") + sp + QStringLiteral("（理由）"));
    QVERIFY(keptSourceLine(QStringLiteral("/s/a.jpg"), QStringLiteral("理由")).contains(QStringLiteral("/s/a.jpg")));
    QVERIFY(failureSummary(LogKind::Move, 3).startsWith(QStringLiteral("3 件のファイルを移動できませんでした。")));
    QVERIFY(failureSummary(LogKind::Rename, 1).contains(QStringLiteral("リネームできませんでした")));
}

void TestBatchRules::logStore_data()
{
    QTest::addColumn<int>("capacity");
    QTest::addColumn<int>("appended");
    QTest::addColumn<QStringList>("kept");
    QTest::newRow("empty") << 3 << 0 << QStringList();
    QTest::newRow("below the cap") << 3 << 2 << QStringList({u"0"_s, u"1"_s});
    QTest::newRow("at the cap") << 3 << 3 << QStringList({u"0"_s, u"1"_s, u"2"_s});
    QTest::newRow("one over: the oldest goes") << 3 << 4 << QStringList({u"1"_s, u"2"_s, u"3"_s});
    QTest::newRow("far over") << 3 << 10 << QStringList({u"7"_s, u"8"_s, u"9"_s});
    QTest::newRow("the window's cap") << MaxLogLines << 2 << QStringList({u"0"_s, u"1"_s});
}

void TestBatchRules::logStore()
{
    QFETCH(int, capacity);
    QFETCH(int, appended);
    QFETCH(QStringList, kept);
    vu::BatchLog log(capacity);
    for (int i = 0; i < appended; ++i)
        log.append(QString::number(i));
    QCOMPARE(log.lines(), kept);
    QCOMPARE(log.count(), kept.size());
    QCOMPARE(log.total(), qint64(appended));
    for (int row = 0; row < log.count(); ++row)
        QCOMPARE(log.line(row), kept[row]);
    QCOMPARE(vu::BatchLog().capacity(), MaxLogLines);
}

void TestBatchRules::placements_data()
{
    QTest::addColumn<double>("width");
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("top");
    QTest::addColumn<int>("logLeft");
    QTest::addColumn<double>("listWidth");
    QTest::addColumn<double>("listHeight");
    QTest::newRow("1280 px") << 19200.0 << 2500 << 1305 << 8955 << 15230.0 << 10680.0;
    QTest::newRow("just above") << 15360.0 << 2500 << 1305 << 8955 << 15230.0 << 10680.0;
    QTest::newRow("threshold") << 15359.0 << 30 << 1200 << 5650 << 15230 / 1.29 << 10680 / 1.29;
    QTest::newRow("800 px") << 12000.0 << 30 << 1200 << 5650 << 15230 / 1.29 << 10680 / 1.29;
}

void TestBatchRules::placements()
{
    QFETCH(double, width);
    QFETCH(int, left);
    QFETCH(int, top);
    QFETCH(int, logLeft);
    QFETCH(double, listWidth);
    QFETCH(double, listHeight);
    QCOMPARE(convPlacement(width).left, left);
    QCOMPARE(convPlacement(width).top, top);
    const LogPlacement log = logPlacement(width);
    QCOMPARE(log.left, logLeft);
    QCOMPARE(log.top, top);
    QCOMPARE(log.listWidth, listWidth);
    QCOMPARE(log.listHeight, listHeight);
}

QTEST_MAIN(TestBatchRules)
#include "tst_batchrules.moc"
