#pragma once
// The mixer: every sound of both engines, mixed into one stereo float output.
//
// Streams play from file images in memory, decoded a block at a time as they
// are rendered. Each has a volume, a pan and a playback rate in source frames
// per second (resampled with libsamplerate), plays once and stops at its end.
//
// Time is counted in output frames from the mixer's creation. The render head
// is the first frame of the next render() call (published at the top of each
// call); commands take effect there. Outputs render ahead of the speaker, so
// the frame heard now (from the attached AudioClock) trails the head by the
// output's latency; positions and activity are answered for the frame heard.
//
// Threads: render() runs on one rendering thread at a time (an output's
// render thread, or the caller of a manual output); commands and queries come
// from other threads. The render thread never waits for them, never
// allocates, never frees and never opens a decoder:
//   - It owns the voices it mixes (MixerStream.h). Commands reach it as
//     records in a single-producer, single-consumer ring (SpscRing.h),
//     drained at the top of each render() call and applied at that call's
//     head, before anything is mixed. Decoders, resamplers, and room for more
//     scheduled starts or playing streams, are made on the commanding side
//     and travel in the records. What a voice replaces or closes, and every
//     record still owning something, travels back through a second ring with
//     the ends the voices ran into, and is destroyed on the commanding side.
//   - The commanding side keeps a mirror of every stream (the same schedule
//     code, without audio), changed at once by its own commands and later by
//     the ends reported back, and answers every query from it. Each record is
//     stamped with the head the mirror applied it at, the head render()
//     published; one pushed during a render call is held back for the next,
//     which starts at that head. A command that finds the ring full waits
//     for room before the mirror applies it, so it is stamped with the head
//     current once room is found. So a command lands where the mirror put it,
//     unless a commanding thread stalls between reading the head and pushing
//     (lateCommands() counts those). With a manual output the head moves only
//     when the caller renders, so every answer is exact. The report ring
//     keeps room for every record that may come back; an end beyond that
//     (more than kCommands between two commands or queries) waits with its
//     voice, still listed, and goes back at the top of a later render call,
//     before any command touches the voice.
//   - A mutex serialises the commanding threads (commands, queries, the
//     producer's side of the ring); render() never takes it.
//   - The ring holds kCommands records (a placeStarts batch is one), which
//     bounds the bookkeeping one render call does. When it is full, and when
//     remove() needs a voice back to destroy it before it returns (a resting
//     voice that no record names and no render call still touches is taken
//     back at once), the commander waits for the render thread to drain it
//     if a clock is attached (a device output's render thread runs);
//     without one (the caller drives the renders) it drains the ring itself
//     under the consumer's lock. render() holds that lock for each call;
//     nothing else takes it while a device output runs, so there it is
//     never contended.
// The device callback never gets here: outputs hand rendered audio to the
// device through a lock-free FIFO.
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
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "MixerStream.h"
#include "SpscRing.h"

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

    // Commands that may wait in the ring for the render thread.
    static constexpr int kCommands = 256;

    // Adds a stream, stopped at source frame 0, volume 1, centred, playing at
    // the file's own rate. 0 when the source has no decoder or too many channels.
    StreamId add(StreamSource source);
    // Afterwards the stream's bytes are no longer read (it waits for a
    // render call in progress to end); its decoder is destroyed later, on a
    // commanding thread, without reading them.
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
    // start in order, as one command: one record for the render thread.
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
    // Commands the render thread applied past the head they were stamped
    // with (a commanding thread stalled between reading the head and
    // pushing the record).
    uint64_t lateCommands() const { return late_.load(std::memory_order_relaxed); }
    // Commands that found the ring full and waited for the render thread.
    uint64_t roomWaits() const { return roomWaits_.load(std::memory_order_relaxed); }

    // The clock the outputs publish to; without one the frame heard is the
    // render head (a manual output in tests). The clock must outlive its use.
    // Attach one only while a render thread of one's own runs: the mixer
    // then counts on that thread to drain its commands (see Threads above).
    void attachClock(const AudioClock* clock);

    // Renders the next `frames` frames into out (stereo, interleaved) and
    // advances the head.
    void render(float* out, int frames);

  private:
    using Lock = std::unique_lock<std::mutex>;
    // A command for one voice, or a batch of them.
    struct Command {
        enum class Kind : uint8_t {
            None,  // nothing to send
            Play,
            Stop,
            Seek,
            Schedule,  // cancel the starts placed, then queue
            Queue,
            Cancel,
            Rate,
            Volume,
            Pan,
            Close,
            Remove,
            Room,  // room for every stream to play at once
            Batch
        };
        Kind kind = Kind::None;
        uint64_t seq = 0;
        int64_t stamp = 0;  // the head it takes effect at
        MixerStream* voice = nullptr;
        int64_t frame = 0;  // a start's frame
        double value = 0;   // source frame, rate, volume or pan
        uint64_t serial = 0;
        bool playing = false;  // after a seek, on the mirror
        std::unique_ptr<Decoder> decoder;
        int64_t decoderAt = 0;
        std::unique_ptr<Resampler> resampler;
        std::vector<MixerStream::Start> startRoom;
        std::vector<MixerStream*> playRoom;
        std::unique_ptr<MixerStream> removed;
        std::vector<Command> batch;
        // Owns nothing: the record can be left in the ring.
        bool empty() const;
    };
    // From the render thread: an end a voice ran into, or a record given
    // back with what it still owns.
    struct Report {
        uint32_t id = 0;  // 0: a record given back
        uint64_t seq = 0;
        int64_t frame = 0;
        double position = 0;
        uint64_t serial = 0;
        uint64_t call = 0;  // the render call it ended in
        Command given;
    };
    struct Entry {
        StreamId id = 0;
        std::unique_ptr<MixerStream> voice;   // the render thread's once handed over
        std::unique_ptr<MixerStream> mirror;  // the commanding side's
        uint64_t lastSent = 0;                // sequence number of the last record for it
        uint64_t lastSeek = 0;                // ... and of the last seek
        uint64_t lastEndCall = 0;             // the render call its voice last ended in
        size_t startRoom = 0;                 // room for starts the voice has
        bool rendering = false;               // in rendering_
        bool idle = false;                    // in the idle-decoder list
        Entry* older = nullptr;               // idle-decoder list links
        Entry* newer = nullptr;
    };
    class Ends;

    // --- Commanding side (under mutex_) ---
    // Reads the head (now_) and takes in what the render thread sent back.
    void catchUp() const;
    // catchUp(), and the entry's mirror brought to the head.
    MixerStream& mirrorNow(Entry& entry) const;
    Entry* find(StreamId id) const;
    int64_t heardLocked() const;
    // A command for the entry's voice, stamped with the head now.
    Command command(Command::Kind kind, Entry& entry);
    // The decoder and resampler a start needs, made here (slow work)...
    void makeForStart(Entry& entry, Command& command) const;
    // ... and noted on the mirror when the command is applied to it.
    static void noteMade(MixerStream& mirror, const Command& command);
    // Room for the starts the mirror now has, when the voice may lack it.
    void roomForStarts(Entry& entry, Command& command);
    // Returns once the ring has room for a record. A command calls it before
    // it reads the head and changes the mirror: one producer, so the room
    // stays until its record is pushed.
    void waitForRoom();
    // Pushes the record (waiting while the ring is full); its sequence number.
    uint64_t send(Command command);
    // Waits for the render thread to drain the ring, or drains it (see remove()).
    void makeRoom();
    // A command on one stream: `apply` changes the mirror and fills the record.
    template <class Apply>
    bool withStream(StreamId id, Command::Kind kind, Apply&& apply);
    // The stream's place in the lists after a command or an end.
    void settle(Entry& entry) const;
    void linkNewestIdle(Entry& entry) const;
    void unlinkIdle(Entry& entry) const;
    void unlistRendering(Entry& entry) const;
    // Closes the decoders of the idle streams used longest ago beyond the bound.
    void trimIdle();

    // --- Render thread ---
    // Applies the records stamped up to `head`.
    void drainCommands(int64_t head);
    void apply(Command& command, int64_t head);
    void applyOne(Command& command, int64_t head);
    void listVoice(MixerStream& voice);
    void unlistVoice(MixerStream& voice);
    void retireEnded();
    // Sends an end back; false when the report ring has no room for it.
    bool reportEnd(StreamId id, const MixerStream::EndNote& note);
    // The ends that waited with their voices, as far as there is room.
    void reportHeldEnds();
    void forgetUnreportedEnd(MixerStream& voice);
    void giveBack(Command& command);

    const int outputRate_;
    mutable std::mutex mutex_;  // the commanding threads', never the render thread's
    mutable std::map<StreamId, Entry> streams_;
    std::atomic<StreamId> nextId_{1};
    mutable std::vector<Entry*> rendering_;  // mirrors playing or scheduled, by id
    mutable Entry* oldestIdle_ = nullptr;    // idle-decoder list, oldest use first
    mutable Entry* newestIdle_ = nullptr;
    mutable int idleCount_ = 0;
    const AudioClock* clock_ = nullptr;
    mutable int64_t now_ = 0;  // the head commands are stamped with
    uint64_t seq_ = 0;
    size_t playRoom_ = 0;  // room for playing voices the render thread has

    SpscRing<Command> commands_{kCommands};
    mutable SpscRing<Report> reports_{2 * kCommands};
    std::atomic<int64_t> published_{0};  // the head of the next drain
    std::atomic<uint64_t> drained_{0};   // sequence number of the last record applied
    std::atomic<uint64_t> calls_{0};     // render calls finished
    std::atomic<uint64_t> late_{0};
    std::atomic<uint64_t> roomWaits_{0};
    // Ends waiting with their voices (written by the render thread only);
    // while any waits, remove() takes no voice back without the ring.
    std::atomic<int> unreportedEnds_{0};

    // The consumer's side of the command ring. render() holds it for a call;
    // a commanding thread takes it only while no clock is attached (no
    // device render thread runs), to drain the ring in remove().
    std::mutex drain_;
    int64_t head_ = 0;
    std::vector<MixerStream*> voices_;  // voices playing or scheduled, by id
    std::vector<float> scratch_;
};

}  // namespace lumidex::audio
