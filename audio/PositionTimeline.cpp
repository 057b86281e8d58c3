#include "PositionTimeline.h"

#include <cstddef>

namespace lumidex::audio {

PositionTimeline::PositionTimeline(double restingAt) {
    points_.reserve(8);
    points_.push_back({std::numeric_limits<int64_t>::min(), restingAt, 1.0, false});
}

void PositionTimeline::mark(int64_t frame, double position, double step, bool moving,
                            int64_t heard) {
    while (points_.size() > 1 && points_.back().frame >= frame) points_.pop_back();
    if (points_.size() == 1 && points_.back().frame >= frame) points_.clear();
    points_.push_back({frame, position, step, moving});
    // Keep the last point at or before `heard` and everything after it.
    std::size_t keepFrom = 0;
    while (keepFrom + 1 < points_.size() && points_[keepFrom + 1].frame <= heard) ++keepFrom;
    if (keepFrom > 0) points_.erase(points_.begin(), points_.begin() + long(keepFrom));
}

void PositionTimeline::restate(double position) {
    if (!points_.back().moving) points_.back().position = position;
}

double PositionTimeline::at(int64_t frame) const {
    for (auto p = points_.rbegin(); p != points_.rend(); ++p) {
        if (p->frame > frame) continue;
        return p->moving ? p->position + double(frame - p->frame) * p->step : p->position;
    }
    return points_.front().position;
}

}  // namespace lumidex::audio
