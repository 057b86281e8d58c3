#pragma once
// The mixer: every sound of both engines, mixed into one stereo float output.
//
// Streams play from file images in memory, decoded a block at a time as they
// are rendered. Each has a volume, a pan and a playback rate in source frames
// per second (resampled with libsamplerate), plays once and stops at its end.
//
// Time is counted in output frames from the mixer's creation. The render head
// is the next frame render() will produce; commands from the controlling
// thread take effect there. Outputs render ahead of the speaker, so the frame
// heard now (from the attached AudioClock) trails the head by the output's
// latency; positions and activity are answered for the frame heard.
//
// Threads: render() runs on one rendering thread (an output's render thread
// or a test); commands and queries may come from any other thread. A single
// mutex guards the streams. Commands hold it only for bookkeeping: opening,
// seeking and closing decoders (a fraction of a millisecond for a long MP3)
// happen outside it, on the commanding thread, so render() never waits behind
// them. A resting stream lends its decoder out for that, since nothing reads
// it meanwhile; a playing one gets a fresh decoder, swapped in under the lock.
// render() holds the lock for the call (it may itself seek a decoder to a
// scheduled start). The device callback never takes it: outputs hand rendered
// audio to the device through a lock-free FIFO.
//
// Placing a key sound to the sample: take the streams behind the players
// (bassMixerStream, milesMixerStream), ask frameReaching(music, note's source
// frame) for the output frame, and playAt(key, that frame, 0). Frames at
// least AudioOutput::latencyFrames() past heardFrame() are still ahead of
// the render head.

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "MixerStream.h"

namespace lumidex::audio {

class AudioClock;

using StreamId = uint32_t;  // 0 is never a stream

class Mixer {
  public:
    explicit Mixer(int outputRate);
    ~Mixer();
    Mixer(const Mixer&) = delete;
    Mixer& operator=(const Mixer&) = delete;

    int outputRate() const { return outputRate_; }

    // Sounds with more channels than this are refused.
    static constexpr int kMaxChannels = 32;
    // Resting streams keep at most this many decoders open.
    static constexpr int kIdleDecoders = 64;

    // Adds a stream, stopped at source frame 0, volume 1, centred, playing at
    // the file's own rate. 0 when the source has no decoder or too many channels.
    StreamId add(StreamSource source);
    // Waits for commands on the stream that are still opening or seeking a
    // decoder; afterwards the stream's bytes are no longer read.
    bool remove(StreamId id);

    // Starts (or resumes) at the render head from where the stream stands.
    bool play(StreamId id);
    // At output frame `frame` (or at the head, when that has passed) the
    // stream jumps to `sourceFrame` and plays; until then it goes on as it is.
    bool playAt(StreamId id, int64_t frame, double sourceFrame);
    // The same, after the starts already placed (and not before the last of
    // them), so that one stream can be restarted several times ahead.
    bool queueAt(StreamId id, int64_t frame, double sourceFrame);
    // Drops every start placed that has not begun yet; the stream goes on as
    // it is (a sound already playing keeps playing).
    bool cancelStart(StreamId id);
    bool stop(StreamId id);
    // Moves to a source frame (clamped to the length), playing or not.
    bool seek(StreamId id, double sourceFrame);
    // Source frames per second, clamped to 1/256 .. 256 times the output rate.
    bool setRate(StreamId id, double framesPerSecond);
    bool setVolume(StreamId id, float volume);
    // 0 left, 0.5 centre, 1 right.
    bool setPan(StreamId id, float pan);

    struct Status {
        SoundFormat format;
        double position = 0;  // source frame heard now
        double rate = 0;      // source frames per second
        float volume = 0;
        bool active = false;  // playing, waiting to start, or its end not yet heard
    };
    std::optional<Status> status(StreamId id) const;

    // The first output frame at which a playing (or scheduled) stream reaches
    // a source frame, going on as it is now. Frames before the render head
    // are already rendered. Nothing for a resting stream or a position past
    // the end.
    std::optional<int64_t> frameReaching(StreamId id, double sourceFrame) const;

    int64_t renderHead() const;
    int64_t heardFrame() const;
    // Streams whose decoder is open now.
    int openDecoders() const;

    // The clock the outputs publish to; without one the frame heard is the
    // render head (a manual output in tests). The clock must outlive its use.
    void attachClock(const AudioClock* clock);

    // Renders the next `frames` frames into out (stereo, interleaved) and
    // advances the head.
    void render(float* out, int frames);

  private:
    using Lock = std::unique_lock<std::mutex>;
    using Decoders = std::vector<std::unique_ptr<Decoder>>;
    struct Entry {
        std::unique_ptr<MixerStream> stream;
        uint64_t lastUse = 0;  // for closing the decoders of streams unused longest
        int preparing = 0;     // commands working on a decoder outside the lock
    };
    // A decoder made ready outside the lock for a command on one stream.
    struct Ready {
        std::unique_ptr<Decoder> decoder;
        int64_t frame = 0;     // where it stands
        bool counted = false;  // Entry::preparing counts it
    };
    MixerStream* use(StreamId id);
    const MixerStream* find(StreamId id) const;
    int64_t heardLocked() const;
    void closeIdleDecoders(Decoders& closed);
    // Outside the lock: a decoder at `sourceFrame` (for a seek), or at the
    // stream's position when it has none (for a start). Nothing when the
    // stream does not exist.
    std::optional<Ready> prepare(StreamId id, std::optional<double> sourceFrame);
    // Under the lock again: the stream, with the preparation no longer counted.
    MixerStream* finishPreparing(StreamId id, const Ready& ready);
    // play, playAt and queueAt: the stream's decoder made ready, then `start`
    // runs under the lock.
    bool withReadyDecoder(StreamId id, const std::function<void(MixerStream&)>& start);

    const int outputRate_;
    mutable std::mutex mutex_;
    std::condition_variable prepared_;  // signalled when Entry::preparing drops
    std::map<StreamId, Entry> streams_;
    StreamId nextId_ = 1;
    int64_t head_ = 0;
    const AudioClock* clock_ = nullptr;
    std::vector<float> scratch_;
    uint64_t useCounter_ = 0;
};

}  // namespace lumidex::audio
