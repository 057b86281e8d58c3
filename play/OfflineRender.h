#pragma once
// Playback without a sound card, as fast as the machine allows: the editor's
// own engine on a manual output, rendering between its steps. lumidex-chart
// render writes the result to a file; tests read it to check the timing.

#include <cstdint>
#include <functional>

#include "AudioOutput.h"
#include "Playback.h"

namespace lumidex {

struct RenderSummary {
    bool started = false;  // false: nothing could start (no music open)
    int keys = 0;          // key sounds that started
    double musicSeconds = 0;
    int64_t frames = 0;  // output frames rendered
};

// Output frames rendered between two steps at most: one display frame.
constexpr int kRenderBlock = 735;

// Plays from fromCoord until playback ends (the music or the chart is over),
// handing every rendered block (stereo, interleaved) to sink, and stops.
// progress, when given, gets the fraction of the music played so far.
RenderSummary renderPlayback(Playback& playback, audio::ManualOutput& output, int fromCoord,
                             const PlaySwitches& switches,
                             const std::function<void(const float*, int)>& sink,
                             const std::function<void(double)>& progress = {});

}  // namespace lumidex
