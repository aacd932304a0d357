// Undoing a batch run or a drop. What a run did is folded, outcome by outcome, into one step per
// file that undoes it, with the identity the file must still have (ActionBuilder); the Undoer
// takes those steps, newest first, and never forces one: a file changed since, gone, or whose
// old name is taken is left alone and reported, and nothing is ever overwritten.
#pragma once

#include "fileengine.h"

#include <QHash>

namespace vu::engine {

enum class ActionKind { Copy, Move, Delete, Rename };

// How to undo what was done to one file.
struct UndoEntry {
    enum Kind {
        RemoveCopy,  // remove the copy at `now`, made from the file at `back`
        MoveBack,  // bring the file at `now` back to `back`
        RenameBack,  // give the file at `now` its old name `back`
        Restore,  // put the file (or link) at `now`, in the trash, back to `back`
        Lost,  // `back` was deleted for good: nothing brings it back
    };
    Kind kind = RemoveCopy;
    int index = -1;  // the file's place in the run's list
    QString now;  // where the file is after the run
    QString back;  // where it was before
    FileIdentity identity;  // the file expected at `now` (Restore: the entry itself, a link as a link)
    FileIdentity source;  // RemoveCopy and MoveBack: the file the copy was made from, as it was at `back`
    QString trashInfo;  // Restore: the file's description in the trash
    bool replacedAnother = false;  // a copy that replaced a file of the same name (with consent)
};

// What one batch run or one drop did, as the steps that undo it.
struct Action {
    ActionKind kind = ActionKind::Copy;
    bool drop = false;  // one file dropped on a box, rather than a batch run
    std::vector<UndoEntry> entries;  // in the order the files were done
};

// Builds an action from the outcomes of a run, in the order they were reported. Steps that
// failed or were skipped changed nothing and leave nothing to undo; a move whose source stayed
// is undone as a copy; a file of a rename batch that stepped aside and went back to its name
// has nothing to undo.
class ActionBuilder {
public:
    ActionBuilder(ActionKind kind, bool drop);
    void add(const Outcome& outcome);
    Action finish();

private:
    Action action_;
    QHash<int, size_t> byIndex_;  // a file's entry, by its place in the list
};

// ---- renaming back ----

// One file of a rename batch moving to another name (full paths).
struct NameMove {
    int file = -1;
    QString from, to;
};
// Moves that must happen in this order: each frees the name the next one takes. When one fails
// the rest of its chain stays where it is, so no name is ever taken from a file that holds it.
struct MoveChain {
    std::vector<NameMove> moves;
    bool ring = false;  // the files held each other's names: the first moves aside, and last into place
};
// The order in which files of a rename batch take their old names `back` again from `now`
// (both lists of distinct full paths, the files to be undone first first). A file whose old
// name another of the files holds waits for that file to move; files holding each other's
// names in a ring are freed by moving one of them aside under a temporary name that neither
// any file of the batch nor `taken` (the folder) holds. A file whose old name is held by any
// other file fails when it comes to it, and so do those waiting for it.
std::vector<MoveChain> planRenameBack(
    const QStringList& now, const QStringList& back, const std::function<bool(const QString&)>& taken);

// ---- undoing ----

// What became of one file when its action was undone.
struct UndoOutcome {
    UndoEntry::Kind kind = UndoEntry::RemoveCopy;
    Result result = Result::Done;
    int index = -1;
    QString now;  // where the file was before the undo (for a file left alone: where it still is)
    QString back;  // where it went back to (or was to go)
    int error = err::None;
    QString reason;  // why it was left alone, for the user
    // A move undone puts another file at `back` than the one the move took from there (its copy,
    // renamed or copied back): older records that expect `was` there must expect `is` instead.
    FileIdentity was, is;

    bool done() const { return result == Result::Done; }
};

// The undo goes aside, on a thread of its own (see aside.h): the caller waits for it, and the
// listener is called on the caller's thread, in order.
class Undoer {
public:
    explicit Undoer(Files& files);
    // Undoes `action`, newest step first, reporting one outcome per entry. A file changed since
    // (another identity), gone, or whose old place is taken is Skipped; a step the system
    // refuses Failed.
    Totals undo(const Action& action, const std::function<void(const UndoOutcome&)>& listener);

private:
    // The undo itself, on the thread that runs it aside (see aside.h).
    Totals undoHere(const Action& action, const std::function<void(const UndoOutcome&)>& listener);
    UndoOutcome undoOne(const UndoEntry& entry);
    UndoOutcome moveBack(const UndoEntry& entry, UndoOutcome u);
    void renameBack(
        const std::vector<const UndoEntry*>& entries, const std::function<void(const UndoOutcome&)>& report);

    Files& files_;
};

}  // namespace vu::engine
