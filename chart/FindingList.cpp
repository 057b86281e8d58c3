#include "FindingList.h"

#include <algorithm>

namespace lumidex {
namespace {

bool same(const ChartFinding& a, const ChartFinding& b) {
    return a.place == b.place && a.number == b.number && a.code == b.code && a.text == b.text;
}

}  // namespace

bool FindingList::refresh(const ChartDocument& doc) {
    std::vector<ChartFinding> now = checkChart(doc);
    if (std::equal(now.begin(), now.end(), findings_.begin(), findings_.end(), same)) return false;
    findings_ = std::move(now);
    return true;
}

QString FindingList::countText() const {
    if (findings_.empty()) return QStringLiteral("No findings");
    if (findings_.size() == 1) return QStringLiteral("1 finding");
    return QStringLiteral("%1 findings").arg(findings_.size());
}

QString FindingList::savedText() const {
    if (findings_.empty()) return QStringLiteral("Saved with no findings");
    return QStringLiteral("Saved with ") + countText();
}

bool FindingList::mayChange(const ChartChange& change) {
    if (!change.keys.empty()) return true;
    if (change.scalarsBefore &&
        (change.scalarsBefore->LastCoord != change.scalarsAfter->LastCoord ||
         change.scalarsBefore->KeyCount != change.scalarsAfter->KeyCount))
        return true;
    return std::any_of(change.cells.begin(), change.cells.end(), [](const CellChange& c) {
        return c.before.Kind != c.after.Kind || c.before.FxSndIndex != c.after.FxSndIndex;
    });
}

std::optional<int> FindingList::coordOf(const ChartFinding& finding) {
    if (finding.place != ChartFinding::Coord) return std::nullopt;
    return finding.number;
}

}  // namespace lumidex
