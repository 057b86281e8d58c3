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
// mutex guards the streams, and nothing slow happens under it:
//   - render() holds it for one call (a few hundred frames) and only walks
//     the streams that are playing or waiting for a scheduled start; it never
//     opens a decoder (a stream without one ends), never makes a resampler,
//     never allocates and never frees.
//   - Commands hold it for bookkeeping only. Opening and seeking decoders and
//     making resamplers happen outside it, on the commanding thread; so does
//     destroying what a command or a closed decoder leaves over. A resting
//     stream lends its decoder out for that, since nothing reads it
//     meanwhile; a playing one gets a fresh decoder, swapped in under the lock.
//   - placeStarts() places a whole batch of scheduled starts (a playback
//     step's key sounds) in one pass under the lock.
// The device callback never takes the lock: outputs hand rendered audio to
// the device through a lock-free FIFO.
//
// Cost follows what plays: render, scheduling and opening walk the streams
// playing or scheduled, and the resting streams that keep a decoder form a
// least-recently-used list of at most kIdleDecoders, trimmed from its oldest
// end; nothing walks every stream loaded.
//
// Placing a key sound to the sample: take the streams behind the players
// (bassMixerStream, milesMixerStream), ask frameReaching(music, note's source
// frame) for the output frame, and playAt(key, that frame, 0). Frames at
// least AudioOutput::latencyFrames() past heardFrame() are still ahead of
// the render head.

#include <atomic>
#include <condition_variable>
#include <cstdint>
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

    // One start of a batch for placeStarts().
    struct Start {
        StreamId stream = 0;
        int64_t frame = 0;
        double sourceFrame = 0;
        bool placed = false;  // set by placeStarts: the stream exists
    };
    // cancelStart for every stream of `withdrawn`, then queueAt for every
    // start in order, as one command: decoders are made ready outside the
    // lock first, and the lock is taken once for the whole batch.
    void placeStarts(const std::vector<StreamId>& withdrawn, std::vector<Start>& starts);
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
    // What commands leave over, destroyed once the lock is released.
    using Leftovers = std::vector<MixerStream::Parts>;
    struct Entry {
        StreamId id = 0;
        std::unique_ptr<MixerStream> stream;
        int preparing = 0;       // commands working on a decoder outside the lock
        bool rendering = false;  // in rendering_
        bool idle = false;       // in the idle-decoder list
        Entry* older = nullptr;  // idle-decoder list links
        Entry* newer = nullptr;
    };
    // A decoder and a resampler made ready outside the lock for a command on
    // one stream.
    struct Ready {
        Entry* entry = nullptr;  // null: nothing to do, or no such stream
        MixerStream* stream = nullptr;
        SoundFormat format;
        MixerStream::Recipe recipe;
        bool openDecoder = false;
        std::unique_ptr<Decoder> decoder;  // lent by a resting stream, or opened
        int64_t frame = 0;                 // where it is to stand
        bool makeResampler = false;
        std::unique_ptr<Resampler> resampler;
    };
    Entry* find(StreamId id);
    const MixerStream* find(StreamId id) const;
    int64_t heardLocked() const;

    // What a command needs made outside the lock: a start, a decoder where
    // the stream stands and a resampler for its rate; a seek, a decoder at
    // `value` (unless the stream rests without one); a rate change, a
    // resampler for rate `value` (when the stream has a decoder).
    enum class Purpose { Start, Seek, Rate };
    // Under the lock: plans it; counted until handed over. False when the
    // stream does not exist; ready.entry stays null when nothing is needed.
    bool plan(StreamId id, Purpose purpose, double value, Ready& ready);
    // Outside the lock: makes what was planned.
    static void make(Ready& ready);
    // Under the lock again: no longer counted, the resampler handed to the
    // stream (a decoder is the command's to use). The stream's entry.
    Entry* handOver(Ready& ready, Leftovers& unused);
    // play, playAt and queueAt: the stream's decoder made ready, then `start`
    // runs under the lock.
    template <class Command>
    bool startWithDecoder(StreamId id, Command&& start);
    // A command with nothing to make outside the lock.
    template <class Command>
    bool withStream(StreamId id, Command&& command);

    // The stream's place in the lists after a command or a render pass.
    void settle(Entry& entry);
    void linkNewestIdle(Entry& entry);
    void unlinkIdle(Entry& entry);
    void unlistRendering(Entry& entry);
    // Render thread: streams that ended or stopped leave rendering_.
    void retireEnded();
    // Closes the decoders of the idle streams used longest ago beyond the bound.
    void trimIdle(Leftovers& closed);

    const int outputRate_;
    mutable std::mutex mutex_;
    std::condition_variable prepared_;  // signalled when Entry::preparing drops
    std::map<StreamId, Entry> streams_;
    std::atomic<StreamId> nextId_{1};
    // Playing or scheduled streams by id (the order they are mixed in); its
    // capacity covers every stream, so adding to it never allocates.
    std::vector<Entry*> rendering_;
    Entry* oldestIdle_ = nullptr;  // idle-decoder list, oldest use first
    Entry* newestIdle_ = nullptr;
    int idleCount_ = 0;
    int64_t head_ = 0;
    const AudioClock* clock_ = nullptr;
    std::vector<float> scratch_;
};

}  // namespace lumidex::audio
