#pragma once
// Speed changes of the "Change Speed" dialog: the tempo in force at a coord,
// and the rewrite of the tempo segment that starts there.
//
// Every cell carries its own Speed and Tempo, so a segment is a run of cells
// with equal values; the saver turns the differences between neighbouring
// cells into tempo changes. A change at coord c rewrites c and every later
// cell up to just before the first one whose Speed or Tempo differs from
// those at c (or up to 30000). Cells before c keep their values: a change in
// the middle of a segment starts a new one at c, a change at its first coord
// replaces the segment's values.

#include "ChartEdit.h"

namespace lumidex {

// Rewrites the segment from coord on to tempo and speed as the step "Change
// Speed".
void rewriteTempoSegment(ChartEdit& edits, int coord, double tempo, double speed);

}  // namespace lumidex
