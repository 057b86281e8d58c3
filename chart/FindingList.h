#pragma once
// The findings of checkChart (ChartCheck.h) as the editor keeps them beside
// the chart: refreshed after every edit step, undo, redo and open, counted
// for the status bar, and each finding's coord for the jump to it.
//
// A full check of the largest chart costs about 3 ms (bench_checks), so a
// refresh simply checks everything again; it tells whether the findings
// changed, so a panel showing them is rebuilt only then. Steps that change
// nothing the checks read (tempo, speed, delay, header texts) need none.

#include <QString>

#include <optional>
#include <vector>

#include "ChartCheck.h"
#include "ChartEdit.h"

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

    // Whether a step can change the findings: it changed a note's kind or
    // key index, the key list, the key count or the chart's length.
    static bool mayChange(const ChartChange& change);

    // The coord a finding concerns; none for a key or the music.
    static std::optional<int> coordOf(const ChartFinding& finding);

  private:
    std::vector<ChartFinding> findings_;
};

}  // namespace lumidex
