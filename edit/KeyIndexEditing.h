#pragma once
// The rules of the key index box over the key strip: which note a click
// opens, what a typed text stores, the walk from note to note and the Alt
// moves of a note.

#include <QString>

#include <optional>

#include "ChartEdit.h"
#include "EditTypes.h"

namespace lumidex {

constexpr int kKeyBoxPage = 96;  // coords a page key carries the box

// Kinds that carry a key index: 1..127 and the long-note heads.
bool HasKeyIndex(int kind);

// The index a typed text stands for: empty is 0, a number is rounded (half
// to even); nothing for any other text or for a number outside 0..2000, the
// key sound slots.
std::optional<int16_t> keyIndexFromText(const QString& text);

// The text the box shows for a note's index: empty for 0 and below.
QString keyIndexText(int16_t index);

// Stores the typed text as the index of the note at coord (one edit step
// "Key Index"); false, storing nothing, when the text is refused.
bool commitKeyIndex(ChartEdit& edits, int coord, const QString& text);

// The next note with a key index above c, up to lastDrawn; below c, down to
// firstDrawn.
std::optional<int> keyNoteAbove(const ChartDocument& doc, int c, int lastDrawn);
std::optional<int> keyNoteBelow(const ChartDocument& doc, int c, int firstDrawn);

// Moves the note at c by d coords (its kind and index; a note already there
// is overwritten and leaves the combo), one edit step "Move Note". Answers
// the note's new coord, or nothing (and no change) when it would leave the
// chart.
std::optional<int> moveNote(ChartEdit& edits, int c, double d);

}  // namespace lumidex
