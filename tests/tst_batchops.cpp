// The batch window's copy, move, delete and rename, on real files in temporary folders, with a
// settable clock and failures injected through the file service and for real.
#include "batch/vuconv.h"
#include "batch/vulog.h"
#include "batch/vurenm.h"
#include "browser/vumain.h"
#include "platform/testing/doubles.h"
#include "support/testsupport.h"
#include "widgets/busywindows.h"

#include <QKeyEvent>
#include <QMap>
#include <QTest>
#include <QTimer>

#include <unistd.h>

using namespace vu;
using namespace vu::testing;
using namespace Qt::StringLiterals;
using Op = FaultyFiles::Op;

namespace {

const QString Sp(QChar(0x3000));

// Answers the rename dialog with the prefix "x".
void answerX(VuReNM* d)
{
    d->ui().Text1->setText(u"x"_s);
    d->ui().OKButton->click();
}

// A row for each command of the batch window.
void everyCommand()
{
    QTest::addColumn<QString>("command");
    QTest::newRow("copy") << "copy";
    QTest::newRow("move") << "move";
    QTest::newRow("delete") << "delete";
    QTest::newRow("rename") << "rename";
}

QStringList texts(const QListWidget* list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

// Every entry of a folder, hidden ones too, by name.
QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

QByteArray content(const QString& name)
{
    return "content of " + name.toUtf8();
}

void writeFiles(const QString& folder, const QStringList& names)
{
    QDir().mkpath(folder);
    for (const QString& n : names)
        writeBytes(folder + u'/' + n, content(n));
}

QString copyLine(const QString& from, const QString& to)
{
    return Sp + u"[複写]"_s + Sp + from + Sp + u"から"_s + Sp + to;
}

}  // namespace

class TestBatchOps : public QObject {
    Q_OBJECT
private slots:
    // File runs go aside and wait as in the program: the windows keep taking posted events.
    void initTestCase() { BusyWindows::install(); }
    void init();
    void cleanup();

    void copyIntoEmptyTarget();
    void collisionGetsStamp_data();
    void collisionGetsStamp();
    void takenNamesGetFurtherNames_data();
    void takenNamesGetFurtherNames();
    void copiedNamesCountAsTaken();
    void typeChoiceLimitsTheRun_data();
    void typeChoiceLimitsTheRun();
    void samePathRefusedAfterConfirmation_data();
    void samePathRefusedAfterConfirmation();
    void emptySourceOnlyTellsSo_data();
    void emptySourceOnlyTellsSo();
    void cancelChangesNothing_data();
    void cancelChangesNothing();
    void toolbarKeysRunOperations_data();
    void toolbarKeysRunOperations();
    void moveRunsTheBarTwice();
    void deleteBarAndLog();
    void logWindowFollowsTheRun();
    void runTakesNoInputButKeepsPainting();

    void failedCopyIsLoggedAndRunGoesOn_data();
    void failedCopyIsLoggedAndRunGoesOn();
    void moveKeepsSourcesWhenCopiesAreNotSafe_data();
    void moveKeepsSourcesWhenCopiesAreNotSafe();
    void targetFolderRemovedDuringRun_data();
    void targetFolderRemovedDuringRun();
    void vanishedSource_data();
    void vanishedSource();
    void nameTakenByFolderDuringRun();
    void copyFailingPartWay_data();
    void copyFailingPartWay();
    void failedDeleteIsLogged();
    void commandsWorkOnWhatWasConfirmed_data();
    void commandsWorkOnWhatWasConfirmed();
    void moveRemovesFromTheFolderItCopiedFrom();
    void readOnlyFilesAreNeitherDeletedNorMoved_data();
    void readOnlyFilesAreNeitherDeletedNorMoved();

    void renameInListOrder();
    void renameOnlyTheShownType();
    void renameDialogAnswers_data();
    void renameDialogAnswers();
    void renameDialogIsReusedAndOwnedByMainWindow();
    void renameResolvesNamesOfTheBatch_data();
    void renameResolvesNamesOfTheBatch();
    void renameNeverReplacesOtherFiles();
    void renameFailureInjected();
    void renameGoesOnWhenTheFileInTheWayVanished();
    void undoTheNewestRun_data();
    void undoTheNewestRun();
    void deleteForGoodAsksOnlyWhereNoTrash_data();
    void deleteForGoodAsksOnlyWhereNoTrash();

private:
    // The batch window with its source pane on `src` and its target pane on `dst`.
    VuConv* open(const QString& src, const QString& dst, QWidget* renameOwner = nullptr);
    // Runs the rename command with the dialog answered by `answer` once it shows.
    void runRename(VuConv* w, const std::function<void(VuReNM*)>& answer);
    // Runs the command named copy, move, delete or rename; the rename dialog is answered by
    // `answer`, or left to the command when there is none.
    void runCommand(VuConv* w, const QString& command, const std::function<void(VuReNM*)>& answer = {});
    QString folder(const QString& relative) const { return cwd_->file(relative); }
    QStringList titles() const
    {
        QStringList out;
        for (const auto& q : platform_->dialogs.asked)
            out << q.title;
        return out;
    }

