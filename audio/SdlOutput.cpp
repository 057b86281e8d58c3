// The SDL2 default audio device.

#include <SDL.h>

#include "AudioOutput.h"

namespace lumidex::audio {

namespace {

// Frames per device callback: about 12 ms at 44100 Hz.
constexpr int kDeviceBlock = 512;

}  // namespace

bool SdlOutput::openDevice(int rate, int& blockFrames, int& latency) {
    // SDL would otherwise install its own SIGINT and SIGTERM handlers.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    SDL_AudioSpec want{};
    want.freq = rate;
    want.format = AUDIO_F32SYS;
    want.channels = 2;
    want.samples = kDeviceBlock;
    want.callback = &SdlOutput::callback;
    want.userdata = this;
    SDL_AudioSpec have{};
    // No changes allowed: SDL converts to whatever the hardware wants.
    device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (device_ == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    blockFrames = have.samples;
    latency = have.samples;
    return true;
}

void SdlOutput::runDevice() {
    SDL_PauseAudioDevice(device_, 0);
}

void SdlOutput::closeDevice() {
    // Returns once the callback has finished for good.
    SDL_CloseAudioDevice(device_);
    device_ = 0;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void SdlOutput::callback(void* self, unsigned char* stream, int bytes) {
    auto* output = static_cast<SdlOutput*>(self);
    output->pull(reinterpret_cast<float*>(stream), bytes / int(2 * sizeof(float)));
}

}  // namespace lumidex::audio
