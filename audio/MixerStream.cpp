#include "MixerStream.h"

#include <samplerate.h>

#include <algorithm>
#include <cmath>

namespace lumidex::audio {

namespace {

// Frames the resampler asks the decoder for at a time.
constexpr int kInputFrames = 1024;

// The converter for a sound. Long sounds (the music) get libsamplerate's
// fastest band-limited converter: clean at any rate, and there is one of them.
// Short ones (key sounds, dozens at once, each heard for a moment) get linear
// interpolation, about twenty times cheaper.
constexpr double kLongSoundSeconds = 20.0;

int converterFor(const SoundFormat& format) {
    const bool longSound = double(format.frames) > kLongSoundSeconds * format.sampleRate;
    return longSound ? SRC_SINC_FASTEST : SRC_LINEAR;
}

}  // namespace

Resampler::Resampler(const SoundFormat& format, MixerStream* owner)
    : input_(size_t(kInputFrames) * size_t(format.channels)) {
    int error = 0;
    state_ = src_callback_new(&MixerStream::pullInput, converterFor(format), format.channels,
                              &error, owner);
}

Resampler::~Resampler() {
    if (state_) src_delete(state_);
}

MixerStream::MixerStream(StreamSource source, int outputRate, uint32_t id)
    : mirror_(false),
      id_(id),
      recipe_{source.bytes, source.accepted, source.open},
      format_(source.decoder->format()),
      outputRate_(outputRate),
      decoder_(std::move(source.decoder)),
      rate_(format_.sampleRate),
      step_(rate_ / outputRate) {
    pending_.reserve(kStartRoom);
}

MixerStream::MixerStream(const MixerStream& voice, MirrorTag)
    : mirror_(true),
      id_(voice.id_),
      recipe_(voice.recipe_),
      format_(voice.format_),
      outputRate_(voice.outputRate_),
      decoderHeld_(voice.decoder_ != nullptr),
      rate_(voice.rate_),
      step_(voice.step_) {}

std::unique_ptr<MixerStream> MixerStream::mirrorOf(const MixerStream& voice) {
    return std::unique_ptr<MixerStream>(new MixerStream(voice, MirrorTag{}));
}

MixerStream::~MixerStream() = default;

MixerStream::Parts MixerStream::closeDecoder() {
    resampling_ = false;
    decoderHeld_ = resamplerHeld_ = false;
    return Parts{std::move(decoder_), std::move(resampler_)};
}

bool MixerStream::lacksResampler(double framesPerSecond) const {
    const bool has = mirror_ ? resamplerHeld_ : resampler_ != nullptr;
    return !has && clampedRate(framesPerSecond) != double(outputRate_);
}

std::unique_ptr<Resampler> MixerStream::adoptResampler(std::unique_ptr<Resampler> resampler) {
    if (mirror_) {
        resamplerHeld_ = true;
        return resampler;
    }
    if (resampler_ || !resampler || !resampler->ok()) return resampler;
    resampler_ = std::move(resampler);
    resampling_ = false;
    return nullptr;
}

int64_t MixerStream::frameAt(double sourceFrame) const {
    return int64_t(std::floor(std::clamp<double>(sourceFrame, 0, format_.frames)));
}

std::unique_ptr<Decoder> MixerStream::adoptDecoder(std::unique_ptr<Decoder> decoder, int64_t at) {
    if (mirror_) {
        if (!decoderHeld_) placeAt(frameAt(position_));
        decoderHeld_ = true;
        return decoder;
    }
    if (decoder_ || !decoder) return decoder;
    decoder_ = std::move(decoder);
    const int64_t frame = frameAt(position_);
    if (frame != at) decoder_->seek(frame);
    placeAt(frame);
    return nullptr;
}

void MixerStream::seekDecoder(double sourceFrame) {
    const int64_t frame = frameAt(sourceFrame);
    placeAt(frame);
    if (decoder_) decoder_->seek(frame);
}

void MixerStream::placeAt(int64_t frame) {
    position_ = double(frame);
    inputPosition_ = frame;
    resampling_ = false;  // the resampler starts afresh from here when needed
}

void MixerStream::mark(int64_t frame, double position, bool moving, int64_t heard) {
    if (mirror_) timeline_.mark(frame, position, step_, moving, heard);
}

void MixerStream::play(int64_t head, int64_t heard) {
    const bool hadPending = !pending_.empty();
    pending_.clear();
    if (playing_) {
        if (hadPending) mark(head, position_, true, heard);
        return;
    }
    if (position_ >= double(format_.frames) || !hasDecoder()) {
        // Nothing left to play: it is over before it is heard.
        ended_ = true;
        endFrame_ = heard;
        mark(head, position_, false, heard);
        return;
    }
    playing_ = true;
    ended_ = false;
    mark(head, position_, true, heard);
}

void MixerStream::stop(int64_t head, int64_t heard) {
    pending_.clear();
    playing_ = false;
    ended_ = false;
    mark(head, position_, false, heard);
}

std::unique_ptr<Decoder> MixerStream::seek(double sourceFrame, std::unique_ptr<Decoder> fresh,
                                           bool withDecoder, int64_t head, int64_t heard) {
    const bool hadPending = !pending_.empty();
    pending_.clear();
    ended_ = false;
    if (fresh) {
        std::swap(decoder_, fresh);
        placeAt(frameAt(sourceFrame));
    } else {
        seekDecoder(sourceFrame);
    }
    if (mirror_ && withDecoder) decoderHeld_ = true;
    markSeek(head, heard, hadPending);
    return fresh;
}

void MixerStream::markSeek(int64_t head, int64_t heard, bool hadPending) {
    if (!mirror_) return;
    const auto& last = timeline_.last();
    if (!playing_ && !hadPending && !last.moving && last.frame <= head)
        timeline_.restate(position_);
    else
        mark(head, position_, playing_, heard);
}

void MixerStream::queueStart(int64_t frame, double sourceFrame, uint64_t serial, int64_t head,
                             int64_t heard) {
    const double start = std::clamp<double>(sourceFrame, 0, format_.frames);
    int64_t at = std::max(frame, head);
    if (!pending_.empty()) at = std::max(at, pending_.back().frame);
    pending_.push_back(Start{at, start, serial});
    ended_ = false;
    mark(at, start, true, heard);
}

void MixerStream::cancelStart(int64_t head, int64_t heard) {
    if (pending_.empty()) return;
    pending_.clear();
    mark(head, position_, playing_, heard);
}

void MixerStream::markPending(int64_t heard) {
    for (const Start& start : pending_) mark(start.frame, start.position, true, heard);
}

double MixerStream::clampedRate(double framesPerSecond) const {
    // libsamplerate converts by at most a factor of 256 either way.
    return std::clamp(framesPerSecond, outputRate_ / 256.0, outputRate_ * 256.0);
}

void MixerStream::setRate(double framesPerSecond, int64_t head, int64_t heard) {
    rate_ = clampedRate(framesPerSecond);
    step_ = rate_ / outputRate_;
    if (playing_) mark(head, position_, true, heard);
    markPending(heard);
}

void MixerStream::begin(const Start& start) {
    pending_.erase(pending_.begin());
    seekDecoder(start.position);
    playing_ = true;
    ended_ = false;
    lastStarted_ = start.serial;
}

void MixerStream::catchUp(int64_t head) {
    while (!pending_.empty() && pending_.front().frame < head) begin(pending_.front());
    if (playing_) position_ = positionAt(head);
}

bool MixerStream::ended(int64_t frame, double position, uint64_t serial, int64_t heard) {
    if (serial < lastStarted_) return false;
    while (!pending_.empty() && pending_.front().serial <= serial) begin(pending_.front());
    position_ = position;
    finish(frame, heard);
    return true;
}

bool MixerStream::isActive(int64_t heard) const {
    return playing_ || !pending_.empty() || (ended_ && heard < endFrame_);
}

double MixerStream::positionAt(int64_t frame) const {
    return std::clamp<double>(timeline_.at(frame), 0, format_.frames);
}

std::optional<int64_t> MixerStream::frameReaching(double sourceFrame, int64_t head) const {
    if (sourceFrame > double(format_.frames)) return std::nullopt;
    int64_t fromFrame = head;
    double fromPosition = position_;
    if (!pending_.empty()) {
        if (sourceFrame < pending_.front().position) return std::nullopt;
        fromFrame = pending_.front().frame;
        fromPosition = pending_.front().position;
    } else if (!playing_) {
        return std::nullopt;
    }
    // The small allowance keeps an exact landing from being pushed a frame late
    // by rounding in the division.
    return fromFrame + int64_t(std::ceil((sourceFrame - fromPosition) / step_ - 1e-9));
}

void MixerStream::mix(float* out, int64_t blockStart, int frames, float* scratch,
                      EndListener& listener) {
    int done = 0;
    while (!pending_.empty() && pending_.front().frame < blockStart + frames) {
        const int upTo = int(pending_.front().frame - blockStart);
        if (playing_ && upTo > done)
            render(out + 2 * done, blockStart + done, upTo - done, scratch, listener);
        begin(pending_.front());
        if (!decoder_) {  // a start is placed with its decoder; none means it cannot play
            finish(blockStart + upTo, 0);
            listener.ended(*this, blockStart + upTo);
            return;
        }
        done = upTo;
    }
    if (playing_ && done < frames)
        render(out + 2 * done, blockStart + done, frames - done, scratch, listener);
}

int MixerStream::render(float* out, int64_t blockStart, int frames, float* scratch,
                        EndListener& listener) {
    if (!decoder_) {  // the render thread never opens one: the stream ends
        finish(blockStart, 0);
        listener.ended(*this, blockStart);
        return 0;
    }
    // The commands that change the rate or start the stream made the resampler.
    if (!resampling_ && step_ != 1.0 && resampler_) {
        src_reset(resampler_->state_);
        resampling_ = true;
    }
    const int got =
        resampling_ ? renderResampled(out, frames, scratch) : renderDirect(out, frames, scratch);
    // Direct play knows its end without another read; the resampler only
    // when it has drained.
    const bool atEnd = !resampling_ && inputPosition_ >= format_.frames;
    if (got < frames || atEnd) {
        finish(blockStart + got, 0);
        listener.ended(*this, blockStart + got);
    }
    return got;
}

int MixerStream::renderDirect(float* out, int frames, float* scratch) {
    const int chunk = kScratchFloats / format_.channels;
    int got = 0;
    while (got < frames) {
        const int want = std::min(chunk, frames - got);
        const auto n = int(decoder_->read(scratch, want));
        addFrames(out + 2 * got, scratch, n);
        got += n;
        inputPosition_ += n;
        position_ += n;
        if (n < want) break;
    }
    return got;
}

int MixerStream::renderResampled(float* out, int frames, float* scratch) {
    const int chunk = kScratchFloats / format_.channels;
    const double ratio = 1.0 / step_;
    src_set_ratio(resampler_->state_, ratio);  // a new rate applies from here, without a glide
    int got = 0;
    while (got < frames) {
        const int want = std::min(chunk, frames - got);
        const auto n = int(src_callback_read(resampler_->state_, ratio, want, scratch));
        if (n <= 0) {
            position_ = double(inputPosition_);  // drained: the whole input was played
            break;
        }
        addFrames(out + 2 * got, scratch, n);
        got += n;
        position_ = std::min(position_ + n * step_, double(inputPosition_));
    }
    return got;
}

long MixerStream::pullInput(void* self, float** data) {
    auto* s = static_cast<MixerStream*>(self);
    std::vector<float>& input = s->resampler_->input_;
    const auto n = s->decoder_->read(input.data(), kInputFrames);
    s->inputPosition_ += n;
    *data = input.data();
    return long(n);
}

void MixerStream::addFrames(float* out, const float* in, int frames) const {
    const float left = volume_ * std::min(1.0f, 2.0f * (1.0f - pan_));
    const float right = volume_ * std::min(1.0f, 2.0f * pan_);
    const int channels = format_.channels;
    if (channels == 1) {
        for (int i = 0; i < frames; ++i) {
            out[2 * i] += left * in[i];
            out[2 * i + 1] += right * in[i];
        }
        return;
    }
    // Stereo and beyond: the first two channels are the front pair.
    for (int i = 0; i < frames; ++i) {
        out[2 * i] += left * in[i * channels];
        out[2 * i + 1] += right * in[i * channels + 1];
    }
}

void MixerStream::finish(int64_t frame, int64_t heard) {
    playing_ = false;
    ended_ = true;
    endFrame_ = frame;
    mark(frame, position_, false, heard);
    markPending(heard);
}

std::vector<MixerStream::Start> MixerStream::takeRoom(std::vector<Start> room) {
    if (room.capacity() <= pending_.capacity()) return room;
    room.assign(pending_.begin(), pending_.end());  // fits: never allocates
    std::swap(room, pending_);
    return room;
}

}  // namespace lumidex::audio
