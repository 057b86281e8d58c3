#pragma once
// Coord ranges of the batch operations: snapping typed coords to the note
// grid, and the range as the stepped loops walk it, kept inside the chart.
//
// A typed coord x snaps to round(round(Val(x) / AlignCoord) * AlignCoord),
// each rounding half to even; every loop steps by AlignCoord rounded the same
// way. With AlignCoord 3, "10" snaps to 9 and "20" to 21.
//
// Ranges are clipped to coords 0..30000 after snapping, so a negative start
// or an end past the chart never reaches a cell outside it: the walk starts
// at the first stepped coord inside the chart and stops at 30000.

#include <QString>

#include <optional>

namespace lumidex {

// A typed coord on the AlignCoord grid. Values too large for a coord come
// back as the nearest int32; only Val itself can fail (RuntimeError
// Overflow for "1e999").
int snapCoord(const QString& text, double alignCoord);
// The same for a coord already known as a number (a row under the mouse).
int snapCoord(double coord, double alignCoord);

// The step of every loop: AlignCoord rounded to a whole number, at least 1.
int alignStep(double alignCoord);

// The stepped coords from..to (to included) that lie inside the chart.
struct SteppedRange {
    int from = 0;  // first coord walked
    int to = -1;   // last coord that may be walked; below from when empty
    int step = 1;

    // from and to snapped and clipped; from moves up by whole steps, so the
    // coords walked are those of the unclipped range that lie in the chart.
    static SteppedRange clipped(int from, int to, int step);
    bool empty() const { return to < from; }
    template <class F>
    void forEach(F f) const {
        for (int c = from; c <= to; c += step) f(c);
    }
};

// The operation range typed into "Copy from" and its "to" box: nullopt when
// either text is not numeric or the start is greater than the end (compared
// before snapping); equal values are a one-coord range.
std::optional<SteppedRange> operationRange(const QString& fromText, const QString& toText,
                                           double alignCoord);

}  // namespace lumidex
