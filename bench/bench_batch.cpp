// Batch copy speed, measured against baselines run in the same process:
//  1. the batch window copying 10,000 files of 100 KB, against `cp -p` of the same files;
//  2. a batch copy in which every file's name is already taken in the target folder (each gets
//     a stamped name), against one into a folder holding as many files of other names;
//  3. 元に戻す of a batch rename of 10,000 files, against the rename itself: once with a new
//     prefix, and once renaming again with the same prefix, where most files step aside first.
// Each pair is measured alternately over several rounds, each on a freshly synced disk, and the
// best of each side is compared. Two figures are given: the elapsed time, and the processor time
// (user and system) the work itself took, which other programs on a busy machine disturb far
// less than the elapsed time.
// Usage: bench_batch [files] [kilobytes] [rounds] [undo]   (defaults 10000, 100 and 4; "undo"
// measures the third part alone)
// The files go to the system's temporary folder, or below VUTARA_BENCH_DIR when that is set (a
// RAM disk such as /dev/shm takes the file system's own bookkeeping out of the comparison).
#include "batch/vuconv.h"
#include "batch/vurenm.h"
#include "platform/testing/doubles.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace vu;

namespace {

struct Cost {
    double wall = 1e9;  // seconds elapsed
    double cpu = 1e9;  // seconds of processor time, user and system
    void keepBest(const Cost& c)
    {
        wall = std::min(wall, c.wall);
        cpu = std::min(cpu, c.cpu);
    }
};

double seconds(const struct timeval& tv)
{
    return double(tv.tv_sec) + tv.tv_usec / 1e6;
}
double cpuOf(const struct rusage& r)
{
    return seconds(r.ru_utime) + seconds(r.ru_stime);
}
double selfCpu()
{
    struct rusage r { };
    ::getrusage(RUSAGE_SELF, &r);
    return cpuOf(r);
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        std::exit(2);
    }
}

int countFiles(const QString& folder)
{
    return int(QDir(folder).entryList(QDir::Files | QDir::Hidden).size());
}

// Writes dirty pages out so one measurement does not pay for the writes of the one before.
void settle()
{
    ::sync();
}

Cost timeCp(const QStringList& sources, const QString& target)
{
    QDir().mkpath(target);
    std::vector<QByteArray> args{"cp", "-p", "-t", QFile::encodeName(target)};
    for (const QString& s : sources)
        args.push_back(QFile::encodeName(s));
    std::vector<char*> argv;
    for (QByteArray& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    settle();
    QElapsedTimer t;
    t.start();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::execvp("cp", argv.data());
        ::_exit(127);
    }
    int status = 0;
    struct rusage usage { };
    if (pid < 0 || ::wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "cp failed\n");
        std::exit(2);
    }
    return {t.nsecsElapsed() / 1e9, cpuOf(usage)};
}

Cost timeBatch(const QString& source, const QString& target, int expected)
{
    QDir().mkpath(target);
    testing::TestPlatform doubles;
    PosixFiles files;
    Platform platform = doubles.platform();
    platform.files = &files;  // the real service, without the test double's bookkeeping
    VuModule module(platform);
    module.folder().takeStored(source);
    auto* window = new VuConv(module);
    window->ui().DirList[1]->setPath(target);
    doubles.dialogs.answerMessage(MsgAnswer::Ok);  // the confirmation
    settle();
    QElapsedTimer t;
    t.start();
    const double cpu = selfCpu();
    window->mnuSyoriCopy_Click();
    const Cost cost{t.nsecsElapsed() / 1e9, selfCpu() - cpu};
    if (window->logTotal() != window->ui().FileList[0]->count() || doubles.dialogs.asked.size() != 1
        || countFiles(target) != expected) {
        std::fprintf(stderr, "the batch copy did not copy every file (%d in the target)\n", countFiles(target));
        std::exit(2);
    }
    delete window;
    return cost;
}

