// The batch window's four operations: copy, move, delete and rename every file the source pane
// lists, and 元に戻す, which undoes the newest run or drop. The engine does the work; the window
// asks first, and follows each file's outcome with the progress bar and a log line. A failure on
// one file is logged with its reason and the run goes on; one box at the end tells how many
// files failed. No file is ever overwritten or lost. Each run is kept in the journal of the
// program's run, so that it can be undone.
#include "batchwidgets.h"
#include "vuconv.h"
#include "vurenm.h"

#include "engine/fileengine.h"
#include "platform/paths.h"

namespace vu {

using batch::LogKind;

class VuConv::Run {
public:
    explicit Run(VuConv& window)
        : window_(window)
    {
        window_.running_ = true;
        blocker_.flush();  // the bar shows before the first file
    }
    ~Run() { window_.running_ = false; }
    Run(const Run&) = delete;
    Run& operator=(const Run&) = delete;
    void pump() { blocker_.pump(); }

private:
    VuConv& window_;
    InputBlocker blocker_;
};

namespace {

const QString NoFiles = QStringLiteral("ファイルが存在しません。");

}  // namespace

// What a command works on is fixed before it asks anything: while a question is open the panes
// may move (a folder list takes over its highlighted folder when the box takes the focus), and
// the files confirmed are the files worked on.
VuConv::Batch VuConv::fixBatch()
{
    Yen_Plus();
    return {ui_.FileList[0]->path(), ui_.FileList[1]->path(), ui_.FileList[0]->names()};
}

void VuConv::resetBar(int files)
{
    ui_.PrgBar->setMinimum(0);
    ui_.PrgBar->setMaximum(files + 1);
    ui_.PrgBar->setValue(0);
}

MsgAnswer VuConv::ask(const QString& title, const QString& text, MsgIcon icon, MsgButtons buttons)
{
    return module_.dialogs().message(this, title, text, icon, buttons);
}

VuReNM* VuConv::renameDialog()
{
    if (QWidget* owner = renameOwner_.data()) {
        if (auto* kept = owner->findChild<VuReNM*>(QStringLiteral("VuReNM"), Qt::FindDirectChildrenOnly))
            return kept;
        return new VuReNM(owner);
    }
    if (!ownRenameDialog_)
        ownRenameDialog_ = new VuReNM(nullptr);
    return ownRenameDialog_.data();
}

// ---- copy and move ----

void VuConv::mnuSyoriCopy_Click()
{
    copyOrMove(false);
}

void VuConv::mnuSyoriMove_Click()
{
    copyOrMove(true);
}

void VuConv::copyOrMove(bool move)
{
    if (running_)
        return;
    const Batch work = fixBatch();
    const QString errorTitle = move ? QStringLiteral("移動エラー") : QStringLiteral("コピーエラー");
    if (work.names.isEmpty()) {
        ask(errorTitle, NoFiles, MsgIcon::Error, MsgButtons::Ok);
        return;
    }
    resetBar(int(work.names.size()));
    const MsgAnswer answer = move
        ? ask(QStringLiteral("一括移動"), QStringLiteral("ファイル移動を行います。よろしいですか？"),
            MsgIcon::Exclamation, MsgButtons::OkCancel)
        : ask(QStringLiteral("一括コピー"), QStringLiteral("ファイルコピーを行います。よろしいですか？"),
            MsgIcon::Exclamation, MsgButtons::OkCancel);
    if (answer != MsgAnswer::Ok)
        return;
    ui_.PrgBar->show();
    // The same folder, also when one pane reaches it through a link.
    if (work.target == work.source || module_.files().sameEntry(work.target, work.source)) {
        ui_.PrgBar->hide();
        ask(QStringLiteral("エラー"), QStringLiteral("同一パスの指定"), MsgIcon::Error, MsgButtons::Ok);
        return;
    }

    const LogKind kind = move ? LogKind::Move : LogKind::Copy;
    engine::FileEngine worker(module_.files(), module_.clock());
    engine::Totals totals;
    {
        Run run(*this);
        engine::Recording record(&module_.journal(), move ? engine::ActionKind::Move : engine::ActionKind::Copy, false);
        engine::Listener listener;
        listener.outcome = [&](const engine::Outcome& o) {
            record.add(o);
            srcPath_ = o.from;
            ui_.PrgBar->setValue(o.index + 1);
            if (o.step == engine::Step::Copy) {
                appendLog(
                    o.done() ? batch::logLine(kind, o.from, o.to) : batch::failureLine(kind, o.from, o.to, o.reason));
                addLog();
            } else if (o.failed()) {
                // A source kept because its copy is not known to be safe, or it changed since.
                appendLog(batch::keptSourceLine(o.from, o.reason));
                addLog();
            }
            run.pump();
        };
        listener.removalBegins = [&] { ui_.PrgBar->setValue(0); };
        totals = worker.transferAll(
            move ? engine::Transfer::Move : engine::Transfer::Copy, work.source, work.names, work.target, listener);
        paneRefresh();
    }
    if (totals.failed > 0)
        ask(errorTitle, batch::failureSummary(kind, totals.failed), MsgIcon::Error, MsgButtons::Ok);
}

// ---- delete ----

void VuConv::mnuSyoriDel_Click()
{
    if (running_)
        return;
    const Batch work = fixBatch();
    const QString errorTitle = QStringLiteral("削除エラー");
    if (work.names.isEmpty()) {
        ask(errorTitle, NoFiles, MsgIcon::Error, MsgButtons::Ok);
        return;
    }
    resetBar(int(work.names.size()));
    if (ask(QStringLiteral("一括削除"), QStringLiteral("削除処理を行います。よろしいですか？"), MsgIcon::Exclamation,
            MsgButtons::OkCancel)
        != MsgAnswer::Ok)
        return;
    ui_.PrgBar->show();
    engine::FileEngine worker(module_.files(), module_.clock());
    engine::Totals totals;
    {
        Run run(*this);
        engine::Recording record(&module_.journal(), engine::ActionKind::Delete, false);
        engine::Listener listener;
        listener.outcome = [&](const engine::Outcome& o) {
            record.add(o);
            srcPath_ = o.from;
            ui_.PrgBar->setValue(o.index);
            if (o.error == err::NoTrash && !o.failed())
                appendLog(batch::notDeletedLine(o.from));
            else
                appendLog(o.done() ? batch::logLine(LogKind::Delete, o.from)
                                   : batch::failureLine(LogKind::Delete, o.from, QString(), o.reason));
            addLog();
            run.pump();
        };
        // Asked once for the run, and only when the files cannot go to a trash.
        listener.mayDeleteForGood = [&](const QString&) {
            return ask(QStringLiteral("一括削除"), batch::deleteForGoodQuestion(work.source, true),
                       MsgIcon::Exclamation, MsgButtons::YesNo)
                == MsgAnswer::Yes;
        };
        totals = worker.deleteAll(work.source, work.names, module_.deleteMode(), listener);
        paneRefresh();
    }
    if (totals.failed > 0)
        ask(errorTitle, batch::failureSummary(LogKind::Delete, totals.failed), MsgIcon::Error, MsgButtons::Ok);
}

// ---- rename ----

void VuConv::mnuSyoriRename_Click()
{
    if (running_)
        return;
    const Batch work = fixBatch();
    const QString errorTitle = QStringLiteral("リネームエラー");
    if (work.names.isEmpty()) {
        ask(errorTitle, NoFiles, MsgIcon::Error, MsgButtons::Ok);
        return;
    }
    const QPointer<VuReNM> dialog = renameDialog();
    dialog->move(frameGeometry().center() - dialog->rect().center());
    const std::optional<QString> answer = dialog->askPrefix();
    if (!answer) {
        if (dialog)  // cancelled; else discarded, as the program ends
            dialog->clearAnswer();
        return;
    }
    const QString prefix = *answer;
    switch (batch::checkPrefix(prefix)) {
    case batch::PrefixCheck::Empty:
        ask(QStringLiteral("名称エラー"), QStringLiteral("名称を入力してください。"), MsgIcon::Error, MsgButtons::Ok);
        return;
    case batch::PrefixCheck::Unsafe:
        dialog->clearAnswer();
        ask(QStringLiteral("名称エラー"),
            QStringLiteral(
                "この名称は使用できません。\n「/」「\\」や制御文字を含む名称、「.」で始まる名称は指定できません。"),
            MsgIcon::Error, MsgButtons::Ok);
        return;
    case batch::PrefixCheck::Usable:
        break;
    }
    resetBar(int(work.names.size()));
    if (ask(QStringLiteral("一括リネーム"), QStringLiteral("ファイルリネームを行います。よろしいですか？"),
            MsgIcon::Exclamation, MsgButtons::OkCancel)
        != MsgAnswer::Ok) {
        dialog->clearAnswer();
        return;
    }
    ui_.PrgBar->show();
    engine::FileEngine worker(module_.files(), module_.clock());
    engine::Totals totals;
    {
        Run run(*this);
        engine::Recording record(&module_.journal(), engine::ActionKind::Rename, false);
        engine::Listener listener;
        listener.outcome = [&](const engine::Outcome& o) {
            record.add(o);
            if (o.step != engine::Step::Rename)
                return;  // a file stepping out of the way of another is logged at its own turn
            // The log names each file by the name it had when the run began.
            srcPath_ = paths::join(work.source, work.names[o.index]);
            ui_.PrgBar->setValue(o.index + 1);
            appendLog(o.done() ? batch::logLine(LogKind::Rename, srcPath_, o.to)
                               : batch::failureLine(LogKind::Rename, srcPath_, o.to, o.reason));
            addLog();
            run.pump();
        };
        totals = worker.renameAll(work.source, work.names, prefix, listener);
        paneRefresh();
    }
    if (dialog)
        dialog->clearAnswer();
    if (totals.failed > 0)
        ask(errorTitle, batch::failureSummary(LogKind::Rename, totals.failed), MsgIcon::Error, MsgButtons::Ok);
}

// ---- undo ----

void VuConv::mnuSyoriUndo_Click()
{
    undoNewest();
}

bool VuConv::undoNewest()
{
    if (running_)
        return false;
    const std::optional<engine::Action> action = askUndo(module_, this);
    if (!action)
        return false;
    const int files = int(action->entries.size());
    resetBar(files);
    ui_.PrgBar->show();
    engine::Totals totals;
    {
        Run run(*this);
        int done = 0;
        totals = engine::undoTaken(module_.journal(), module_.files(), *action, [&](const engine::UndoOutcome& u) {
            ui_.PrgBar->setValue(++done);
            appendLog(batch::undoLine(u));
            addLog();
            run.pump();
        });
        paneRefresh();
    }
    if (totals.skipped + totals.failed > 0)
        ask(batch::UndoTitle, batch::undoSummary(totals.skipped + totals.failed), MsgIcon::Error, MsgButtons::Ok);
    return true;
}

}  // namespace vu
