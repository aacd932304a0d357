// The file-operation engine: copies, moves, deletes and renames lists of files over the file
// service and the clock, and reports what became of each file. The drop boxes and the batch
// window both work through it; they only ask the user, show progress and write the log.
//
// What it promises, whatever the file system does meanwhile:
// - nothing is ever overwritten without the caller's consent, and then only by a complete copy;
//   a file of the same name with the very same bytes is replaced without asking, and a
//   read-only one (as the information menu calls it) never;
// - a move deletes its source only once the copy is on the disk and only while the source is
//   still the very file that was read for the copy (same file, size, modification time and
//   change time); a source changed since is kept beside its copy and reported;
// - a target that is, or leads to, the source itself is left alone ("same file");
// - a file marked read-only (as the information menu calls it) is neither deleted nor moved;
// - pipes and devices in a file's place are refused, never opened for reading;
// - a deletion is final, or, where the caller asks for the trash, the file goes to the
//   desktop's trash, and only where its volume has none and the caller agrees is it deleted
//   for good.
#pragma once

#include "names.h"

#include "platform/clock.h"
#include "platform/files.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

namespace vu::engine {

enum class Step {
    Copy,  // `from` copied to `to`: a copy, or the first half of a move
    RemoveSource,  // a move's second half: `from` removed once its copy `to` was safe on the disk
    Delete,  // `from` deleted: moved into the trash (`trashed`), or for good
    Rename,  // `from` renamed to `to`: a file of a rename batch taking its new name
    StepAside,  // a file of a rename batch renamed out of the way, or back, for a moment
};

enum class Result {
    Done,
    Skipped,  // nothing was done and nothing went wrong (see `error` for why)
    Failed,
};

// What became of one file in one step. It says everything a record of the run needs: the step,
// the paths before and after, and which file (by identity) the step worked on.
struct Outcome {
    Step step = Step::Copy;
    Result result = Result::Done;
    int index = -1;  // the file's place in the list the engine was given
    QString from;  // full path before the step
    QString to;  // full path after it (the target of a copy, the new name); empty for a deletion
    FileIdentity identity;  // the file the step worked on, as found (for a copy: as read)
    FileIdentity made;  // a copy: the new file
    FileIdentity replaced;  // a copy that replaced a file of the same name (with consent): that file
    TrashedFile trashed;  // a deletion: where the file went in the trash (empty: deleted for good)
                          // (`identity` is then the entry itself: a link, not what it leads to)
    int error = err::None;  // why it failed or was skipped
    QString reason;  // the same in words, for the user

    bool done() const { return result == Result::Done; }
    bool failed() const { return result == Result::Failed; }
};

// How a caller follows a run. Every member may be left empty.
struct Listener {
    // Each outcome, in the order the steps happen.
    std::function<void(const Outcome&)> outcome;
    // A move's second pass, removing the sources whose copies are safe, begins.
    std::function<void()> removalBegins;
    // Asked before a different file of the same name at `target` is replaced: true to replace.
    std::function<bool(const QString& target)> mayReplace;
    // Asked when `file` is to be deleted but its volume has no trash that can take it: true to
    // delete it for good. A run asks once; the answer holds for the rest of its files.
    std::function<bool(const QString& file)> mayDeleteForGood;
};

enum class Transfer { Copy, Move };

// What a deletion does with the file: unlinks it for good, or moves it into the desktop's trash.
enum class DeleteMode { Final, Trash };

struct Totals {
    int done = 0;
    int skipped = 0;
    int failed = 0;
};

// Each run goes aside, on a thread of its own (see aside.h): the caller waits for it, and the
// listener is called on the caller's thread, in order.
class FileEngine {
public:
    FileEngine(Files& files, Clock& clock);

    // ---- lists of files (the batch window) ----

    // Copies, or moves, each of `names` from `sourceFolder` into `targetFolder`, never over
    // anything: a name the target folder holds (in any letter case) gets the time stamp, then
    // a number. Reports one Copy outcome per file in list order; a move then makes the copies
    // safe on the disk and reports one RemoveSource outcome per file (Skipped where the copy
    // failed). A failure on one file never stops the run.
    Totals transferAll(Transfer kind, const QString& sourceFolder, const QStringList& names,
        const QString& targetFolder, const Listener& listener);
    // Deletes each of `names` from `folder`: for good, or into the trash (where the volume has
    // none, for good only when the listener agrees); one Delete outcome per file. A file kept
    // because it could go to no trash is Skipped with err::NoTrash.
    Totals deleteAll(const QString& folder, const QStringList& names, DeleteMode mode, const Listener& listener);
    // Renames each of `names` in `folder` to prefix_, prefix_1, ... in list order (each keeping
    // its last four characters); one Rename outcome per file, with StepAside outcomes for the
    // files moved out of the way meanwhile.
    Totals renameAll(const QString& folder, const QStringList& names, const QString& prefix, const Listener& listener);

    // ---- one file (the drop boxes) ----

    // Copies, or moves, `source` into `targetFolder` under its own name. A file of that name with
    // the same bytes is replaced; a different one only when the listener's mayReplace agrees; a
    // read-only one never (Failed, saying why). Returns the outcome that settles the file: the
    // copy's, or for a move whose copy was made, the removal's.
    Outcome transferOne(Transfer kind, const QString& source, const QString& targetFolder, const Listener& listener);
    Outcome deleteOne(const QString& file, DeleteMode mode, const Listener& listener);

private:
    // The runs themselves, on the thread that runs them aside (see aside.h).
    Totals transferAllHere(Transfer kind, const QString& sourceFolder, const QStringList& names,
        const QString& targetFolder, const Listener& listener);
    Totals deleteAllHere(const QString& folder, const QStringList& names, DeleteMode mode, const Listener& listener);
    Totals renameAllHere(
        const QString& folder, const QStringList& names, const QString& prefix, const Listener& listener);
    Outcome transferOneHere(
        Transfer kind, const QString& source, const QString& targetFolder, const Listener& listener);
    Outcome deleteOneHere(const QString& file, DeleteMode mode, const Listener& listener);

    Outcome copyUnderFreeName(int index, const QString& from, const QString& name, const QString& targetFolder,
        Transfer kind, TakenNames& taken);
    Outcome removeMovedSource(const Outcome& copy, const FsStatus& synced);
    Outcome deleteFile(
        int index, const QString& file, DeleteMode mode, const Listener& listener, std::optional<bool>* forGood);
    void report(const Listener& listener, const Outcome& outcome, Totals* totals);

    Files& files_;
    Clock& clock_;
};

}  // namespace vu::engine