// The file service's copies alone, one after the other: what the batch costs beyond its copies.
Cost timePlatformCopies(const QStringList& sources, const QString& target)
{
    QDir().mkpath(target);
    PosixFiles files;
    settle();
    QElapsedTimer t;
    t.start();
    const double cpu = selfCpu();
    for (const QString& s : sources) {
        if (!files.copyFile(s, target + s.mid(s.lastIndexOf(u'/')), Replace::Never).ok()) {
            std::fprintf(stderr, "copy failed: %s\n", qPrintable(s));
            std::exit(2);
        }
    }
    return {t.nsecsElapsed() / 1e9, selfCpu() - cpu};
}

// The batch window on `folder` renaming its files with `prefix`, and then undoing that, each
// timed through the window's own commands (log lines and progress included).
struct RenameAndUndo {
    Cost rename, undo;
};
RenameAndUndo timeRenameAndUndo(const QString& folder, const QString& prefix, int expected, bool keepRename = false)
{
    testing::TestPlatform doubles;
    PosixFiles files;
    Platform platform = doubles.platform();
    platform.files = &files;
    VuModule module(platform);
    module.folder().takeStored(folder);
    auto* window = new VuConv(module);
    const QStringList before = QDir(folder).entryList(QDir::Files);
    VuReNM* dialog = window->renameDialog();
    QTimer::singleShot(0, dialog, [dialog, prefix] {
        dialog->ui().Text1->setText(prefix);
        dialog->ui().OKButton->click();
    });
    doubles.dialogs.answerMessage(MsgAnswer::Ok);  // the rename's confirmation
    settle();
    RenameAndUndo cost;
    QElapsedTimer t;
    t.start();
    double cpu = selfCpu();
    window->mnuSyoriRename_Click();
    cost.rename = {t.nsecsElapsed() / 1e9, selfCpu() - cpu};
    if (window->logTotal() != expected || doubles.dialogs.asked.size() != 1) {
        std::fprintf(stderr, "the rename did not rename every file\n");
        std::exit(2);
    }
    if (!keepRename) {
        doubles.dialogs.answerMessage(MsgAnswer::Ok);  // the undo's question
        settle();
        t.restart();
        cpu = selfCpu();
        window->mnuSyoriUndo_Click();
        cost.undo = {t.nsecsElapsed() / 1e9, selfCpu() - cpu};
        if (QDir(folder).entryList(QDir::Files) != before || doubles.dialogs.asked.size() != 2) {
            std::fprintf(stderr, "the undo did not put every file back\n");
            std::exit(2);
        }
    }
    delete window;  // and the rename dialog it kept
    return cost;
}

void report(const char* what, const Cost& a, const char* baseline, const Cost& b, double goal)
{
    std::printf("%s: elapsed %.3f s against %s %.3f s, ratio %.2f; processor %.3f s against %.3f s, ratio %.2f"
                " (goal at most %.2f)\n",
        what, a.wall, baseline, b.wall, a.wall / b.wall, a.cpu, b.cpu, a.cpu / b.cpu, goal);
}