    std::unique_ptr<TempCwd> cwd_;
    std::unique_ptr<TestPlatform> platform_;
    std::unique_ptr<VuModule> module_;
    QList<QPointer<QWidget>> windows_;
    QString src_, dst_;
};

void TestBatchOps::init()
{
    cwd_ = std::make_unique<TempCwd>();
    platform_ = std::make_unique<TestPlatform>();
    module_ = std::make_unique<VuModule>(platform_->platform());
    src_ = folder(u"src"_s);
    dst_ = folder(u"dst"_s);
    QDir().mkpath(src_);
    QDir().mkpath(dst_);
    platform_->clock.setTime(14, 5, 7);
}

void TestBatchOps::cleanup()
{
    for (const QPointer<QWidget>& w : windows_)
        delete w.data();
    windows_.clear();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    module_.reset();
    platform_.reset();
    cwd_.reset();
}

VuConv* TestBatchOps::open(const QString& src, const QString& dst, QWidget* renameOwner)
{
    module_->folder().takeStored(src);
    auto* w = new VuConv(*module_, renameOwner);
    windows_ << w;
    if (!w->ui().DirList[1]->setPath(dst).ok())
        qWarning("target pane not on %s", qPrintable(dst));
    return w;
}

void TestBatchOps::runCommand(VuConv* w, const QString& command, const std::function<void(VuReNM*)>& answer)
{
    if (command == u"copy"_s)
        w->mnuSyoriCopy_Click();
    else if (command == u"move"_s)
        w->mnuSyoriMove_Click();
    else if (command == u"delete"_s)
        w->mnuSyoriDel_Click();
    else if (answer)
        runRename(w, answer);
    else
        w->mnuSyoriRename_Click();
}

void TestBatchOps::runRename(VuConv* w, const std::function<void(VuReNM*)>& answer)
{
    VuReNM* dialog = w->renameDialog();
    windows_ << dialog;
    bool answered = false;
    QTimer::singleShot(0, dialog, [&] {
        QVERIFY(dialog->isVisible());
        QVERIFY(dialog->isModal());
        answered = true;
        answer(dialog);
    });
    w->mnuSyoriRename_Click();
    QVERIFY(answered || w->ui().FileList[0]->count() == 0);
}

// ---- copy and move ----

void TestBatchOps::copyIntoEmptyTarget()
{
    writeFiles(src_, {u"b.jpg"_s, u"a.jpg"_s});
    QFile old(src_ + u"/a.jpg"_s);
    QVERIFY(old.open(QIODevice::ReadWrite));
    const QDateTime stamp(QDate(2001, 2, 3), QTime(4, 5, 6));
    QVERIFY(old.setFileTime(stamp, QFileDevice::FileModificationTime));
    old.close();

    VuConv* w = open(src_, dst_);
    platform_->dialogs.answerMessage(MsgAnswer::Ok);
    bool barShownDuringRun = false;
    platform_->files.before = [&](Op op, const QString&) {
        if (op == Op::Copy)
            barShownDuringRun = w->ui().PrgBar->isVisible() || !w->ui().PrgBar->isHidden();
    };
    w->mnuSyoriCopy_Click();

    QCOMPARE(platform_->dialogs.asked.size(), 1);
    const auto& q = platform_->dialogs.asked[0];
    QCOMPARE(q.title, u"一括コピー"_s);
    QCOMPARE(q.text, u"ファイルコピーを行います。よろしいですか？"_s);
    QCOMPARE(q.icon, MsgIcon::Exclamation);
    QCOMPARE(q.buttons, MsgButtons::OkCancel);
    QCOMPARE(q.owner, w);

    QCOMPARE(entries(dst_), QStringList({u"a.jpg"_s, u"b.jpg"_s}));  // no temporary files left
    QCOMPARE(readBytes(dst_ + u"/a.jpg"_s), content(u"a.jpg"_s));
    QCOMPARE(QFileInfo(dst_ + u"/a.jpg"_s).lastModified(), stamp);
    QCOMPARE(entries(src_), QStringList({u"a.jpg"_s, u"b.jpg"_s}));
    QCOMPARE(w->logStore().lines(),
        QStringList(
            {copyLine(src_ + u"/a.jpg"_s, dst_ + u"/a.jpg"_s), copyLine(src_ + u"/b.jpg"_s, dst_ + u"/b.jpg"_s)}));
    QCOMPARE(w->ui().filSu[0]->text(), u"2"_s);
    QCOMPARE(w->ui().filSu[1]->text(), u"2"_s);
    QCOMPARE(w->ui().FileList[1]->count(), 2);
    QVERIFY(barShownDuringRun);
    QVERIFY(w->ui().PrgBar->isHidden());
    QCOMPARE(w->ui().PrgBar->maximum(), 3);
    QCOMPARE(w->ui().PrgBar->value(), 2);
    QCOMPARE(w->srcPath(), src_ + u"/b.jpg"_s);
    QCOMPARE(w->paneDir()[1], dst_ + u"/"_s);
    QVERIFY(!w->running());
}

void TestBatchOps::collisionGetsStamp_data()
{
    QTest::addColumn<bool>("move");
    QTest::addColumn<QTime>("time");
    QTest::addColumn<QString>("copyName");
    QTest::newRow("copy 14:05:07") << false << QTime(14, 5, 7) << "a507.jpg";
    QTest::newRow("move 14:05:07") << true << QTime(14, 5, 7) << "a0507.jpg";
    QTest::newRow("copy 14:00:09") << false << QTime(14, 0, 9) << "a9.jpg";
    QTest::newRow("move 14:00:09") << true << QTime(14, 0, 9) << "a0009.jpg";
    // The copy's stamp at minute 00 second 00 is empty: the name itself, which is taken.
    QTest::newRow("copy 14:00:00") << false << QTime(14, 0, 0) << "a(2).jpg";
    QTest::newRow("move 14:00:00") << true << QTime(14, 0, 0) << "a0000.jpg";
}

void TestBatchOps::collisionGetsStamp()
{
    QFETCH(bool, move);
    QFETCH(QTime, time);
    QFETCH(QString, copyName);
    writeFiles(src_, {u"a.jpg"_s, u"b.jpg"_s});
    writeBytes(dst_ + u"/a.jpg"_s, "already there");
    platform_->clock.set(QDateTime(QDate(2026, 5, 1), time));
    VuConv* w = open(src_, dst_);
    platform_->dialogs.answerMessage(MsgAnswer::Ok);
    move ? w->mnuSyoriMove_Click() : w->mnuSyoriCopy_Click();

    QCOMPARE(readBytes(dst_ + u"/a.jpg"_s), QByteArray("already there"));
    QCOMPARE(readBytes(dst_ + u'/' + copyName), content(u"a.jpg"_s));
    QCOMPARE(readBytes(dst_ + u"/b.jpg"_s), content(u"b.jpg"_s));
    QCOMPARE(entries(dst_).size(), 3);
    const QString tag = move ? u"[移動]"_s : u"[複写]"_s;
    QCOMPARE(w->logStore().line(0), Sp + tag + Sp + src_ + u"/a.jpg"_s + Sp + u"から"_s + Sp + dst_ + u'/' + copyName);
    QCOMPARE(entries(src_), move ? QStringList() : QStringList({u"a.jpg"_s, u"b.jpg"_s}));
    QCOMPARE(platform_->dialogs.asked.size(), 1);  // no error box
}

void TestBatchOps::takenNamesGetFurtherNames_data()
{
    QTest::addColumn<QStringList>("present");  // in the target; a trailing "/" makes a folder
    QTest::addColumn<QString>("expected");  // where the copy of a.jpg goes
    QTest::newRow("plain") << QStringList() << "a.jpg";
    QTest::newRow("second collision in the same second") << QStringList{u"a.jpg"_s, u"a507.jpg"_s} << "a507(2).jpg";
    QTest::newRow("third") << QStringList{u"a.jpg"_s, u"a507.jpg"_s, u"a507(2).jpg"_s} << "a507(3).jpg";
    QTest::newRow("letter case") << QStringList{u"A.JPG"_s} << "a507.jpg";
    QTest::newRow("stamped name in other case") << QStringList{u"a.jpg"_s, u"A507.JPG"_s} << "a507(2).jpg";
    QTest::newRow("folder of that name") << QStringList{u"a.jpg/"_s} << "a507.jpg";
    QTest::newRow("hidden file beside") << QStringList{u".a.jpg"_s} << "a.jpg";
    QTest::newRow("other type of that name") << QStringList{u"a.jpg.txt"_s} << "a.jpg";
}

void TestBatchOps::takenNamesGetFurtherNames()
{
    QFETCH(QStringList, present);
    QFETCH(QString, expected);
    writeFiles(src_, {u"a.jpg"_s});
    for (const QString& p : present) {
        if (p.endsWith(u'/'))
            QDir().mkpath(dst_ + u'/' + p);
        else
            writeBytes(dst_ + u'/' + p, "old " + p.toUtf8());
    }
    VuConv* w = open(src_, dst_);
    platform_->dialogs.answerMessage(MsgAnswer::Ok);
    w->mnuSyoriCopy_Click();
    QCOMPARE(readBytes(dst_ + u'/' + expected), content(u"a.jpg"_s));
    for (const QString& p : present) {
        if (!p.endsWith(u'/'))
            QCOMPARE(readBytes(dst_ + u'/' + p), "old " + p.toUtf8());
    }
    QCOMPARE(entries(dst_).size(), present.size() + 1);
    QVERIFY(w->logStore().line(0).endsWith(dst_ + u'/' + expected));
}

void TestBatchOps::copiedNamesCountAsTaken()
{
    // The stamped copy of a.jpg takes the name another source file has.
    writeFiles(src_, {u"a.jpg"_s, u"a507.jpg"_s});
    writeBytes(dst_ + u"/a.jpg"_s, "old");
    VuConv* w = open(src_, dst_);
    platform_->dialogs.answerMessage(MsgAnswer::Ok);
    w->mnuSyoriCopy_Click();
    QCOMPARE(readBytes(dst_ + u"/a.jpg"_s), QByteArray("old"));
    QCOMPARE(readBytes(dst_ + u"/a507.jpg"_s), content(u"a.jpg"_s));
    QCOMPARE(readBytes(dst_ + u"/a507507.jpg"_s), content(u"a507.jpg"_s));

    // A second run in the same second finds every name taken.
    platform_->dialogs.answerMessage(MsgAnswer::Ok);
    w->mnuSyoriCopy_Click();
    QCOMPARE(readBytes(dst_ + u"/a507(2).jpg"_s), content(u"a.jpg"_s));
    QCOMPARE(readBytes(dst_ + u"/a507507(2).jpg"_s), content(u"a507.jpg"_s));
    QCOMPARE(entries(dst_).size(), 5);
    QCOMPARE(w->ui().filSu[1]->text(), u"5"_s);
}

void TestBatchOps::typeChoiceLimitsTheRun_data()
{
    QTest::addColumn<bool>("move");
    QTest::newRow("copy") << false;
    QTest::newRow("move") << true;
}

void TestBatchOps::typeChoiceLimitsTheRun()
{
    QFETCH(bool, move);
    writeFiles(src_, {u"a.jpg"_s, u"b.JPG"_s, u"c.gif"_s, u"d.bmp"_s, u"e.txt"_s});
    VuConv* w = open(src_, dst_);
    w->ui().cmbBox->setCurrentIndex(2);
    emit w->ui().cmbBox->activated(2);
    QCOMPARE(w->ui().filSu[0]->text(), u"2"_s);
    platform_->dialogs.answerMessage(MsgAnswer::Ok);
    move ? w->mnuSyoriMove_Click() : w->mnuSyoriCopy_Click();
    QCOMPARE(entries(dst_), QStringList({u"a.jpg"_s, u"b.JPG"_s}));
    const QStringList left = {u"c.gif"_s, u"d.bmp"_s, u"e.txt"_s};
    QCOMPARE(entries(src_), move ? left : QStringList({u"a.jpg"_s, u"b.JPG"_s}) + left);
    QCOMPARE(w->ui().filSu[0]->text(), move ? u"0"_s : u"2"_s);
    QCOMPARE(w->ui().filSu[1]->text(), u"2"_s);
}

void TestBatchOps::samePathRefusedAfterConfirmation_data()
{
    QTest::addColumn<bool>("move");
    QTest::addColumn<bool>("throughLink");  // the target pane reaches the folder through a link
    QTest::newRow("copy") << false << false;
    QTest::newRow("move") << true << false;
    QTest::newRow("copy, through a link") << false << true;
    QTest::newRow("move, through a link") << true << true;
}

void TestBatchOps::samePathRefusedAfterConfirmation()
{
    QFETCH(bool, move);
    QFETCH(bool, throughLink);
    writeFiles(src_, {u"a.jpg"_s, u"b.jpg"_s});
    QVERIFY(QFile::link(src_, folder(u"alias"_s)));
    VuConv* w = open(src_, throughLink ? folder(u"alias"_s) : src_);
    QCOMPARE(w->ui().FileList[1]->path(), throughLink ? folder(u"alias"_s) : src_);
    platform_->dialogs.answerMessage(MsgAnswer::Ok);
    bool barShown = false;
    platform_->dialogs.onQuestion = [&](const ScriptedDialogs::Question& q) {
        if (q.title == u"エラー"_s)
            barShown = !w->ui().PrgBar->isHidden();
    };
    move ? w->mnuSyoriMove_Click() : w->mnuSyoriCopy_Click();
    QCOMPARE(titles(), QStringList({move ? u"一括移動"_s : u"一括コピー"_s, u"エラー"_s}));
    const auto& box = platform_->dialogs.asked[1];
    QCOMPARE(box.text, u"同一パスの指定"_s);
    QCOMPARE(box.icon, MsgIcon::Error);
    QCOMPARE(box.buttons, MsgButtons::Ok);
    QVERIFY(!barShown);
    QVERIFY(w->ui().PrgBar->isHidden());
    QCOMPARE(entries(src_), QStringList({u"a.jpg"_s, u"b.jpg"_s}));
    QCOMPARE(w->logStore().count(), 0);
    QCOMPARE(platform_->files.calls(Op::Copy), 0);
}

void TestBatchOps::emptySourceOnlyTellsSo_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("title");
    QTest::addColumn<bool>("samePath");
    QTest::newRow("copy") << "copy"
                          << "コピーエラー" << false;
    QTest::newRow("copy, same path") << "copy"
                                     << "コピーエラー" << true;
    QTest::newRow("move") << "move"
                          << "移動エラー" << false;
    QTest::newRow("move, same path") << "move"
                                     << "移動エラー" << true;
    QTest::newRow("delete") << "delete"
                            << "削除エラー" << false;
    QTest::newRow("rename") << "rename"
                            << "リネームエラー" << false;
}

