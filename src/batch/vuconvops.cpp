// The batch window's four operations: copy, move, delete and rename every file the source pane
// lists. A failure on one file is logged with its reason and the run goes on; one box at the
// end tells how many files failed. No file is ever overwritten or lost.
#include "batchwidgets.h"
#include "vuconv.h"
#include "vurenm.h"

#include <QHash>

#include <algorithm>

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
    const QString errorTitle = move ? QStringLiteral("移動エラー") : QStringLiteral("コピーエラー");
    if (FileList[0]->count() == 0) {
        ask(errorTitle, NoFiles, MsgIcon::Error, MsgButtons::Ok);
        return;
    }
    resetBar();
    const MsgAnswer answer = move
        ? ask(QStringLiteral("一括移動"), QStringLiteral("ファイル移動を行います。よろしいですか？"),
            MsgIcon::Exclamation, MsgButtons::OkCancel)
        : ask(QStringLiteral("一括コピー"), QStringLiteral("ファイルコピーを行います。よろしいですか？"),
            MsgIcon::Exclamation, MsgButtons::OkCancel);
    if (answer != MsgAnswer::Ok)
        return;
    PrgBar->show();
    if (FileList[1]->path() == FileList[0]->path()) {
        PrgBar->hide();
        ask(QStringLiteral("エラー"), QStringLiteral("同一パスの指定"), MsgIcon::Error, MsgButtons::Ok);
        return;
    }

    const LogKind kind = move ? LogKind::Move : LogKind::Copy;
    const batch::StampForm form = move ? batch::StampForm::Move : batch::StampForm::Copy;
    Files& files = module_.files();
    int failures = 0;
    {
        Run run(*this);
        // The lists are not re-read during the run.
        const QStringList names = FileList[0]->names();
        // Every name the target folder holds, listed or not (folders and hidden files too), and
        // every name this run adds: a copy never takes a name that is already there.
        batch::TakenNames taken;
        for (const QString& n : FileList[1]->names())
            taken.add(n);
        std::vector<DirEntry> present;
        if (files.listDir(FileList[1]->path(), &present).ok()) {
            for (const DirEntry& e : present)
                taken.add(e.name);
        }
        std::vector<QString> copies(size_t(names.size()));  // the target of each completed copy
        for (int i = 0; i < names.size(); ++i) {
            const QString& name = names[i];
            const bool found = taken.contains(name);
            Yen_Plus();
            srcPath = paneDir[0] + name;
            const QString wanted
                = found ? batch::stampedName(name, batch::timeStamp(module_.clock().now().time(), form)) : name;
            QString chosen = taken.firstFree(wanted);
            FsStatus s;
            for (int attempt = 0;; ++attempt) {
                s = files.copyFile(srcPath, paneDir[1] + chosen, Replace::Never);
                if (s.error != err::FileExists || attempt == 100)
                    break;
                taken.add(chosen);  // taken by someone else since the folder was read
                chosen = taken.firstFree(wanted);
            }
            const QString target = paneDir[1] + chosen;
            PrgBar->setValue(i + 1);
            if (s.ok()) {
                taken.add(chosen);
                copies[size_t(i)] = target;
                appendLog(batch::logLine(kind, srcPath, target));
            } else {
                ++failures;
                appendLog(batch::failureLine(kind, srcPath, target, err::describe(s.error)));
            }
            addLog();
            run.pump();
        }
        if (move)
            failures += removeMovedSources(names, copies, run);
        paneRefresh();
    }
    if (failures > 0)
        ask(errorTitle, batch::failureSummary(kind, failures), MsgIcon::Error, MsgButtons::Ok);
}

int VuConv::removeMovedSources(const QStringList& names, const std::vector<QString>& copies, Run& run)
{
    Files& files = module_.files();
    // The copies reach the disk before any source goes, so that a crash or power cut in the
    // middle cannot lose a file.
    const bool anyCopied = std::any_of(copies.begin(), copies.end(), [](const QString& c) { return !c.isEmpty(); });
    const FsStatus synced = anyCopied ? files.syncFolder(FileList[1]->path()) : FsStatus::success();
    int failures = 0;
    PrgBar->setValue(0);
    for (int i = 0; i < names.size(); ++i) {
        srcPath = paneDir[0] + names[i];
        const QString& copy = copies[size_t(i)];
        if (!copy.isEmpty()) {
            QString why;
            if (!synced.ok())
                why = err::describe(synced.error);
            else if (!files.exists(copy))
                why = QStringLiteral("移動先のファイルが見つかりません");
            else if (const FsStatus s = files.removeFile(srcPath); !s.ok())
                why = err::describe(s.error);
            if (!why.isEmpty()) {
                ++failures;
                appendLog(batch::keptSourceLine(srcPath, why));
                addLog();
            }
        }
        PrgBar->setValue(i + 1);
        run.pump();
    }
    return failures;
}

// ---- delete ----

