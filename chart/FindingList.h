#pragma once
// The findings of checkChart (ChartCheck.h) as the editor keeps them beside
// the chart: refreshed after every edit step, undo, redo and open, counted
// for the status bar, and each finding's coord for the jump to it.
//
// A full check of the largest chart costs about 2 ms (bench_checks), so a
// refresh simply checks everything again; it tells whether the findings
// changed, so a panel showing them is rebuilt only then.

#include <QString>

#include <optional>
#include <vector>

#include "ChartCheck.h"

namespace lumidex {

class FindingList {
  public:
    // Checks doc again; true when the findings differ from the last ones.
    bool refresh(const ChartDocument& doc);
    const std::vector<ChartFinding>& findings() const { return findings_; }
    int count() const { return int(findings_.size()); }

    // "No findings", "1 finding", "12 findings".
    QString countText() const;
    // After a save: "Saved with 12 findings", "Saved with no findings".
    QString savedText() const;

    // The coord a finding concerns; none for a key or the music.
    static std::optional<int> coordOf(const ChartFinding& finding);

  private:
    std::vector<ChartFinding> findings_;
};

}  // namespace lumidex