void TestBatchOps::emptySourceOnlyTellsSo()
{
    QFETCH(QString, command);
    QFETCH(QString, title);
    QFETCH(bool, samePath);
    writeFiles(src_, {u"only.png"_s});
    writeFiles(dst_, {u"x.jpg"_s});
    VuConv* w = open(src_, samePath ? src_ : dst_);
    runCommand(w, command);
    QCOMPARE(titles(), QStringList{title});
    QCOMPARE(platform_->dialogs.asked[0].text, u"ファイルが存在しません。"_s);
    QCOMPARE(platform_->dialogs.asked[0].icon, MsgIcon::Error);
    QVERIFY(w->ui().PrgBar->isHidden());
    // The rename command does not open its dialog: none has been made.
    const QWidgetList windows = QApplication::topLevelWidgets();
    QVERIFY(std::none_of(windows.begin(), windows.end(), [](QWidget* t) { return qobject_cast<VuReNM*>(t); }));
    QCOMPARE(entries(src_), QStringList{u"only.png"_s});
    QCOMPARE(entries(dst_), QStringList{u"x.jpg"_s});
}

void TestBatchOps::cancelChangesNothing_data()
{
    everyCommand();
}

void TestBatchOps::cancelChangesNothing()
{
    QFETCH(QString, command);
    writeFiles(src_, {u"a.jpg"_s, u"b.gif"_s, u"c.bmp"_s});
    VuConv* w = open(src_, dst_);
    platform_->dialogs.answerMessage(MsgAnswer::Cancel);
    runCommand(w, command, answerX);
    if (command == u"rename"_s)
        QCOMPARE(w->renameDialog()->ui().Text1->text(), QString());
    QCOMPARE(platform_->dialogs.asked.size(), 1);
    QCOMPARE(platform_->dialogs.asked[0].buttons, MsgButtons::OkCancel);
    QCOMPARE(entries(src_), QStringList({u"a.jpg"_s, u"b.gif"_s, u"c.bmp"_s}));
    QVERIFY(entries(dst_).isEmpty());
    QVERIFY(w->ui().PrgBar->isHidden());
    QCOMPARE(w->ui().PrgBar->minimum(), 0);
    QCOMPARE(w->ui().PrgBar->maximum(), 4);
    QCOMPARE(w->ui().PrgBar->value(), 0);
    QCOMPARE(w->logStore().count(), 0);
}

void TestBatchOps::toolbarKeysRunOperations_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("title");
    QTest::newRow("copy") << "ｺﾋﾟｰ"
                          << "コピーエラー";
    QTest::newRow("move") << "移動"
                          << "移動エラー";
    QTest::newRow("rename") << "ﾘﾈｰﾑ"
                            << "リネームエラー";
    QTest::newRow("delete") << "削除"
                            << "削除エラー";
}

void TestBatchOps::toolbarKeysRunOperations()
{
    QFETCH(QString, key);
    QFETCH(QString, title);
    VuConv* w = open(src_, dst_);  // an empty source: each command only says so
    w->toolButton(key)->trigger();
    QCOMPARE(titles(), QStringList{title});
    QAction elsewhere(u"?"_s);
    elsewhere.setData(key);
    w->Toolbar1_ButtonClick(&elsewhere);
    QCOMPARE(titles(), QStringList({title, title}));
}

void TestBatchOps::moveRunsTheBarTwice()
{
    writeFiles(src_, {u"a.jpg"_s, u"b.jpg"_s, u"c.jpg"_s});
    VuConv* w = open(src_, dst_);
    QList<int> atCopy, atRemove;
    platform_->files.before = [&](Op op, const QString&) {
        if (op == Op::Copy)
            atCopy << w->ui().PrgBar->value();
        if (op == Op::Remove)
            atRemove << w->ui().PrgBar->value();
    };
    platform_->dialogs.answerMessage(MsgAnswer::Ok);
    w->mnuSyoriMove_Click();
    QCOMPARE(atCopy, QList<int>({0, 1, 2}));
    QCOMPARE(atRemove, QList<int>({0, 1, 2}));  // the bar starts again for the delete phase
    QCOMPARE(w->ui().PrgBar->value(), 3);
    QVERIFY(w->ui().PrgBar->isHidden());
    QCOMPARE(platform_->files.calls(Op::Sync), 1);
    QVERIFY(entries(src_).isEmpty());
    QCOMPARE(entries(dst_), QStringList({u"a.jpg"_s, u"b.jpg"_s, u"c.jpg"_s}));
    QCOMPARE(w->logStore().count(), 3);  // the delete phase writes no lines
    QVERIFY(w->logStore().line(2).startsWith(Sp + u"[移動]"_s + Sp + src_ + u"/c.jpg"_s));
    QCOMPARE(w->ui().filSu[0]->text(), u"0"_s);
    QCOMPARE(w->ui().filSu[1]->text(), u"3"_s);
    QCOMPARE(titles(), QStringList{u"一括移動"_s});
    QCOMPARE(platform_->dialogs.asked[0].text, u"ファイル移動を行います。よろしいですか？"_s);
}

void TestBatchOps::deleteBarAndLog()
{
    writeFiles(src_, {u"a.jpg"_s, u"b.gif"_s, u"c.ico"_s, u"d.bmp"_s, u"keep.txt"_s});
    VuConv* w = open(src_, dst_);
    QList<int> atRemove;
    platform_->files.before = [&](Op op, const QString&) {
        if (op == Op::Remove)
            atRemove << w->ui().PrgBar->value();
    };
    platform_->dialogs.answerMessage(MsgAnswer::Ok);
    w->mnuSyoriDel_Click();
    const auto& q = platform_->dialogs.asked[0];
    QCOMPARE(q.title, u"一括削除"_s);
    QCOMPARE(q.text, u"削除処理を行います。よろしいですか？"_s);
    QCOMPARE(q.icon, MsgIcon::Exclamation);
    QCOMPARE(atRemove, QList<int>({0, 0, 1, 2}));
    QCOMPARE(w->ui().PrgBar->value(), 3);  // n - 1 after the last file
    QVERIFY(w->ui().PrgBar->isHidden());
    QCOMPARE(entries(src_), QStringList{u"keep.txt"_s});
    QCOMPARE(w->ui().filSu[0]->text(), u"0"_s);
    QCOMPARE(w->logStore().lines(),
        QStringList({Sp + u"[削除]"_s + Sp + src_ + u"/a.jpg"_s, Sp + u"[削除]"_s + Sp + src_ + u"/b.gif"_s,
            Sp + u"[削除]"_s + Sp + src_ + u"/c.ico"_s, Sp + u"[削除]"_s + Sp + src_ + u"/d.bmp"_s}));
}

