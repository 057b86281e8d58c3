#pragma once
// The conversions written as the plain walk over the cells from coord 0: the
// reference the document's cached answers must match bit for bit.

#include <cmath>
#include <optional>

#include "ChartDocument.h"

namespace walk {

using lumidex::ChartDocument;
using lumidex::kMaxCoord;

inline bool bad(double x) {
    return !std::isfinite(x);
}

inline std::optional<double> coordSum(const ChartDocument& d, int coord, bool positions) {
    const int m = coord > kMaxCoord ? kMaxCoord : coord;
    double acc = 0;
    for (int i = 0; i < m; ++i) {
        const auto& c = d.cell(i);
        acc += positions ? c.Speed / c.Tempo : 300.0 / c.Tempo;
        if (bad(acc)) return std::nullopt;
    }
    return acc;
}

// mode 0: nearest, 1: round up, 2: floor (no tolerance)
inline std::optional<int> find(const ChartDocument& d, double t, bool positions, int mode) {
    double acc = 0;
    for (int i = 0; i <= kMaxCoord; ++i) {
        const double prev = acc;
        const auto& c = d.cell(i);
        acc += positions ? c.Speed / c.Tempo : 300.0 / c.Tempo;
        if (bad(acc)) return std::nullopt;
        const bool stop = mode == 2 ? acc > t : (std::fabs(acc - t) < 0.0001 || acc > t);
        if (!stop) continue;
        if (mode == 2) return i;
        if (mode == 1) return i + 1;
        return (t - prev) < (acc - t) ? i : i + 1;
    }
    return kMaxCoord;
}

}  // namespace walk
