#pragma once
// How chart coords map onto the canvas and how the view scrolls. Plain
// functions of their arguments (no widgets), so the rules can be checked
// alone and shared by the view, the editing code and playback.
//
// Time runs upward: the view base (the coord on the baseline, pixel row 350)
// equals the scroll bar value, which runs from 0 at the bottom to
// LastCoord + 72 at the top. Three coords span 14 pixel rows.

#include <QString>

#include <cstdint>
#include <optional>

namespace lumidex {

constexpr int kBaselineRow = 350;                    // canvas row of the view base
constexpr double kRowsPerCoord = 4.666666666666667;  // 14/3, written out exactly like this
constexpr int kDesignCanvasHeight = 469;             // drawing area of picMain at design size
constexpr int kCanvasWidth = 62;                     // drawing area of picMain
constexpr int kScaleWidth = 45;                      // drawing area of picScale
constexpr int kKeyWidth = 29;                        // drawing area of picKey
constexpr int kScrollHeadroom = 72;                  // the range ends this far above LastCoord
constexpr int kArrowStep = 3;                        // scroll bar arrow step, in coords
constexpr int kNoteRowOffset = 7;  // a note's picture starts this far above its row
constexpr int kKeyPageUp = 33;     // key codes of the page keys
constexpr int kKeyPageDown = 34;
constexpr int kWheelNotch = 120;  // wheel delta of one notch

// Pixel row of a coord: 350 - (coord - viewBase) x 14/3, rounded half to even.
int CoordToHeight(int coord, double viewBase);

// The coord at a pixel row: (350 - height) / (14/3) + viewBase, rounded half
// to even.
int HeightToCoord(int height, double viewBase);

// The high word of a message parameter, as a signed 16-bit value (the
// argument divided by 65536, truncated toward zero).
int16_t HiInt(int32_t lParam);

// The coords a repaint walks, for a canvas drawing area `height` rows tall:
// from viewBase - ((height - 350) \ 5) - 16 to viewBase + 80, both clamped to
// 0..30000 (viewBase - 39 .. viewBase + 80 at the design height).
struct CoordRange {
    int first = 0;
    int last = 0;
};
CoordRange drawnRange(double viewBase, int height);

// The scroll bar's page step for a canvas `height` rows tall: 3 x round((height
// / (14/3) - 3) / 3), half to even; 96 at the design height (not 99: 32.5
// rounds to 32). Never below the arrow step.
int pageStep(int height);

// The top of the scroll range: LastCoord + 72, so the thumb at the top shows
// the end of the chart.
int scrollTop(int lastCoord);

// The view base for a scroll bar value: the value itself for an exact scroll,
// else the value rounded to a multiple of 3 (half to even). Rounding can go up
// to 2 past the top of the range; the view base is then lowered by 3.
// 100 gives 99; 101 gives 102, or 99 when the top is below 102.
int viewBaseForScroll(int value, bool exactScroll, int top);

// The scroll bar value after one wheel event of `delta` (120 per notch,
// positive away from the user) moving `wheelStep` coords a notch: value +
// round(delta x wheelStep / 120), held inside 0..top, so a notch near either
// end goes to that end.
int wheelTarget(int value, int delta, int wheelStep, int top);

// The scroll bar value after a page key (33 Page Up, 34 Page Down): up or
// down by a page, held inside 0..top like a wheel notch. Nothing for other
// keys.
std::optional<int> pageKeyTarget(int keyCode, int value, int page, int top);

// Where the view starts after a chart is opened: the coord where the music
// starts, floor(Delay / 60 x Tempo of cell 0 x 0.2), plus 3. Nothing when the
// delay or tempo give no usable number; the view then stays where it is.
std::optional<int> musicStartValue(double delay, double tempo0);

// Time text of a frame count (60 frames a second): "-" when negative, whole
// minutes, ":", then the seconds rounded to 2 decimals without trailing zeros,
// with a leading "0" below 10 seconds. 3930 -> "1:05.5", 0 -> "0:00",
// -90 -> "-0:01.5". Seconds that round up to 60 carry into the minutes
// (3599.999 frames -> "1:00"), and the leading "0" is decided after
// rounding (599.9999 frames -> "0:10").
QString timeText(double frames);

}  // namespace lumidex
