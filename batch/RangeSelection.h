#pragma once
// A coord range marked with the mouse on the canvas, and the rules of the
// keys that work on it. The range snaps as the range clipboard snaps a typed
// coord (BatchRange.h), so what is highlighted is what "Copy from" and its
// "to" box then hold and what a copy takes.
//
//   CoordSpan s = dragSpan(anchor, pointer, doc.AlignCoord);   // the drag
//   eraseNotes(edits, s);                                      // Delete
//   int dest = pasteTarget({pointerCoord, baseline, playing}, doc.AlignCoord);

#include <optional>

#include "ChartEdit.h"

namespace lumidex {

// Coords from..to, both included; empty when to < from.
struct CoordSpan {
    int from = 0;
    int to = -1;

    bool empty() const { return to < from; }
    bool operator==(const CoordSpan& o) const { return from == o.from && to == o.to; }
};

// The span a drag marks, from the coord where the button went down to the
// coord under the pointer (either may be the higher): each end snapped,
// then held inside 0..30000. A press without a move marks one coord.
CoordSpan dragSpan(int anchorCoord, int pointerCoord, double alignCoord);

// Where a paste by key lands.
struct PastePlace {
    std::optional<int> pointerCoord;  // the coord under the pointer, when it is over the canvas
    int baseline = 0;                 // the coord on the baseline: the play position while playing
    bool playing = false;
};

// The play position while playing; otherwise the coord under the pointer,
// or the baseline when the pointer is elsewhere. Snapped, inside 0..30000.
int pasteTarget(const PastePlace& place, double alignCoord);

// Erases every note of the span, every coord of it whatever the grid, as the
// right button erases (the kind becomes 0, the key index stays, Combo
// follows), as one step "Delete". A span without notes records nothing.
void eraseNotes(ChartEdit& edits, const CoordSpan& span);

}  // namespace lumidex
