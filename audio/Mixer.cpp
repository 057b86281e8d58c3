#include "Mixer.h"

#include <algorithm>

#include "AudioClock.h"

namespace lumidex::audio {

namespace {

// Frames rendered per pass over the streams.
constexpr int kBlock = 512;

}  // namespace

Mixer::Mixer(int outputRate) : outputRate_(outputRate), scratch_(MixerStream::kScratchFloats) {}

Mixer::~Mixer() = default;

StreamId Mixer::add(StreamSource source) {
    if (!source.decoder) return 0;
    const SoundFormat& format = source.decoder->format();
    if (format.channels < 1 || format.channels > kMaxChannels || format.sampleRate < 1) return 0;
    auto stream = std::make_unique<MixerStream>(std::move(source), outputRate_);
    Decoders closed;  // destroyed once the lock is released
    Lock lock(mutex_);
    const StreamId id = nextId_++;
    streams_[id] = Entry{std::move(stream), ++useCounter_};
    closeIdleDecoders(closed);
    return id;
}

bool Mixer::remove(StreamId id) {
    std::unique_ptr<MixerStream> gone;  // its decoder closes once the lock is released
    Lock lock(mutex_);
    prepared_.wait(lock, [&] {
        auto it = streams_.find(id);
        return it == streams_.end() || it->second.preparing == 0;
    });
    auto it = streams_.find(id);
    if (it == streams_.end()) return false;
    gone = std::move(it->second.stream);
    streams_.erase(it);
    return true;
}

bool Mixer::play(StreamId id) {
    return withReadyDecoder(id, [this](MixerStream& s) { s.play(head_, heardLocked()); });
}

bool Mixer::playAt(StreamId id, int64_t frame, double sourceFrame) {
    return withReadyDecoder(
        id, [&](MixerStream& s) { s.scheduleStart(frame, sourceFrame, head_, heardLocked()); });
}

bool Mixer::queueAt(StreamId id, int64_t frame, double sourceFrame) {
    return withReadyDecoder(
        id, [&](MixerStream& s) { s.queueStart(frame, sourceFrame, head_, heardLocked()); });
}

// The decoder is opened (outside the lock) before the start is placed, so the
// render thread only has to move it there when the start frame comes round.
bool Mixer::withReadyDecoder(StreamId id, const std::function<void(MixerStream&)>& start) {
    std::optional<Ready> ready = prepare(id, std::nullopt);
    if (!ready) return false;
    Decoders unused;
    Lock lock(mutex_);
    MixerStream* s = finishPreparing(id, *ready);
    if (!s) return false;
    unused.push_back(s->adoptDecoder(std::move(ready->decoder), ready->frame));
    start(*s);
    closeIdleDecoders(unused);
    return true;
}

bool Mixer::cancelStart(StreamId id) {
    Lock lock(mutex_);
    MixerStream* s = use(id);
    if (!s) return false;
    s->cancelStart(head_, heardLocked());
    return true;
}

bool Mixer::stop(StreamId id) {
    Lock lock(mutex_);
    MixerStream* s = use(id);
    if (!s) return false;
    s->stop(head_, heardLocked());
    return true;
}

bool Mixer::seek(StreamId id, double sourceFrame) {
    std::optional<Ready> ready = prepare(id, sourceFrame);
    if (!ready) return false;
    std::unique_ptr<Decoder> replaced;
    Lock lock(mutex_);
    MixerStream* s = finishPreparing(id, *ready);
    if (!s) return false;
    replaced = s->seek(sourceFrame, std::move(ready->decoder), head_, heardLocked());
    return true;
}

bool Mixer::setRate(StreamId id, double framesPerSecond) {
    Lock lock(mutex_);
    MixerStream* s = use(id);
    if (!s) return false;
    s->setRate(framesPerSecond, head_, heardLocked());
    return true;
}

bool Mixer::setVolume(StreamId id, float volume) {
    Lock lock(mutex_);
    MixerStream* s = use(id);
    if (!s) return false;
    s->setVolume(std::max(0.0f, volume));
    return true;
}

bool Mixer::setPan(StreamId id, float pan) {
    Lock lock(mutex_);
    MixerStream* s = use(id);
    if (!s) return false;
    s->setPan(pan);
    return true;
}

std::optional<Mixer::Status> Mixer::status(StreamId id) const {
    Lock lock(mutex_);
    const MixerStream* s = find(id);
    if (!s) return std::nullopt;
    const int64_t heard = heardLocked();
    return Status{s->format(), s->positionAt(heard), s->rate(), s->volume(), s->isActive(heard)};
}

std::optional<int64_t> Mixer::frameReaching(StreamId id, double sourceFrame) const {
    Lock lock(mutex_);
    const MixerStream* s = find(id);
    if (!s) return std::nullopt;
    return s->frameReaching(sourceFrame, head_);
}

int64_t Mixer::renderHead() const {
    Lock lock(mutex_);
    return head_;
}

int64_t Mixer::heardFrame() const {
    Lock lock(mutex_);
    return heardLocked();
}

int Mixer::openDecoders() const {
    Lock lock(mutex_);
    int open = 0;
    for (const auto& [id, entry] : streams_) open += entry.stream->hasDecoder() ? 1 : 0;
    return open;
}

void Mixer::attachClock(const AudioClock* clock) {
    Lock lock(mutex_);
    clock_ = clock;
}

void Mixer::render(float* out, int frames) {
    std::fill(out, out + 2 * size_t(std::max(frames, 0)), 0.0f);
    Lock lock(mutex_);
    const int64_t heard = heardLocked();
    for (int done = 0; done < frames;) {
        const int n = std::min(kBlock, frames - done);
        for (auto& [id, entry] : streams_) {
            MixerStream& s = *entry.stream;
            if (s.isRendering()) s.mix(out + 2 * done, head_, n, scratch_.data(), heard);
        }
        head_ += n;
        done += n;
    }
}

MixerStream* Mixer::use(StreamId id) {
    auto it = streams_.find(id);
    if (it == streams_.end()) return nullptr;
    it->second.lastUse = ++useCounter_;
    return it->second.stream.get();
}

const MixerStream* Mixer::find(StreamId id) const {
    auto it = streams_.find(id);
    return it == streams_.end() ? nullptr : it->second.stream.get();
}

int64_t Mixer::heardLocked() const {
    return clock_ ? std::min(clock_->heardFrame(), head_) : head_;
}

void Mixer::closeIdleDecoders(Decoders& closed) {
    for (;;) {
        int open = 0;
        Entry* oldest = nullptr;
        for (auto& [id, entry] : streams_) {
            const MixerStream& s = *entry.stream;
            if (!s.hasDecoder() || s.isRendering()) continue;
            ++open;
            if (!oldest || entry.lastUse < oldest->lastUse) oldest = &entry;
        }
        if (open <= kIdleDecoders) return;
        closed.push_back(oldest->stream->closeDecoder());
    }
}

std::optional<Mixer::Ready> Mixer::prepare(StreamId id, std::optional<double> sourceFrame) {
    Ready ready;
    MixerStream::Recipe recipe;
    {
        Lock lock(mutex_);
        auto it = streams_.find(id);
        if (it == streams_.end()) return std::nullopt;
        MixerStream& s = *it->second.stream;
        // Nothing to do for a start with its decoder at hand, nor for a seek of
        // a resting stream without one (it opens when it starts).
        const bool resting = !s.isRendering();
        if (sourceFrame ? resting && !s.hasDecoder() : s.hasDecoder()) return ready;
        ready.frame = s.frameAt(sourceFrame.value_or(s.position()));
        if (resting) ready.decoder = s.lendDecoder();
        recipe = s.recipe();
        ++it->second.preparing;
        ready.counted = true;
    }
    if (!ready.decoder) ready.decoder = recipe.openFresh();
    if (ready.decoder) ready.decoder->seek(ready.frame);
    return ready;
}

MixerStream* Mixer::finishPreparing(StreamId id, const Ready& ready) {
    if (ready.counted) {
        // Still there: remove() waits while a preparation is counted.
        Entry& entry = streams_.at(id);
        if (--entry.preparing == 0) prepared_.notify_all();
    }
    return use(id);
}

}  // namespace lumidex::audio
