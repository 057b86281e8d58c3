#include "AudioSystem.h"

namespace lumidex::audio {

AudioSystem& AudioSystem::instance() {
    static AudioSystem system;
    return system;
}

void AudioSystem::setOutputFactory(OutputFactory factory) {
    std::lock_guard<std::mutex> lock(mutex_);
    factory_ = std::move(factory);
}

bool AudioSystem::acquire(int outputRate) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (users_ > 0) {
        ++users_;
        return true;
    }
    auto mixer = std::make_unique<Mixer>(outputRate);
    auto output = factory_ ? factory_() : createDefaultOutput();
    if (!output || !output->start(*mixer)) return false;
    mixer_ = std::move(mixer);
    output_ = std::move(output);
    users_ = 1;
    return true;
}

void AudioSystem::release() {
    std::unique_ptr<Mixer> mixer;
    std::unique_ptr<AudioOutput> output;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (users_ == 0 || --users_ > 0) return;
        output = std::move(output_);
        mixer = std::move(mixer_);
    }
    output->stop();
}

Mixer* AudioSystem::mixer() {
    std::lock_guard<std::mutex> lock(mutex_);
    return mixer_.get();
}

AudioOutput* AudioSystem::output() {
    std::lock_guard<std::mutex> lock(mutex_);
    return output_.get();
}

}  // namespace lumidex::audio
