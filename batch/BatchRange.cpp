#include "BatchRange.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "ChartDocument.h"
#include "Numbers.h"

namespace lumidex {
namespace {

int clampToInt(double x) {
    constexpr double lo = std::numeric_limits<int32_t>::min();
    constexpr double hi = std::numeric_limits<int32_t>::max();
    return toInt32(std::clamp(x, lo, hi));
}

}  // namespace

int snapCoord(const QString& text, double alignCoord) {
    return snapCoord(val(text), alignCoord);
}

int snapCoord(double coord, double alignCoord) {
    return clampToInt(roundHalfEven(roundHalfEven(coord / alignCoord) * alignCoord));
}

int alignStep(double alignCoord) {
    return std::max(1, clampToInt(roundHalfEven(alignCoord)));
}

SteppedRange SteppedRange::clipped(int from, int to, int step) {
    SteppedRange r;
    r.step = std::max(1, step);
    // 64-bit: from + whole steps must not overflow near the int32 limits.
    int64_t first = from;
    if (first < 0) first += (-first + r.step - 1) / r.step * r.step;
    r.from = int(std::min<int64_t>(first, int64_t(kMaxCoord) + 1));
    r.to = std::min(to, kMaxCoord);
    return r;
}

std::optional<SteppedRange> operationRange(const QString& fromText, const QString& toText,
                                           double alignCoord) {
    if (!isNumeric(fromText) || !isNumeric(toText)) return std::nullopt;
    if (val(fromText) > val(toText)) return std::nullopt;
    return SteppedRange::clipped(snapCoord(fromText, alignCoord), snapCoord(toText, alignCoord),
                                 alignStep(alignCoord));
}

}  // namespace lumidex
