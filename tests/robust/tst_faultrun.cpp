// A run of real faults over the drop boxes and the batch window: a disk that fills up, a
// read-only remount, the target folder removed, a second program replacing or growing a source
// or rewriting it in place and putting its modification time back, a pipe in a source's place, a same-named link in the
// target, a link to the source folder as target. Each run must end with every byte of every file present in at least
// one place, no partial or temporary file left, and a log and messages that say what happened. The outcomes are printed
// as a table at the end.
#include "batch/vuconv.h"
#include "browser/drops.h"
#include "browser/vumain.h"
#include "platform/testing/doubles.h"
#include "support/mainfixture.h"
#include "support/testsupport.h"
#include "support/watchdog.h"
#include "widgets/busywindows.h"

#include <QDirIterator>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include <cstdio>
#include <sys/stat.h>

using namespace vu;
using namespace vu::testing;
using namespace Qt::StringLiterals;
using Op = FaultyFiles::Op;

namespace {

const QString Sp(QChar(0x3000));

QByteArray pattern(char c, int size)
{
    QByteArray bytes(size, c);
    for (int i = 0; i < size; i += 97)
        bytes[i] = char(i / 97);
    return bytes;
}

// Runs a shell command as a second program, waiting for it.
void otherProgram(const QString& script, const QString& folder)
{
    QCOMPARE(QProcess::execute(u"/bin/sh"_s, {u"-c"_s, script, u"sh"_s, folder}), 0);
}

// The regular files below `root` (links not followed), by path.
QMap<QString, QByteArray> regularFiles(const QString& root)
{
    QMap<QString, QByteArray> out;
    QDirIterator it(
        root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo info(path);
        if (info.isFile() && !info.isSymLink())
            out.insert(path, readBytes(path));
    }
    return out;
}

QStringList allNames(const QString& root)
{
    QStringList out;
    QDirIterator it(
        root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext())
        out << it.next();
    return out;
}

}  // namespace

class TestFaultRun : public QObject {
    Q_OBJECT
private slots:
    // File runs go aside and wait as in the program: the windows keep taking posted events.
    void initTestCase() { BusyWindows::install(); }
    void faults_data();
    void faults();
    void cleanupTestCase();

private:
    QStringList table_;
};

void TestFaultRun::faults_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("way");
    const QStringList faults = {u"disk full midway"_s, u"read-only remount midway"_s, u"target removed"_s,
        u"source replaced midway"_s, u"source appended midway"_s, u"source rewritten in place, its time put back"_s,
        u"pipe in place of a source"_s, u"same-named link in the target"_s, u"link to the source folder as target"_s};
    const QStringList ways = {u"drop copy"_s, u"drop move"_s, u"batch copy"_s, u"batch move"_s};
    for (const QString& f : faults) {
        for (const QString& w : ways)
            QTest::newRow(qPrintable(f + u", "_s + w)) << f << w;
    }
}

