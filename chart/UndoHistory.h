#pragma once
// The undo history of the chart: the steps a ChartEdit committed, oldest
// first, with a cursor between the steps done and the steps undone (which
// redo takes forward again). A new step drops the undone ones.
//
// Each entry holds only what its step changed: the step's ChartChange, with
// the cells whose Speed and Tempo stayed (most cells of a transform, a fill
// or a drag) kept as their kind and key index alone. The history is bounded
// by a number of steps and by the memory its entries hold; the oldest steps
// go first, but the newest is always kept, however large.
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
    // Answers the change made (as the listeners heard it), or nothing when
    // there was nothing to do.
    std::optional<ChartChange> undo();
    std::optional<ChartChange> redo();

    // The chart as it is now is the one in its file (after a save).
    void markSaved();
    // No state of the history is the one in the chart's file (a chart
    // restored from a recovery copy): undo never clears Modified.
    void markUnsaved();
    // True when the chart is at the state last saved or loaded.
    bool atSaved() const { return saved_ == done_; }

    // Joins the newest step into the one before it, so that one undo takes
    // both back (a run of typing). Refused (false, nothing changed) unless
    // both are done, neither changed a cell (header and key list steps join)
    // and the state between them is not the saved one.
    bool joinNewest();
    // Moves on with every step taken in, undone, redone or dropped by a new
    // chart: a caller compares two readings to tell whether anything else
    // happened to the history in between.
    uint64_t serial() const { return serial_; }

    size_t steps() const { return entries_.size(); }
    size_t bytes() const { return bytes_; }

  private:
    // A cell whose Speed and Tempo the step left alone.
    struct NoteChange {
        int32_t coord;
        uint8_t kindBefore, kindAfter;
        int16_t indexBefore, indexAfter;
    };
    struct Entry {
        QString action;
        std::vector<NoteChange> notes;
        std::vector<CellChange> cells;  // cells whose Speed or Tempo changed
        std::vector<KeyChange> keys;
        std::optional<ChartScalars> scalarsBefore;
        std::optional<ChartScalars> scalarsAfter;
        size_t bytes = 0;

        explicit Entry(const ChartChange& change);
        // The change from before the step to after it (forward), or back.
        ChartChange change(const ChartDocument& doc, bool forward) const;
    };

    void record(const ChartChange& change) override;
    void chartReplaced() override;
    void dropUndone();
    void dropOldest();
    void changed();
    std::optional<ChartChange> replay(const Entry& entry, bool forward);

    ChartEdit& edits_;
    const UndoLimits limits_;
    std::deque<Entry> entries_;
    size_t done_ = 0;  // entries_[0, done_) are done, the rest undone
    // done_ at the saved state; nullopt once that state cannot be reached.
    std::optional<size_t> saved_ = 0;
    size_t bytes_ = 0;
    uint64_t serial_ = 0;
};

}  // namespace lumidex
