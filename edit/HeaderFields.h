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

// The boxes that check their text. A value a chart file cannot hold and give
// back (chart/ValueLimits.h) is refused like text that is not a number.
enum class HeaderBox { Tempo, Speed, Length, Delay, LongCorrection, BGMVolume };

// Why box refuses text, for the status bar ("The tempo must be from 1 to
// 10000 BPM."); empty when it takes it.
QString headerRefusal(HeaderBox box, const QString& text);

// "Current Speed" (Speed) and "Current BPM" (Tempo): a number from 1 to
// 10000 (as the file writes it back: 15 significant digits) is
// written over the run of equal values around coord p, the scroll position
// (the current tempo segment), and nothing beyond it. On a chart without
// tempo that run is every cell, so the first entries give the whole chart
// its tempo and speed.
bool acceptTempoField(ChartEdit& edits, TempoField field, int p, const QString& text);

// "Note Length": a number that rounds to 1..30000 becomes LastCoord.
bool acceptLength(ChartEdit& edits, const QString& text);
// "BGM Delay": a number of frames, at most a day either way.
bool acceptDelay(ChartEdit& edits, const QString& text);
// "Long Note Correction Value": a number from -1200 to 1200, rounded.
bool acceptLongCorrection(ChartEdit& edits, const QString& text);
// "BGM Volume": a number, kept as typed as the music's volume.
bool acceptBgmVolume(ChartEdit& edits, const QString& text);
// "BGM Path": any text becomes the music's file name.
void acceptBgm(ChartEdit& edits, const QString& text);
// "Music Name": any text.
void acceptName(ChartEdit& edits, const QString& text);

}  // namespace lumidex
