#include "renameplan.h"
#include "names.h"

namespace vu::engine {

RenamePlan::RenamePlan(QStringList names, QStringList newNames)
    : names_(std::move(names))
    , newNames_(std::move(newNames))
    , current_(names_)
    , gone_(size_t(names_.size()), false)
{
    waiting_.reserve(names_.size());
    held_.reserve(names_.size());
    for (int i = 0; i < names_.size(); ++i) {
        waiting_.insert(names_[i], i);
        held_.insert(names_[i]);
    }
}

void RenamePlan::begin(int i)
{
    turn_ = i;
    succeeded_ = false;
    blockedBy_.reset();
    if (waiting_.value(current_[i], -1) == i)
        waiting_.remove(current_[i]);
    phase_ = gone_[size_t(i)] ? Phase::Over : Phase::Start;
}

std::optional<RenamePlan::Move> RenamePlan::next(const std::function<bool(const QString&)>& taken)
{
    const int i = turn_;
    switch (phase_) {
    case Phase::Start: {
        if (current_[i] == newNames_[i]) {
            succeeded_ = true;
            phase_ = Phase::Over;
            return std::nullopt;
        }
        const int holder = waiting_.value(newNames_[i], -1);
        if (holder >= 0) {
            QString temp;
            do
                temp = asideName(names_[holder], ++asides_);
            while (held_.contains(temp) || taken(temp));
            given_ = {Move::Aside, holder, current_[holder], temp};
            phase_ = Phase::AsideGiven;
            return given_;
        }
        phase_ = Phase::RenameDue;
        return next(taken);
    }
    case Phase::RenameDue:
        given_ = {Move::Rename, i, current_[i], newNames_[i]};
        phase_ = Phase::RenameGiven;
        return given_;
    case Phase::BackDue:
        given_ = {Move::Back, i, current_[i], names_[i]};
        phase_ = Phase::BackGiven;
        return given_;
    default:
        return std::nullopt;
    }
}

void RenamePlan::moveName(int file, const QString& to)
{
    held_.remove(current_[file]);
    if (waiting_.value(current_[file], -1) == file) {
        waiting_.remove(current_[file]);
        waiting_.insert(to, file);
    }
    current_[file] = to;
    held_.insert(to);
}

void RenamePlan::report(Result result)
{
    const Move m = given_;
    switch (phase_) {
    case Phase::AsideGiven:
        if (result == Result::Done) {
            moveName(m.file, m.to);
        } else if (result == Result::Gone) {
            // The file that held the name has gone: the name is free, and that file's own turn
            // will find it gone instead of renaming whatever holds its old name by then.
            waiting_.remove(m.from);
            held_.remove(m.from);
            gone_[size_t(m.file)] = true;
        } else {
            blockedBy_ = m;
            phase_ = Phase::Over;
            return;
        }
        phase_ = Phase::RenameDue;
        return;
    case Phase::RenameGiven:
        if (result == Result::Done) {
            moveName(m.file, m.to);
            succeeded_ = true;
            phase_ = Phase::Over;
        } else if (result == Result::Gone) {
            held_.remove(m.from);
            gone_[size_t(m.file)] = true;
            phase_ = Phase::Over;
        } else {
            // A file that stepped aside earlier goes back to its own name when no file of the
            // batch has taken it since (the file that needed it failed too).
            const bool away = current_[m.file] != names_[m.file];
            phase_ = away && !held_.contains(names_[m.file]) ? Phase::BackDue : Phase::Over;
        }
        return;
    case Phase::BackGiven:
        if (result == Result::Done)
            moveName(m.file, m.to);
        phase_ = Phase::Over;
        return;
    default:
        return;
    }
}

}  // namespace vu::engine
