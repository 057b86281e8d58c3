#include "Mixer.h"

#include <algorithm>
#include <thread>

#include "AudioClock.h"

namespace lumidex::audio {

namespace {

// Frames rendered per pass over the voices.
constexpr int kBlock = 512;
// Room for playing voices the render thread starts with.
constexpr size_t kPlayRoom = 64;

bool byId(const MixerStream* v, uint32_t id) {
    return v->id() < id;
}

}  // namespace

bool Mixer::Command::empty() const {
    return !decoder && !resampler && startRoom.capacity() == 0 && playRoom.capacity() == 0 &&
           !removed && batch.capacity() == 0;
}

// Render thread: reports the ends the voices run into. Room is always kept in
// the report ring for every record that may be given back; an end that does
// not fit (more than kCommands of them between two commands or queries) stays
// with its voice, which stays listed, and goes back at a later render call.
class Mixer::Ends final : public MixerStream::EndListener {
  public:
    explicit Ends(Mixer& mixer) : mixer_(mixer) {}
    void ended(MixerStream& voice, int64_t frame) override {
        const MixerStream::EndNote note{frame, voice.position(), voice.lastStarted(),
                                        voice.lastCommand()};
        if (mixer_.reportEnd(voice.id(), note)) return;
        if (!voice.unreportedEnd()) {
            mixer_.unreportedEnds_.store(mixer_.unreportedEnds_.load() + 1,
                                         std::memory_order_release);
        }
        voice.unreportedEnd() = note;
    }

