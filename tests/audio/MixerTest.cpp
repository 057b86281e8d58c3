// The mixer driven frame by frame: what is heard, when, and where each
// stream stands. Sounds made of a ramp show in every output sample which
// source frame is playing.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <deque>
#include <functional>
#include <future>
#include <new>
#include <random>
#include <thread>

#include "AudioClock.h"
#include "AudioOutput.h"
#include "AudioTestSupport.h"
#include "FrameFifo.h"
#include "Mixer.h"

// Counts the allocations made by a thread that asks for it.
namespace {
thread_local bool countAllocations = false;
std::atomic<int> allocationsCounted{0};
}  // namespace

void* operator new(size_t size) {
    if (countAllocations) ++allocationsCounted;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, size_t) noexcept {
    std::free(p);
}

namespace lumidex::test {
namespace {

using audio::AudioClock;
using audio::Container;
using audio::ContainerSet;
using audio::Mixer;
using audio::StreamId;

constexpr ContainerSet kAll = Container::Wav | Container::Aiff | Container::Flac |
                              Container::OggVorbis | Container::OggOpus | Container::Mp3;
constexpr float kScale = 65536.0f;  // ramp step: exact in float for every frame used here

std::vector<float> render(Mixer& mixer, int frames) {
    std::vector<float> out(2 * size_t(frames));
    mixer.render(out.data(), frames);
    return out;
}

// Ramp sound: frame i is (i + 1) / kScale, so every frame is heard as non-zero.
QByteArray rampSound(int frames) {
    Samples s;
    for (int i = 1; i <= frames; ++i) s.push_back(float(i) / kScale);
    return wavFloat(s);
}

// A mixer at 44100 Hz and the sounds added to it, kept alive as long as it.
class MixerTest : public ::testing::Test {
  protected:
    StreamId add(QByteArray bytes) {
        const QByteArray& kept = sounds.emplace_back(std::move(bytes));
        return mixer.add({view(kept), kAll, &audio::openSndfileDecoder,
                          audio::openSndfileDecoder(view(kept), kAll)});
    }
    std::vector<float> heard(int frames) { return left(render(mixer, frames)); }
    double position(StreamId id) const { return mixer.status(id)->position; }
    bool active(StreamId id) const { return mixer.status(id)->active; }

