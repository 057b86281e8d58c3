#pragma once
// The one mixer and output the BASS and Miles layers share.
//
// Each engine acquires the system when it starts and releases it when it shuts
// down; the first acquire creates the mixer and starts the output, the last
// release stops the output and drops the mixer with any stream still in it.

#include <functional>
#include <memory>
#include <mutex>

#include "AudioOutput.h"
#include "Mixer.h"

namespace lumidex::audio {

class AudioSystem {
  public:
    static AudioSystem& instance();

    using OutputFactory = std::function<std::unique_ptr<AudioOutput>()>;
    // The outputs opened from now on. An empty factory restores the default,
    // chosen by LUMIDEX_AUDIO (createDefaultOutput). Tests install a manual
    // output, or one that fails to open.
    void setOutputFactory(OutputFactory factory);

    // An engine starts using the system. False when the output cannot be
    // started; nothing is held then.
    bool acquire(int outputRate);
    // An engine is done with the system.
    void release();

    // The mixer and output, while any engine holds the system; null otherwise.
    // Only an engine that holds the system may use them.
    Mixer* mixer();
    AudioOutput* output();

  private:
    AudioSystem() = default;

    std::mutex mutex_;
    OutputFactory factory_;
    std::unique_ptr<Mixer> mixer_;
    std::unique_ptr<AudioOutput> output_;
    int users_ = 0;
};

}  // namespace lumidex::audio
