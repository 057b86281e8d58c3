#pragma once
// Shared by the fuzz targets of the audio layers: BASS and Miles started on
// a manual output (the targets' LLVMFuzzerInitialize, defined here), which
// plays (decodes, resamples and mixes) only when the target advances it.

#include "AudioSystem.h"
#include "Bass.h"
#include "FuzzSupport.h"
#include "Miles.h"

namespace lumidex::fuzz {

inline void startAudioOnManualOutput() {
    audio::AudioSystem::instance().setOutputFactory(
        [] { return std::make_unique<audio::ManualOutput>(); });
    check(BASS_Init(-1, 44100, 0, nullptr, nullptr), "BASS does not start");
    check(AIL_quick_startup(1, 0, 44100, 16, 2) == 1, "Miles does not start");
}

// Plays frames frames of the output.
inline void advance(int frames) {
    static_cast<audio::ManualOutput&>(*audio::AudioSystem::instance().output()).advance(frames);
}

}  // namespace lumidex::fuzz

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    lumidex::fuzz::startAudioOnManualOutput();
    return 0;
}