    std::deque<QByteArray> sounds;
    Mixer mixer{44100};
    const QByteArray click = wavFloat(constant(1, 1, 1.0f));
};

TEST_F(MixerTest, PlaysOnceOnBothSidesAndStopsAtItsEndOrWhereTheDataEnds) {
    const StreamId id = add(wavFloat(constant(1000, 1, 0.5f)));
    ASSERT_NE(id, 0u);
    EXPECT_FALSE(active(id));
    ASSERT_TRUE(mixer.play(id));
    EXPECT_TRUE(active(id));
    Samples expected = constant(1000, 2, 0.5f);
    expected.resize(2 * 1500, 0.0f);
    EXPECT_EQ(render(mixer, 1500), expected);
    EXPECT_FALSE(active(id));
    EXPECT_EQ(position(id), 1000);

    // A seek past the end rests at the end; playing from there is over at once.
    const StreamId past = add(rampSound(1000));
    mixer.seek(past, 1e9);
    EXPECT_EQ(position(past), 1000);
    mixer.play(past);
    EXPECT_FALSE(active(past));
    EXPECT_EQ(firstSound(render(mixer, 100)), -1);

    // A WAV cut short plays what is there.
    const QByteArray whole = wavFloat(constant(1000, 1, 0.5f));
    const StreamId cut = add(whole.left(whole.size() - 2000));  // 500 frames of data gone
    ASSERT_NE(cut, 0u);
    mixer.play(cut);
    const auto out = heard(1200);
    EXPECT_EQ(out[499], 0.5f);
    EXPECT_EQ(out[500], 0.0f);
    EXPECT_FALSE(active(cut));
}

TEST_F(MixerTest, VolumeAndPanScaleEachSide) {
    const StreamId id = add(wavFloat(constant(100, 2, 0.5f), 2));
    mixer.setVolume(id, 0.5f);
    mixer.play(id);
    EXPECT_EQ(render(mixer, 1), (Samples{0.25f, 0.25f}));
    mixer.setPan(id, 0.0f);  // hard left
    EXPECT_EQ(render(mixer, 1), (Samples{0.25f, 0.0f}));
    mixer.setVolume(id, 0.0f);
    EXPECT_EQ(render(mixer, 1), (Samples{0.0f, 0.0f}));
}

TEST_F(MixerTest, ScheduledStartLandsOnTheExactFrame) {
    const StreamId id = add(rampSound(5000));
    ASSERT_TRUE(mixer.playAt(id, 700, 0));
    EXPECT_TRUE(active(id));  // waiting counts as playing
    std::vector<float> out;
    for (int i = 0; i < 6; ++i) {  // blocks that straddle the start frame
        const auto part = render(mixer, 333);
        out.insert(out.end(), part.begin(), part.end());
    }
    EXPECT_EQ(firstSound(out), 700);
    EXPECT_EQ(out[2 * 700], 1 / kScale);
    EXPECT_EQ(out[2 * 701], 2 / kScale);

    // A start frame already rendered past starts at the render head.
    const int64_t head = mixer.renderHead();
    mixer.playAt(id, 100, 9);
    EXPECT_EQ(render(mixer, 1)[0], 10 / kScale);
    EXPECT_EQ(mixer.renderHead(), head + 1);
    // A restart scheduled while it plays lets it run until the frame.
    mixer.playAt(id, head + 301, 0);
    const auto run = heard(400);
    EXPECT_EQ(run[299], 310 / kScale);
    EXPECT_EQ(run[300], 1 / kScale);
}

TEST_F(MixerTest, QueuedRestartsEachLandAndCancelLeavesThePlayingSound) {
    const StreamId id = add(rampSound(5000));
    mixer.queueAt(id, 100, 0);
    mixer.queueAt(id, 150, 0);  // inside one render block with the first
    mixer.queueAt(id, 120, 0);  // never before the last one queued
    const auto out = heard(400);
    EXPECT_EQ(out[99], 0.0f);
    EXPECT_EQ(out[100], 1 / kScale);
    EXPECT_EQ(out[149], 50 / kScale);
    EXPECT_EQ(out[150], 1 / kScale);
    EXPECT_EQ(out[151], 2 / kScale);  // the third start was held back to 150 too
    mixer.queueAt(id, mixer.renderHead() + 50, 0);
    mixer.cancelStart(id);
    const auto after = heard(100);
    EXPECT_EQ(after[50], after[49] + 1 / kScale);  // went on, no restart
}

// Where key sounds are scheduled; the playback tests show them landing there.
TEST_F(MixerTest, FrameReachingAMusicPosition) {
    const StreamId bgm = add(wavFloat(constant(44100, 2, 0.25f), 2));
    mixer.play(bgm);
    render(mixer, 1000);
    EXPECT_EQ(mixer.frameReaching(bgm, 22050), std::optional<int64_t>(22050));

    // At twice the speed the music gets there in half the frames.
    mixer.seek(bgm, 1000);
    mixer.setRate(bgm, 88200);
    const int64_t head = mixer.renderHead();
    EXPECT_EQ(*mixer.frameReaching(bgm, 22050), head + (22050 - 1000) / 2);
    EXPECT_FALSE(mixer.frameReaching(bgm, 44101).has_value());  // past the end
    mixer.stop(bgm);
    EXPECT_FALSE(mixer.frameReaching(bgm, 22050).has_value());  // resting
}

TEST_F(MixerTest, StopRestsWhereItIsAndASeekToZeroRestartsAtOnce) {
    const StreamId id = add(rampSound(5000));
    mixer.play(id);
    render(mixer, 300);
    mixer.stop(id);
    EXPECT_FALSE(active(id));
    EXPECT_EQ(firstSound(render(mixer, 100)), -1);
    EXPECT_EQ(position(id), 300);
    mixer.play(id);
    EXPECT_EQ(heard(200)[0], 301 / kScale);
    // A key trigger restarts the sound while it plays.
    mixer.seek(id, 0);
    EXPECT_EQ(position(id), 0);
    EXPECT_TRUE(active(id));
    EXPECT_EQ(render(mixer, 1)[0], 1 / kScale);
}

int zeroCrossings(const std::vector<float>& x, size_t from, size_t to) {
    int n = 0;
    for (size_t i = from + 1; i < to; ++i) n += (x[i - 1] < 0) != (x[i] < 0);
    return n;
}

TEST_F(MixerTest, RateChangesSpeedAndPitchAndKeepPositionsInStep) {
    const StreamId id = add(wavFloat(sine(44100, 1, 441, 44100)));
    mixer.setRate(id, 88200);
    mixer.play(id);
    const auto out = heard(30000);
    // 441 Hz played twice as fast is 882 Hz: 2 crossings per period.
    EXPECT_NEAR(zeroCrossings(out, 1000, 11000), 2 * 882 * 10000 / 44100, 4);
    // The second of sound lasts half a second.
    int last = 0;
    for (int i = 0; i < int(out.size()); ++i)
        if (std::abs(out[i]) > 1e-3) last = i;
    EXPECT_NEAR(last, 22050, 64);
    EXPECT_FALSE(active(id));

    // A change while playing takes effect at once: half speed after 1000 frames.
    mixer.setRate(id, 44100);
    mixer.seek(id, 0);
    mixer.play(id);
    render(mixer, 1000);
    EXPECT_EQ(position(id), 1000);
    mixer.setRate(id, 22050);
    render(mixer, 1000);
    EXPECT_EQ(position(id), 1500);
}

TEST_F(MixerTest, ResamplesFilesOfAnotherRateToTheOutput) {
    const StreamId id = add(wavFloat(sine(48000, 1, 480, 48000), 1, 48000));
    EXPECT_EQ(mixer.status(id)->rate, 48000);  // its own rate, so its own pitch
    mixer.play(id);
    EXPECT_NEAR(zeroCrossings(heard(44100), 1000, 41000), 2 * 480 * 40000 / 44100, 4);
}

TEST_F(MixerTest, PositionsFollowTheHeardFrameAndNeverGoBack) {
    AudioClock clock(44100);
    mixer.attachClock(&clock);
    const StreamId id = add(rampSound(10000));

    // Set, then play, then read at once: the position set is what is heard,
    // although the start lies ahead of the listener.
    mixer.seek(id, 5000);
    render(mixer, 2048);
    mixer.play(id);
    EXPECT_EQ(position(id), 5000);

    render(mixer, 2048);  // head 4096, playing since 2048
    const int64_t now = AudioClock::nowNs();
    double last = 0;
    for (int64_t heardFrame : {1000, 2048, 3000, 4000}) {
        clock.publish(heardFrame, 0, 0, now);
        const double p = position(id);
        EXPECT_GE(p, last);
        last = p;
    }
    EXPECT_EQ(last, 5000 + (4000 - 2048));

    // Stopping takes effect for activity at once; the audio already rendered
    // is still heard moving.
    mixer.stop(id);
    EXPECT_FALSE(active(id));
    clock.publish(4090, 0, 0, now);
    EXPECT_EQ(position(id), 5000 + (4090 - 2048));
    mixer.attachClock(nullptr);
}

TEST_F(MixerTest, ClosesIdleDecodersAndReopensWhereTheStreamStands) {
    const QByteArray bytes = rampSound(1000);
    std::vector<StreamId> ids;
    for (int i = 0; i < Mixer::kIdleDecoders + 6; ++i) ids.push_back(add(bytes));
    EXPECT_EQ(mixer.openDecoders(), Mixer::kIdleDecoders);
    // Playing streams keep theirs, however many; once ended they count as idle.
    for (StreamId id : ids) mixer.play(id);
    EXPECT_EQ(mixer.openDecoders(), Mixer::kIdleDecoders + 6);
    EXPECT_EQ(render(mixer, 1)[0], float(ids.size()) / kScale);
    render(mixer, 1000);
    mixer.seek(ids[1], 0);  // a command trims the idle list to its bound again
    EXPECT_EQ(mixer.openDecoders(), Mixer::kIdleDecoders);
    // The first stream was closed; it opens again at its position.
    mixer.seek(ids[0], 100);
    mixer.play(ids[0]);
    EXPECT_EQ(render(mixer, 1)[0], 101 / kScale);
    EXPECT_TRUE(mixer.remove(ids[0]));
    EXPECT_FALSE(mixer.status(ids[0]).has_value());
    EXPECT_FALSE(mixer.play(ids[0]));
}

// Opens with libsndfile after running `whileOpening` once, on the commanding
// thread, while the command is in its decoder work.
std::function<void()> whileOpening;
std::unique_ptr<audio::Decoder> openWithHook(audio::ByteView bytes, ContainerSet accepted) {
    if (auto hook = std::exchange(whileOpening, nullptr)) hook();
    return audio::openSndfileDecoder(bytes, accepted);
}

// Runs command. While it opens a decoder, another thread renders a block;
// answers whether that block was done before the decoder was. A command that
// held the mixer's lock meanwhile would make it wait out the deadline.
bool renderedWhileOpening(Mixer& mixer, const std::function<void()>& command) {
    std::thread renderer;
    std::promise<void> rendered;
    bool inTime = false;
    whileOpening = [&] {
        renderer = std::thread([&] {
            render(mixer, 512);
            rendered.set_value();
        });
        inTime =
            rendered.get_future().wait_for(std::chrono::seconds(20)) == std::future_status::ready;
    };
    command();
    whileOpening = nullptr;
    if (!renderer.joinable()) return false;  // no decoder was opened
    renderer.join();
    return inTime;
}

TEST_F(MixerTest, RendersWhileACommandOpensADecoder) {
    const QByteArray& bytes = sounds.emplace_back(rampSound(4000));
    const StreamId id =
        mixer.add({view(bytes), kAll, &openWithHook, audio::openSndfileDecoder(view(bytes), kAll)});
    // Enough other streams that the first one's decoder is closed.
    for (int i = 0; i < Mixer::kIdleDecoders; ++i) add(bytes);
    mixer.seek(id, 1000);
    EXPECT_TRUE(renderedWhileOpening(mixer, [&] { mixer.play(id); }));
    EXPECT_EQ(render(mixer, 1)[0], 1001 / kScale);
    // A playing stream gets a second decoder for a seek.
    EXPECT_TRUE(renderedWhileOpening(mixer, [&] { mixer.seek(id, 3000); }));
    EXPECT_EQ(render(mixer, 1)[0], 3001 / kScale);
}

// Wraps a decoder; runs `whileReading` once, on the render thread, in a read.
std::function<void()> whileReading;
class HookedDecoder final : public audio::Decoder {
  public:
    explicit HookedDecoder(std::unique_ptr<audio::Decoder> inner) : inner_(std::move(inner)) {
        format_ = inner_->format();
    }
    int64_t read(float* out, int64_t frames) override {
        if (auto hook = std::exchange(whileReading, nullptr)) hook();
        return inner_->read(out, frames);
    }
    bool seek(int64_t frame) override { return inner_->seek(frame); }

