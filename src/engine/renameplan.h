// The order of a rename batch's steps. Files take their new names in list order and nothing is
// ever replaced; a new name held by a file of the same batch that has not had its turn yet
// (renaming again with the same prefix, say) is freed by moving that file aside under a
// temporary name first. The plan only decides: the engine carries each move out and tells the
// plan how it went, so the plan is tested on its own from a table.
#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

namespace vu::engine {

class RenamePlan {
public:
    struct Move {
        enum Kind {
            Aside,  // a file still waiting for its turn steps out of the way
            Rename,  // the file whose turn it is takes its new name
            Back,  // that file could not, and goes back to its own name from where it stood aside
        };
        Kind kind = Rename;
        int file = -1;  // the file moved, by its place in the list
        QString from, to;  // names within the folder
    };
    enum class Result {
        Done,
        Failed,  // the file stays where it was
        Gone,  // the file was not there any more
    };

    // `names`: the files in list order; `newNames`: what each is to be called.
    RenamePlan(QStringList names, QStringList newNames);

    // Starts the turn of file `i` (turns are taken in list order).
    void begin(int i);
    // The next move of the turn, or nothing when the turn is over. `taken` tells whether a name
    // is held in the folder; a temporary name must be free.
    std::optional<Move> next(const std::function<bool(const QString&)>& taken);
    // How the move last given went.
    void report(Result result);

    // After a turn: whether the file has its new name.
    bool succeeded() const { return succeeded_; }
    // After a turn: whether the file was found gone (before its turn or during it).
    bool gone() const { return gone_[size_t(turn_)]; }
    // After a turn: the move of another file that failed and so kept this one from its name.
    const std::optional<Move>& blockedBy() const { return blockedBy_; }
    // The name file `i` has now.
    const QString& current(int i) const { return current_[i]; }

private:
    enum class Phase { Start, AsideGiven, RenameDue, RenameGiven, BackDue, BackGiven, Over };
    void moveName(int file, const QString& to);

    QStringList names_, newNames_, current_;
    std::vector<bool> gone_;
    QHash<QString, int> waiting_;  // names held by files whose turn is still to come
    QSet<QString> held_;  // names held by any file of the batch
    int turn_ = 0;
    int asides_ = 0;
    Phase phase_ = Phase::Over;
    Move given_;
    bool succeeded_ = false;
    std::optional<Move> blockedBy_;
};

}  // namespace vu::engine
