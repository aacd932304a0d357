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
