#pragma once
// The undo history of the chart: the steps a ChartEdit committed, oldest
// first, with a cursor between the steps done and the steps undone (which
// redo takes forward again). A new step drops the undone ones.
//
// Each entry is the ChartChange the step recorded, so it holds only what
// the step changed. The history is bounded by a number of steps and by the
// memory the records hold (ChartChange::bytes()); the oldest steps go first,
// but the newest is always kept, however large.
//
// The history also knows which of its states is the one in the chart's file
// (marked after a save; a load starts a new history at that state), so that
// the window's Modified follows undo and redo.
//
// It is the ChartEdit's recorder from construction to destruction, so it
// has taken each step in before the listeners hear of it (the window asks
// atSaved() then).
//
// Belongs to the window thread, as the document does.

#include <QString>

#include <cstddef>
#include <deque>
#include <functional>
#include <optional>

#include "ChartEdit.h"

namespace lumidex {

// How much the history keeps: at most this many steps, and records of at
// most this many bytes together.
struct UndoLimits {
    size_t steps = 1000;
    size_t bytes = size_t(64) << 20;
};

class UndoHistory : private ChartEditRecorder {
  public:
    explicit UndoHistory(ChartEdit& edits, UndoLimits limits = UndoLimits());
    ~UndoHistory() override;
    UndoHistory(const UndoHistory&) = delete;
    UndoHistory& operator=(const UndoHistory&) = delete;

    // Called after anything here changed (a step taken in, undo, redo, the
    // saved mark, a cleared history): for menus that show the state.
    std::function<void()> onChange;

    // False also while the ChartEdit has a step open (a drag in progress).
    bool canUndo() const;
    bool canRedo() const;
    // The name of the step undo or redo would act on ("Paste"); empty when
    // there is none or the step has no name.
    QString undoAction() const;
    QString redoAction() const;

    // Takes the chart one step back or forward through ChartEdit::replay.
    // Answers the step's record, or nullptr when there was nothing to do.
    const ChartChange* undo();
    const ChartChange* redo();

    // The chart as it is now is the one in its file (after a save).
    void markSaved();
    // True when the chart is at the state last saved or loaded.
    bool atSaved() const { return saved_ == done_; }

    size_t steps() const { return entries_.size(); }
    size_t bytes() const { return bytes_; }

  private:
    struct Entry {
        ChartChange change;
        size_t bytes;
    };

    const ChartChange& record(ChartChange&& change) override;
    void chartReplaced() override;
    void dropUndone();
    void dropOldest();
    void changed();

    ChartEdit& edits_;
    const UndoLimits limits_;
    std::deque<Entry> entries_;
    size_t done_ = 0;  // entries_[0, done_) are done, the rest undone
    // done_ at the saved state; nullopt once that state cannot be reached.
    std::optional<size_t> saved_ = 0;
    size_t bytes_ = 0;
};

}  // namespace lumidex