void TestBatchOps::logWindowFollowsTheRun()
{
    writeFiles(src_, {u"a.jpg"_s, u"b.jpg"_s, u"c.jpg"_s});
    VuConv* w = open(src_, dst_);
    w->show();
    w->mnuSyoriLog_Click();
    QList<int> shown;
    platform_->files.before = [&](Op op, const QString&) {
        if (op == Op::Copy)
            shown << w->logWindow()->ui().List1->count();
    };
    platform_->dialogs.answerMessage(MsgAnswer::Ok);
    w->mnuSyoriCopy_Click();
    QCOMPARE(shown, QList<int>({0, 1, 2}));
    QCOMPARE(texts(w->logWindow()->ui().List1), w->logStore().lines());
    QCOMPARE(w->logWindow()->ui().List1->count(), 3);
    QVERIFY(w->logWindow()->isVisible());
}

void TestBatchOps::runTakesNoInputButKeepsPainting()
{
    writeFiles(src_, {u"a.jpg"_s, u"b.jpg"_s, u"c.jpg"_s});
    VuConv* w = open(src_, dst_);
    w->show();
    bool timerFired = false;
    QTimer::singleShot(0, [&] { timerFired = true; });
    int copies = 0;
    bool firedDuringRun = false;
    platform_->files.before = [&](Op op, const QString&) {
        if (op != Op::Copy)
            return;
        QVERIFY(w->running());
        if (++copies == 1) {
            // Input and commands arriving now are not acted on; closing is refused.
            QCoreApplication::postEvent(w->ui().cmbBox, new QKeyEvent(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier));
            w->mnuSyoriDel_Click();
            w->mnuFileQuit_Click();
            QVERIFY(!w->close());
        }
        firedDuringRun = firedDuringRun || timerFired;
        QTest::qSleep(50);  // a slow file: the run lets the windows catch up
    };
    platform_->dialogs.answerMessage(MsgAnswer::Ok);
    w->mnuSyoriCopy_Click();
    QVERIFY(firedDuringRun);
    QCoreApplication::processEvents();
    QCOMPARE(w->ui().cmbBox->currentIndex(), 0);
    QCOMPARE(titles(), QStringList{u"一括コピー"_s});
    QVERIFY(w->isVisible());
    QCOMPARE(entries(src_).size(), 3);
    QCOMPARE(entries(dst_).size(), 3);
    QVERIFY(!w->running());
    QVERIFY(w->close());
}

// ---- failures ----

void TestBatchOps::failedCopyIsLoggedAndRunGoesOn_data()
{
    QTest::addColumn<bool>("move");
    QTest::addColumn<int>("error");
    QTest::newRow("copy, disk full") << false << int(err::DiskFull);
    QTest::newRow("copy, unreadable") << false << int(err::PermissionDenied);
    QTest::newRow("move, disk full") << true << int(err::DiskFull);
    QTest::newRow("move, device error") << true << int(err::DeviceIO);
}

void TestBatchOps::failedCopyIsLoggedAndRunGoesOn()
{
    QFETCH(bool, move);
    QFETCH(int, error);
    writeFiles(src_, {u"a.jpg"_s, u"b.jpg"_s, u"c.jpg"_s});
    VuConv* w = open(src_, dst_);
    platform_->files.fail(
        Op::Copy, [](const QString& p) { return p.endsWith(u"/b.jpg"_s); }, error);
    platform_->dialogs.answerMessage(MsgAnswer::Ok);
    move ? w->mnuSyoriMove_Click() : w->mnuSyoriCopy_Click();

    QCOMPARE(entries(dst_), QStringList({u"a.jpg"_s, u"c.jpg"_s}));
    QCOMPARE(entries(src_), move ? QStringList{u"b.jpg"_s} : QStringList({u"a.jpg"_s, u"b.jpg"_s, u"c.jpg"_s}));
    QCOMPARE(readBytes(src_ + u"/b.jpg"_s), content(u"b.jpg"_s));
    const QString word = move ? u"移動"_s : u"複写"_s;
    QCOMPARE(w->logStore().count(), 3);
    QCOMPARE(w->logStore().line(1),
        Sp + u'[' + word + u"失敗]"_s + Sp + src_ + u"/b.jpg"_s + Sp + u"から"_s + Sp + dst_ + u"/b.jpg"_s + Sp + u'（'
            + err::describe(error) + u'）');
    QVERIFY(w->logStore().line(2).startsWith(Sp + u'[' + word + u']'));
    const QString title = move ? u"移動エラー"_s : u"コピーエラー"_s;
    QCOMPARE(titles(), QStringList({move ? u"一括移動"_s : u"一括コピー"_s, title}));
    QCOMPARE(
        platform_->dialogs.asked[1].text, batch::failureSummary(move ? batch::LogKind::Move : batch::LogKind::Copy, 1));
    QCOMPARE(platform_->dialogs.asked[1].icon, MsgIcon::Error);
    QVERIFY(w->ui().PrgBar->isHidden());
    QCOMPARE(w->ui().filSu[1]->text(), u"2"_s);
}

void TestBatchOps::moveKeepsSourcesWhenCopiesAreNotSafe_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QStringList>("kept");
    QTest::newRow("copies not flushed") << "sync" << QStringList({u"a.jpg"_s, u"b.jpg"_s, u"c.jpg"_s});
    QTest::newRow("source cannot be deleted") << "remove" << QStringList{u"b.jpg"_s};
    QTest::newRow("copy gone before the delete phase") << "gone" << QStringList{u"c.jpg"_s};
}

void TestBatchOps::moveKeepsSourcesWhenCopiesAreNotSafe()
{
    QFETCH(QString, fault);
    QFETCH(QStringList, kept);
    writeFiles(src_, {u"a.jpg"_s, u"b.jpg"_s, u"c.jpg"_s});
    VuConv* w = open(src_, dst_);
    if (fault == u"sync"_s)
        platform_->files.fail(
            Op::Sync, [](const QString&) { return true; }, err::DeviceIO);
    else if (fault == u"remove"_s)
        platform_->files.fail(
            Op::Remove, [](const QString& p) { return p.endsWith(u"/b.jpg"_s); }, err::PermissionDenied);
    else
        platform_->files.before = [&](Op op, const QString&) {
            if (op == Op::Sync)
                QFile::remove(dst_ + u"/c.jpg"_s);  // someone else takes a copy away
        };
    platform_->dialogs.answerMessage(MsgAnswer::Ok);
    w->mnuSyoriMove_Click();
    QCOMPARE(entries(src_), kept);
    for (const QString& k : kept)
        QCOMPARE(readBytes(src_ + u'/' + k), content(k));
    // Every file is somewhere.
    for (const QString& n : {u"a.jpg"_s, u"b.jpg"_s, u"c.jpg"_s})
        QVERIFY(QFile::exists(src_ + u'/' + n) || QFile::exists(dst_ + u'/' + n));
    QCOMPARE(w->logStore().count(), 3 + kept.size());
    QVERIFY(w->logStore().line(3).startsWith(Sp + u"[移動元未削除]"_s + Sp + src_ + u'/' + kept[0] + Sp + u'（'));
    QCOMPARE(titles().last(), u"移動エラー"_s);
    QCOMPARE(platform_->dialogs.asked.last().text, batch::failureSummary(batch::LogKind::Move, int(kept.size())));
}

void TestBatchOps::targetFolderRemovedDuringRun_data()
{
    QTest::addColumn<bool>("move");
    QTest::newRow("copy") << false;
    QTest::newRow("move") << true;
}

void TestBatchOps::targetFolderRemovedDuringRun()
{
    QFETCH(bool, move);
    const QString target = folder(u"dst/deeper"_s);
    writeFiles(src_, {u"a.jpg"_s, u"b.jpg"_s, u"c.jpg"_s, u"d.jpg"_s, u"e.jpg"_s});
    QDir().mkpath(target);
    VuConv* w = open(src_, target);
    int copies = 0;
    platform_->files.before = [&](Op op, const QString&) {
        if (op == Op::Copy && ++copies == 3)
            QDir(target).removeRecursively();
    };
    platform_->dialogs.answerMessage(MsgAnswer::Ok);
    move ? w->mnuSyoriMove_Click() : w->mnuSyoriCopy_Click();

    // The copies made before the folder went went with it: a move keeps every source.
    QCOMPARE(entries(src_).size(), 5);
    QVERIFY(!QDir(target).exists());
    QCOMPARE(w->logStore().count(), move ? 7 : 5);
    for (int i = 2; i < 5; ++i)
        QVERIFY(w->logStore().line(i).contains(u"失敗]"_s));
    QCOMPARE(platform_->dialogs.asked.last().text,
        batch::failureSummary(move ? batch::LogKind::Move : batch::LogKind::Copy, move ? 5 : 3));
    // The target pane climbs to the folder that is still there.
    QCOMPARE(w->ui().DirList[1]->path(), dst_);
    QCOMPARE(w->ui().FileList[1]->path(), dst_);
    QCOMPARE(w->ui().filSu[1]->text(), u"0"_s);
    QVERIFY(w->ui().PrgBar->isHidden());
}