void TestFaultRun::faults()
{
    QFETCH(QString, fault);
    QFETCH(QString, way);
    Watchdog watchdog(std::chrono::seconds(120));  // a pipe must not hold the program
    watchdog.step(fault + u", "_s + way);
    const bool drop = way.startsWith(u"drop"_s);
    const bool move = way.endsWith(u"move"_s);

    MainFixture f;
    f.setUp();
    f.platform->clock.setTime(14, 5, 7);
    const QString src = f.folder(u"src"_s);
    QDir().mkpath(src);
    const QStringList names = {u"a.jpg"_s, u"b.jpg"_s, u"c.jpg"_s};
    const QList<QByteArray> originals = {pattern('a', 20000), pattern('b', 40000), pattern('c', 10000)};
    for (int i = 0; i < 3; ++i)
        writeBytes(src + u'/' + names[i], originals[i]);
    // Every version of a file that must be somewhere afterwards, and every version there was.
    QList<QByteArray> mustSurvive = originals;
    QList<QByteArray> versions = originals;

    const bool full = fault == u"disk full midway"_s;
    TmpfsMount disk(f.folder(u"disk"_s), full ? 48 * 1024 : 4 * 1024 * 1024);
    if (!disk.ok())
        QSKIP("the faults need the superuser: small disks are mounted for them");
    QString target = disk.path() + u"/dst"_s;
    QDir().mkpath(target);
    if (full && drop) {
        // Another file fills half the disk: the dragged file does not fit beside it.
        const QByteArray filler = pattern('f', 20000);
        writeBytes(disk.path() + u"/filler"_s, filler);
        mustSurvive << filler;
        versions << filler;
    }
    if (fault == u"same-named link in the target"_s)
        QVERIFY(QFile::link(src + u"/a.jpg"_s, target + u"/a.jpg"_s));
    if (fault == u"link to the source folder as target"_s) {
        target = f.folder(u"alias"_s);
        QVERIFY(QFile::link(src, target));
    }
    // A drop drags b.jpg, the file the faults strike; with a link of a's name it drags a.jpg.
    const int cell = fault == u"same-named link in the target"_s ? 0 : 1;

    // The faults strike through the file service's hook only for their timing: the faults
    // themselves are real.
    bool struck = false;
    f.platform->files.before = [&](Op op, const QString& path) {
        if (struck)
            return;
        const bool copyOfB = op == Op::Copy && path.endsWith(u"/b.jpg"_s);
        const bool copyOfC = op == Op::Copy && path.endsWith(u"/c.jpg"_s);
        const bool beforeSync = op == Op::Sync;
        if (fault == u"read-only remount midway"_s && copyOfB) {
            struck = true;
            QVERIFY(disk.setReadOnly(true));
        } else if (fault == u"target removed"_s && copyOfB) {
            struck = true;
            QVERIFY(QDir(target).removeRecursively());
        } else if (fault == u"pipe in place of a source"_s && copyOfB) {
            struck = true;
            QFile::remove(src + u"/b.jpg"_s);
            QCOMPARE(::mkfifo(QFile::encodeName(src + u"/b.jpg"_s).constData(), 0644), 0);
            mustSurvive.removeOne(originals[1]);  // destroyed by the other program, not read
        } else if (fault == u"source replaced midway"_s || fault == u"source appended midway"_s
            || fault == u"source rewritten in place, its time put back"_s) {
            // After b was copied: before c's copy in a batch, before the move's sync on a drop;
            // a drop copy has no later moment, and is struck before its copy.
            const bool now = drop ? (move ? beforeSync : copyOfB) : copyOfC;
            if (!now)
                return;
            struck = true;
            if (fault == u"source replaced midway"_s)
                otherProgram(u"printf 'b, saved again' > \"$1/.b.new\" && mv \"$1/.b.new\" \"$1/b.jpg\""_s, src);
            else if (fault == u"source rewritten in place, its time put back"_s)
                // As photo tools that keep the time do: the same file, size and modification time.
                otherProgram(u"touch -r \"$1/b.jpg\" \"$1/.b.time\" && head -c 40000 /dev/zero | tr '\\0' r"
                             " | dd of=\"$1/b.jpg\" conv=notrunc status=none && touch -r \"$1/.b.time\" \"$1/b.jpg\""
                             " && rm \"$1/.b.time\""_s,
                    src);
            else
                otherProgram(u"head -c 30000 /dev/zero | tr '\\0' z >> \"$1/b.jpg\""_s, src);
            const QByteArray now2 = readBytes(src + u"/b.jpg"_s);
            mustSurvive << now2;
            versions << now2;
            if (drop && !move)
                mustSurvive.removeOne(originals[1]);  // changed before it was read
        }
    };

    QStringList told;  // the boxes shown after the confirmation: title, text
    QStringList log;
    int errNo = 0;
    if (drop) {
        VuMain& m = f.open(src);
        m.OkBtn_Click(0);
        move ? m.setMovePath(target) : m.setCopyPath(target);
        f.platform->dialogs.answerMessage(MsgAnswer::Ok);
        m.imgBox_DragDrop(move ? MoveBox : CopyBox, m.ui().Img[cell], 5, 5);
        errNo = m.errNo();
    } else {
        f.module->folder().takeStored(src);
        auto* w = new VuConv(*f.module);
        QVERIFY(w->ui().DirList[1]->setPath(target).ok());
        f.platform->dialogs.answerMessage(MsgAnswer::Ok);
        move ? w->mnuSyoriMove_Click() : w->mnuSyoriCopy_Click();
        log << w->logStore().lines();
        delete w;
    }
    for (int i = 1; i < f.platform->dialogs.asked.size(); ++i)
        told << f.platform->dialogs.asked[i].title + u": "_s + f.platform->dialogs.asked[i].text;
    watchdog.idle();
    f.main.reset();  // the folders stay until the end of the row, the disk unmounted first

    // Every byte of every file is somewhere, and nothing torn or temporary is left.
    QMap<QString, QByteArray> present = regularFiles(src);
    if (!target.startsWith(src) && fault != u"link to the source folder as target"_s)
        present.insert(regularFiles(disk.path()));
    for (const QByteArray& v : mustSurvive)
        QVERIFY2(std::find(present.begin(), present.end(), v) != present.end(), "a version of a file was lost");
    for (auto it = present.begin(); it != present.end(); ++it)
        QVERIFY2(versions.contains(it.value()), qPrintable(u"a partial file: "_s + it.key()));
    for (const QString& n : allNames(src) + allNames(disk.path()))
        QVERIFY2(!QFileInfo(n).fileName().startsWith(u".vutara"_s), qPrintable(u"a temporary file left: "_s + n));

    // The log and the boxes say what happened.
    QString outcome;
    if (drop) {
        const QString file = src + u'/' + names[cell];
        if (told.isEmpty()) {
            outcome = u"done"_s;
            QCOMPARE(errNo, 0);
            QCOMPARE(present.value(target + u'/' + names[cell]),
                present.value(file, readBytes(target + u'/' + names[cell])));
            QCOMPARE(QFileInfo::exists(file) || QFileInfo(file).isSymLink(), !move);
        } else {
            QCOMPARE(told.size(), 1);
            QVERIFY2(told[0].contains(file), qPrintable(told[0]));
            outcome = told[0].section(u'\n', 0, 0) + u' ' + told[0].section(u'\n', 2).trimmed();
            // A box with an error: ErrNo says so; the "same file" note is no error.
            QCOMPARE(errNo != 0, !told[0].contains(u"そのもの"_s));
            if (errNo != 0 && !told[0].contains(u"元のファイルは残しました"_s))
                QVERIFY(
                    !QFileInfo(target + u'/' + names[cell]).isFile() || fault == u"same-named link in the target"_s);
            QVERIFY(QFileInfo::exists(file) || QFileInfo(file).isSymLink() || !QFileInfo(file).exists());
            if (told[0].contains(u"元のファイルは残しました"_s) || !move || errNo != 0)
                QVERIFY(QFileInfo(file).exists());
        }
    } else {
        int failedLines = 0;
        QStringList reasons, renamed;
        static const QRegularExpression line(
            u"^　\\[(複写|移動|複写失敗|移動失敗|移動元未削除)\\]　(.*?)(?:　から　(.*?))?(?:　（(.*)）)?$"_s);
        for (const QString& l : log) {
            const QRegularExpressionMatch mt = line.match(l);
            QVERIFY2(mt.hasMatch(), qPrintable(l));
            const QString tag = mt.captured(1), from = mt.captured(2), to = mt.captured(3);
            if (tag == u"複写"_s || tag == u"移動"_s) {
                // The copy is where the line says, whole (unless its folder was removed since).
                if (fault != u"target removed"_s || QFileInfo::exists(to))
                    QVERIFY2(versions.contains(present.value(to)), qPrintable(l));
                const bool kept = log.contains(Sp + u"[移動元未削除]"_s + Sp + from, Qt::CaseSensitive)
                    || std::any_of(log.begin(), log.end(),
                        [&](const QString& k) { return k.startsWith(Sp + u"[移動元未削除]"_s + Sp + from + Sp); });
                if (tag == u"移動"_s && !kept)
                    QVERIFY2(!QFileInfo::exists(from), qPrintable(l));
                if (QFileInfo(to).fileName() != QFileInfo(from).fileName())
                    renamed << QFileInfo(from).fileName() + u" → "_s + QFileInfo(to).fileName();
            } else {
                ++failedLines;
                reasons << mt.captured(1) + u' ' + QFileInfo(from).fileName() + u"（"_s + mt.captured(4) + u"）"_s;
                if (tag == u"移動元未削除"_s || tag == u"移動失敗"_s)
                    QVERIFY2(QFileInfo(from).exists(), qPrintable(l));
            }
        }
        if (failedLines > 0) {
            QCOMPARE(told.size(), 1);
            QVERIFY2(told[0].contains(QString::number(failedLines) + u" 件"_s), qPrintable(told[0]));
        } else if (!told.isEmpty()) {
            QCOMPARE(told.size(), 1);  // the refusal of the same folder
            QVERIFY(log.isEmpty());
        }
        outcome = u"%1 of %2 log lines done"_s.arg(log.size() - failedLines).arg(log.size());
        if (!renamed.isEmpty())
            outcome += u" ("_s + renamed.join(u", "_s) + u')';
        if (!reasons.isEmpty())
            outcome += u"; "_s + reasons.join(u", "_s);
        if (!told.isEmpty())
            outcome += u"; box "_s + told[0].section(u'\n', 0, 0);
    }
    table_ << u"| %1 | %2 | %3 |"_s.arg(fault, way, outcome.replace(u'\n', u' '));
}

void TestFaultRun::cleanupTestCase()
{
    std::printf("\n| fault | where | outcome |\n|---|---|---|\n");
    for (const QString& row : table_)
        std::printf("%s\n", qPrintable(row));
    std::fflush(stdout);
}

QTEST_MAIN(TestFaultRun)
#include "tst_faultrun.moc"
