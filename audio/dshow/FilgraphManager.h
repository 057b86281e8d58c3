#pragma once
// A DirectShow filter graph for one sound file, with the IMediaControl,
// IMediaPosition and IBasicAudio calls the editor makes. The graph is a
// GStreamer playbin; under LUMIDEX_AUDIO=null it plays into a sink that keeps
// time with the clock like a sound card and discards the samples.
//
// A graph holds one rendered file at a time. After RenderFile it is stopped at
// position 0; Run plays from the current position; Stop halts it where it is
// (it does not rewind). A graph that has played to the end stays running at
// the end until it is stopped or repositioned, and then reports the duration
// as its position. Every call answers at once (RenderFile waits until the
// file is decoded far enough to know its length, a few milliseconds), except
// the waits GetState and WaitForCompletion, which take as long as asked.
//
// Use from one thread at a time; different graphs are independent.

#include <QString>

#include <memory>

#include "DShowTypes.h"

namespace lumidex {

class GstGraph;

class FilgraphManager {
  public:
    FilgraphManager();
    ~FilgraphManager();
    FilgraphManager(const FilgraphManager&) = delete;
    FilgraphManager& operator=(const FilgraphManager&) = delete;

    // ---- IMediaControl ------------------------------------------------------
    // Opens a loose file by path and readies it to play, stopped at 0. A file
    // rendered before is released first. Fails with VFW_E_NOT_FOUND (no such
    // file), E_ACCESSDENIED (not readable), VFW_E_UNSUPPORTED_STREAM (no
    // decodable audio), VFW_E_NO_AUDIO_HARDWARE (the audio output cannot
    // start) or E_FAIL; the graph is then empty.
    HRESULT RenderFile(const QString& fileName);
    // Plays from the current position. On an empty graph only the state moves.
    HRESULT Run();
    // Halts where it is; the position is kept.
    HRESULT Stop();
    // The state the graph is in or on its way to. Waits up to msTimeout
    // milliseconds for a pending change; VFW_S_STATE_INTERMEDIATE when it has
    // not finished by then.
    HRESULT GetState(int32_t msTimeout, OAFilterState* state);

    // ---- IMediaPosition (seconds) --------------------------------------------
    // E_UNEXPECTED on an empty graph, with the result set to 0.
    HRESULT get_Duration(REFTIME* length);
    HRESULT get_CurrentPosition(REFTIME* time);
    // Clamped to 0 .. duration; E_INVALIDARG for a value that is not a
    // number or infinite. Keeps the state: a running graph goes on playing
    // from there.
    HRESULT put_CurrentPosition(REFTIME time);

    // ---- IMediaEvent -----------------------------------------------------------
    // Waits up to msTimeout milliseconds for the stream to play to its end:
    // S_OK with *evCode EC_COMPLETE once it has, E_ABORT (and 0) when it has
    // not by then, the failure when playing failed.
    HRESULT WaitForCompletion(int32_t msTimeout, int32_t* evCode);

    // ---- IBasicAudio -----------------------------------------------------------
    // Hundredths of a decibel, kVolumeSilent (-10000, silent) to kVolumeFull
    // (0); anything outside is refused with E_INVALIDARG and changes nothing.
    // Kept across RenderFile.
    HRESULT put_Volume(int32_t volume);
    HRESULT get_Volume(int32_t* volume);

    // ---- Beyond DirectShow -----------------------------------------------------
    // Channel count and sample rate of the decoded audio, for reports.
    struct AudioFormat {
        int channels = 0;
        int rate = 0;
    };
    HRESULT audioFormat(AudioFormat* format);

  private:
    std::unique_ptr<GstGraph> graph_;
    OAFilterState state_ = State_Stopped;
    int32_t volume_ = kVolumeFull;
    REFTIME duration_ = 0;  // known once rendered (or once playing, for some streams)
    REFTIME position_ = 0;  // the last position read, or the one asked for
};

// The linear amplitude of a volume in hundredths of a decibel: 0 -> 1.0,
// -600 -> 0.501, kVolumeSilent and below -> 0 (true silence rather than
// -100 dB).
double volumeToAmplitude(int32_t volume);

}  // namespace lumidex
