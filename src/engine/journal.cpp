#include "journal.h"

namespace vu::engine {

void Journal::push(Action action)
{
    if (action.entries.empty())
        return;
    entries_ += action.entries.size();
    actions_.push_back(std::move(action));
    while (actions_.size() > 1 && entries_ > MaxEntries) {
        entries_ -= actions_.front().entries.size();
        actions_.pop_front();
    }
    emit changed();
}

Action Journal::takeLast()
{
    if (actions_.empty())
        return {};
    Action last = std::move(actions_.back());
    actions_.pop_back();
    entries_ -= last.entries.size();
    emit changed();
    return last;
}

void Journal::follow(const UndoOutcome& u)
{
    if (!u.is.known())
        return;
    for (Action& action : actions_) {
        for (UndoEntry& e : action.entries) {
            // A copy made from the file, or a move that took it from there.
            if (e.back == u.back && e.source == u.was)
                e.source = u.is;
            // The file itself, as a run left it there (renamed, or moved or copied there).
            if (e.now == u.back && e.identity == u.was)
                e.identity = u.is;
        }
    }
}

Totals undoTaken(Journal& journal, Files& files, Action action, const std::function<void(const UndoOutcome&)>& listener)
{
    const Totals totals = Undoer(files).undo(action, [&](const UndoOutcome& u) {
        journal.follow(u);
        if (listener)
            listener(u);
    });
    if (totals.done == 0 && totals.failed > 0)
        journal.push(std::move(action));
    return totals;
}

Recording::Recording(Journal* journal, ActionKind kind, bool drop)
    : journal_(journal)
    , builder_(kind, drop)
{
}

Recording::~Recording()
{
    if (journal_)
        journal_->push(builder_.finish());
}

}  // namespace vu::engine
