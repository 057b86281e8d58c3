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
    const StreamId id = nextId_.fetch_add(1);
    // The stream and its map node are made outside the lock, then moved in.
    std::map<StreamId, Entry> staged;
    Entry& made = staged[id];
    made.id = id;
    made.stream = std::make_unique<MixerStream>(std::move(source), outputRate_);
    Leftovers closed;
    Lock lock(mutex_);
    // Room for every stream to render at once; grows a handful of times.
    if (rendering_.capacity() < streams_.size() + 1) rendering_.reserve(2 * (streams_.size() + 1));
    Entry& entry = streams_.insert(staged.extract(id)).position->second;
    settle(entry);
    trimIdle(closed);
    return id;
}

bool Mixer::remove(StreamId id) {
    std::map<StreamId, Entry>::node_type gone;  // destroyed once the lock is released
    Lock lock(mutex_);
    prepared_.wait(lock, [&] {
        auto it = streams_.find(id);
        return it == streams_.end() || it->second.preparing == 0;
    });
    auto it = streams_.find(id);
    if (it == streams_.end()) return false;
    unlinkIdle(it->second);
    unlistRendering(it->second);
    gone = streams_.extract(it);
    return true;
}

bool Mixer::play(StreamId id) {
    return startWithDecoder(id, [this](MixerStream& s) { s.play(head_, heardLocked()); });
}

bool Mixer::playAt(StreamId id, int64_t frame, double sourceFrame) {
    return startWithDecoder(
        id, [&](MixerStream& s) { s.scheduleStart(frame, sourceFrame, head_, heardLocked()); });
}

bool Mixer::queueAt(StreamId id, int64_t frame, double sourceFrame) {
    return startWithDecoder(
        id, [&](MixerStream& s) { s.queueStart(frame, sourceFrame, head_, heardLocked()); });
}

// The decoder is opened (outside the lock) before the start is placed, so the
// render thread only has to move it there when the start frame comes round.
template <class Command>
bool Mixer::startWithDecoder(StreamId id, Command&& start) {
    Ready ready;
    {
        Lock lock(mutex_);
        if (!plan(id, Purpose::Start, 0, ready)) return false;
    }
    make(ready);
    Leftovers unused;
    Lock lock(mutex_);
    Entry* entry = ready.entry ? handOver(ready, unused) : find(id);
    if (!entry) return false;
    MixerStream& s = *entry->stream;
    if (ready.decoder)
        unused.push_back({s.adoptDecoder(std::move(ready.decoder), ready.frame), nullptr});
    start(s);
    settle(*entry);
    trimIdle(unused);
    return true;
}

void Mixer::placeStarts(const std::vector<StreamId>& withdrawn, std::vector<Start>& starts) {
    std::vector<Ready> ready;
    {
        Lock lock(mutex_);
        for (const Start& start : starts) {
            // A key's starts come together: its decoder is planned once.
            if (!ready.empty() && ready.back().entry && ready.back().entry->id == start.stream)
                continue;
            Ready planned;
            if (plan(start.stream, Purpose::Start, 0, planned) && planned.entry)
                ready.push_back(std::move(planned));
        }
    }
    for (Ready& r : ready) make(r);
    Leftovers unused;
    Lock lock(mutex_);
    for (Ready& r : ready) {
        Entry* entry = handOver(r, unused);
        if (r.decoder)
            unused.push_back({entry->stream->adoptDecoder(std::move(r.decoder), r.frame), nullptr});
    }
    const int64_t heard = heardLocked();
    for (StreamId id : withdrawn) {
        if (Entry* entry = find(id)) {
            entry->stream->cancelStart(head_, heard);
            settle(*entry);
        }
    }
    for (Start& start : starts) {
        Entry* entry = find(start.stream);
        start.placed = entry != nullptr;
        if (!entry) continue;
        entry->stream->queueStart(start.frame, start.sourceFrame, head_, heard);
        settle(*entry);
    }
    trimIdle(unused);
}

template <class Command>
bool Mixer::withStream(StreamId id, Command&& command) {
    Leftovers closed;
    Lock lock(mutex_);
    Entry* entry = find(id);
    if (!entry) return false;
    command(*entry->stream);
    settle(*entry);
    trimIdle(closed);
    return true;
}

bool Mixer::cancelStart(StreamId id) {
    return withStream(id, [this](MixerStream& s) { s.cancelStart(head_, heardLocked()); });
}

bool Mixer::stop(StreamId id) {
    return withStream(id, [this](MixerStream& s) { s.stop(head_, heardLocked()); });
}

bool Mixer::seek(StreamId id, double sourceFrame) {
    Ready ready;
    {
        Lock lock(mutex_);
        if (!plan(id, Purpose::Seek, sourceFrame, ready)) return false;
    }
    make(ready);
    Leftovers unused;
    Lock lock(mutex_);
    Entry* entry = ready.entry ? handOver(ready, unused) : find(id);
    if (!entry) return false;
    unused.push_back(
        {entry->stream->seek(sourceFrame, std::move(ready.decoder), head_, heardLocked()),
         nullptr});
    settle(*entry);
    trimIdle(unused);
    return true;
}

bool Mixer::setRate(StreamId id, double framesPerSecond) {
    Ready ready;
    {
        Lock lock(mutex_);
        if (!plan(id, Purpose::Rate, framesPerSecond, ready)) return false;
    }
    make(ready);
    Leftovers unused;
    Lock lock(mutex_);
    Entry* entry = ready.entry ? handOver(ready, unused) : find(id);
    if (!entry) return false;
    entry->stream->setRate(framesPerSecond, head_, heardLocked());
    settle(*entry);
    trimIdle(unused);
    return true;
}

