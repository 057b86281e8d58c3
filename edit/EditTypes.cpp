#include "EditTypes.h"

#include "Numbers.h"

namespace lumidex {

std::optional<int> noteNear(const ChartDocument& doc, int c0) {
    for (int c : {c0 + 1, c0, c0 - 1})
        if (inChart(c) && doc.cell(c).Kind != 0) return c;
    return std::nullopt;
}

std::optional<double> numericValue(const QString& text) {
    if (!isNumeric(text)) return std::nullopt;
    try {
        return val(text);
    } catch (const RuntimeError&) {
        return std::nullopt;
    }
}

int gridCoordNear(int c0) {
    return int(roundHalfEven(c0 / 3.0)) * 3;
}

}  // namespace lumidex
