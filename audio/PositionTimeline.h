#pragma once
// Where a stream is in its source, as a function of the output frame.
//
// The mixer renders ahead of what the listener hears, so a position asked for
// "now" lies in the past of the render head. The timeline keeps the few
// points where the stream's motion changed (a start, a stop, a seek, a rate
// change, the end) since the frame being heard; between two points the
// position moves in a straight line, `step` source frames per output frame.

#include <cstdint>
#include <limits>
#include <vector>

namespace lumidex::audio {

class PositionTimeline {
  public:
    struct Point {
        int64_t frame;    // output frame from which this motion holds
        double position;  // source frame at that output frame
        double step;      // source frames per output frame while moving
        bool moving;      // false: the stream rests at `position`
    };

    explicit PositionTimeline(double restingAt = 0.0);

    // From `frame` on the stream moves (or rests) as given; points at or after
    // `frame` are replaced. Points no longer needed for reads at or after
    // `heard` are dropped.
    void mark(int64_t frame, double position, double step, bool moving, int64_t heard);

    // The stream is resting and its resting position changed (a seek while
    // stopped): the change holds for every frame since it came to rest.
    void restate(double position);

    // The source position at an output frame. Frames before the first point
    // read the first point's position.
    double at(int64_t frame) const;

    const Point& last() const { return points_.back(); }

  private:
    std::vector<Point> points_;
};

}  // namespace lumidex::audio
