#pragma once
// The mistakes authors make with notes and key sounds, found in a chart
// without changing it. lumidex-chart check prints them; the editor can show
// them the same way.
//
// Each finding has a short code that stays the same between versions, the
// coord or key it concerns, and a plain sentence:
//   file-repaired     the chart holds something differently from its file
//                     (the open message says what; lumidex-chart check)
//   kind-unused       a note of a kind without a picture or meaning
//                     (1..4, 6..15, 35..127), kept and saved as it is
//   key-past-list     a note's key index names no key (past KeyCount, or
//                     negative)
//   key-unused        no note uses the key
//   long-end-alone    a long-note end with no open head before it
//   long-head-open    a long-note head with no end before the next head (or
//                     before the end of the chart)
//   note-past-length  a note above LastCoord ("Note Length"): it is not saved
//   diagonal-gap      the next note follows a diagonal note (kinds 20..23)
//                     by fewer than 12 coords
//   tower-gap         the next note follows the tower (kind 24) by fewer
//                     than 48 coords
// The sound checks (keys/KeySoundCheck.h) add sound-missing and
// sound-unplayable.
//
// Every cell 0..30000 is looked at, so a note that only a longer "Note
// Length" would bring back is judged too. Notes with a key index are kinds
// 1..127 and the long-note heads; the spacing rules count every note that
// scores (ComboWeight above 0).

#include <QString>

#include <vector>

#include "ChartDocument.h"

namespace lumidex {

struct ChartFinding {
    enum Place { Coord, Key, Music, File };
    QString code;
    Place place = Coord;
    int number = 0;  // the coord or the key number
    QString text;

    // "key-unused key 3: ..." or "diagonal-gap coord 120: ..."
    QString line() const;
};

// Gaps the editor's instructions ask authors to keep behind these notes.
constexpr int kDiagonalGap = 12;
constexpr int kTowerGap = 48;

// Whether a note of kind carries a key index: kinds 1..127 and long heads.
bool hasKeyIndex(int kind);

// Whether a note's key index names no key of doc's list (past KeyCount, or
// negative): what key-past-list reports. 0 (no key) names none and is fine.
bool keyIndexPastList(const ChartDocument& doc, int index);

// The findings of the notes and the key list, in the order of the checks
// above, each check's findings by coord or key.
std::vector<ChartFinding> checkChart(const ChartDocument& doc);

}  // namespace lumidex
