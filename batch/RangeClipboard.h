#pragma once
// The range clipboard of the "Clipboard" panel: a private table of 30001
// cells, shaped like the chart, into which Copy and Cut store the chosen
// fields of a coord range and from which Paste writes them elsewhere. The
// system clipboard is not involved.
//
// A copied cell is kept at its own source coord, not at an offset from the
// range start; CopyFrom and CopyTo remember the range of the last copy or
// cut, and a paste reads them (not the range boxes). Fields left out of a
// copy keep what the table held before. Because the table holds the values
// as copied, a paste into a range that overlaps its source still pastes the
// copied values.
//
// Every change to the chart goes through ChartEdit, as one step per Cut or
// Paste.

#include <vector>

#include "BatchRange.h"
#include "ChartEdit.h"

namespace lumidex {

// Which fields take part: "Copy &Note Kind", "Copy Note &Key", "Copy &BPM".
struct ClipFields {
    bool kind = false;
    bool key = false;
    bool tempo = false;  // Speed and Tempo together

    bool any() const { return kind || key || tempo; }
};

class RangeClipboard {
  public:
    RangeClipboard();

    // Stores the chosen fields of every stepped cell of range; remembers the
    // range for the next paste.
    void Copy(const ChartDocument& doc, const SteppedRange& range, ClipFields fields);

    // Copy, then clears what was copied, as the step "Cut": a kind becomes 0
    // (Combo drops by its weight), a key index 0, and Speed and Tempo take
    // the values in force just before the range (those of cell 0 itself for
    // a range starting at coord 0).
    void Cut(ChartEdit& edits, const SteppedRange& range, ClipFields fields);

    // Writes the chosen fields of the remembered range at dest, stepping the
    // offsets by step, as the step "Paste". Kinds keep Combo in step with the
    // weights replaced. Destination cells outside the chart are skipped, and
    // so are clip cells whose tempo or speed a chart cannot hold
    // (ValueLimits.h: a table that never received a tempo holds 0), so a
    // paste never writes a cell the file could not give back.
    void Paste(ChartEdit& edits, int dest, int step, ClipFields fields) const;

  private:
    std::vector<NoteEntry> ClipCells_;
    int CopyFrom_ = 0;
    int CopyTo_ = 0;
};

}  // namespace lumidex
