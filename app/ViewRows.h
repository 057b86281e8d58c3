#pragma once
// The canvas rows of the chart view as it stands, for the editing rules.

#include "ChartView.h"
#include "EditTypes.h"

namespace lumidex {

class ViewRows : public CanvasRows {
  public:
    explicit ViewRows(const ChartView& view) : view_(view) {}
    int HeightToCoord(int row) const override { return view_.HeightToCoord(row); }
    int CoordToHeight(int coord) const override { return view_.CoordToHeight(coord); }

  private:
    const ChartView& view_;
};

}  // namespace lumidex
