#pragma once
// The numbers a chart file can hold and give back unchanged, in one place:
// the header boxes, "Change Speed", paste and the loader all keep to them.
//
// Tempo and speed are beats per minute. From 1 to 10000 the frame of coord
// 30000 stays below ten million frames (written with 2 decimals in 15
// digits), one coord lasts at least 0.03 frames (so a tempo change written
// to 2 decimals is read back on its own coord) and a chart's positions stay
// below 1e13. The delay is at most a day either way, in frames. The
// long-note correction is at most 100 beats either way, in position units.

#include <QString>

namespace lumidex {

enum class ChartValue { Tempo, Speed, Delay, LongCorrection };

struct ValueLimits {
    double min;
    double max;
};

ValueLimits limitsOf(ChartValue value);

// True when v lies within the limits (never for NaN).
bool withinLimits(ChartValue value, double v);

// Why a value was refused, for the status bar and the open message:
// "The tempo must be from 1 to 10000 BPM."
QString limitReason(ChartValue value);

}  // namespace lumidex
