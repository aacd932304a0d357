#include "fileengine.h"
#include "aside.h"
#include "renameplan.h"

#include "platform/paths.h"

namespace vu::engine {
namespace {

Outcome& fail(Outcome& o, const FsStatus& s, const QString& more = QString())
{
    o.result = Result::Failed;
    o.error = s.error;
    o.reason = err::describe(s.error) + more;
    return o;
}

Outcome& skip(Outcome& o, int error)
{
    o.result = Result::Skipped;
    o.error = error;
    o.reason = err::describe(error);
    return o;
}

}  // namespace

FileEngine::FileEngine(Files& files, Clock& clock)
    : files_(files)
    , clock_(clock)
{
}

void FileEngine::report(const Listener& listener, const Outcome& outcome, Totals* totals)
{
    if (totals && outcome.step != Step::StepAside) {
        if (outcome.done())
            ++totals->done;
        else if (outcome.failed())
            ++totals->failed;
        else
            ++totals->skipped;
    }
    if (listener.outcome)
        listener.outcome(outcome);
}

// ---- copy and move ----

Outcome FileEngine::copyUnderFreeName(
    int index, const QString& from, const QString& name, const QString& targetFolder, Transfer kind, TakenNames& taken)
{
    Outcome o;
    o.step = Step::Copy;
    o.index = index;
    o.from = from;
    const StampForm form = kind == Transfer::Move ? StampForm::Move : StampForm::Copy;
    const QString wanted = taken.contains(name) ? stampedName(name, timeStamp(clock_.now().time(), form)) : name;
    QString chosen = taken.firstFree(wanted);
    o.to = paths::join(targetFolder, chosen);
    // A file that may not be deleted is not moved either: no copy is made of it.
    if (kind == Transfer::Move) {
        if (const FsStatus c = files_.checkChangeable(from); !c.ok())
            return fail(o, c);
    }
    CopyRecord record;
    FsStatus s;
    for (int attempt = 0;; ++attempt) {
        s = files_.copyFile(from, o.to, Replace::Never, &record);
        if ((s.error != err::FileExists && s.error != err::SameFile) || attempt == 100)
            break;
        taken.add(chosen);  // taken by someone else since the folder was read
        chosen = taken.firstFree(wanted);
        o.to = paths::join(targetFolder, chosen);
    }
    if (!s.ok())
        return fail(o, s);
    taken.add(chosen);
    o.identity = record.source;
    o.made = record.copy;
    return o;
}

Outcome FileEngine::removeMovedSource(const Outcome& copy, const FsStatus& synced)
{
    Outcome o;
    o.step = Step::RemoveSource;
    o.index = copy.index;
    o.from = copy.from;
    o.to = copy.to;
    o.identity = copy.identity;
    o.made = copy.made;
    o.replaced = copy.replaced;
    if (!copy.done())
        return skip(o, copy.error);
    // The copy must still be the file written, where it was written, and be on the disk.
    if (files_.identity(copy.to) != std::optional<FileIdentity>(copy.made))
        return fail(o, FsStatus::failure(err::CopyMissing));
    if (!synced.ok())
        return fail(o, synced);
    // And the source the file that was read: one saved again, replaced or grown since is kept.
    if (const FsStatus s = files_.removeIfUnchanged(copy.from, copy.identity); !s.ok())
        return fail(o, s);
    return o;
}

Totals FileEngine::transferAllHere(Transfer kind, const QString& sourceFolder, const QStringList& names,
    const QString& targetFolder, const Listener& listener)
{
    Totals totals;
    // Every name the target folder holds, listed or not (folders and hidden files too), and
    // every name this run adds: a copy never takes a name that is already there.
    TakenNames taken;
    std::vector<DirEntry> present;
    if (files_.listDir(targetFolder, &present).ok()) {
        for (const DirEntry& e : present)
            taken.add(e.name);
    }
    std::vector<Outcome> copies;
    copies.reserve(size_t(names.size()));
    for (int i = 0; i < names.size(); ++i) {
        copies.push_back(
            copyUnderFreeName(i, paths::join(sourceFolder, names[i]), names[i], targetFolder, kind, taken));
        report(listener, copies.back(), &totals);
    }
    if (kind == Transfer::Copy)
        return totals;

    // The copies reach the disk before any source goes, so that a crash or power cut in the
    // middle cannot lose a file.
    const bool anyCopied = std::any_of(copies.begin(), copies.end(), [](const Outcome& c) { return c.done(); });
    const FsStatus synced = anyCopied ? files_.syncFolder(targetFolder) : FsStatus::success();
    if (listener.removalBegins)
        listener.removalBegins();
    for (const Outcome& copy : copies) {
        const Outcome removed = removeMovedSource(copy, synced);
        // The copy pass counted each file already; one whose source stays was not moved.
        if (removed.failed()) {
            --totals.done;
            ++totals.failed;
        }
        report(listener, removed, nullptr);
    }
    return totals;
}

Outcome FileEngine::transferOneHere(
    Transfer kind, const QString& source, const QString& targetFolder, const Listener& listener)
{
    Outcome o;
    o.step = Step::Copy;
    o.index = 0;
    o.from = source;
    o.to = paths::join(targetFolder, paths::fileName(source));
    if (kind == Transfer::Move) {
        if (const FsStatus c = files_.checkChangeable(source); !c.ok()) {
            report(listener, fail(o, c), nullptr);
            return o;
        }
    }
    CopyRecord record;
    FsStatus s = files_.copyFile(source, o.to, Replace::Never, &record);
    if (s.error == err::FileExists && !files_.isDir(o.to)) {
        // A read-only file of that name is not replaced, as it would be neither deleted nor
        // moved: its bytes and its mode stay.
        if (const FsStatus c = files_.checkChangeable(o.to); !c.ok() && c.error != err::FileNotFound) {
            fail(o, c);
            o.reason = QStringLiteral("置き換え先の %1 は").arg(o.to) + o.reason;
            report(listener, o, nullptr);
            return o;
        }
        // The same bytes (the same picture dropped twice) are replaced without a word; a
        // different file only when the user agrees, and then only by a complete copy.
        if (files_.sameContents(source, o.to) != std::optional<bool>(true)
            && (!listener.mayReplace || !listener.mayReplace(o.to))) {
            report(listener, skip(o, err::FileExists), nullptr);
            return o;
        }
        o.replaced = files_.identity(o.to).value_or(FileIdentity());
        s = files_.copyFile(source, o.to, Replace::Overwrite, &record);
    }
    if (s.error == err::SameFile) {
        report(listener, skip(o, err::SameFile), nullptr);
        return o;
    }
    if (!s.ok()) {
        report(listener, fail(o, s), nullptr);
        return o;
    }
    o.identity = record.source;
    o.made = record.copy;
    report(listener, o, nullptr);
    if (kind == Transfer::Copy)
        return o;

    const FsStatus synced = files_.syncFolder(targetFolder);
    if (listener.removalBegins)
        listener.removalBegins();
    const Outcome removed = removeMovedSource(o, synced);
    report(listener, removed, nullptr);
    return removed;
}

// ---- delete ----

Outcome FileEngine::deleteFile(
    int index, const QString& file, DeleteMode mode, const Listener& listener, std::optional<bool>* forGood)
{
    Outcome o;
    o.step = Step::Delete;
    o.index = index;
    o.from = file;
    // The entry itself: a link goes as a link, and a relative one leads nowhere from the trash.
    o.identity = files_.entryIdentity(file).value_or(FileIdentity());
    // What the information menu calls read-only is not deleted. A link that leads nowhere (to a
    // file deleted just before it, say) has no such mark.
    if (const FsStatus c = files_.checkChangeable(file);
        !c.ok() && !(c.error == err::FileNotFound && o.identity.known()))
        return fail(o, c);
    if (mode == DeleteMode::Final) {
        if (const FsStatus s = files_.removeFile(file); !s.ok())
            return fail(o, s);
        return o;
    }
    FsStatus s = files_.moveToTrash(file, &o.trashed);
    // Only a volume without a usable trash counts as none: a full disk, say, is reported as
    // what it is, and the file stays.
    if (s.error == err::NoTrash) {
        if (!forGood->has_value())
            *forGood = listener.mayDeleteForGood && listener.mayDeleteForGood(file);
        if (!**forGood)
            return skip(o, err::NoTrash);
        s = files_.removeFile(file);
    }
    if (!s.ok())
        return fail(o, s);
    return o;
}

Totals FileEngine::deleteAllHere(
    const QString& folder, const QStringList& names, DeleteMode mode, const Listener& listener)
{
    Totals totals;
    std::optional<bool> forGood;
    for (int i = 0; i < names.size(); ++i)
        report(listener, deleteFile(i, paths::join(folder, names[i]), mode, listener, &forGood), &totals);
    return totals;
}

Outcome FileEngine::deleteOneHere(const QString& file, DeleteMode mode, const Listener& listener)
{
    std::optional<bool> forGood;
    const Outcome o = deleteFile(0, file, mode, listener, &forGood);
    report(listener, o, nullptr);
    return o;
}

// ---- rename ----

Totals FileEngine::renameAllHere(
    const QString& folder, const QStringList& names, const QString& prefix, const Listener& listener)
{
    Totals totals;
    QStringList newNames;
    newNames.reserve(names.size());
    for (int i = 0; i < names.size(); ++i)
        newNames << renamedName(prefix, i, names[i]);
    RenamePlan plan(names, newNames);
    const auto taken = [&](const QString& name) { return files_.exists(paths::join(folder, name)); };

    for (int i = 0; i < names.size(); ++i) {
        Outcome file;
        file.step = Step::Rename;
        file.index = i;
        file.from = paths::join(folder, names[i]);
        file.to = paths::join(folder, newNames[i]);
        plan.begin(i);
        FsStatus renamed, asideFailed;
        QString more;  // what else the user should know about the file
        while (const std::optional<RenamePlan::Move> m = plan.next(taken)) {
            const QString from = paths::join(folder, m->from);
            const QString to = paths::join(folder, m->to);
            const FileIdentity found = files_.identity(from).value_or(FileIdentity());
            const FsStatus s = files_.renameFile(from, to);
            const bool gone = s.error == err::FileNotFound && !files_.exists(from);
            plan.report(
                s.ok() ? RenamePlan::Result::Done : (gone ? RenamePlan::Result::Gone : RenamePlan::Result::Failed));
            if (m->kind == RenamePlan::Move::Rename) {
                renamed = s;
                file.from = from;  // where it stood: its own name, or where it had stepped aside to
                file.identity = found;
                continue;
            }
            Outcome moved;
            moved.step = Step::StepAside;
            moved.index = m->file;
            moved.from = from;
            moved.to = to;
            moved.identity = found;
            if (!s.ok())
                fail(moved, s);
            report(listener, moved, nullptr);
            if (m->kind == RenamePlan::Move::Aside && !s.ok())
                asideFailed = s;
        }
        // A file that stood aside for another and could not take its new name says where it is.
        if (!plan.succeeded() && !plan.gone() && plan.current(i) != names[i])
            more = QStringLiteral("、%1 という名前のままです").arg(plan.current(i));
        if (plan.succeeded()) {
            if (!file.identity.known())
                file.identity = files_.identity(file.to).value_or(FileIdentity());
        } else if (plan.gone()) {
            fail(file, FsStatus::failure(err::FileNotFound));
        } else if (const std::optional<RenamePlan::Move>& blocker = plan.blockedBy()) {
            // The file of the batch holding the new name could not step aside: the failure is
            // told as that file's, not as one of this file.
            fail(file, asideFailed);
            file.reason = QStringLiteral("新しい名前の %1 を移動できませんでした：").arg(blocker->from) + file.reason;
        } else {
            fail(file, renamed, more);
        }
        report(listener, file, &totals);
    }
    return totals;
}

// ---- running aside ----

namespace {

// The caller's listener, called on the caller's thread from a run aside. The run waits for each
// call, so that what the caller shows (the bar, the log) is never behind the files; a question
// is answered "no" when the program ends first.
Listener relayed(const Listener& listener, Aside& aside)
{
    Listener r;
    if (listener.outcome)
        r.outcome = [&aside, f = listener.outcome](const Outcome& o) { aside.call([&] { f(o); }); };
    if (listener.removalBegins)
        r.removalBegins = [&aside, f = listener.removalBegins] { aside.call(f); };
    if (listener.mayReplace) {
        r.mayReplace = [&aside, f = listener.mayReplace](const QString& target) {
            bool yes = false;
            return aside.call([&] { yes = f(target); }) && yes;
        };
    }
    if (listener.mayDeleteForGood) {
        r.mayDeleteForGood = [&aside, f = listener.mayDeleteForGood](const QString& file) {
            bool yes = false;
            return aside.call([&] { yes = f(file); }) && yes;
        };
    }
    return r;
}

}  // namespace

Totals FileEngine::transferAll(Transfer kind, const QString& sourceFolder, const QStringList& names,
    const QString& targetFolder, const Listener& listener)
{
    return runAside<Totals>([engine = *this, kind, sourceFolder, names, targetFolder, listener](Aside& aside) mutable {
        return engine.transferAllHere(kind, sourceFolder, names, targetFolder, relayed(listener, aside));
    });
}

Outcome FileEngine::transferOne(
    Transfer kind, const QString& source, const QString& targetFolder, const Listener& listener)
{
    return runAside<Outcome>([engine = *this, kind, source, targetFolder, listener](Aside& aside) mutable {
        return engine.transferOneHere(kind, source, targetFolder, relayed(listener, aside));
    });
}

Totals FileEngine::deleteAll(const QString& folder, const QStringList& names, DeleteMode mode, const Listener& listener)
{
    return runAside<Totals>([engine = *this, folder, names, mode, listener](Aside& aside) mutable {
        return engine.deleteAllHere(folder, names, mode, relayed(listener, aside));
    });
}

Outcome FileEngine::deleteOne(const QString& file, DeleteMode mode, const Listener& listener)
{
    return runAside<Outcome>([engine = *this, file, mode, listener](Aside& aside) mutable {
        return engine.deleteOneHere(file, mode, relayed(listener, aside));
    });
}

Totals FileEngine::renameAll(
    const QString& folder, const QStringList& names, const QString& prefix, const Listener& listener)
{
    return runAside<Totals>([engine = *this, folder, names, prefix, listener](Aside& aside) mutable {
        return engine.renameAllHere(folder, names, prefix, relayed(listener, aside));
    });
}

}  // namespace vu::engine