void TestBatchOps::vanishedSource_data()
{
    QTest::addColumn<bool>("move");
    QTest::newRow("copy") << false;
    QTest::newRow("move") << true;
}

void TestBatchOps::vanishedSource()
{
    QFETCH(bool, move);
    writeFiles(src_, {u"a.jpg"_s, u"b.jpg"_s, u"c.jpg"_s});
    VuConv* w = open(src_, dst_);
    platform_->files.before = [&](Op op, const QString& path) {
        if (op == Op::Copy && path.endsWith(u"/b.jpg"_s))
            QFile::remove(src_ + u"/b.jpg"_s);
    };
    platform_->dialogs.answerMessage(MsgAnswer::Ok);
    move ? w->mnuSyoriMove_Click() : w->mnuSyoriCopy_Click();
    QCOMPARE(entries(dst_), QStringList({u"a.jpg"_s, u"c.jpg"_s}));
    QCOMPARE(entries(src_), move ? QStringList() : QStringList({u"a.jpg"_s, u"c.jpg"_s}));
    QVERIFY(w->logStore().line(1).endsWith(u'（' + err::describe(err::FileNotFound) + u'）'));
    QCOMPARE(platform_->dialogs.asked.size(), 2);
}

void TestBatchOps::nameTakenByFolderDuringRun()
{
    writeFiles(src_, {u"a.jpg"_s, u"b.jpg"_s});
    VuConv* w = open(src_, dst_);
    platform_->files.before = [&](Op op, const QString& path) {
        if (op == Op::Copy && path == dst_ + u"/a.jpg"_s)
            QDir().mkpath(path);  // another program takes the name after the folder was read
    };
    platform_->dialogs.answerMessage(MsgAnswer::Ok);
    w->mnuSyoriCopy_Click();
    QVERIFY(QFileInfo(dst_ + u"/a.jpg"_s).isDir());
    QCOMPARE(readBytes(dst_ + u"/a(2).jpg"_s), content(u"a.jpg"_s));
    QCOMPARE(readBytes(dst_ + u"/b.jpg"_s), content(u"b.jpg"_s));
    QCOMPARE(w->logStore().line(0), copyLine(src_ + u"/a.jpg"_s, dst_ + u"/a(2).jpg"_s));
    QCOMPARE(platform_->dialogs.asked.size(), 1);
}

void TestBatchOps::copyFailingPartWay_data()
{
    QTest::addColumn<bool>("move");
    QTest::newRow("copy") << false;
    QTest::newRow("move") << true;
}

void TestBatchOps::copyFailingPartWay()
{
    QFETCH(bool, move);
    writeFiles(src_, {u"a.jpg"_s, u"c.jpg"_s});
    const QByteArray big(256 * 1024, 'B');
    writeBytes(src_ + u"/big.jpg"_s, big);
    VuConv* w = open(src_, dst_);
    platform_->dialogs.answerMessage(MsgAnswer::Ok);
    // The child may write no file beyond 64 KB, as on a disk that fills up part-way.
    const int status = runLimitedChild(64 * 1024, [&] {
        move ? w->mnuSyoriMove_Click() : w->mnuSyoriCopy_Click();
        int failed = 0;
        for (const QString& line : w->logStore().lines())
            failed += line.contains(u"失敗]"_s) && line.contains(err::describe(err::DiskFull)) ? 1 : 0;
        const bool box = platform_->dialogs.asked.size() == 2 && platform_->dialogs.asked[1].icon == MsgIcon::Error;
        return failed * 10 + (box ? 1 : 0);
    });
    QCOMPARE(status, 11);
    // Nothing torn under a final name, no temporary file left, the big source kept.
    QCOMPARE(entries(dst_), QStringList({u"a.jpg"_s, u"c.jpg"_s}));
    QCOMPARE(readBytes(dst_ + u"/c.jpg"_s), content(u"c.jpg"_s));
    QCOMPARE(entries(src_), move ? QStringList{u"big.jpg"_s} : QStringList({u"a.jpg"_s, u"big.jpg"_s, u"c.jpg"_s}));
    QCOMPARE(readBytes(src_ + u"/big.jpg"_s), big);
}

void TestBatchOps::failedDeleteIsLogged()
{
    writeFiles(src_, {u"a.jpg"_s, u"b.jpg"_s, u"c.jpg"_s});
    VuConv* w = open(src_, dst_);
    platform_->files.fail(
        Op::Remove, [](const QString& p) { return p.endsWith(u"/b.jpg"_s); }, err::PermissionDenied);
    platform_->dialogs.answerMessage(MsgAnswer::Ok);
    w->mnuSyoriDel_Click();
    QCOMPARE(entries(src_), QStringList{u"b.jpg"_s});
    QCOMPARE(w->logStore().line(1),
        Sp + u"[削除失敗]"_s + Sp + src_ + u"/b.jpg"_s + Sp + u'（' + err::describe(err::PermissionDenied) + u'）');
    QCOMPARE(titles(), QStringList({u"一括削除"_s, u"削除エラー"_s}));
    QCOMPARE(platform_->dialogs.asked[1].text, batch::failureSummary(batch::LogKind::Delete, 1));
    QCOMPARE(w->ui().filSu[0]->text(), u"1"_s);
}

void TestBatchOps::commandsWorkOnWhatWasConfirmed_data()
{
    everyCommand();
}

void TestBatchOps::commandsWorkOnWhatWasConfirmed()
{
    // While a question is open the source pane moves to another folder (as a folder list does
    // that takes over its highlighted folder when the box takes the focus): the command still
    // works on the folder and the files it asked about.
    QFETCH(QString, command);
    writeFiles(src_, {u"a.jpg"_s, u"b.jpg"_s});
    const QString other = folder(u"other"_s);
    writeFiles(other, {u"a.jpg"_s, u"c.jpg"_s, u"d.jpg"_s});
    VuConv* w = open(src_, dst_);
    const auto paneMoves = [&] {
        QVERIFY(w->ui().DirList[0]->setPath(other).ok());
        QCOMPARE(w->ui().FileList[0]->count(), 3);
    };
    platform_->dialogs.onQuestion = [&](const ScriptedDialogs::Question& q) {
        if (q.buttons == MsgButtons::OkCancel)
            paneMoves();
    };
    platform_->dialogs.answerMessage(MsgAnswer::Ok);
    if (command == u"rename"_s)
        platform_->dialogs.onQuestion = nullptr;
    runCommand(w, command, [&](VuReNM* d) {
        paneMoves();
        answerX(d);
    });
    const QStringList untouched = {u"a.jpg"_s, u"c.jpg"_s, u"d.jpg"_s};
    QCOMPARE(entries(other), untouched);
    QCOMPARE(readBytes(other + u"/a.jpg"_s), content(u"a.jpg"_s));
    const QStringList both = {u"a.jpg"_s, u"b.jpg"_s};
    if (command == u"copy"_s || command == u"move"_s)
        QCOMPARE(entries(dst_), both);
    QCOMPARE(entries(src_),
        command == u"copy"_s ? both
                             : (command == u"rename"_s ? QStringList{u"x_.jpg"_s, u"x_1.jpg"_s} : QStringList()));
    QCOMPARE(w->logStore().count(), 2);
    QVERIFY(w->logStore().line(1).contains(src_ + u"/b.jpg"_s));
}

void TestBatchOps::moveRemovesFromTheFolderItCopiedFrom()
{
    // Should the source pane move while the files are copied, the move still deletes the files
    // it copied, not files of the same names in the folder the pane shows now.
    writeFiles(src_, {u"a.jpg"_s, u"b.jpg"_s, u"c.jpg"_s});
    const QString other = folder(u"other"_s);
    QDir().mkpath(other);
    writeBytes(other + u"/a.jpg"_s, "other a");
    writeBytes(other + u"/b.jpg"_s, "other b");
    writeBytes(other + u"/c.jpg"_s, "other c");
    VuConv* w = open(src_, dst_);
    bool moved = false;
    platform_->files.before = [&](Op op, const QString&) {
        if (op == Op::Copy && !moved) {
            moved = true;
            w->ui().DirList[0]->setPath(other);
        }
    };
    platform_->dialogs.answerMessage(MsgAnswer::Ok);
    w->mnuSyoriMove_Click();
    QVERIFY(moved);
    QVERIFY(entries(src_).isEmpty());
    for (const char* n : {"a", "b", "c"}) {
        const QString name = QString::fromLatin1(n) + u".jpg"_s;
        QCOMPARE(readBytes(dst_ + u'/' + name), content(name));
        QCOMPARE(readBytes(other + u'/' + name), "other " + QByteArray(n));
    }
    QCOMPARE(platform_->dialogs.asked.size(), 1);
}

void TestBatchOps::readOnlyFilesAreNeitherDeletedNorMoved_data()
{
    QTest::addColumn<bool>("move");
    QTest::newRow("delete") << false;
    QTest::newRow("move") << true;
}

