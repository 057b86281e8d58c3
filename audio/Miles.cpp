#include "Miles.h"

#include <cmath>
#include <map>
#include <mutex>
#include <new>
#include <string>

#include "AudioSystem.h"
#include "Decoder.h"
#include "PlayingFrequency.h"

using lumidex::audio::AudioSystem;
using lumidex::audio::ByteView;
using lumidex::audio::Container;
using lumidex::audio::Mixer;
using lumidex::audio::StreamId;
using lumidex::audio::StreamSource;

struct MilesDigitalDriver {
    void* window = nullptr;
};

namespace {

struct Sound {
    StreamId id = 0;
    int rate = 0;
    int64_t frames = 0;
    bool played = false;  // QSTAT_LOADED until the first play
};

struct State {
    std::mutex mutex;
    bool ready = false;
    std::string redistDirectory;
    std::map<U32, S32> preferences;
    MilesDigitalDriver digital;
    HAUDIO nextHandle = 1;
    std::map<HAUDIO, Sound> sounds;
};

State& state() {
    static State s;
    return s;
}

// WAV through libsndfile, MP3 through libmpg123, told apart by their first
// bytes: anything else is refused before a decoder is set up, and each file
// is opened once.
StreamSource openSource(ByteView bytes) {
    using namespace lumidex::audio;
    if (looksLikeWav(bytes))
        return StreamSource{bytes, containers(Container::Wav), &openSndfileDecoder,
                            openSndfileDecoder(bytes, containers(Container::Wav))};
    if (looksLikeMpegAudio(bytes))
        return StreamSource{bytes, containers(Container::Mp3), &openMpg123Decoder,
                            openMpg123Decoder(bytes, containers(Container::Mp3))};
    return StreamSource{};
}

// The sound and the mixer while Miles runs; null otherwise.
Sound* find(State& s, HAUDIO audio) {
    if (!s.ready) return nullptr;
    auto it = s.sounds.find(audio);
    return it == s.sounds.end() ? nullptr : &it->second;
}

Mixer& mixer() {
    return *AudioSystem::instance().mixer();
}

// Runs body(sound) under the layer's lock when Miles runs and `audio` is
// loaded, and answers what it answers; answers `none` otherwise.
template <class T, class Body>
T withSound(HAUDIO audio, T none, Body&& body) {
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    Sound* sound = find(s, audio);
    return sound ? body(*sound) : none;
}

// The same for calls that answer nothing.
template <class Body>
void withSound(HAUDIO audio, Body&& body) {
    withSound(audio, 0, [&](Sound& sound) {
        body(sound);
        return 0;
    });
}

}  // namespace

const char* AIL_set_redist_directory(const char* dir) {
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.redistDirectory = dir ? dir : "";
    return s.redistDirectory.c_str();
}

S32 AIL_set_preference(U32 number, S32 value) {
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    const S32 previous = s.preferences.count(number) ? s.preferences[number] : 0;
    s.preferences[number] = value;
    return previous;
}

S32 AIL_quick_startup(S32 use_digital, S32 /*use_MIDI*/, U32 output_rate, S32 /*output_bits*/,
                      S32 /*output_channels*/) {
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.ready) return 1;
    if (!use_digital || output_rate == 0 || output_rate > 384000) return 0;
    if (!AudioSystem::instance().acquire(int(output_rate))) return 0;
    s.ready = true;
    return 1;
}

void AIL_quick_handles(HDIGDRIVER* pdig, HMDIDRIVER* pmdi, HDLSDEVICE* pdls) {
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (pdig) *pdig = s.ready ? &s.digital : nullptr;
    if (pmdi) *pmdi = nullptr;
    if (pdls) *pdls = nullptr;
}

S32 AIL_set_DirectSound_HWND(HDIGDRIVER dig, void* wnd) {
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (!s.ready || dig != &s.digital) return 0;
    s.digital.window = wnd;
    return 1;
}

HAUDIO AIL_quick_load_mem(const void* mem, U32 size) {
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (!s.ready || !mem || size == 0) return 0;
    try {
        StreamSource source = openSource(ByteView{static_cast<const unsigned char*>(mem), size});
        if (!source.decoder) return 0;
        Sound sound;
        sound.rate = source.decoder->format().sampleRate;
        sound.frames = source.decoder->format().frames;
        sound.id = mixer().add(std::move(source));
        if (sound.id == 0) return 0;
        const HAUDIO handle = s.nextHandle++;
        s.sounds[handle] = sound;
        return handle;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

void AIL_quick_unload(HAUDIO audio) {
    withSound(audio, [&](Sound& sound) {
        mixer().remove(sound.id);
        state().sounds.erase(audio);
    });
}

S32 AIL_quick_play(HAUDIO audio, U32 loop_count) {
    return withSound(audio, S32(0), [&](Sound& sound) {
        if (loop_count != 1) return S32(0);
        sound.played = true;
        mixer().play(sound.id);
        return S32(1);
    });
}

void AIL_quick_halt(HAUDIO audio) {
    withSound(audio, [](Sound& sound) {
        sound.played = true;
        mixer().stop(sound.id);
    });
}

S32 AIL_quick_status(HAUDIO audio) {
    return withSound(audio, S32(0), [](const Sound& sound) {
        const auto status = mixer().status(sound.id);
        if (status && status->active) return QSTAT_PLAYING;
        return sound.played ? QSTAT_DONE : QSTAT_LOADED;
    });
}

S32 AIL_quick_ms_length(HAUDIO audio) {
    return withSound(audio, S32(0), [](const Sound& sound) {
        return S32(std::min<int64_t>(sound.frames * 1000 / sound.rate, INT32_MAX));
    });
}

S32 AIL_quick_ms_position(HAUDIO audio) {
    return withSound(audio, S32(0), [](const Sound& sound) {
        const auto status = mixer().status(sound.id);
        if (!status) return S32(0);
        return S32(std::floor(status->position * 1000.0 / sound.rate));
    });
}

void AIL_quick_set_ms_position(HAUDIO audio, S32 milliseconds) {
    withSound(audio, [&](const Sound& sound) {
        // The first frame at or after the millisecond, so that the position
        // read back is the one set.
        const int64_t frame = (int64_t(std::max(0, milliseconds)) * sound.rate + 999) / 1000;
        mixer().seek(sound.id, double(std::min(frame, sound.frames)));
    });
}

void AIL_quick_set_speed(HAUDIO audio, S32 speed) {
    withSound(audio, [&](const Sound& sound) {
        if (speed > 0) mixer().setRate(sound.id, lumidex::audio::sourceRate(sound.rate, speed));
    });
}

void AIL_quick_set_volume(HAUDIO audio, F32 volume, F32 extravol) {
    withSound(audio, [&](const Sound& sound) {
        if (std::isfinite(volume)) mixer().setVolume(sound.id, volume);
        if (std::isfinite(extravol)) mixer().setPan(sound.id, extravol);
    });
}

void AIL_quick_shutdown(void) {
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (!s.ready) return;
    for (const auto& [handle, sound] : s.sounds) mixer().remove(sound.id);
    s.sounds.clear();
    s.digital = MilesDigitalDriver{};
    s.ready = false;
    AudioSystem::instance().release();
}

namespace lumidex::audio {

uint32_t milesMixerStream(HAUDIO audio) {
    return withSound(audio, StreamId(0), [](const Sound& sound) { return sound.id; });
}

}  // namespace lumidex::audio
