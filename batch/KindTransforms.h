#pragma once
// The "--Batch Operation--" group of the Edit menu: rewriting the note kinds
// of a coord range (star and obstacle conversion, left-right and up-down
// inversion, mirroring, randomisation) and filling the key indices of its
// notes. Each call is one ChartEdit step named as its menu item.

#include <QString>

#include <cstdint>

#include "BatchRange.h"
#include "ChartEdit.h"
#include "RandomKinds.h"

namespace lumidex {

// mnObstacle's indices, in menu order.
enum class KindTransform {
    StarToObstacle,    // 26 -> 18, 27 -> 19
    ObstacleToStar,    // 18 -> 26, 19 -> 27
    InverseLeftRight,  // left and right exchanged
    InverseUpDown,     // up and down exchanged
    Mirror,            // left and right, and the centre kinds, exchanged
    Randomise,         // every note a kind from the random-kind set
};
constexpr int kKindTransforms = 6;

// The kind that transform t (other than Randomise) makes of kind; kinds the
// transform does not name stay as they are. The exchanges are pairs, so each
// of them applied twice gives the kind back.
uint8_t transformedKind(KindTransform t, uint8_t kind);

// The step's name for the undo menu ("Mirror").
QString transformName(KindTransform t);

// Rewrites the kind of every stepped cell of range as t says; Randomise
// draws a fresh kind for each non-empty cell and leaves empty cells empty.
// Key indices and tempo stay. Combo follows the weights of the kinds
// replaced, so it stays the chart's real combo also after Randomise.
void transformKinds(ChartEdit& edits, const SteppedRange& range, KindTransform t,
                    RandomKindSet& randomKinds);

// The key index filled into the notes of range, as "&Fill Key Index
// Repeatly" (ascending false) and "Fill Key Index &Ascendingly" (true) do:
// k is the index of the cell at range.from, note or not; every later coord
// up to range.to (each coord, not stepped) that holds a note other than a
// long-note body or end gets k, or the next of k + 1, k + 2, ... Empty
// cells and long-note ends take no number. Throws RuntimeError(Overflow),
// changing nothing, when the numbers would pass 32767.
void fillKeyIndex(ChartEdit& edits, const SteppedRange& range, bool ascending);

}  // namespace lumidex