void TestBatchOps::readOnlyFilesAreNeitherDeletedNorMoved()
{
    // What the information menu calls read-only (読取専用) the batch does not delete or move.
    QFETCH(bool, move);
    writeFiles(src_, {u"a.jpg"_s, u"b.jpg"_s, u"c.jpg"_s});
    QVERIFY(QFile::setPermissions(src_ + u"/b.jpg"_s, QFileDevice::ReadOwner | QFileDevice::ReadGroup));
    QVERIFY(*module_->files().attributes(src_ + u"/b.jpg"_s) & attr::ReadOnly);
    VuConv* w = open(src_, dst_);
    platform_->dialogs.answerMessage(MsgAnswer::Ok);
    move ? w->mnuSyoriMove_Click() : w->mnuSyoriDel_Click();
    QCOMPARE(entries(src_), QStringList{u"b.jpg"_s});
    QCOMPARE(readBytes(src_ + u"/b.jpg"_s), content(u"b.jpg"_s));
    QCOMPARE(entries(dst_), move ? QStringList({u"a.jpg"_s, u"c.jpg"_s}) : QStringList());
    const QString line = w->logStore().line(1);
    QVERIFY2(
        line.startsWith(Sp + (move ? u"[移動失敗]"_s : u"[削除失敗]"_s) + Sp + src_ + u"/b.jpg"_s), qPrintable(line));
    QVERIFY2(line.endsWith(u"（読取専用のファイルです）"_s), qPrintable(line));
    QCOMPARE(titles().last(), move ? u"移動エラー"_s : u"削除エラー"_s);
    QCOMPARE(platform_->dialogs.asked.last().text,
        batch::failureSummary(move ? batch::LogKind::Move : batch::LogKind::Delete, 1));
}

// ---- rename ----

void TestBatchOps::renameInListOrder()
{
    writeFiles(src_, {u"b.jpg"_s, u"a.gif"_s, u"c.bmp"_s, u"notes.txt"_s});
    VuConv* w = open(src_, dst_);
    platform_->dialogs.answerMessage(MsgAnswer::Ok);
    QList<int> barAtRename;
    platform_->files.before = [&](Op op, const QString&) {
        if (op == Op::Rename)
            barAtRename << w->ui().PrgBar->value();
    };
    runRename(w, [](VuReNM* d) {
        QTest::keyClicks(d->ui().Text1, u"x"_s);
        d->ui().OKButton->click();
    });
    QCOMPARE(entries(src_), QStringList({u"notes.txt"_s, u"x_.gif"_s, u"x_1.jpg"_s, u"x_2.bmp"_s}));
    QCOMPARE(readBytes(src_ + u"/x_.gif"_s), content(u"a.gif"_s));
    QCOMPARE(readBytes(src_ + u"/x_1.jpg"_s), content(u"b.jpg"_s));
    QCOMPARE(readBytes(src_ + u"/x_2.bmp"_s), content(u"c.bmp"_s));
    auto line = [&](const QString& from, const QString& to) {
        return Sp + u"[リネーム]"_s + Sp + src_ + u'/' + from + Sp + u"から"_s + Sp + src_ + u'/' + to;
    };
    QCOMPARE(w->logStore().lines(),
        QStringList({line(u"a.gif"_s, u"x_.gif"_s), line(u"b.jpg"_s, u"x_1.jpg"_s), line(u"c.bmp"_s, u"x_2.bmp"_s)}));
    QCOMPARE(barAtRename, QList<int>({0, 1, 2}));
    QCOMPARE(w->ui().PrgBar->value(), 3);
    QVERIFY(w->ui().PrgBar->isHidden());
    QCOMPARE(w->renameDialog()->ui().Text1->text(), QString());
    QCOMPARE(titles(), QStringList{u"一括リネーム"_s});
    QCOMPARE(platform_->dialogs.asked[0].text, u"ファイルリネームを行います。よろしいですか？"_s);
    QCOMPARE(platform_->dialogs.asked[0].icon, MsgIcon::Exclamation);
    QCOMPARE(w->ui().filSu[0]->text(), u"3"_s);
}

void TestBatchOps::renameOnlyTheShownType()
{
    writeFiles(src_, {u"a.gif"_s, u"b.jpg"_s, u"c.jpg"_s, u"d.bmp"_s});
    VuConv* w = open(src_, dst_);
    w->ui().cmbBox->setCurrentIndex(2);
    emit w->ui().cmbBox->activated(2);
    platform_->dialogs.answerMessage(MsgAnswer::Ok);
    runRename(w, [](VuReNM* d) {
        d->ui().Text1->setText(u"trip"_s);
        d->ui().OKButton->click();
    });
    QCOMPARE(entries(src_), QStringList({u"a.gif"_s, u"d.bmp"_s, u"trip_.jpg"_s, u"trip_1.jpg"_s}));
    QCOMPARE(readBytes(src_ + u"/trip_.jpg"_s), content(u"b.jpg"_s));
}

void TestBatchOps::renameDialogAnswers_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("box");  // the text of the box shown, if any
    const QString noName = u"名称を入力してください。"_s;
    const QString unsafe
        = u"この名称は使用できません。\n「/」「\\」や制御文字を含む名称、「.」で始まる名称は指定できません。"_s;
    QTest::newRow("cancel button") << "cancel"
                                   << "";
    QTest::newRow("escape") << "escape"
                            << "";
    QTest::newRow("Err typed") << "type:Err"
                               << "ファイルリネームを行います。よろしいですか？";
    QTest::newRow("empty") << "type:" << noName;
    QTest::newRow("close box") << "close" << noName;
    QTest::newRow("separator") << "type:a/b" << unsafe;
    QTest::newRow("up") << "type:.." << unsafe;
    QTest::newRow("dot") << "type:." << unsafe;
    QTest::newRow("control character") << "type:a\tb" << unsafe;
}

void TestBatchOps::renameDialogAnswers()
{
    QFETCH(QString, answer);
    QFETCH(QString, box);
    writeFiles(src_, {u"a.jpg"_s, u"b.jpg"_s});
    VuConv* w = open(src_, dst_);
    // A prefix that happens to read "Err" is a prefix like any other, not a cancel.
    const bool renames = answer == u"type:Err"_s;
    if (renames)
        platform_->dialogs.answerMessage(MsgAnswer::Ok);
    runRename(w, [&](VuReNM* d) {
        QCOMPARE(d->windowTitle(), u"リネーム"_s);
        QCOMPARE(d->ui().Label1->text(), u"変更名を半角英数字（6桁以内）で指定してください。"_s);
        QCOMPARE(d->ui().CancelButton->text(), u"ｷｬﾝｾﾙ"_s);
        QCOMPARE(d->ui().Text1->text(), QString());
        if (answer == u"cancel"_s) {
            d->ui().CancelButton->click();
        } else if (answer == u"escape"_s) {
            QTest::keyClick(d->ui().Text1, Qt::Key_Escape);
        } else if (answer == u"close"_s) {
            d->ui().Text1->setText(u"abc"_s);
            d->close();
        } else {
            d->ui().Text1->setText(answer.mid(5));
            d->ui().OKButton->click();
        }
    });
    QCOMPARE(
        entries(src_), renames ? QStringList({u"Err_.jpg"_s, u"Err_1.jpg"_s}) : QStringList({u"a.jpg"_s, u"b.jpg"_s}));
    if (box.isEmpty()) {
        QVERIFY(platform_->dialogs.asked.isEmpty());
    } else {
        QCOMPARE(titles(), QStringList{renames ? u"一括リネーム"_s : u"名称エラー"_s});
        QCOMPARE(platform_->dialogs.asked[0].text, box);
        QCOMPARE(platform_->dialogs.asked[0].icon, renames ? MsgIcon::Exclamation : MsgIcon::Error);
    }
    QCOMPARE(w->renameDialog()->ui().Text1->text(), QString());
    QVERIFY(!w->renameDialog()->isVisible());
    QVERIFY(w->ui().PrgBar->isHidden());
}

void TestBatchOps::renameDialogIsReusedAndOwnedByMainWindow()
{
    VuMain main(*module_);
    writeFiles(src_, {u"a.jpg"_s});
    VuConv* w = open(src_, dst_, &main);
    VuReNM* first = w->renameDialog();
    QCOMPARE(first->parentWidget(), &main);
    QCOMPARE(first->ui().Text1->maxLength(), 6);
    QTest::keyClicks(first->ui().Text1, u"abcdefg"_s);
    QCOMPARE(first->ui().Text1->text(), u"abcdef"_s);  // a seventh character is refused
    QVERIFY(!first->ui().Text1->testAttribute(Qt::WA_InputMethodEnabled));
    first->ui().Text1->clear();
    platform_->dialogs.answerMessage(MsgAnswer::Ok);
    runRename(w, [](VuReNM* d) {
        d->ui().Text1->setText(u"p"_s);
        d->ui().OKButton->click();
    });
    QCOMPARE(entries(src_), QStringList{u"p_.jpg"_s});
    // The dialog stays loaded, hidden, for the next rename, also from a new batch window.
    QVERIFY(!first->isVisible());
    VuConv* again = open(src_, dst_, &main);
    QCOMPARE(again->renameDialog(), first);
}

