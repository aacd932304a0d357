// The record of what batch runs and drops did to files during this run of the program, kept so
// that the newest can be undone. It lives in memory only: it ends with the program.
#pragma once

#include "undo.h"

#include <QObject>

#include <deque>

namespace vu::engine {

class Journal : public QObject {
    Q_OBJECT
public:
    // The most files whose steps are kept, all actions together; beyond it the oldest actions are
    // forgotten (the newest is always kept whole).
    static constexpr size_t MaxEntries = 100000;

    // Adds the newest action; an action that did nothing is not added.
    void push(Action action);
    bool canUndo() const { return !actions_.empty(); }
    // The newest action, or null.
    const Action* last() const { return actions_.empty() ? nullptr : &actions_.back(); }
    // Takes the newest action out, to be undone: the one before it becomes the newest.
    Action takeLast();
    size_t size() const { return actions_.size(); }
    // Older actions that expect the file `u` put back (a move undone brings back its copy, a file
    // of another identity) follow it, so that they can still be undone.
    void follow(const UndoOutcome& u);

signals:
    // An action was added or taken out.
    void changed();

private:
    std::deque<Action> actions_;
    size_t entries_ = 0;
};

// Undoes `action`, the newest of `journal`, just taken out of it, reporting each file as the
// Undoer does. The older actions follow the files it puts back; and an action of which nothing
// could be undone because the system refused for the moment (a volume mounted read-only, say)
// goes back into the journal as the newest, to be undone once it can.
Totals undoTaken(
    Journal& journal, Files& files, Action action, const std::function<void(const UndoOutcome&)>& listener);

// Records the outcomes of one run or drop, and adds what they did to the journal when it ends.
class Recording {
public:
    // Without a journal nothing is kept.
    Recording(Journal* journal, ActionKind kind, bool drop);
    ~Recording();
    Recording(const Recording&) = delete;
    Recording& operator=(const Recording&) = delete;
    void add(const Outcome& outcome) { builder_.add(outcome); }

private:
    Journal* journal_;
    ActionBuilder builder_;
};

}  // namespace vu::engine