  private:
    std::unique_ptr<audio::Decoder> inner_;
};

// A render call held up in the middle of mixing leaves commands and queries
// free (the other way round: RendersWhileACommandOpensADecoder), and what is
// placed meanwhile lands on the head that call ends at.
TEST_F(MixerTest, CommandsDuringARenderCallLandWhereItEnds) {
    const QByteArray& bytes = sounds.emplace_back(rampSound(4000));
    const StreamId held =
        mixer.add({view(bytes), kAll, &audio::openSndfileDecoder,
                   std::make_unique<HookedDecoder>(audio::openSndfileDecoder(view(bytes), kAll))});
    const StreamId key = add(rampSound(4000));
    mixer.play(held);
    std::promise<void> inCall, release;
    whileReading = [&] {
        inCall.set_value();
        release.get_future().wait();
    };
    std::thread renderer([&] { render(mixer, 512); });
    inCall.get_future().wait();
    auto commands = std::async(std::launch::async, [&] {
        const int64_t head = mixer.renderHead();
        mixer.playAt(key, 100, 0);  // already rendered past: at the head
        return std::pair(head, mixer.frameReaching(key, 10));
    });
    const bool free = commands.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
    release.set_value();
    renderer.join();
    ASSERT_TRUE(free);
    EXPECT_EQ(commands.get(), std::pair(int64_t(512), std::optional<int64_t>(522)));
    EXPECT_EQ(render(mixer, 1)[0], (513 + 1) / kScale);  // both sound on frame 512
    EXPECT_EQ(mixer.lateCommands(), 0u);
}

// With a render thread of its own (a clock attached), a command that finds the
// ring full waits for that thread, then lands where the mirror puts it: at
// the head current once there is room, not at the head it was issued at.
TEST_F(MixerTest, ACommandThatWaitsForRoomLandsWhereTheMirrorSays) {
    const StreamId key = add(rampSound(4000));
    const StreamId other = add(rampSound(10));
    AudioClock clock(44100);
    mixer.attachClock(&clock);
    render(mixer, 1);  // the ring is empty, the head at 1
    for (int i = 0; i < Mixer::kCommands; ++i) mixer.setVolume(other, i % 2 ? 1.0f : 0.5f);
    std::thread commander([&] { mixer.play(key); });
    while (mixer.roomWaits() == 0) std::this_thread::yield();
    const auto first = render(mixer, 512);  // drains the ring: the play finds room
    commander.join();
    EXPECT_EQ(firstSound(first), -1);
    EXPECT_EQ(mixer.frameReaching(key, 10), std::optional<int64_t>(513 + 10));
    EXPECT_EQ(render(mixer, 20)[2 * 10], 11 / kScale);
    EXPECT_EQ(mixer.lateCommands(), 0u);
    mixer.attachClock(nullptr);
}

// An output whose device callbacks the test makes.
class DrivenOutput final : public audio::DeviceOutput {
  public:
    ~DrivenOutput() override { stop(); }
    using DeviceOutput::pull;