  private:
    Mixer& mixer_;
};

bool Mixer::reportEnd(StreamId id, const MixerStream::EndNote& note) {
    if (reports_.free() <= size_t(kCommands)) return false;
    Report report;
    report.id = id;
    report.seq = note.seq;
    report.frame = note.frame;
    report.position = note.position;
    report.serial = note.serial;
    report.call = calls_.load(std::memory_order_relaxed) + 1;
    reports_.push(std::move(report));
    return true;
}

void Mixer::forgetUnreportedEnd(MixerStream& voice) {
    if (!voice.unreportedEnd()) return;
    voice.unreportedEnd().reset();
    unreportedEnds_.store(unreportedEnds_.load() - 1, std::memory_order_release);
}

void Mixer::reportHeldEnds() {
    if (unreportedEnds_.load(std::memory_order_relaxed) == 0) return;
    for (MixerStream* voice : voices_) {
        std::optional<MixerStream::EndNote>& note = voice->unreportedEnd();
        if (note && reportEnd(voice->id(), *note)) forgetUnreportedEnd(*voice);
    }
}

Mixer::Mixer(int outputRate)
    : outputRate_(outputRate), playRoom_(kPlayRoom), scratch_(MixerStream::kScratchFloats) {
    voices_.reserve(kPlayRoom);
}

Mixer::~Mixer() = default;

// --- Commanding side --------------------------------------------------------

StreamId Mixer::add(StreamSource source) {
    if (!source.decoder) return 0;
    const SoundFormat& format = source.decoder->format();
    if (format.channels < 1 || format.channels > kMaxChannels || format.sampleRate < 1) return 0;
    const StreamId id = nextId_.fetch_add(1);
    auto voice = std::make_unique<MixerStream>(std::move(source), outputRate_, id);
    auto mirror = MixerStream::mirrorOf(*voice);
    Lock lock(mutex_);
    catchUp();
    Entry& entry = streams_[id];
    entry.id = id;
    entry.voice = std::move(voice);
    entry.mirror = std::move(mirror);
    entry.startRoom = MixerStream::kStartRoom;
    if (streams_.size() > playRoom_) {
        // Room for every stream to play at once; grows a handful of times.
        Command room;
        room.kind = Command::Kind::Room;
        playRoom_ = 2 * streams_.size();
        room.playRoom.reserve(playRoom_);
        send(std::move(room));
    }
    settle(entry);
    trimIdle();
    return id;
}

bool Mixer::remove(StreamId id) {
    Lock lock(mutex_);
    catchUp();
    auto it = streams_.find(id);
    if (it == streams_.end()) return false;
    Entry& entry = it->second;
    unlinkIdle(entry);
    unlistRendering(entry);
    if (!mirrorNow(entry).isRendering() &&
        drained_.load(std::memory_order_acquire) >= entry.lastSent &&
        unreportedEnds_.load(std::memory_order_acquire) == 0 &&
        calls_.load(std::memory_order_acquire) >= entry.lastEndCall) {
        // The render thread is done with it: what it gave back is in the
        // report ring (pushed before the records were counted drained).
        catchUp();
        streams_.erase(it);
        return true;
    }
    Command gone = command(Command::Kind::Remove, entry);
    gone.removed = std::move(entry.voice);
    streams_.erase(it);
    const uint64_t seq = send(std::move(gone));
    // The voice comes back, and is destroyed here, before the stream's bytes
    // (and a plug-in its decoder may come from) can go.
    while (drained_.load(std::memory_order_acquire) < seq) makeRoom();
    catchUp();
    return true;
}

bool Mixer::play(StreamId id) {
    return withStream(id, Command::Kind::Play, [this](Entry& entry, Command& c) {
        makeForStart(entry, c);
        MixerStream& m = mirrorNow(entry);
        noteMade(m, c);
        m.play(now_, heardLocked());
    });
}

bool Mixer::playAt(StreamId id, int64_t frame, double sourceFrame) {
    return withStream(id, Command::Kind::Schedule, [&](Entry& entry, Command& c) {
        makeForStart(entry, c);
        MixerStream& m = mirrorNow(entry);
        noteMade(m, c);
        m.cancelStart(now_, heardLocked());
        c.frame = frame;
        c.value = sourceFrame;
        c.serial = m.nextSerial();
        m.queueStart(frame, sourceFrame, c.serial, now_, heardLocked());
        roomForStarts(entry, c);
    });
}

bool Mixer::queueAt(StreamId id, int64_t frame, double sourceFrame) {
    return withStream(id, Command::Kind::Queue, [&](Entry& entry, Command& c) {
        makeForStart(entry, c);
        MixerStream& m = mirrorNow(entry);
        noteMade(m, c);
        c.frame = frame;
        c.value = sourceFrame;
        c.serial = m.nextSerial();
        m.queueStart(frame, sourceFrame, c.serial, now_, heardLocked());
        roomForStarts(entry, c);
    });
}

void Mixer::placeStarts(const std::vector<StreamId>& withdrawn, std::vector<Start>& starts) {
    Lock lock(mutex_);
    catchUp();
    Command batch;
    batch.kind = Command::Kind::Batch;
    batch.batch.reserve(withdrawn.size() + starts.size());
    // Decoders and resamplers first (the slow part), one per key.
    std::vector<std::pair<size_t, Command>> made;
    for (size_t i = 0; i < starts.size(); ++i) {
        Entry* entry = find(starts[i].stream);
        if (!entry || (i > 0 && starts[i - 1].stream == starts[i].stream)) continue;
        Command c;
        makeForStart(*entry, c);
        if (c.decoder || c.resampler) made.emplace_back(i, std::move(c));
    }
    waitForRoom();
    catchUp();
    const int64_t heard = heardLocked();
    for (StreamId id : withdrawn) {
        if (Entry* entry = find(id)) {
            mirrorNow(*entry).cancelStart(now_, heard);
            batch.batch.push_back(command(Command::Kind::Cancel, *entry));
            settle(*entry);
        }
    }
    size_t next = 0;  // in made
    for (size_t i = 0; i < starts.size(); ++i) {
        Start& start = starts[i];
        Entry* entry = find(start.stream);
        start.placed = entry != nullptr;
        if (!entry) continue;
        Command c = command(Command::Kind::Queue, *entry);
        if (next < made.size() && made[next].first == i) {
            c.decoder = std::move(made[next].second.decoder);
            c.decoderAt = made[next].second.decoderAt;
            c.resampler = std::move(made[next++].second.resampler);
        }
        MixerStream& m = mirrorNow(*entry);
        noteMade(m, c);
        c.frame = start.frame;
        c.value = start.sourceFrame;
        c.serial = m.nextSerial();
        m.queueStart(start.frame, start.sourceFrame, c.serial, now_, heard);
        roomForStarts(*entry, c);
        batch.batch.push_back(std::move(c));
        settle(*entry);
    }
    if (!batch.batch.empty()) {
        const uint64_t seq = send(std::move(batch));
        for (StreamId id : withdrawn)
            if (Entry* entry = find(id)) entry->lastSent = seq;
        for (const Start& start : starts)
            if (Entry* entry = find(start.stream)) entry->lastSent = seq;
    }
    trimIdle();
}

bool Mixer::cancelStart(StreamId id) {
    return withStream(id, Command::Kind::Cancel, [this](Entry& entry, Command&) {
        mirrorNow(entry).cancelStart(now_, heardLocked());
    });
}

bool Mixer::stop(StreamId id) {
    return withStream(id, Command::Kind::Stop, [this](Entry& entry, Command&) {
        mirrorNow(entry).stop(now_, heardLocked());
    });
}

bool Mixer::seek(StreamId id, double sourceFrame) {
    return withStream(id, Command::Kind::Seek, [&](Entry& entry, Command& c) {
        MixerStream& m = mirrorNow(entry);
        // A resting stream without a decoder gets one when it starts.
        if (m.isRendering() || m.hasDecoder()) {
            c.decoder = m.recipe().openFresh();
            if (c.decoder) c.decoder->seek(m.frameAt(sourceFrame));
        }
        mirrorNow(entry);
        c.value = sourceFrame;
        m.seek(sourceFrame, nullptr, c.decoder != nullptr, now_, heardLocked());
        c.playing = m.playing();
    });
}

bool Mixer::setRate(StreamId id, double framesPerSecond) {
    return withStream(id, Command::Kind::Rate, [&](Entry& entry, Command& c) {
        MixerStream& m = mirrorNow(entry);
        if ((m.isRendering() || m.hasDecoder()) && m.lacksResampler(framesPerSecond))
            c.resampler = std::make_unique<Resampler>(m.format(), entry.voice.get());
        if (!c.resampler && m.clampedRate(framesPerSecond) == m.rate()) {
            c.kind = Command::Kind::None;  // nothing changes
            return;
        }
        mirrorNow(entry);
        noteMade(m, c);
        c.value = framesPerSecond;
        m.setRate(framesPerSecond, now_, heardLocked());
    });
}

bool Mixer::setVolume(StreamId id, float volume) {
    return withStream(id, Command::Kind::Volume, [&](Entry& entry, Command& c) {
        c.value = std::max(0.0f, volume);
        if (float(c.value) == entry.mirror->volume()) c.kind = Command::Kind::None;
        entry.mirror->setVolume(float(c.value));
    });
}

bool Mixer::setPan(StreamId id, float pan) {
    return withStream(id, Command::Kind::Pan, [&](Entry& entry, Command& c) {
        const float before = entry.mirror->pan();
        entry.mirror->setPan(pan);
        c.value = entry.mirror->pan();
        if (float(c.value) == before) c.kind = Command::Kind::None;
    });
}

template <class Apply>
bool Mixer::withStream(StreamId id, Command::Kind kind, Apply&& apply) {
    Lock lock(mutex_);
    waitForRoom();
    catchUp();
    Entry* entry = find(id);
    if (!entry) return false;
    Command c = command(kind, *entry);
    apply(*entry, c);
    if (c.kind != Command::Kind::None) {
        entry->lastSent = send(std::move(c));
        if (kind == Command::Kind::Seek) entry->lastSeek = entry->lastSent;
    }
    settle(*entry);
    trimIdle();
    return true;
}

std::optional<Mixer::Status> Mixer::status(StreamId id) const {
    Lock lock(mutex_);
    catchUp();
    Entry* entry = find(id);
    if (!entry) return std::nullopt;
    const MixerStream& m = mirrorNow(*entry);
    const int64_t heard = heardLocked();
    return Status{m.format(), m.positionAt(heard), m.rate(), m.volume(), m.isActive(heard)};
}

std::optional<int64_t> Mixer::frameReaching(StreamId id, double sourceFrame) const {
    Lock lock(mutex_);
    catchUp();
    Entry* entry = find(id);
    if (!entry) return std::nullopt;
    return mirrorNow(*entry).frameReaching(sourceFrame, now_);
}

int64_t Mixer::renderHead() const {
    Lock lock(mutex_);
    catchUp();
    return now_;
}

int64_t Mixer::heardFrame() const {
    Lock lock(mutex_);
    catchUp();
    return heardLocked();
}

int Mixer::openDecoders() const {
    Lock lock(mutex_);
    catchUp();
    // Every resting stream with a decoder is on the idle list.
    return idleCount_ + int(std::count_if(rendering_.begin(), rendering_.end(),
                                          [](Entry* e) { return e->mirror->hasDecoder(); }));
}

void Mixer::attachClock(const AudioClock* clock) {
    Lock lock(mutex_);
    clock_ = clock;
}

void Mixer::catchUp() const {
    now_ = published_.load(std::memory_order_acquire);
    if (!reports_.front()) return;
    Report report;
    while (reports_.take(report)) {
        report.given = Command{};  // what the render thread gave back ends here
        if (report.id == 0) continue;
        auto it = streams_.find(report.id);
        if (it == streams_.end()) continue;
        Entry& entry = it->second;
        entry.lastEndCall = std::max(entry.lastEndCall, report.call);
        // The voice ended before a seek it had not yet seen: the seek's word stands.
        if (report.seq < entry.lastSeek) continue;
        if (entry.mirror->ended(report.frame, report.position, report.serial, heardLocked()))
            settle(entry);
    }
}

MixerStream& Mixer::mirrorNow(Entry& entry) const {
    catchUp();
    entry.mirror->catchUp(now_);
    return *entry.mirror;
}

Mixer::Entry* Mixer::find(StreamId id) const {
    auto it = streams_.find(id);
    return it == streams_.end() ? nullptr : &it->second;
}

int64_t Mixer::heardLocked() const {
    return clock_ ? std::min(clock_->heardFrame(), now_) : now_;
}

Mixer::Command Mixer::command(Command::Kind kind, Entry& entry) {
    Command c;
    c.kind = kind;
    c.voice = entry.voice.get();
    return c;
}

void Mixer::makeForStart(Entry& entry, Command& c) const {
    const MixerStream& m = mirrorNow(entry);
    if (!m.hasDecoder()) {
        c.decoder = m.recipe().openFresh();
        c.decoderAt = m.frameAt(m.position());
        if (c.decoder) c.decoder->seek(c.decoderAt);
    }
    if (m.lacksResampler(m.rate()))
        c.resampler = std::make_unique<Resampler>(m.format(), entry.voice.get());
}

void Mixer::noteMade(MixerStream& mirror, const Command& c) {
    if (c.decoder) mirror.adoptDecoder(nullptr, 0);
    if (c.resampler && c.resampler->ok()) mirror.adoptResampler(nullptr);
}

void Mixer::roomForStarts(Entry& entry, Command& c) {
    const size_t starts = entry.mirror->scheduledStarts();
    if (starts <= entry.startRoom) return;
    entry.startRoom = 2 * starts;
    c.startRoom.reserve(entry.startRoom);
}

void Mixer::waitForRoom() {
    if (commands_.free() > 0) return;
    roomWaits_.fetch_add(1, std::memory_order_relaxed);
    while (commands_.free() == 0) makeRoom();
}

uint64_t Mixer::send(Command c) {
    c.seq = ++seq_;
    c.stamp = now_;
    for (Command& one : c.batch) one.seq = c.seq;
    // A command that starts, stops or moves sound waited before it read the
    // head; what can still find the ring full here has no moment of its own
    // (an idle decoder's close, room for more voices, a removal).
    waitForRoom();
    commands_.push(std::move(c));  // the one producer: the room stays
    return seq_;
}

void Mixer::makeRoom() {
    if (clock_) {
        // A device output's render thread drains the ring within a callback.
        std::this_thread::yield();
    } else {
        // Renders come from threads the caller drives: drain for them, at the
        // head they left (every record is stamped with it).
        std::lock_guard<std::mutex> drain(drain_);
        drainCommands(head_);
    }
    catchUp();
}

void Mixer::settle(Entry& entry) const {
    const bool rendering = entry.mirror->isRendering();
    if (rendering && !entry.rendering) {
        const auto at = std::lower_bound(rendering_.begin(), rendering_.end(), entry.id,
                                         [](const Entry* e, StreamId id) { return e->id < id; });
        rendering_.insert(at, &entry);
        entry.rendering = true;
    } else if (!rendering && entry.rendering) {
        unlistRendering(entry);
    }
    // A command uses the stream: it becomes the newest idle one.
    unlinkIdle(entry);
    if (!rendering && entry.mirror->hasDecoder()) linkNewestIdle(entry);
}

void Mixer::linkNewestIdle(Entry& entry) const {
    entry.older = newestIdle_;
    entry.newer = nullptr;
    (newestIdle_ ? newestIdle_->newer : oldestIdle_) = &entry;
    newestIdle_ = &entry;
    entry.idle = true;
    ++idleCount_;
}

void Mixer::unlinkIdle(Entry& entry) const {
    if (!entry.idle) return;
    (entry.older ? entry.older->newer : oldestIdle_) = entry.newer;
    (entry.newer ? entry.newer->older : newestIdle_) = entry.older;
    entry.older = entry.newer = nullptr;
    entry.idle = false;
    --idleCount_;
}

void Mixer::unlistRendering(Entry& entry) const {
    if (!entry.rendering) return;
    const auto at = std::lower_bound(rendering_.begin(), rendering_.end(), entry.id,
                                     [](const Entry* e, StreamId id) { return e->id < id; });
    if (at != rendering_.end() && *at == &entry) rendering_.erase(at);
    entry.rendering = false;
}

void Mixer::trimIdle() {
    for (Entry* entry = oldestIdle_; entry && idleCount_ > kIdleDecoders;) {
        Entry* next = entry->newer;
        unlinkIdle(*entry);
        entry->mirror->closeDecoder();
        entry->lastSent = send(command(Command::Kind::Close, *entry));
        entry = next;
    }
}

// --- Render thread ------------------------------------------------------------

void Mixer::render(float* out, int frames) {
    std::lock_guard<std::mutex> drain(drain_);  // uncontended while a clock is attached
    frames = std::max(frames, 0);
    std::fill(out, out + 2 * size_t(frames), 0.0f);
    const int64_t head = head_;
    // Commands stamped from here on are for the next call.
    published_.store(head + frames, std::memory_order_release);
    reportHeldEnds();  // before any command changes the voices they describe
    drainCommands(head);
    Ends ends(*this);
    for (int done = 0; done < frames;) {
        const int n = std::min(kBlock, frames - done);
        for (MixerStream* voice : voices_)
            voice->mix(out + 2 * done, head_, n, scratch_.data(), ends);
        head_ += n;
        done += n;
        retireEnded();
    }
    calls_.fetch_add(1, std::memory_order_release);
}

void Mixer::drainCommands(int64_t head) {
    while (Command* c = commands_.front()) {
        if (c->stamp > head) break;
        if (c->stamp < head) late_.fetch_add(1, std::memory_order_relaxed);
        const uint64_t seq = c->seq;
        apply(*c, head);
        commands_.pop();
        drained_.store(seq, std::memory_order_release);
    }
}

void Mixer::apply(Command& c, int64_t head) {
    applyOne(c, head);
    if (!c.empty()) giveBack(c);
}

void Mixer::applyOne(Command& c, int64_t head) {
    MixerStream* v = c.voice;
    switch (c.kind) {
        case Command::Kind::Room:
            c.playRoom.assign(voices_.begin(), voices_.end());  // fits: never allocates
            std::swap(c.playRoom, voices_);
            return;
        case Command::Kind::Remove:
            forgetUnreportedEnd(*v);
            unlistVoice(*v);
            return;
        case Command::Kind::Batch:
            for (Command& one : c.batch) applyOne(one, head);
            return;
        default:
            break;
    }
    v->setLastCommand(c.seq);
    if (c.startRoom.capacity() > 0) c.startRoom = v->takeRoom(std::move(c.startRoom));
    if (c.decoder && c.kind != Command::Kind::Seek)
        c.decoder = v->adoptDecoder(std::move(c.decoder), c.decoderAt);
    if (c.resampler) c.resampler = v->adoptResampler(std::move(c.resampler));
    switch (c.kind) {
        case Command::Kind::Play:
            v->play(head, head);
            break;
        case Command::Kind::Stop:
            v->stop(head, head);
            break;
        case Command::Kind::Seek:
            c.decoder = v->seek(c.value, std::move(c.decoder), false, head, head);
            v->setPlaying(c.playing);
            break;
        case Command::Kind::Schedule:
            v->cancelStart(head, head);
            v->queueStart(c.frame, c.value, c.serial, head, head);
            break;
        case Command::Kind::Queue:
            v->queueStart(c.frame, c.value, c.serial, head, head);
            break;
        case Command::Kind::Cancel:
            v->cancelStart(head, head);
            break;
        case Command::Kind::Rate:
            v->setRate(c.value, head, head);
            break;
        case Command::Kind::Volume:
            v->setVolume(float(c.value));
            break;
        case Command::Kind::Pan:
            v->setPan(float(c.value));
            break;
        case Command::Kind::Close: {
            MixerStream::Parts parts = v->closeDecoder();
            c.decoder = std::move(parts.decoder);
            c.resampler = std::move(parts.resampler);
            break;
        }
        default:
            break;
    }
    // One that stops stays listed until the end of the block (retireEnded):
    // a cancel and a new start then cost no move of the list.
    if (v->isRendering() && !v->listed()) listVoice(*v);
}

void Mixer::listVoice(MixerStream& voice) {
    const auto at = std::lower_bound(voices_.begin(), voices_.end(), voice.id(), byId);
    voices_.insert(at, &voice);  // room was sent ahead
    voice.setListed(true);
}

void Mixer::unlistVoice(MixerStream& voice) {
    if (!voice.listed()) return;
    const auto at = std::lower_bound(voices_.begin(), voices_.end(), voice.id(), byId);
    if (at != voices_.end() && *at == &voice) voices_.erase(at);
    voice.setListed(false);
}

void Mixer::retireEnded() {
    const auto kept = std::remove_if(voices_.begin(), voices_.end(), [](MixerStream* v) {
        if (v->isRendering() || v->unreportedEnd()) return false;
        v->setListed(false);
        return true;
    });
    voices_.erase(kept, voices_.end());  // shrinking never allocates
}

void Mixer::giveBack(Command& c) {
    Report report;
    report.given = std::move(c);
    // Room is kept for it (see Ends); should it ever lack, the record would be
    // freed here rather than lost.
    reports_.push(std::move(report));
}

}  // namespace lumidex::audio
