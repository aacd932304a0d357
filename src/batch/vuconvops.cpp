// The batch window's four operations: copy, move, delete and rename every file the source pane
// lists, and 元に戻す, which undoes the newest run or drop. The engine does the work; the window
// asks first, and follows each file's outcome with the progress bar and a log line. A failure on
// one file is logged with its reason and the run goes on; one box at the end tells how many
// files failed. No file is ever overwritten or lost. Each run is kept in the journal of the
// program's run, so that it can be undone.
#include "vuconv.h"
#include "vurenm.h"

#include "engine/fileengine.h"
#include "shell/worktexts.h"
#include "widgets/inputblocker.h"
#include "widgets/undorunner.h"

namespace vu {

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

// ---- the four file commands ----

std::optional<QString> VuConv::askPrefix(VuReNM* dialog)
{
    const QPointer<VuReNM> kept = dialog;
    dialog->move(frameGeometry().center() - dialog->rect().center());
    const std::optional<QString> answer = dialog->askPrefix();
    if (!answer) {
        if (kept)  // cancelled; else discarded, as the program ends
            kept->clearAnswer();
        return std::nullopt;
    }
    switch (batch::checkPrefix(*answer)) {
    case batch::PrefixCheck::Empty:
        ask(QStringLiteral("名称エラー"), QStringLiteral("名称を入力してください。"), MsgIcon::Error, MsgButtons::Ok);
        return std::nullopt;
    case batch::PrefixCheck::Unsafe:
        kept->clearAnswer();
        ask(QStringLiteral("名称エラー"),
            QStringLiteral(
                "この名称は使用できません。\n「/」「\\」や制御文字を含む名称、「.」で始まる名称は指定できません。"),
            MsgIcon::Error, MsgButtons::Ok);
        return std::nullopt;
    case batch::PrefixCheck::Usable:
        break;
    }
    return answer;
}

void VuConv::operate(batch::Command command)
{
    if (running_)
        return;
    const batch::Operation& op = batch::operation(command);
    const Batch work = fixBatch();
    if (work.names.isEmpty()) {
        ask(errorTitle(op.action), NoFiles, MsgIcon::Error, MsgButtons::Ok);
        return;
    }
    // A rename asks for its prefix first; the dialog keeps it until the run is over.
    QPointer<VuReNM> dialog;
    QString prefix;
    if (command == batch::Command::Rename) {
        dialog = renameDialog();
        const std::optional<QString> answer = askPrefix(dialog);
        if (!answer)
            return;
        prefix = *answer;
    }
    ui_.PrgBar->setRange(0, int(work.names.size()) + 1);
    ui_.PrgBar->setValue(0);
    if (ask(op.confirmTitle, op.confirmText, MsgIcon::Exclamation, MsgButtons::OkCancel) != MsgAnswer::Ok) {
        if (dialog)
            dialog->clearAnswer();
        return;
    }
    ui_.PrgBar->show();
    const bool transfer = command == batch::Command::Copy || command == batch::Command::Move;
    // The same folder, also when one pane reaches it through a link.
    if (transfer && (work.target == work.source || module_.files().sameEntry(work.target, work.source))) {
        ui_.PrgBar->hide();
        ask(QStringLiteral("エラー"), QStringLiteral("同一パスの指定"), MsgIcon::Error, MsgButtons::Ok);
        return;
    }

    engine::FileEngine worker(module_.files(), module_.clock());
    engine::Totals totals;
    {
        Run run(*this);
        engine::Recording record(&module_.journal(), op.action, false);
        engine::Listener listener;
        listener.outcome = [&](const engine::Outcome& o) {
            record.add(o);
            const std::optional<batch::OutcomeEntry> entry = batch::outcomeEntry(command, o, work.source, work.names);
            if (!entry)
                return;
            srcPath_ = entry->file;
            ui_.PrgBar->setValue(entry->bar);
            if (!entry->line.isEmpty()) {
                appendLog(entry->line);
                syncLogWindow();
            }
            run.pump();
        };
        switch (command) {
        case batch::Command::Copy:
        case batch::Command::Move:
            listener.removalBegins = [&] { ui_.PrgBar->setValue(0); };
            totals
                = worker.transferAll(command == batch::Command::Move ? engine::Transfer::Move : engine::Transfer::Copy,
                    work.source, work.names, work.target, listener);
            break;
        case batch::Command::Delete:
            // Asked once for the run, and only when the files cannot go to a trash.
            listener.mayDeleteForGood = [&](const QString&) {
                return ask(op.confirmTitle, batch::deleteForGoodQuestion(work.source, true), MsgIcon::Exclamation,
                           MsgButtons::YesNo)
                    == MsgAnswer::Yes;
            };
            totals = worker.deleteAll(work.source, work.names, module_.deleteMode(), listener);
            break;
        case batch::Command::Rename:
            totals = worker.renameAll(work.source, work.names, prefix, listener);
            break;
        case batch::Command::Log:
            break;
        }
        paneRefresh();
    }
    if (dialog)
        dialog->clearAnswer();
    if (totals.failed > 0)
        ask(errorTitle(op.action), batch::failureSummary(op.kind, totals.failed), MsgIcon::Error, MsgButtons::Ok);
}

// ---- undo ----

bool VuConv::undoNewest()
{
    if (running_)
        return false;
    UndoShow show;
    show.bar = ui_.PrgBar;
    show.barSpare = 1;
    show.running = &running_;
    show.each = [this](const engine::UndoOutcome& u) {
        appendLog(undoLine(u));
        syncLogWindow();
    };
    show.done = [this] { paneRefresh(); };
    return runUndo(module_, this, show);
}

}  // namespace vu