void TestBatchOps::renameResolvesNamesOfTheBatch_data()
{
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QStringList>("after");  // in list order of `before`: the new name of each
    QTest::newRow("same prefix again") << QStringList{u"x_.gif"_s, u"x_1.jpg"_s, u"x_2.bmp"_s}
                                       << QStringList{u"x_.gif"_s, u"x_1.jpg"_s, u"x_2.bmp"_s};
    QTest::newRow("new name held by a later file")
        << QStringList{u"b.jpg"_s, u"x_.jpg"_s} << QStringList{u"x_.jpg"_s, u"x_1.jpg"_s};
    QTest::newRow("chain") << QStringList{u"a.jpg"_s, u"x_.jpg"_s, u"x_1.jpg"_s}
                           << QStringList{u"x_.jpg"_s, u"x_1.jpg"_s, u"x_2.jpg"_s};
    QTest::newRow("second rename after a new file") << QStringList{u"a.jpg"_s, u"x_.jpg"_s, u"x_1.gif"_s,
        u"x_2.bmp"_s} << QStringList{u"x_.jpg"_s, u"x_1.jpg"_s, u"x_2.gif"_s, u"x_3.bmp"_s};
    QTest::newRow("names held by earlier files") << QStringList{u"x_1.jpg"_s, u"x_2.jpg"_s, u"x_3.jpg"_s}
                                                 << QStringList{u"x_.jpg"_s, u"x_1.jpg"_s, u"x_2.jpg"_s};
}

void TestBatchOps::renameResolvesNamesOfTheBatch()
{
    QFETCH(QStringList, before);
    QFETCH(QStringList, after);
    writeFiles(src_, before);
    VuConv* w = open(src_, dst_);
    QCOMPARE(w->ui().FileList[0]->names(), before);  // the rows are in list order
    platform_->dialogs.answerMessage(MsgAnswer::Ok);
    runRename(w, [](VuReNM* d) {
        d->ui().Text1->setText(u"x"_s);
        d->ui().OKButton->click();
    });
    QStringList expected = after;
    expected.sort();
    QCOMPARE(entries(src_), expected);
    for (int i = 0; i < before.size(); ++i)
        QCOMPARE(readBytes(src_ + u'/' + after[i]), content(before[i]));
    QCOMPARE(w->logStore().count(), before.size());
    for (int i = 0; i < before.size(); ++i) {
        QCOMPARE(w->logStore().line(i),
            Sp + u"[リネーム]"_s + Sp + src_ + u'/' + before[i] + Sp + u"から"_s + Sp + src_ + u'/' + after[i]);
    }
    QCOMPARE(platform_->dialogs.asked.size(), 1);
}

void TestBatchOps::renameNeverReplacesOtherFiles()
{
    writeFiles(src_, {u"a.jpg"_s, u"b.jpg"_s, u"c.jpg"_s});
    QDir().mkpath(src_ + u"/x_1.jpg"_s);  // a folder holds b's new name
    VuConv* w = open(src_, dst_);
    platform_->dialogs.answerMessage(MsgAnswer::Ok);
    runRename(w, [](VuReNM* d) {
        d->ui().Text1->setText(u"x"_s);
        d->ui().OKButton->click();
    });
    QCOMPARE(entries(src_), QStringList({u"b.jpg"_s, u"x_.jpg"_s, u"x_1.jpg"_s, u"x_2.jpg"_s}));
    QVERIFY(QFileInfo(src_ + u"/x_1.jpg"_s).isDir());
    QCOMPARE(readBytes(src_ + u"/b.jpg"_s), content(u"b.jpg"_s));
    QCOMPARE(readBytes(src_ + u"/x_2.jpg"_s), content(u"c.jpg"_s));
    QCOMPARE(w->logStore().line(1),
        Sp + u"[リネーム失敗]"_s + Sp + src_ + u"/b.jpg"_s + Sp + u"から"_s + Sp + src_ + u"/x_1.jpg"_s + Sp + u'（'
            + err::describe(err::FileExists) + u'）');
    QCOMPARE(titles(), QStringList({u"一括リネーム"_s, u"リネームエラー"_s}));
    QCOMPARE(platform_->dialogs.asked[1].text, batch::failureSummary(batch::LogKind::Rename, 1));
    QCOMPARE(w->renameDialog()->ui().Text1->text(), QString());
}

void TestBatchOps::renameFailureInjected()
{
    // b.jpg cannot step aside for a.jpg: a.jpg fails, b.jpg still gets its own new name.
    writeFiles(src_, {u"a.jpg"_s, u"x_.jpg"_s, u"z.jpg"_s});
    VuConv* w = open(src_, dst_);
    platform_->files.fail(
        Op::Rename, [](const QString& p) { return p.endsWith(u"/x_.jpg"_s); }, err::PermissionDenied, 1);
    platform_->dialogs.answerMessage(MsgAnswer::Ok);
    runRename(w, [](VuReNM* d) {
        d->ui().Text1->setText(u"x"_s);
        d->ui().OKButton->click();
    });
    QCOMPARE(entries(src_), QStringList({u"a.jpg"_s, u"x_1.jpg"_s, u"x_2.jpg"_s}));
    QCOMPARE(readBytes(src_ + u"/x_1.jpg"_s), content(u"x_.jpg"_s));
    QCOMPARE(readBytes(src_ + u"/x_2.jpg"_s), content(u"z.jpg"_s));
    QVERIFY(w->logStore().line(0).startsWith(Sp + u"[リネーム失敗]"_s));
    QCOMPARE(platform_->dialogs.asked.last().text, batch::failureSummary(batch::LogKind::Rename, 1));
}

void TestBatchOps::renameGoesOnWhenTheFileInTheWayVanished()
{
    // x_.jpg has to step aside for a.jpg, but another program has just deleted it: a.jpg still
    // takes its new name, and the failure is told of x_.jpg, not of a.jpg.
    writeFiles(src_, {u"a.jpg"_s, u"x_.jpg"_s, u"z.jpg"_s});
    VuConv* w = open(src_, dst_);
    platform_->files.before = [&](Op op, const QString& path) {
        if (op == Op::Rename && path == src_ + u"/x_.jpg"_s)
            QFile::remove(path);
    };
    platform_->dialogs.answerMessage(MsgAnswer::Ok);
    runRename(w, [](VuReNM* d) {
        d->ui().Text1->setText(u"x"_s);
        d->ui().OKButton->click();
    });
    QCOMPARE(entries(src_), QStringList({u"x_.jpg"_s, u"x_2.jpg"_s}));
    QCOMPARE(readBytes(src_ + u"/x_.jpg"_s), content(u"a.jpg"_s));
    QCOMPARE(readBytes(src_ + u"/x_2.jpg"_s), content(u"z.jpg"_s));
    QCOMPARE(w->logStore().lines(),
        QStringList({Sp + u"[リネーム]"_s + Sp + src_ + u"/a.jpg"_s + Sp + u"から"_s + Sp + src_ + u"/x_.jpg"_s,
            Sp + u"[リネーム失敗]"_s + Sp + src_ + u"/x_.jpg"_s + Sp + u"から"_s + Sp + src_ + u"/x_1.jpg"_s + Sp
                + u"（ファイルが見つかりません）"_s,
            Sp + u"[リネーム]"_s + Sp + src_ + u"/z.jpg"_s + Sp + u"から"_s + Sp + src_ + u"/x_2.jpg"_s}));
    QCOMPARE(platform_->dialogs.asked.last().text, batch::failureSummary(batch::LogKind::Rename, 1));
}

