#include "undo.h"
#include "aside.h"
#include "names.h"

#include "platform/paths.h"

#include <QSet>

namespace vu::engine {

// ---- building an action ----

ActionBuilder::ActionBuilder(ActionKind kind, bool drop)
{
    action_.kind = kind;
    action_.drop = drop;
}

void ActionBuilder::add(const Outcome& o)
{
    if (!o.done())
        return;
    const auto known = byIndex_.constFind(o.index);
    UndoEntry* entry = known == byIndex_.cend() ? nullptr : &action_.entries[*known];
    auto append = [&](UndoEntry e) {
        e.index = o.index;
        byIndex_.insert(o.index, action_.entries.size());
        action_.entries.push_back(std::move(e));
    };
    switch (o.step) {
    case Step::Copy: {
        UndoEntry e;
        e.kind = UndoEntry::RemoveCopy;
        e.now = o.to;
        e.back = o.from;
        e.identity = o.made;
        e.source = o.identity;
        e.replacedAnother = o.replaced.known();
        append(std::move(e));
        break;
    }
    case Step::RemoveSource:
        if (entry && entry->kind == UndoEntry::RemoveCopy)
            entry->kind = UndoEntry::MoveBack;
        break;
    case Step::Delete: {
        UndoEntry e;
        e.kind = o.trashed.isEmpty() ? UndoEntry::Lost : UndoEntry::Restore;
        e.now = o.trashed.isEmpty() ? o.from : o.trashed.entry;
        e.back = o.from;
        e.identity = o.identity;
        e.trashInfo = o.trashed.info;
        append(std::move(e));
        break;
    }
    case Step::Rename:
    case Step::StepAside:
        // A file may move more than once (aside, then to its new name): its entry follows it
        // from the name it had when the run began.
        if (entry) {
            entry->now = o.to;
        } else {
            UndoEntry e;
            e.kind = UndoEntry::RenameBack;
            e.now = o.to;
            e.back = o.from;
            e.identity = o.identity;
            append(std::move(e));
        }
        break;
    }
}

Action ActionBuilder::finish()
{
    std::erase_if(
        action_.entries, [](const UndoEntry& e) { return e.kind == UndoEntry::RenameBack && e.now == e.back; });
    byIndex_.clear();
    return std::move(action_);
}

// ---- renaming back ----

std::vector<MoveChain> planRenameBack(
    const QStringList& now, const QStringList& back, const std::function<bool(const QString&)>& taken)
{
    const qsizetype n = now.size();
    QHash<QString, int> holder;  // who holds a name now
    holder.reserve(n);
    QSet<QString> names;  // every name the files hold or want
    names.reserve(2 * n);
    for (int i = 0; i < n; ++i) {
        holder.insert(now[i], i);
        names.insert(now[i]);
        names.insert(back[i]);
    }
    // waitsFor[i]: the file holding i's old name, which must move first; nextOf[g]: the file
    // waiting for g. A name is held by one file and wanted by one, so the files form chains and
    // rings.
    std::vector<int> waitsFor(size_t(n), -1), nextOf(size_t(n), -1);
    std::vector<bool> placed(size_t(n), false);
    for (int i = 0; i < n; ++i) {
        if (now[i] == back[i]) {
            placed[size_t(i)] = true;
            continue;
        }
        const int g = holder.value(back[i], -1);
        if (g < 0)
            continue;
        if (nextOf[size_t(g)] >= 0) {
            placed[size_t(i)] = true;  // two files want one name: this one stays where it is
            continue;
        }
        waitsFor[size_t(i)] = g;
        nextOf[size_t(g)] = i;
    }

    std::vector<MoveChain> chains;
    auto follow = [&](MoveChain& chain, int from, int stop) {
        for (int x = from; x >= 0 && x != stop && !placed[size_t(x)]; x = nextOf[size_t(x)]) {
            chain.moves.push_back({x, now[x], back[x]});
            placed[size_t(x)] = true;
        }
    };
    // Chains start with a file whose old name no file of the batch holds.
    for (int i = 0; i < n; ++i) {
        if (placed[size_t(i)] || waitsFor[size_t(i)] >= 0)
            continue;
        MoveChain chain;
        follow(chain, i, -1);
        chains.push_back(std::move(chain));
    }
    // What is left are rings.
    int asides = 0;
    for (int i = 0; i < n; ++i) {
        if (placed[size_t(i)])
            continue;
        const QString folder = paths::folderOf(now[i]);
        QString temp;
        do
            temp = paths::join(folder, asideName(paths::fileName(now[i]), ++asides));
        while (names.contains(temp) || taken(temp));
        names.insert(temp);
        MoveChain ring;
        ring.ring = true;
        ring.moves.push_back({i, now[i], temp});
        placed[size_t(i)] = true;
        follow(ring, nextOf[size_t(i)], i);
        ring.moves.push_back({i, temp, back[i]});
        chains.push_back(std::move(ring));
    }
    return chains;
}

// ---- undoing ----

namespace {

const QString ChangedSince = QStringLiteral("処理の後で変更されたため、そのままにしました");
const QString NameTaken = QStringLiteral("元の場所に同じ名前のファイルがあります");

UndoOutcome& leave(UndoOutcome& u, int error, const QString& reason)
{
    u.result = Result::Skipped;
    u.error = error;
    u.reason = reason;
    return u;
}

// A step the system refused. A name taken, or a file changed or gone, meanwhile leaves the file
// alone like a check beforehand would have.
UndoOutcome& refused(UndoOutcome& u, const FsStatus& s, const QString& more = QString())
{
    switch (s.error) {
    case err::FileExists:
        return leave(u, s.error, NameTaken + more);
    case err::SourceChanged:
        return leave(u, s.error, ChangedSince + more);
    case err::FileNotFound:
    case err::PathNotFound:
        return leave(u, s.error, err::describe(s.error) + more);
    default:
        u.result = Result::Failed;
        u.error = s.error;
        u.reason = err::describe(s.error) + more;
        return u;
    }
}

}  // namespace

Undoer::Undoer(Files& files)
    : files_(files)
{
}

Totals Undoer::undo(const Action& action, const std::function<void(const UndoOutcome&)>& listener)
{
    return runAside<Totals>([undoer = *this, action, listener](Aside& aside) mutable {
        std::function<void(const UndoOutcome&)> relayed;
        if (listener)
            relayed = [&aside, listener](const UndoOutcome& u) { aside.call([&] { listener(u); }); };
        return undoer.undoHere(action, relayed);
    });
}

Totals Undoer::undoHere(const Action& action, const std::function<void(const UndoOutcome&)>& listener)
{
    Totals totals;
    auto report = [&](const UndoOutcome& u) {
        if (u.done())
            ++totals.done;
        else if (u.result == Result::Failed)
            ++totals.failed;
        else
            ++totals.skipped;
        if (listener)
            listener(u);
    };
    std::vector<const UndoEntry*> renamed;
    for (auto e = action.entries.rbegin(); e != action.entries.rend(); ++e) {
        if (e->kind == UndoEntry::RenameBack)
            renamed.push_back(&*e);
        else
            report(undoOne(*e));
    }
    if (!renamed.empty())
        renameBack(renamed, report);
    return totals;
}

UndoOutcome Undoer::undoOne(const UndoEntry& e)
{
    UndoOutcome u;
    u.kind = e.kind;
    u.index = e.index;
    u.now = e.now;
    u.back = e.back;
    switch (e.kind) {
    case UndoEntry::Lost:
        return leave(u, err::FileNotFound, QStringLiteral("完全に削除したファイルは元に戻せません"));
    case UndoEntry::RemoveCopy: {
        if (e.replacedAnother)
            return leave(u, err::FileExists, QStringLiteral("同じ名前のファイルを置き換えたコピーのため、残しました"));
        const std::optional<FileIdentity> copy = files_.identity(e.now);
        if (!copy)
            return leave(u, err::FileNotFound, QStringLiteral("コピーが見つかりません"));
        if (*copy != e.identity)
            return leave(u, err::SourceChanged, ChangedSince);
        // The copy may be all that is left of the file when the original has changed or gone.
        if (files_.identity(e.back) != std::optional<FileIdentity>(e.source))
            return leave(
                u, err::SourceChanged, QStringLiteral("コピー元が変更されたか見つからないため、コピーを残しました"));
        if (const FsStatus s = files_.removeIfUnchanged(e.now, e.identity); !s.ok())
            return refused(u, s);
        return u;
    }
    case UndoEntry::Restore: {
        // The entries themselves: a relative link in the trash leads nowhere.
        const std::optional<FileIdentity> inTrash = files_.entryIdentity(e.now);
        if (inTrash != std::optional<FileIdentity>(e.identity)) {
            // The desktop's file manager may have put it back already.
            if (files_.entryIdentity(e.back) == std::optional<FileIdentity>(e.identity))
                return leave(u, err::FileExists, QStringLiteral("既に元の場所に戻されています"));
            if (!inTrash)
                return leave(u, err::FileNotFound, QStringLiteral("ごみ箱にファイルが見つかりません"));
            return leave(u, err::SourceChanged, ChangedSince);
        }
        if (files_.entryIdentity(e.back))
            return leave(u, err::FileExists, NameTaken);
        if (const FsStatus s = files_.restoreFromTrash({e.now, e.trashInfo}, e.back, e.identity); !s.ok())
            return refused(u, s);
        return u;
    }
    case UndoEntry::MoveBack:
        return moveBack(e, u);
    case UndoEntry::RenameBack:
        break;
    }
    return u;
}

UndoOutcome Undoer::moveBack(const UndoEntry& e, UndoOutcome u)
{
    const std::optional<FileIdentity> moved = files_.identity(e.now);
    if (!moved)
        return leave(u, err::FileNotFound, QStringLiteral("移動先にファイルが見つかりません"));
    if (*moved != e.identity)
        return leave(u, err::SourceChanged, ChangedSince);
    if (files_.exists(e.back))
        return leave(u, err::FileExists, NameTaken);
    if (!files_.isDir(paths::folderOf(e.back)))
        return leave(u, err::PathNotFound, QStringLiteral("元のフォルダが見つかりません"));
    // Either way the file back at `back` is the move's copy, not the file the move took from
    // there: records of earlier runs must know it.
    auto putBackAs = [&](const FileIdentity& is) {
        u.was = e.source;
        u.is = is;
    };
    // On one volume the file itself goes back: bytes, time and all.
    FsStatus s = files_.renameFile(e.now, e.back);
    if (s.ok()) {
        putBackAs(e.identity);
        return u;
    }
    if (s.error != err::CrossDevice)
        return refused(u, s);
    // From another volume, as the move came: a complete copy back first (keeping the time), and
    // the moved file goes only once that copy is on the disk and while it is the file copied.
    CopyRecord record;
    s = files_.copyFile(e.now, e.back, Replace::Never, &record);
    if (!s.ok())
        return refused(u, s);
    if (record.source != e.identity) {
        files_.removeIfUnchanged(e.back, record.copy);
        return leave(u, err::SourceChanged, ChangedSince);
    }
    s = files_.syncFolder(paths::folderOf(e.back));
    if (!s.ok()) {
        files_.removeIfUnchanged(e.back, record.copy);
        return refused(u, s);
    }
    putBackAs(record.copy);
    if (s = files_.removeIfUnchanged(e.now, e.identity); !s.ok())
        return refused(u, s, QStringLiteral("（元の場所にも戻したため、両方にあります）"));
    return u;
}

void Undoer::renameBack(
    const std::vector<const UndoEntry*>& entries, const std::function<void(const UndoOutcome&)>& report)
{
    auto outcomeOf = [](const UndoEntry& e) {
        UndoOutcome u;
        u.kind = e.kind;
        u.index = e.index;
        u.now = e.now;
        u.back = e.back;
        return u;
    };
    // Files changed or gone since stay as they are, holding their names.
    std::vector<const UndoEntry*> going;
    QStringList now, back;
    for (const UndoEntry* e : entries) {
        UndoOutcome u = outcomeOf(*e);
        const std::optional<FileIdentity> found = files_.identity(e->now);
        if (!found)
            report(leave(u, err::FileNotFound, err::describe(err::FileNotFound)));
        else if (*found != e->identity)
            report(leave(u, err::SourceChanged, ChangedSince));
        else {
            going.push_back(e);
            now << e->now;
            back << e->back;
        }
    }
    const std::vector<MoveChain> chains
        = planRenameBack(now, back, [&](const QString& name) { return files_.exists(name); });
    const QString waiting = QStringLiteral("元の名前を使っているファイルを戻せなかったため、そのままにしました");
    for (const MoveChain& chain : chains) {
        // When a move fails, the files after it in the chain keep their names: their old names
        // are still held.
        bool stuck = false;
        bool asideTold = false;
        for (size_t k = 0; k < chain.moves.size(); ++k) {
            const NameMove& m = chain.moves[k];
            const bool aside = chain.ring && k == 0;
            const bool last = chain.ring && k + 1 == chain.moves.size();
            UndoOutcome u = outcomeOf(*going[size_t(m.file)]);
            if (stuck) {
                if (last && !asideTold) {
                    // The file that stepped aside goes back to the name it had, where still free.
                    const QString own = chain.moves.front().from;
                    u.now = files_.renameFile(m.from, own).ok() ? own : m.from;
                    report(leave(
                        u, err::FileExists, waiting + QStringLiteral("（%1 のままです）").arg(paths::fileName(u.now))));
                } else if (!last) {
                    report(leave(u, err::FileExists, waiting));
                }
                continue;
            }
            const FsStatus s = files_.renameFile(m.from, m.to);
            if (s.ok()) {
                if (!aside)
                    report(u);
                continue;
            }
            stuck = true;
            if (last) {
                u.now = m.from;
                refused(u, s, QStringLiteral("（%1 のままです）").arg(paths::fileName(m.from)));
            } else {
                refused(u, s);
            }
            asideTold = aside;
            report(u);
        }
    }
}

}  // namespace vu::engine
