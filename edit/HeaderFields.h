#pragma once
// The "Music Info" fields: what each box accepts and what an accepted entry
// changes in the chart. Each accept function is one edit step that also
// stores the box's text in the header texts; a refused entry changes
// nothing (the window then beeps and keeps the focus in the box).

#include <QString>

#include <optional>

#include "ChartEdit.h"

namespace lumidex {

enum class TempoField { Speed, Tempo };

// "Current Speed" (Speed) and "Current BPM" (Tempo): a number above 0 is
// written over the run of equal values around coord p, the scroll position
// (the current tempo segment), and nothing beyond it. On a chart without
// tempo that run is every cell, so the first entries give the whole chart
// its tempo and speed.
bool acceptTempoField(ChartEdit& edits, TempoField field, int p, const QString& text);

// "Note Length": a number that rounds to 1..30000 becomes LastCoord.
bool acceptLength(ChartEdit& edits, const QString& text);
// "BGM Delay": a number of frames.
bool acceptDelay(ChartEdit& edits, const QString& text);
// "Long Note Correction Value": a number, rounded.
bool acceptLongCorrection(ChartEdit& edits, const QString& text);
// "BGM Volume": a number, kept as typed as the music's volume.
bool acceptBgmVolume(ChartEdit& edits, const QString& text);
// "BGM Path": any text becomes the music's file name.
void acceptBgm(ChartEdit& edits, const QString& text);
// "Music Name": any text.
void acceptName(ChartEdit& edits, const QString& text);

}  // namespace lumidex