void TestBatchOps::undoTheNewestRun_data()
{
    QTest::addColumn<QString>("command");  // run on a.jpg, x_.jpg and x_1.jpg (renamed with prefix x)
    QTest::addColumn<bool>("fromLog");  // 元に戻す chosen in the log window rather than the batch window
    QTest::addColumn<bool>("changed");  // the file renamed to x_1.jpg is changed before the undo
    QTest::addColumn<QStringList>("lines");  // the undo's log lines ({s}: source, {d}: target, {t}: trash)

    const QString undo = Sp + u"[元に戻す]"_s + Sp, from = Sp + u"から"_s + Sp;
    QTest::newRow("copy") << "copy" << false << false
                          << QStringList{Sp + u"[複写取消]"_s + Sp + u"{d}/x_1.jpg"_s,
                                 Sp + u"[複写取消]"_s + Sp + u"{d}/x_.jpg"_s,
                                 Sp + u"[複写取消]"_s + Sp + u"{d}/a.jpg"_s};
    QTest::newRow("move") << "move" << false << false
                          << QStringList{undo + u"{d}/x_1.jpg"_s + from + u"{s}/x_1.jpg"_s,
                                 undo + u"{d}/x_.jpg"_s + from + u"{s}/x_.jpg"_s,
                                 undo + u"{d}/a.jpg"_s + from + u"{s}/a.jpg"_s};
    QTest::newRow("delete") << "delete" << false << false
                            << QStringList{undo + u"{t}/x_1.jpg"_s + from + u"{s}/x_1.jpg"_s,
                                   undo + u"{t}/x_.jpg"_s + from + u"{s}/x_.jpg"_s,
                                   undo + u"{t}/a.jpg"_s + from + u"{s}/a.jpg"_s};
    // The run moved x_.jpg and x_1.jpg aside for a.jpg and x_.jpg: the undo frees each old name
    // before it gives it back.
    const QStringList renamed{undo + u"{s}/x_.jpg"_s + from + u"{s}/a.jpg"_s,
        undo + u"{s}/x_1.jpg"_s + from + u"{s}/x_.jpg"_s, undo + u"{s}/x_2.jpg"_s + from + u"{s}/x_1.jpg"_s};
    QTest::newRow("rename") << "rename" << false << false << renamed;
    QTest::newRow("rename, from the log window") << "rename" << true << false << renamed;
    QTest::newRow("rename, a file changed since")
        << "rename" << false << true
        << QStringList{Sp + u"[元に戻す失敗]"_s + Sp + u"{s}/x_1.jpg"_s + from + u"{s}/x_.jpg"_s + Sp
                   + u"（処理の後で変更されたため、そのままにしました）"_s,
               Sp + u"[元に戻す失敗]"_s + Sp + u"{s}/x_2.jpg"_s + from + u"{s}/x_1.jpg"_s + Sp
                   + u"（元の場所に同じ名前のファイルがあります）"_s,
               undo + u"{s}/x_.jpg"_s + from + u"{s}/a.jpg"_s};
}

void TestBatchOps::undoTheNewestRun()
{
    QFETCH(QString, command);
    QFETCH(bool, fromLog);
    QFETCH(bool, changed);
    QFETCH(QStringList, lines);
    const QStringList names{u"a.jpg"_s, u"x_.jpg"_s, u"x_1.jpg"_s};
    writeFiles(src_, names);
    module_->preferences().setUseTrash(true);  // so that a deletion can be undone
    VuConv* w = open(src_, dst_);
    QVERIFY(!w->ui().mnuSyoriUndo->isEnabled());
    platform_->dialogs.answerMessage(MsgAnswer::Ok);
    runCommand(w, command, answerX);
    QCOMPARE(w->logStore().count(), 3);
    QVERIFY(w->ui().mnuSyoriUndo->isEnabled());
    if (changed)
        writeBytes(src_ + u"/x_1.jpg"_s, "edited");

    platform_->dialogs.asked.clear();
    platform_->dialogs.answerMessage(MsgAnswer::Ok);
    if (changed)
        platform_->dialogs.answerMessage(MsgAnswer::Ok);
    if (fromLog) {
        w->mnuSyoriLog_Click();
        QVERIFY(w->logWindow()->ui().mnuEditUndo->isEnabled());
        w->logWindow()->ui().mnuEditUndo->trigger();
        QVERIFY(!w->logWindow()->ui().mnuEditUndo->isEnabled());
    } else {
        w->mnuSyoriUndo_Click();
    }
    static const QMap<QString, QString> runs{{u"copy"_s, u"一括コピー"_s}, {u"move"_s, u"一括移動"_s},
        {u"delete"_s, u"一括削除"_s}, {u"rename"_s, u"一括リネーム"_s}};
    QCOMPARE(titles().value(0), u"元に戻す"_s);
    QCOMPARE(platform_->dialogs.asked.value(0).text,
        u"直前の%1（3 件のファイル）を元に戻します。よろしいですか？"_s.arg(runs[command]));
    QVERIFY(!w->ui().mnuSyoriUndo->isEnabled());
    QVERIFY(w->ui().PrgBar->isHidden());

    // The undo's own lines follow the run's.
    QStringList expected;
    for (QString l : lines)
        expected << l.replace(u"{s}"_s, src_)
                        .replace(u"{d}"_s, dst_)
                        .replace(u"{t}"_s, platform_->homeTrash() + u"/files"_s);
    QCOMPARE(w->logStore().lines().mid(3), expected);
    if (changed) {
        QCOMPARE(entries(src_), QStringList({u"a.jpg"_s, u"x_1.jpg"_s, u"x_2.jpg"_s}));
        QCOMPARE(readBytes(src_ + u"/x_1.jpg"_s), QByteArray("edited"));
        QCOMPARE(readBytes(src_ + u"/x_2.jpg"_s), content(u"x_1.jpg"_s));
        QCOMPARE(titles(), QStringList({u"元に戻す"_s, u"元に戻す"_s}));
        QCOMPARE(platform_->dialogs.asked[1].text, undoSummary(2));
        QCOMPARE(platform_->dialogs.asked[1].icon, MsgIcon::Error);
    } else {
        QCOMPARE(entries(src_), names);
        for (const QString& n : names)
            QCOMPARE(readBytes(src_ + u'/' + n), content(n));
        QCOMPARE(titles().size(), 1);
    }
    QCOMPARE(entries(dst_), QStringList());
    QCOMPARE(entries(platform_->homeTrash() + u"/files"_s), QStringList());
    QCOMPARE(w->ui().filSu[0]->text(), u"3"_s);
    QCOMPARE(w->ui().filSu[1]->text(), u"0"_s);
    QCOMPARE(platform_->dialogs.unanswered, 0);
}

void TestBatchOps::deleteForGoodAsksOnlyWhereNoTrash_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("yes");  // the answer where the volume has no trash
    QTest::newRow("final: nothing more asked") << int(engine::DeleteMode::Final) << false;
    QTest::newRow("into the trash, none there: no keeps every file") << int(engine::DeleteMode::Trash) << false;
    QTest::newRow("into the trash, none there: yes deletes every file for good")
        << int(engine::DeleteMode::Trash) << true;
}

void TestBatchOps::deleteForGoodAsksOnlyWhereNoTrash()
{
    // A volume where no trash can be made: the name of its trash folder is held by a file. A
    // final deletion asks nothing more; into the trash, one question asks for the whole run.
    QFETCH(int, mode);
    QFETCH(bool, yes);
    module_->preferences().setUseTrash(mode == int(engine::DeleteMode::Trash));
    const bool final = mode == int(engine::DeleteMode::Final);
    TmpfsMount disk(folder(u"disk"_s), 1 << 20);
    if (!disk.ok())
        QSKIP("mounting a small disk needs the superuser");
    writeBytes(disk.path() + u"/.Trash-%1"_s.arg(::geteuid()), "in the way");
    const QString photos = disk.path() + u"/photos"_s;
    writeFiles(photos, {u"a.jpg"_s, u"b.jpg"_s, u"c.jpg"_s});
    VuConv* w = open(photos, dst_);
    platform_->dialogs.answerMessage(MsgAnswer::Ok);
    if (!final)
        platform_->dialogs.answerMessage(yes ? MsgAnswer::Yes : MsgAnswer::No);
    w->mnuSyoriDel_Click();
    QCOMPARE(titles(), final ? QStringList{u"一括削除"_s} : QStringList({u"一括削除"_s, u"一括削除"_s}));
    if (!final) {
        QCOMPARE(platform_->dialogs.asked[1].text, batch::deleteForGoodQuestion(photos, true));
        QCOMPARE(platform_->dialogs.asked[1].buttons, MsgButtons::YesNo);
    }
    const bool gone = final || yes;
    QCOMPARE(entries(photos), gone ? QStringList() : QStringList({u"a.jpg"_s, u"b.jpg"_s, u"c.jpg"_s}));
    QStringList expected;
    for (const QString& n : {u"a.jpg"_s, u"b.jpg"_s, u"c.jpg"_s}) {
        expected << (gone ? batch::logLine(batch::LogKind::Delete, photos + u'/' + n)
                          : batch::notDeletedLine(photos + u'/' + n));
    }
    QCOMPARE(w->logStore().lines(), expected);
    // Files deleted for good cannot come back: 元に戻す says so, and asks nothing.
    QCOMPARE(w->ui().mnuSyoriUndo->isEnabled(), gone);
    if (gone) {
        platform_->dialogs.asked.clear();
        platform_->dialogs.answerMessage(MsgAnswer::Ok);
        w->mnuSyoriUndo_Click();
        QCOMPARE(platform_->dialogs.asked.size(), 1);
        QCOMPARE(platform_->dialogs.asked[0].text,
            u"直前の一括削除（3 件のファイル）は完全な削除のため、ファイルを元に戻せません。"_s);
        QVERIFY(!w->ui().mnuSyoriUndo->isEnabled());
        QCOMPARE(w->logStore().lines(), expected);
    }
    QCOMPARE(platform_->dialogs.unanswered, 0);
}

QTEST_MAIN(TestBatchOps)
#include "tst_batchops.moc"
