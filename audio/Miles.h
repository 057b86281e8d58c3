#pragma once
// The Miles Sound System "quick" calls the editor makes, as our own layer
// over the same mixer as the BASS layer.
//
// Sounds are loaded from a file image in memory, read in place (the image
// must stay untouched until the sound is unloaded), and decoded while they
// play: MP3 with libmpg123, every decoded frame kept (no gapless trimming),
// and WAV with libsndfile. Nothing else loads.
//
// Differences from the library: there is no MIDI and no DLS device (their
// handles are null); a sound plays once (AIL_quick_play refuses other loop
// counts); a sound played after it has reached its end, or after its position
// was set past the end, is done at once; the mixer has no voice limit, so the
// mixer-channels preference is stored only. Every call is thread-safe.

#include <cstdint>

typedef int32_t S32;
typedef uint32_t U32;
typedef float F32;
typedef uint32_t HAUDIO;  // 0 is never a sound
typedef struct MilesDigitalDriver* HDIGDRIVER;
typedef struct MilesMidiDriver* HMDIDRIVER;
typedef struct MilesDlsDevice* HDLSDEVICE;

// AIL_quick_status.
constexpr S32 QSTAT_DONE = 1;    // halted, or played to its end
constexpr S32 QSTAT_LOADED = 2;  // loaded, not played yet
constexpr S32 QSTAT_PLAYING = 3;

// AIL_set_preference: the most sounds that play at once.
constexpr U32 DIG_MIXER_CHANNELS = 1;

// Stores the folder and answers it.
const char* AIL_set_redist_directory(const char* dir);
// Answers the preference's previous value.
S32 AIL_set_preference(U32 number, S32 value);
// 1 when the digital output started (or already runs), 0 when it cannot.
// MIDI is not offered; output_bits and output_channels are accepted as the
// mixer always renders float stereo at output_rate.
S32 AIL_quick_startup(S32 use_digital, S32 use_MIDI, U32 output_rate, S32 output_bits,
                      S32 output_channels);
void AIL_quick_handles(HDIGDRIVER* pdig, HMDIDRIVER* pmdi, HDLSDEVICE* pdls);
// Stores the window; 1 for the digital driver of the running output.
S32 AIL_set_DirectSound_HWND(HDIGDRIVER dig, void* wnd);

// 0 when Miles is not started or the data is neither MP3 nor WAV.
HAUDIO AIL_quick_load_mem(const void* mem, U32 size);
void AIL_quick_unload(HAUDIO audio);
// loop_count 1 plays once from the current position; 1 on success.
S32 AIL_quick_play(HAUDIO audio, U32 loop_count);
void AIL_quick_halt(HAUDIO audio);
// QSTAT_...; 0 for a handle that is not loaded.
S32 AIL_quick_status(HAUDIO audio);
S32 AIL_quick_ms_length(HAUDIO audio);
S32 AIL_quick_ms_position(HAUDIO audio);
void AIL_quick_set_ms_position(HAUDIO audio, S32 milliseconds);
// The playing frequency in Hz, a speed relative to 44100 (PlayingFrequency.h):
// at 44100 the sound plays at its file's own rate.
void AIL_quick_set_speed(HAUDIO audio, S32 speed);
// volume 0 silent, 1 full; extravol the pan, 0 left, 0.5 centre, 1 right.
void AIL_quick_set_volume(HAUDIO audio, F32 volume, F32 extravol);
// Unloads every sound and stops the output. Safe to call twice.
void AIL_quick_shutdown(void);

namespace lumidex::audio {

// The mixer stream behind a Miles sound, 0 for none (see bassMixerStream).
uint32_t milesMixerStream(HAUDIO audio);

}  // namespace lumidex::audio
