#pragma once
// One sound in the mixer, in one of two roles.
//
//   The voice, on the render thread: its decoder, its resampler, where it is,
//   how loud and how fast it plays, and its scheduled starts. mix() renders
//   it; commands reach it as records the mixer drains at the top of a render
//   call.
//   The mirror, on the commanding side: the same schedule and the same
//   commands (the same code below), without audio; whether the voice holds a
//   decoder and a resampler are flags. It keeps the timeline of positions
//   that queries read, and learns where the voice ran out of data from the
//   reports the render thread sends back.
//
// Threads: a voice is touched by the render thread only (once the mixer has
// handed it over) and never opens a decoder, never makes a resampler, never
// grows a container: the commanding side makes decoders and resamplers and
// sends room for more scheduled starts ahead of need. A mirror is touched by
// the commanding side only. A Resampler is made on the commanding side for
// the voice it will serve.
//
// Frames are counted on two axes: source frames (the file's own samples) and
// output frames (the mixer's clock). The render head is the next output
// frame the mixer will render.

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "Decoder.h"
#include "PositionTimeline.h"

typedef struct SRC_STATE_tag SRC_STATE;

namespace lumidex::audio {

class MixerStream;

// libsamplerate's converter for one voice, with its input block. Made (and
// destroyed) on the commanding side; it pulls its input from the voice it
// was made for.
class Resampler {
  public:
    Resampler(const SoundFormat& format, MixerStream* owner);
    ~Resampler();
    Resampler(const Resampler&) = delete;
    Resampler& operator=(const Resampler&) = delete;
    bool ok() const { return state_ != nullptr; }

  private:
    friend class MixerStream;
    SRC_STATE* state_ = nullptr;
    std::vector<float> input_;
};

// What a layer hands the mixer: the file image, how to decode it, and a
// decoder already opened on it (at frame 0).
struct StreamSource {
    ByteView bytes;
    ContainerSet accepted = 0;
    DecoderOpener open = nullptr;
    std::unique_ptr<Decoder> decoder;
};

class MixerStream {
  public:
    // How to open another decoder on the stream's bytes (the file image
    // outlives the stream).
    struct Recipe {
        ByteView bytes;
        ContainerSet accepted = 0;
        DecoderOpener open = nullptr;
        std::unique_ptr<Decoder> openFresh() const {
            return open ? open(bytes, accepted) : nullptr;
        }
    };
    // A scheduled start; serials number a stream's starts from 1, the same
    // on the voice and its mirror.
    struct Start {
        int64_t frame = 0;
        double position = 0;
        uint64_t serial = 0;
    };
    // Told by a voice, on the render thread, that it ran out of data.
    class EndListener {
      public:
        virtual void ended(MixerStream& voice, int64_t frame) = 0;

      protected:
        ~EndListener() = default;
    };

    // A voice, holding the source's decoder. `id` is the mixer's name for it.
    MixerStream(StreamSource source, int outputRate, uint32_t id);
    // The mirror of a voice just made (holding its decoder, at frame 0).
    static std::unique_ptr<MixerStream> mirrorOf(const MixerStream& voice);
    ~MixerStream();
    MixerStream(const MixerStream&) = delete;
    MixerStream& operator=(const MixerStream&) = delete;

    uint32_t id() const { return id_; }
    const SoundFormat& format() const { return format_; }
    const Recipe& recipe() const { return recipe_; }
    // The frame a source position lands on (clamped to the length).
    int64_t frameAt(double sourceFrame) const;

    // Decoder lifetime. A resting stream may have its decoder closed to save
    // memory; a command gives it a fresh one where it stands. Closing a
    // voice answers what it held, for the commanding side to destroy.
    bool hasDecoder() const { return mirror_ ? decoderHeld_ : decoder_ != nullptr; }
    struct Parts {
        std::unique_ptr<Decoder> decoder;
        std::unique_ptr<Resampler> resampler;
    };
    Parts closeDecoder();
    // A stream playing at `framesPerSecond` needs a resampler it has not got.
    bool lacksResampler(double framesPerSecond) const;
    // Voice: takes a resampler made for it when it has none; answers it when
    // it was not needed. Mirror: the voice will hold one (pass null).
    std::unique_ptr<Resampler> adoptResampler(std::unique_ptr<Resampler> resampler);
    // Voice: takes a decoder standing at source frame `at` when it has none,
    // moving it to the stream's position if that differs; answers the
    // decoder when it was not needed. Mirror: the voice will hold one (pass
    // null); the position becomes a whole frame, as on the voice.
    std::unique_ptr<Decoder> adoptDecoder(std::unique_ptr<Decoder> decoder, int64_t at);

    // Commands, each taking effect at the render head `head`. `heard` is the
    // frame the listener hears now (the mirror's timeline keeps what is
    // needed from there on). Play, stop and seek cancel a scheduled start.
    void play(int64_t head, int64_t heard);
    void stop(int64_t head, int64_t heard);
    // Moves to a source frame. A voice given `fresh` (a decoder already at
    // frameAt(sourceFrame)) swaps it in and answers its own; a mirror given
    // `withDecoder` notes that the voice will then hold one.
    std::unique_ptr<Decoder> seek(double sourceFrame, std::unique_ptr<Decoder> fresh,
                                  bool withDecoder, int64_t head, int64_t heard);
    // At output frame `frame` (not before the head, nor before the starts
    // already scheduled) the stream jumps to `sourceFrame` and plays; until
    // then it goes on as it is. Each start restarts the stream in turn.
    void queueStart(int64_t frame, double sourceFrame, uint64_t serial, int64_t head,
                    int64_t heard);
    // Drops every scheduled start; the stream goes on as it is.
    void cancelStart(int64_t head, int64_t heard);
    void setRate(double framesPerSecond, int64_t head, int64_t heard);
    // The rate setRate would set, clamped to what the resampler can do.
    double clampedRate(double framesPerSecond) const;
    void setVolume(float volume) { volume_ = volume; }
    void setPan(float pan) { pan_ = std::clamp(pan, 0.0f, 1.0f); }
    // Voice: the commanding side's word on whether it plays (after a seek,
    // where the voice may have ended meanwhile unseen by the mirror).
    void setPlaying(bool playing) { playing_ = playing && decoder_ != nullptr; }

