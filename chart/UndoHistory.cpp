#include "UndoHistory.h"

#include <algorithm>

namespace lumidex {

// ---- Entry -------------------------------------------------------------------

UndoHistory::Entry::Entry(const ChartChange& change)
    : action(change.action),
      keys(change.keys),
      scalarsBefore(change.scalarsBefore),
      scalarsAfter(change.scalarsAfter) {
    notes.reserve(change.cells.size());
    for (const CellChange& c : change.cells) {
        if (c.before.Speed == c.after.Speed && c.before.Tempo == c.after.Tempo)
            notes.push_back(
                {c.coord, c.before.Kind, c.after.Kind, c.before.FxSndIndex, c.after.FxSndIndex});
        else
            cells.push_back(c);
    }
    if (notes.capacity() > 2 * notes.size()) notes.shrink_to_fit();
    // What ChartChange counts for its keys and texts, plus the cells as kept.
    bytes = sizeof(Entry) + change.bytes() - sizeof(ChartChange) -
            change.cells.capacity() * sizeof(CellChange) + notes.capacity() * sizeof(NoteChange) +
            cells.capacity() * sizeof(CellChange);
}

// A note cell's Speed and Tempo are the same before and after its step, so
// they are read from the chart, which stands on one side of the step.
ChartChange UndoHistory::Entry::change(const ChartDocument& doc, bool forward) const {
    ChartChange c;
    c.action = action;
    c.cells.reserve(notes.size() + cells.size());
    for (const NoteChange& n : notes) {
        NoteEntry before = doc.cell(n.coord), after = before;
        before.Kind = n.kindBefore;
        before.FxSndIndex = n.indexBefore;
        after.Kind = n.kindAfter;
        after.FxSndIndex = n.indexAfter;
        c.cells.push_back(forward ? CellChange{n.coord, before, after}
                                  : CellChange{n.coord, after, before});
    }
    for (const CellChange& x : cells)
        c.cells.push_back(forward ? x : CellChange{x.coord, x.after, x.before});
    c.keys.reserve(keys.size());
    for (const KeyChange& k : keys)
        c.keys.push_back(forward ? k : KeyChange{k.slot, k.after, k.before});
    c.scalarsBefore = forward ? scalarsBefore : scalarsAfter;
    c.scalarsAfter = forward ? scalarsAfter : scalarsBefore;
    return c;
}

// ---- UndoHistory -------------------------------------------------------------

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
    return done_ > 0 ? entries_[done_ - 1].action : QString();
}

QString UndoHistory::redoAction() const {
    return done_ < entries_.size() ? entries_[done_].action : QString();
}

std::optional<ChartChange> UndoHistory::undo() {
    if (!canUndo()) return std::nullopt;
    --done_;
    return replay(entries_[done_], false);
}

std::optional<ChartChange> UndoHistory::redo() {
    if (!canRedo()) return std::nullopt;
    ++done_;
    return replay(entries_[done_ - 1], true);
}

// The cursor has moved already, so that listeners hearing the change see
// the state it leads to.
std::optional<ChartChange> UndoHistory::replay(const Entry& entry, bool forward) {
    ++serial_;
    ChartChange change = entry.change(edits_.doc(), forward);
    edits_.replay(change);
    changed();
    return change;
}

void UndoHistory::markSaved() {
    saved_ = done_;
    changed();
}

void UndoHistory::markUnsaved() {
    saved_.reset();
    changed();
}

void UndoHistory::record(const ChartChange& change) {
    dropUndone();
    entries_.emplace_back(change);
    ++serial_;
    bytes_ += entries_.back().bytes;
    ++done_;
    while (entries_.size() > 1 && (entries_.size() > limits_.steps || bytes_ > limits_.bytes))
        dropOldest();
    changed();
}

void UndoHistory::chartReplaced() {
    entries_.clear();
    bytes_ = 0;
    done_ = 0;
    saved_ = 0;
    ++serial_;
    changed();
}

bool UndoHistory::joinNewest() {
    if (done_ < 2 || done_ != entries_.size() || saved_ == done_ - 1) return false;
    Entry& earlier = entries_[done_ - 2];
    const Entry& later = entries_[done_ - 1];
    for (const Entry* e : {static_cast<const Entry*>(&earlier), &later})
        if (!e->notes.empty() || !e->cells.empty()) return false;
    for (const KeyChange& k : later.keys) {
        auto same = std::find_if(earlier.keys.begin(), earlier.keys.end(),
                                 [&k](const KeyChange& e) { return e.slot == k.slot; });
        if (same == earlier.keys.end())
            earlier.keys.push_back(k);
        else
            same->after = k.after;
    }
    if (!earlier.scalarsBefore) earlier.scalarsBefore = later.scalarsBefore;
    if (later.scalarsAfter) earlier.scalarsAfter = later.scalarsAfter;
    earlier.bytes += later.bytes;  // an upper bound: the keys of both
    entries_.pop_back();
    if (saved_ == done_) --*saved_;  // saved after both: still after the joined step
    --done_;
    changed();
    return true;
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
