#pragma once
// One sound in the mixer: its decoder, its resampler, where it is, how loud
// and how fast it plays, and when it starts.
//
// Threads: everything here runs under the mixer's lock, on the thread that
// renders or on a thread that controls the stream. Only a copied Recipe, the
// decoders handed out and a Resampler being made are used without it; the
// device callback never gets here. The render thread only calls mix(), which
// never opens a decoder, never makes a resampler and never grows a container:
// the commands that start a stream hand it a decoder and, when its rate is
// not the output's, a resampler, both made outside the lock, and every command
// leaves room for the timeline points the render thread may add.
//
// Frames are counted on two axes: source frames (the file's own samples) and
// output frames (the mixer's clock). The render head is the next output
// frame the mixer will render.

#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

#include "Decoder.h"
#include "PositionTimeline.h"

typedef struct SRC_STATE_tag SRC_STATE;

namespace lumidex::audio {

class MixerStream;

// libsamplerate's converter for one stream, with its input block. Made (and
// destroyed) outside the mixer's lock; it pulls its input from the stream
// it was made for.
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
    MixerStream(StreamSource source, int outputRate);
    ~MixerStream();
    MixerStream(const MixerStream&) = delete;
    MixerStream& operator=(const MixerStream&) = delete;

    const SoundFormat& format() const { return format_; }

    // Decoder lifetime. A resting stream may have its decoder closed to save
    // memory; a command opens it again (outside the lock) where the stream
    // stands. Closing hands the decoder and the resampler back, so that the
    // caller can destroy them outside the lock.
    bool hasDecoder() const { return decoder_ != nullptr; }
    struct Parts {
        std::unique_ptr<Decoder> decoder;
        std::unique_ptr<Resampler> resampler;
    };
    Parts closeDecoder();

    // A stream playing at `framesPerSecond` needs a resampler it has not got.
    bool lacksResampler(double framesPerSecond) const;
    // Takes a resampler made for this stream when it has none; answers it
    // when it was not needed.
    std::unique_ptr<Resampler> adoptResampler(std::unique_ptr<Resampler> resampler);
    // After a command: room for the timeline points the render thread may
    // add (an end, the starts after it marked again), so that it never
    // allocates.
    void keepRoom() { timeline_.keepRoom(4); }

    // Slow decoder work (opening, seeking) can be done outside the mixer's
    // lock: a copy of the recipe opens another decoder on the stream's bytes
    // without touching the stream.
    struct Recipe {
        ByteView bytes;
        ContainerSet accepted = 0;
        DecoderOpener open = nullptr;
        std::unique_ptr<Decoder> openFresh() const {
            return open ? open(bytes, accepted) : nullptr;
        }
    };
    Recipe recipe() const { return Recipe{source_.bytes, source_.accepted, source_.open}; }
    // The frame a source position lands on (clamped to the length).
    int64_t frameAt(double sourceFrame) const;
    // A resting stream lends its decoder out (the renderer does not read it
    // while the stream rests); it then has none, as if closed.
    std::unique_ptr<Decoder> lendDecoder();
    // Takes a decoder standing at source frame `at` when the stream has none,
    // moving it to the stream's position if that changed meanwhile. Answers
    // the decoder when it was not needed.
    std::unique_ptr<Decoder> adoptDecoder(std::unique_ptr<Decoder> decoder, int64_t at);

    // Commands, each taking effect at the render head `head`. `heard` is the
    // frame the listener hears now. Play, stop and seek cancel a scheduled start.
    void play(int64_t head, int64_t heard);
    void stop(int64_t head, int64_t heard);
    void seek(double sourceFrame, int64_t head, int64_t heard);
    // The same with a decoder already at frameAt(sourceFrame), which replaces
    // the stream's own; answers the one replaced.
    std::unique_ptr<Decoder> seek(double sourceFrame, std::unique_ptr<Decoder> ready, int64_t head,
                                  int64_t heard);
    // At output frame `frame` (not before the head) the stream jumps to
    // `sourceFrame` and plays; until then it goes on as it is. Replaces any
    // start scheduled before.
    void scheduleStart(int64_t frame, double sourceFrame, int64_t head, int64_t heard);
    // The same after the starts already scheduled (not before the last of
    // them): each restarts the stream in turn.
    void queueStart(int64_t frame, double sourceFrame, int64_t head, int64_t heard);
    // Drops every scheduled start; the stream goes on as it is.
    void cancelStart(int64_t head, int64_t heard);
    void setRate(double framesPerSecond, int64_t head, int64_t heard);
    // The rate setRate would set, clamped to what the resampler can do.
    double clampedRate(double framesPerSecond) const;
    void setVolume(float volume) { volume_ = volume; }
    void setPan(float pan) { pan_ = std::clamp(pan, 0.0f, 1.0f); }

    double rate() const { return rate_; }
    // The source frame at the render head.
    double position() const { return position_; }
    float volume() const { return volume_; }

    // Playing, waiting for a scheduled start, or still being heard after its end.
    bool isActive(int64_t heard) const;
    // Playing or waiting to start: the mixer renders it.
    bool isRendering() const { return playing_ || !pending_.empty(); }
    // The source position at an output frame no later than the head.
    double positionAt(int64_t frame) const;
    // The first output frame at which the stream, going on as it is now,
    // reaches a source position; nothing when it is not playing or will
    // never get there.
    std::optional<int64_t> frameReaching(double sourceFrame, int64_t head) const;

    // Adds output frames [blockStart, blockStart + frames) into out (stereo,
    // interleaved). scratch holds at least kScratchFloats floats.
    void mix(float* out, int64_t blockStart, int frames, float* scratch, int64_t heard);

    static constexpr int kScratchFloats = 8192;

  private:
    void seekDecoder(double sourceFrame);
    void placeAt(int64_t frame);
    void markSeek(int64_t head, int64_t heard, bool hadPending);
    void markPending(int64_t heard);
    int render(float* out, int64_t blockStart, int frames, float* scratch, int64_t heard);
    int renderDirect(float* out, int frames, float* scratch);
    int renderResampled(float* out, int frames, float* scratch);
    void addFrames(float* out, const float* in, int frames) const;
    void finish(int64_t frame, int64_t heard);
    static long pullInput(void* self, float** data);
    friend class Resampler;

    StreamSource source_;
    SoundFormat format_;
    int outputRate_;
    std::unique_ptr<Decoder> decoder_;

    std::unique_ptr<Resampler> resampler_;
    bool resampling_ = false;    // output goes through the resampler
    int64_t inputPosition_ = 0;  // next source frame the decoder hands out

    double position_ = 0;  // source frame at the render head
    double rate_ = 0;      // source frames per second
    double step_ = 1;      // source frames per output frame: rate_ / outputRate_
    float volume_ = 1;
    float pan_ = 0.5f;  // 0 left, 0.5 centre, 1 right
    bool playing_ = false;
    struct Start {
        int64_t frame;
        double position;
    };
    std::vector<Start> pending_;  // scheduled starts, earliest first
    bool ended_ = false;          // played to its end ...
    int64_t endFrame_ = 0;        // ... at this output frame
    PositionTimeline timeline_;
};

}  // namespace lumidex::audio
