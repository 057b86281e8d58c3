#include "ViewGeometry.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>

#include "ChartDocument.h"
#include "Numbers.h"

namespace lumidex {

namespace {

// A rounded value as an int, saturating instead of failing: geometry is asked
// about any view base the scroll bar or playback produce, and a row far off
// the canvas is as good as an overflowing one. NaN counts as 0.
int saturate(double x) {
    if (std::isnan(x)) return 0;
    constexpr double lo = -2147483648.0, hi = 2147483647.0;
    return static_cast<int>(std::clamp(roundHalfEven(x), lo, hi));
}

int clampCoord(int coord) {
    return std::clamp(coord, 0, kMaxCoord);
}

}  // namespace

int CoordToHeight(int coord, double viewBase) {
    return saturate(kBaselineRow - (coord - viewBase) * kRowsPerCoord);
}

int HeightToCoord(int height, double viewBase) {
    return saturate((kBaselineRow - height) / kRowsPerCoord + viewBase);
}

int16_t HiInt(int32_t lParam) {
    return static_cast<int16_t>(lParam / 65536);
}

CoordRange drawnRange(double viewBase, int height) {
    // 5 stands for 14/3 rounded; the integer divisions truncate toward zero.
    const int below = (height - kBaselineRow) / 5;
    CoordRange range;
    range.first = clampCoord(saturate(viewBase - below - 16));
    range.last = clampCoord(saturate(kBaselineRow / 5 + viewBase + 10));
    return range;
}

int pageStep(int height) {
    const int page = 3 * saturate((height / kRowsPerCoord - 3) / 3);
    return std::max(page, kArrowStep);
}

int scrollTop(int lastCoord) {
    return int(std::clamp<int64_t>(int64_t{lastCoord} + kScrollHeadroom, 0, INT_MAX));
}

int viewBaseForScroll(int value, bool exactScroll, int top) {
    if (exactScroll) return value;
    int base = saturate(value / 3.0) * 3;
    if (base > top) base -= 3;
    return base;
}

int wheelTarget(int value, int delta, int wheelStep, int top) {
    const double target =
        value + roundHalfEven(static_cast<double>(delta) * wheelStep / kWheelNotch);
    return static_cast<int>(std::clamp(target, 0.0, static_cast<double>(std::max(top, 0))));
}

std::optional<int> pageKeyTarget(int keyCode, int value, int page, int top) {
    int64_t target = value;
    if (keyCode == kKeyPageUp)
        target += page;
    else if (keyCode == kKeyPageDown)
        target -= page;
    else
        return std::nullopt;
    return static_cast<int>(std::clamp<int64_t>(target, 0, std::max(top, 0)));
}

std::optional<int> musicStartValue(double delay, double tempo0) {
    const double coord = std::floor(delay / 60 * tempo0 * 0.2);
    if (!std::isfinite(coord) || std::fabs(coord) > 1e9) return std::nullopt;
    return static_cast<int>(coord) + 3;
}

QString timeText(double frames) {
    const double seconds = std::fabs(frames) / 60;
    double minutes = std::floor(seconds / 60);
    double rest = round2(seconds - 60 * minutes);
    if (rest >= 60) {  // 59.996 s and up read as the next minute
        minutes += 1;
        rest -= 60;
    }
    QString text = frames < 0 ? QStringLiteral("-") : QString();
    text += numberText(minutes) + QLatin1Char(':');
    if (rest < 10) text += QLatin1Char('0');
    return text + numberText(rest);
}

}  // namespace lumidex
