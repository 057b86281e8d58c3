#include "UndoHistory.h"

#include <utility>

namespace lumidex {

UndoHistory::UndoHistory(ChartEdit& edits, UndoLimits limits) : edits_(edits), limits_(limits) {
    edits_.setRecorder(this);
}

UndoHistory::~UndoHistory() {
    edits_.setRecorder(nullptr);
}

bool UndoHistory::canUndo() const {
    return done_ > 0 && !edits_.inStep();
}

bool UndoHistory::canRedo() const {
    return done_ < entries_.size() && !edits_.inStep();
}

QString UndoHistory::undoAction() const {
    return done_ > 0 ? entries_[done_ - 1].change.action : QString();
}

QString UndoHistory::redoAction() const {
    return done_ < entries_.size() ? entries_[done_].change.action : QString();
}

// The cursor moves before the replay, so that listeners hearing the change
// already see the state it leads to.
const ChartChange* UndoHistory::undo() {
    if (!canUndo()) return nullptr;
    const ChartChange& change = entries_[--done_].change;
    edits_.replay(change, false);
    changed();
    return &change;
}

const ChartChange* UndoHistory::redo() {
    if (!canRedo()) return nullptr;
    const ChartChange& change = entries_[done_++].change;
    edits_.replay(change, true);
    changed();
    return &change;
}

void UndoHistory::markSaved() {
    saved_ = done_;
    changed();
}

namespace {

// A step that touched many cells but changed few keeps room only for those.
template <class T>
void fit(std::vector<T>& v) {
    if (v.capacity() > 2 * v.size()) v.shrink_to_fit();
}

}  // namespace

const ChartChange& UndoHistory::record(ChartChange&& change) {
    dropUndone();
    fit(change.cells);
    fit(change.keys);
    const size_t bytes = change.bytes();
    entries_.push_back({std::move(change), bytes});
    bytes_ += bytes;
    ++done_;
    while (entries_.size() > 1 && (entries_.size() > limits_.steps || bytes_ > limits_.bytes))
        dropOldest();
    changed();
    return entries_.back().change;
}

void UndoHistory::chartReplaced() {
    entries_.clear();
    bytes_ = 0;
    done_ = 0;
    saved_ = 0;
    changed();
}

void UndoHistory::dropUndone() {
    if (saved_ && *saved_ > done_) saved_.reset();
    while (entries_.size() > done_) {
        bytes_ -= entries_.back().bytes;
        entries_.pop_back();
    }
}

void UndoHistory::dropOldest() {
    bytes_ -= entries_.front().bytes;
    entries_.pop_front();
    --done_;
    if (saved_) {
        if (*saved_ == 0)
            saved_.reset();
        else
            --*saved_;
    }
}

void UndoHistory::changed() {
    if (onChange) onChange();
}

}  // namespace lumidex