    double rate() const { return rate_; }
    // The source frame at the render head (on a mirror, as of catchUp()).
    double position() const { return position_; }
    float volume() const { return volume_; }
    float pan() const { return pan_; }
    bool playing() const { return playing_; }
    size_t scheduledStarts() const { return pending_.size(); }
    // Playing or waiting to start: the mixer renders it.
    bool isRendering() const { return playing_ || !pending_.empty(); }

    // --- Mirror ---------------------------------------------------------
    // The serial for the next start queued.
    uint64_t nextSerial() { return ++lastQueued_; }
    // The render head moved to `head`: the starts before it have begun, and
    // a playing stream stands where its timeline says.
    void catchUp(int64_t head);
    // The voice ran out of data at output frame `frame`, at source frame
    // `position`, after its start `serial`. False (nothing changed) when a
    // later start has already been taken as begun here.
    bool ended(int64_t frame, double position, uint64_t serial, int64_t heard);
    // Playing, waiting for a scheduled start, or still being heard after its end.
    bool isActive(int64_t heard) const;
    // The source position at an output frame no later than the head.
    double positionAt(int64_t frame) const;
    // The first output frame at which the stream, going on as it is now,
    // reaches a source position; nothing when it is not playing or will
    // never get there.
    std::optional<int64_t> frameReaching(double sourceFrame, int64_t head) const;

    // --- Voice ----------------------------------------------------------
    // Takes `room` for scheduled starts when it is larger than what the
    // voice has (moving the starts over); answers the smaller one.
    std::vector<Start> takeRoom(std::vector<Start> room);
    // The last start begun and the last command applied (its sequence number).
    uint64_t lastStarted() const { return lastStarted_; }
    uint64_t lastCommand() const { return lastCommand_; }
    void setLastCommand(uint64_t seq) { lastCommand_ = seq; }
    // An end the mixer has not been able to report yet (it keeps the voice
    // listed until it has); a later end replaces it.
    struct EndNote {
        int64_t frame = 0;
        double position = 0;
        uint64_t serial = 0;  // the last start begun
        uint64_t seq = 0;     // the last command applied
    };
    std::optional<EndNote>& unreportedEnd() { return unreportedEnd_; }
    // In the mixer's list of voices to mix.
    bool listed() const { return listed_; }
    void setListed(bool listed) { listed_ = listed; }
    // Adds output frames [blockStart, blockStart + frames) into out (stereo,
    // interleaved). scratch holds at least kScratchFloats floats.
    void mix(float* out, int64_t blockStart, int frames, float* scratch, EndListener& listener);

    static constexpr int kScratchFloats = 8192;
    // Room for scheduled starts a voice is made with.
    static constexpr size_t kStartRoom = 4;

  private:
    struct MirrorTag {};
    MixerStream(const MixerStream& voice, MirrorTag);
    void seekDecoder(double sourceFrame);
    void placeAt(int64_t frame);
    void begin(const Start& start);
    void mark(int64_t frame, double position, bool moving, int64_t heard);
    void markSeek(int64_t head, int64_t heard, bool hadPending);
    void markPending(int64_t heard);
    int render(float* out, int64_t blockStart, int frames, float* scratch, EndListener& listener);
    int renderDirect(float* out, int frames, float* scratch);
    int renderResampled(float* out, int frames, float* scratch);
    void addFrames(float* out, const float* in, int frames) const;
    void finish(int64_t frame, int64_t heard);
    static long pullInput(void* self, float** data);
    friend class Resampler;

    const bool mirror_;
    const uint32_t id_;
    Recipe recipe_;
    SoundFormat format_;
    int outputRate_;
    std::unique_ptr<Decoder> decoder_;  // voice only

    std::unique_ptr<Resampler> resampler_;  // voice only
    bool resampling_ = false;               // output goes through the resampler
    int64_t inputPosition_ = 0;             // next source frame the decoder hands out
    bool decoderHeld_ = false;              // mirror: the voice holds a decoder ...
    bool resamplerHeld_ = false;            // ... and a resampler

    double position_ = 0;  // source frame at the render head
    double rate_ = 0;      // source frames per second
    double step_ = 1;      // source frames per output frame: rate_ / outputRate_
    float volume_ = 1;
    float pan_ = 0.5f;  // 0 left, 0.5 centre, 1 right
    bool playing_ = false;
    std::vector<Start> pending_;            // scheduled starts, earliest first
    uint64_t lastQueued_ = 0;               // mirror: serial of the last start queued
    uint64_t lastStarted_ = 0;              // serial of the last start begun
    uint64_t lastCommand_ = 0;              // voice: sequence number of the last command applied
    bool listed_ = false;                   // voice: in the mixer's list
    std::optional<EndNote> unreportedEnd_;  // voice only
    bool ended_ = false;                    // played to its end ...
    int64_t endFrame_ = 0;                  // ... at this output frame
    PositionTimeline timeline_;             // mirror only
};

}  // namespace lumidex::audio
