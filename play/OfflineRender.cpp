#include "OfflineRender.h"

#include <algorithm>

#include "AudioSystem.h"

namespace lumidex {

RenderSummary renderPlayback(Playback& playback, audio::ManualOutput& output, int fromCoord,
                             const PlaySwitches& switches,
                             const std::function<void(const float*, int)>& sink,
                             const std::function<void(double)>& progress) {
    RenderSummary summary;
    audio::Mixer* mixer = audio::AudioSystem::instance().mixer();
    if (!mixer || !playback.start(fromCoord, switches)) return summary;
    summary.started = true;
    summary.musicSeconds = playback.musicSeconds();
    const double total = summary.musicSeconds * mixer->outputRate();
    while (playback.step().running) {
        const int frames = kRenderBlock;
        const std::vector<float>& block = output.advance(frames);
        if (block.empty()) break;
        sink(block.data(), frames);
        summary.frames += frames;
        if (progress && total > 0) progress(std::min(1.0, double(summary.frames) / total));
    }
    if (progress) progress(1.0);  // the chart may end before the music
    playback.stop();
    summary.keys = playback.keysStarted();
    return summary;
}

}  // namespace lumidex