void VuConv::mnuSyoriDel_Click()
{
    if (running_)
        return;
    const QString errorTitle = QStringLiteral("削除エラー");
    if (FileList[0]->count() == 0) {
        ask(errorTitle, NoFiles, MsgIcon::Error, MsgButtons::Ok);
        return;
    }
    resetBar();
    if (ask(QStringLiteral("一括削除"), QStringLiteral("削除処理を行います。よろしいですか？"), MsgIcon::Exclamation,
            MsgButtons::OkCancel)
        != MsgAnswer::Ok)
        return;
    PrgBar->show();
    Yen_Plus();
    int failures = 0;
    {
        Run run(*this);
        const QStringList names = FileList[0]->names();
        for (int i = 0; i < names.size(); ++i) {
            srcPath = paneDir[0] + names[i];
            const FsStatus s = module_.files().removeFile(srcPath);
            PrgBar->setValue(i);
            if (s.ok()) {
                appendLog(batch::logLine(LogKind::Delete, srcPath));
            } else {
                ++failures;
                appendLog(batch::failureLine(LogKind::Delete, srcPath, QString(), err::describe(s.error)));
            }
            addLog();
            run.pump();
        }
        paneRefresh();
    }
    if (failures > 0)
        ask(errorTitle, batch::failureSummary(LogKind::Delete, failures), MsgIcon::Error, MsgButtons::Ok);
}

// ---- rename ----

void VuConv::mnuSyoriRename_Click()
{
    if (running_)
        return;
    const QString errorTitle = QStringLiteral("リネームエラー");
    if (FileList[0]->count() == 0) {
        ask(errorTitle, NoFiles, MsgIcon::Error, MsgButtons::Ok);
        return;
    }
    const QPointer<VuReNM> dialog = renameDialog();
    dialog->move(frameGeometry().center() - dialog->rect().center());
    dialog->exec();
    if (!dialog)
        return;  // the program is ending
    const QString prefix = dialog->Text1->text();
    switch (batch::checkPrefix(prefix)) {
    case batch::PrefixCheck::Cancelled:
        dialog->Text1->clear();
        return;
    case batch::PrefixCheck::Empty:
        ask(QStringLiteral("名称エラー"), QStringLiteral("名称を入力してください。"), MsgIcon::Error, MsgButtons::Ok);
        return;
    case batch::PrefixCheck::Unsafe:
        dialog->Text1->clear();
        ask(QStringLiteral("名称エラー"),
            QStringLiteral(
                "この名称は使用できません。\n「/」「\\」や制御文字を含む名称、「.」で始まる名称は指定できません。"),
            MsgIcon::Error, MsgButtons::Ok);
        return;
    case batch::PrefixCheck::Usable:
        break;
    }
    resetBar();
    if (ask(QStringLiteral("一括リネーム"), QStringLiteral("ファイルリネームを行います。よろしいですか？"),
            MsgIcon::Exclamation, MsgButtons::OkCancel)
        != MsgAnswer::Ok) {
        dialog->Text1->clear();
        return;
    }
    PrgBar->show();
    Yen_Plus();
    int failures = 0;
    {
        Run run(*this);
        failures = renameAll(prefix, run);
        paneRefresh();
    }
    if (dialog)
        dialog->Text1->clear();
    if (failures > 0)
        ask(errorTitle, batch::failureSummary(LogKind::Rename, failures), MsgIcon::Error, MsgButtons::Ok);
}

int VuConv::renameAll(const QString& prefix, Run& run)
{
    Files& files = module_.files();
    const QString folder = paneDir[0];
    const QStringList names = FileList[0]->names();
    // Where each file of the batch is now, and which file still waiting for its turn holds a
    // name. A new name held by a waiting file is freed by moving that file aside under a
    // temporary name first, so that a run ends with the names in list order whatever names
    // the files had (a second rename with the same prefix, say); nothing is ever replaced.
    QStringList current = names;
    QHash<QString, int> waiting;
    waiting.reserve(names.size());
    for (int i = 0; i < names.size(); ++i)
        waiting.insert(names[i], i);
    int aside = 0;
    int failures = 0;
    for (int i = 0; i < names.size(); ++i) {
        srcPath = folder + names[i];
        const QString newName = batch::renamedName(prefix, i, names[i]);
        const QString newPath = folder + newName;
        waiting.remove(current[i]);
        FsStatus s;
        if (current[i] != newName) {
            if (const auto holder = waiting.constFind(newName); holder != waiting.cend()) {
                const int j = holder.value();
                QString temp;
                do
                    temp = batch::asideName(names[j], ++aside);
                while (waiting.contains(temp) || files.exists(folder + temp));
                s = files.renameFile(folder + current[j], folder + temp);
                if (s.ok()) {
                    waiting.remove(current[j]);
                    current[j] = temp;
                    waiting.insert(temp, j);
                }
            }
            if (s.ok())
                s = files.renameFile(folder + current[i], newPath);
        }
        PrgBar->setValue(i + 1);
        if (s.ok()) {
            current[i] = newName;
            appendLog(batch::logLine(LogKind::Rename, srcPath, newPath));
        } else {
            ++failures;
            QString why = err::describe(s.error);
            // A file that stepped aside goes back to its own name, which it left free.
            if (current[i] != names[i]) {
                if (files.renameFile(folder + current[i], srcPath).ok())
                    current[i] = names[i];
                else
                    why += QStringLiteral("、%1 という名前のままです").arg(current[i]);
            }
            appendLog(batch::failureLine(LogKind::Rename, srcPath, newPath, why));
        }
        addLog();
        run.pump();
    }
    return failures;
}

}  // namespace vu