  protected:
    bool openDevice(int /*rate*/, int& blockFrames, int& latency) override {
        blockFrames = 512;
        latency = 0;
        return true;
    }
    void runDevice() override {}
    void closeDevice() override {}
};

TEST(DeviceOutput, CountsCallbacksItCouldNotFill) {
    Mixer mixer(44100);
    DrivenOutput output;
    ASSERT_TRUE(output.start(mixer));  // renders ahead before the device runs
    std::vector<float> block(2 * 8192);
    output.pull(block.data(), 0);
    output.pull(block.data(), 512);
    EXPECT_EQ(output.underruns(), 0u);
    output.pull(block.data(), 8192);  // more than is ever rendered ahead
    EXPECT_EQ(output.underruns(), 1u);
    EXPECT_EQ(block[2 * 8191], 0.0f);
    output.stop();
}

// The commanding thread opens 2000 keys and places a one-frame click of each
// while another thread renders through the manual output, never past the
// last click placed: every click is heard on its frame, and rendering makes
// no allocation.
TEST_F(MixerTest, BusyCommandsWhileRenderingKeepEveryStartOnItsFrame) {
    audio::ManualOutput output;
    output.start(mixer);
    constexpr int kKeys = 2000, kFirst = 1000, kGap = 37;
    constexpr int64_t kTotal = kFirst + int64_t(kKeys) * kGap;
    std::atomic<int64_t> renderable{kFirst};
    std::vector<float> out;
    out.reserve(kTotal);
    std::thread renderer([&] {
        for (int64_t done = 0; done < kTotal;) {
            const int n = int(std::min<int64_t>(256, renderable.load() - done));
            if (n <= 0) {
                std::this_thread::yield();
                continue;
            }
            countAllocations = done > 0;  // the output's own buffer comes first
            const std::vector<float>& block = output.advance(n);
            countAllocations = false;
            for (int i = 0; i < n; ++i) out.push_back(block[2 * size_t(i)]);
            done += n;
        }
    });
    for (int k = 0; k < kKeys; ++k) {
        const int64_t at = kFirst + int64_t(k) * kGap;
        std::vector<Mixer::Start> starts{{add(click), at, 0, false}};
        mixer.placeStarts({}, starts);
        EXPECT_TRUE(starts[0].placed);
        renderable.store(at + (k + 1 < kKeys ? 0 : kGap));
    }
    renderer.join();
    std::vector<int64_t> onsets;
    for (size_t i = 0; i < out.size(); ++i)
        if (out[i] != 0.0f) onsets.push_back(int64_t(i));
    ASSERT_EQ(onsets.size(), size_t(kKeys));
    for (int k = 0; k < kKeys; ++k) EXPECT_EQ(onsets[size_t(k)], kFirst + int64_t(k) * kGap);
    EXPECT_EQ(allocationsCounted.load(), 0);
}

// Room for what the render thread keeps (scheduled starts, playing streams)
// comes with the commands: rendering never allocates, however many.
TEST_F(MixerTest, RoomForStartsAndPlayingStreamsComesWithTheCommands) {
    std::vector<StreamId> ids;
    for (int i = 0; i < 129; ++i) ids.push_back(add(click));
    for (StreamId id : ids) mixer.play(id);
    for (int k = 0; k < 40; ++k) mixer.queueAt(ids[0], 10 + k, 0);
    std::vector<float> out(2 * 100);
    const int before = allocationsCounted.load();
    countAllocations = true;
    mixer.render(out.data(), 100);
    countAllocations = false;
    EXPECT_EQ(allocationsCounted.load(), before);
    EXPECT_EQ(out[0], float(ids.size()));
    for (int k = 0; k < 40; ++k) EXPECT_EQ(out[2 * size_t(10 + k)], 1.0f);
}

// More sounds end in one render call than the report ring holds: every end
// still reaches the commanding side, and each stream can then be removed.
TEST_F(MixerTest, EndsBeyondTheReportRingAreReportedLater) {
    std::vector<StreamId> ids;
    for (int i = 0; i < 3 * Mixer::kCommands; ++i) ids.push_back(add(click));
    for (StreamId id : ids) mixer.play(id);
    EXPECT_EQ(heard(10)[0], float(ids.size()));
    // Each query takes back what the ring holds; each render call sends on
    // the ends that waited for room.
    for (int call = 0; call < 2; ++call) {
        EXPECT_TRUE(active(ids.back()));
        heard(10);
    }
    for (StreamId id : ids) EXPECT_FALSE(active(id)) << id;
    for (StreamId id : ids) EXPECT_TRUE(mixer.remove(id));
}

TEST_F(MixerTest, MixesManyResampledSoundsAtOnce) {
    const QByteArray bytes = wavFloat(constant(4410, 1, 0.01f));
    std::vector<StreamId> ids;
    for (int i = 0; i < 64; ++i) {
        ids.push_back(add(bytes));
        mixer.setRate(ids.back(), 44100 * (1.0 + i / 128.0));
        mixer.playAt(ids.back(), 10 * i, 0);
    }
    EXPECT_NEAR(heard(8000)[700], 0.64f, 0.02f);  // all 64 sounding together
    for (StreamId id : ids) EXPECT_FALSE(active(id));
}

TEST(Decoders, RefuseOrSurviveBrokenInput) {
    // Nothing at all, noise, and each format cut short or with bytes changed.
    EXPECT_EQ(audio::openSndfileDecoder({}, kAll), nullptr);
    QByteArray noise(4096, '\0');
    std::mt19937 random(7);
    for (char& c : noise) c = char(random());
    EXPECT_EQ(audio::openSndfileDecoder(view(noise), kAll), nullptr);
    EXPECT_EQ(audio::openMpg123Decoder(view(noise)), nullptr);
    EXPECT_EQ(audio::openMpg123Decoder(view(ogg(4410))), nullptr);

    const std::vector<QByteArray> sounds = {wav16(20000), ogg(20000), mp3(20000),
                                            tone(SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 20000)};
    for (const QByteArray& whole : sounds) {
        std::vector<QByteArray> broken = {whole.left(whole.size() / 2), whole.left(60)};
        for (int round = 0; round < 8; ++round) {
            QByteArray b = whole;
            for (int i = 0; i < 40; ++i) b[int(random() % uint32_t(b.size()))] = char(random());
            broken.push_back(b);
        }
        for (const QByteArray& b : broken) {
            for (auto open : {&audio::openSndfileDecoder, &audio::openMpg123Decoder}) {
                Mixer mixer(44100);
                auto decoder = open(view(b), kAll);
                if (!decoder) continue;
                const StreamId id = mixer.add({view(b), kAll, open, std::move(decoder)});
                mixer.setRate(id, 50000);
                mixer.play(id);
                for (int i = 0; i < 40 && mixer.status(id)->active; ++i) render(mixer, 4096);
                EXPECT_FALSE(mixer.status(id)->active);
            }
        }
    }
}

TEST(AudioClock, MovesSmoothlyBetweenCallbacksAndNeverBackwards) {
    AudioClock clock(44100);
    const int64_t t = 1'000'000'000;
    EXPECT_EQ(clock.heardFrame(t), 0);
    clock.publish(0, 441, 0, t);
    EXPECT_EQ(clock.heardFrame(t + 5'000'000), 220);   // 5 ms later
    EXPECT_EQ(clock.heardFrame(t + 50'000'000), 441);  // not past what the device has
    // A later callback whose latency puts it earlier cannot pull the answer back.
    clock.publish(441, 441, 441, t + 10'000'000);
    EXPECT_EQ(clock.heardFrame(t + 10'000'000), 441);
    EXPECT_EQ(clock.heardFrame(t + 15'000'000), 441);
    clock.publish(882, 441, 441, t + 20'000'000);
    EXPECT_EQ(clock.heardFrame(t + 25'000'000), 441 + 220);
}

TEST(FrameFifo, KeepsOrderAcrossTheWrapAndNeverOverfills) {
    audio::FrameFifo fifo(5);
    std::vector<float> in = {1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6};
    EXPECT_EQ(fifo.write(in.data(), 6), 5);
    std::vector<float> out(12, 0);
    EXPECT_EQ(fifo.read(out.data(), 3), 3);
    EXPECT_EQ(out[4], 3);
    EXPECT_EQ(fifo.write(in.data(), 3), 3);  // wraps
    EXPECT_EQ(fifo.size(), 5);
    EXPECT_EQ(fifo.read(out.data(), 6), 5);
    EXPECT_EQ((std::vector<float>(out.begin(), out.begin() + 10)),
              (std::vector<float>{4, 4, 5, 5, 1, 1, 2, 2, 3, 3}));
    EXPECT_EQ(fifo.read(out.data(), 1), 0);
}

}  // namespace
}  // namespace lumidex::test