// 1. The batch copy against cp; 2. every name taken against none taken, with target folders of
// the same size.
void measureCopies(const QTemporaryDir& base, const QString& source, const QStringList& paths, int count, int rounds)
{
    Cost cp, batch, platform;
    for (int round = 0; round < rounds; ++round) {
        const QString cpTarget = base.filePath(QStringLiteral("cp%1").arg(round));
        const QString batchTarget = base.filePath(QStringLiteral("batch%1").arg(round));
        const QString platformTarget = base.filePath(QStringLiteral("platform%1").arg(round));
        // Each round starts with another of the three, so none always runs first after a sync.
        for (int k = 0; k < 3; ++k) {
            switch ((round + k) % 3) {
            case 0:
                cp.keepBest(timeCp(paths, cpTarget));
                break;
            case 1:
                batch.keepBest(timeBatch(source, batchTarget, count));
                break;
            default:
                platform.keepBest(timePlatformCopies(paths, platformTarget));
                break;
            }
        }
        for (const QString& t : {cpTarget, batchTarget, platformTarget})
            QDir(t).removeRecursively();
    }
    report("batch copy", batch, "cp -p", cp, 1.2);
    report("  (the file service's copies alone)", platform, "cp -p", cp, 1.2);

    Cost none, taken;
    for (int round = 0; round < rounds; ++round) {
        const QString free = base.filePath(QStringLiteral("free%1").arg(round));
        const QString full = base.filePath(QStringLiteral("full%1").arg(round));
        QDir().mkpath(free);
        QDir().mkpath(full);
        for (int i = 0; i < count; ++i) {
            writeFile(free + QStringLiteral("/other%1.jpg").arg(i, 5, 10, QLatin1Char('0')), "x");
            writeFile(full + QStringLiteral("/img%1.jpg").arg(i, 5, 10, QLatin1Char('0')), "x");
        }
        if (round % 2 == 0) {
            none.keepBest(timeBatch(source, free, 2 * count));
            taken.keepBest(timeBatch(source, full, 2 * count));
        } else {
            taken.keepBest(timeBatch(source, full, 2 * count));
            none.keepBest(timeBatch(source, free, 2 * count));
        }
        QDir(free).removeRecursively();
        QDir(full).removeRecursively();
    }
    report("all names taken", taken, "none taken", none, 1.2);
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int count = argc > 1 ? std::atoi(argv[1]) : 10000;
    const int kilobytes = argc > 2 ? std::atoi(argv[2]) : 100;
    const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 4;
    const bool undoOnly = argc > 4 && QByteArray(argv[4]) == "undo";

    const QString where = qEnvironmentVariable("VUTARA_BENCH_DIR", QDir::tempPath());
    QTemporaryDir base(where + QStringLiteral("/vutara-bench-XXXXXX"));
    std::printf("in %s\n", qPrintable(where));
    const QString source = base.filePath(QStringLiteral("source"));
    QDir().mkpath(source);
    QByteArray bytes(kilobytes * 1024, Qt::Uninitialized);
    QStringList paths;
    for (int i = 0; i < (undoOnly ? 0 : count); ++i) {
        for (qsizetype k = 0; k + 4 <= bytes.size(); k += 4)
            *reinterpret_cast<quint32*>(bytes.data() + k) = QRandomGenerator::global()->generate();
        const QString path = source + QStringLiteral("/img%1.jpg").arg(i, 5, 10, QLatin1Char('0'));
        writeFile(path, bytes);
        paths << path;
    }
    std::printf("%d files of %d KB, best of %d rounds\n", count, kilobytes, rounds);

    if (!undoOnly)
        measureCopies(base, source, paths, count, rounds);

    // 3. Undo of a batch rename against the rename, with a new prefix and with the same prefix
    //    again (in list order x_, x_1, x_10, x_100, ...: most new names are held by files still to
    //    come, which step aside first).
    const QString renamed = base.filePath(QStringLiteral("rename"));
    QDir().mkpath(renamed);
    for (int i = 0; i < count; ++i)
        writeFile(renamed + QStringLiteral("/img%1.jpg").arg(i, 5, 10, QLatin1Char('0')), "x");
    // The best of the rounds, for the rename and for its undo.
    auto bestOfRounds = [&](const char* what) {
        Cost rename, undo;
        for (int round = 0; round < rounds; ++round) {
            const RenameAndUndo c = timeRenameAndUndo(renamed, QStringLiteral("x"), count);
            rename.keepBest(c.rename);
            undo.keepBest(c.undo);
        }
        report(what, undo, "the rename", rename, 1.5);
    };
    bestOfRounds("undo of a rename to a new prefix");
    timeRenameAndUndo(renamed, QStringLiteral("x"), count, true);
    bestOfRounds("undo of a rename with the same prefix again");
    return 0;
}
