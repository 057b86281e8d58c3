// The DirectShow layer opening an arbitrary file: GStreamer's playbin renders
// it (a pipeline per input, so this target is slow), then the length, the
// format and a seek are asked for. Plays into the null device.

#include <cmath>
#include <cstdlib>

#include "FilgraphManager.h"
#include "FuzzSupport.h"

using namespace lumidex;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("LUMIDEX_AUDIO", "null", 0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const fuzz::ScratchFile sound("sound");
    sound.write(data, size);
    FilgraphManager graph;
    if (graph.RenderFile(sound.path()) != S_OK) return 0;
    REFTIME length = 0;
    graph.get_Duration(&length);
    fuzz::check(std::isfinite(length) && length >= 0, "duration not a length");
    FilgraphManager::AudioFormat format;
    graph.audioFormat(&format);
    graph.put_CurrentPosition(length / 2);
    REFTIME position = 0;
    graph.get_CurrentPosition(&position);
    return 0;
}