bool Mixer::setVolume(StreamId id, float volume) {
    return withStream(id, [volume](MixerStream& s) { s.setVolume(std::max(0.0f, volume)); });
}

bool Mixer::setPan(StreamId id, float pan) {
    return withStream(id, [pan](MixerStream& s) { s.setPan(pan); });
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
    // Every resting stream with a decoder is on the idle list.
    return idleCount_ + int(std::count_if(rendering_.begin(), rendering_.end(),
                                          [](Entry* e) { return e->stream->hasDecoder(); }));
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
        for (Entry* entry : rendering_)
            entry->stream->mix(out + 2 * done, head_, n, scratch_.data(), heard);
        head_ += n;
        done += n;
        retireEnded();
    }
}

void Mixer::retireEnded() {
    size_t kept = 0;
    for (Entry* entry : rendering_) {
        if (entry->stream->isRendering()) {
            rendering_[kept++] = entry;
            continue;
        }
        entry->rendering = false;
        if (entry->stream->hasDecoder()) linkNewestIdle(*entry);
    }
    rendering_.resize(kept);  // shrinking never allocates
}

Mixer::Entry* Mixer::find(StreamId id) {
    auto it = streams_.find(id);
    return it == streams_.end() ? nullptr : &it->second;
}

const MixerStream* Mixer::find(StreamId id) const {
    auto it = streams_.find(id);
    return it == streams_.end() ? nullptr : it->second.stream.get();
}

int64_t Mixer::heardLocked() const {
    return clock_ ? std::min(clock_->heardFrame(), head_) : head_;
}

void Mixer::settle(Entry& entry) {
    entry.stream->keepRoom();
    const bool rendering = entry.stream->isRendering();
    if (rendering && !entry.rendering) {
        const auto at = std::lower_bound(rendering_.begin(), rendering_.end(), entry.id,
                                         [](const Entry* e, StreamId id) { return e->id < id; });
        rendering_.insert(at, &entry);  // the capacity covers every stream
        entry.rendering = true;
    } else if (!rendering && entry.rendering) {
        unlistRendering(entry);
    }
    // A command uses the stream: it becomes the newest idle one.
    unlinkIdle(entry);
    if (!rendering && entry.stream->hasDecoder()) linkNewestIdle(entry);
}

void Mixer::linkNewestIdle(Entry& entry) {
    entry.older = newestIdle_;
    entry.newer = nullptr;
    (newestIdle_ ? newestIdle_->newer : oldestIdle_) = &entry;
    newestIdle_ = &entry;
    entry.idle = true;
    ++idleCount_;
}

void Mixer::unlinkIdle(Entry& entry) {
    if (!entry.idle) return;
    (entry.older ? entry.older->newer : oldestIdle_) = entry.newer;
    (entry.newer ? entry.newer->older : newestIdle_) = entry.older;
    entry.older = entry.newer = nullptr;
    entry.idle = false;
    --idleCount_;
}

void Mixer::unlistRendering(Entry& entry) {
    if (!entry.rendering) return;
    const auto at = std::lower_bound(rendering_.begin(), rendering_.end(), entry.id,
                                     [](const Entry* e, StreamId id) { return e->id < id; });
    if (at != rendering_.end() && *at == &entry) rendering_.erase(at);
    entry.rendering = false;
}

void Mixer::trimIdle(Leftovers& closed) {
    for (Entry* entry = oldestIdle_; entry && idleCount_ > kIdleDecoders;) {
        Entry* next = entry->newer;
        // One a command is working on keeps its decoder until it is done.
        if (entry->preparing == 0) {
            unlinkIdle(*entry);
            closed.push_back(entry->stream->closeDecoder());
        }
        entry = next;
    }
}

bool Mixer::plan(StreamId id, Purpose purpose, double value, Ready& ready) {
    Entry* entry = find(id);
    if (!entry) return false;
    MixerStream& s = *entry->stream;
    const bool resting = !s.isRendering();
    switch (purpose) {
        case Purpose::Start:
            ready.openDecoder = !s.hasDecoder();
            ready.frame = s.frameAt(s.position());
            ready.makeResampler = s.lacksResampler(s.rate());
            break;
        case Purpose::Seek:
            // A resting stream without a decoder opens one when it starts.
            ready.openDecoder = !resting || s.hasDecoder();
            ready.frame = s.frameAt(value);
            if (ready.openDecoder && resting) ready.decoder = s.lendDecoder();
            break;
        case Purpose::Rate:
            ready.makeResampler = (!resting || s.hasDecoder()) && s.lacksResampler(value);
            break;
    }
    if (!ready.openDecoder && !ready.makeResampler) return true;
    ready.entry = entry;
    ready.stream = &s;
    ready.format = s.format();
    ready.recipe = s.recipe();
    ++entry->preparing;
    settle(*entry);  // a lent decoder is no longer idle
    return true;
}

void Mixer::make(Ready& ready) {
    if (ready.openDecoder) {
        if (!ready.decoder) ready.decoder = ready.recipe.openFresh();
        if (ready.decoder) ready.decoder->seek(ready.frame);
    }
    if (ready.makeResampler)
        ready.resampler = std::make_unique<Resampler>(ready.format, ready.stream);
}

Mixer::Entry* Mixer::handOver(Ready& ready, Leftovers& unused) {
    Entry& entry = *ready.entry;  // still there: remove() waits while it is counted
    if (--entry.preparing == 0) prepared_.notify_all();
    if (ready.resampler)
        unused.push_back({nullptr, entry.stream->adoptResampler(std::move(ready.resampler))});
    return &entry;
}

}  // namespace lumidex::audio
