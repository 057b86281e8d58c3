// The beat analysis on generated songs of known tempo and first beat, on
// music without a beat, and on what the editor does with the result: the
// delay, the one-step apply and tap tempo.

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "AudioTestSupport.h"
#include "Decoder.h"
#include "SongMaker.h"
#include "TapTempo.h"
#include "TempoAnalysis.h"
#include "TempoApply.h"
#include "UndoHistory.h"
#include "support/ChartRecords.h"

namespace lumidex::tempo {
namespace {

using testing::makeSong;
using testing::SongPlan;
using testing::Style;

bool hasAlternative(const BeatAnalysis& b, double bpm) {
    for (const TempoCandidate& c : b.alternatives)
        if (std::abs(c.bpm - bpm) < 0.05) return true;
    return false;
}

QByteArray wav(const std::vector<float>& samples, int rate = 44100) {
    return testing::wavFile(samples, rate);
}

TEST(BeatAnalysis, FindsTempoAndFirstBeatOfEachStyle) {
    struct Case {
        Style style;
        double bpm, intro, jitterMs, noise;
        bool mp3;
    };
    const Case cases[] = {
        {Style::FourOnFloor, 71.37, 1.9, 2, 0.01, false},
        {Style::Rock, 104.5, 0.0, 3, 0.02, true},
        {Style::HalfTime, 133.21, 3.2, 1, 0.0, false},
        {Style::Swing, 168.9, 0.45, 2, 0.01, false},
        {Style::Sparse, 207.3, 0.8, 0, 0.03, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::styleName(c.style));
        const SongPlan plan{c.style, c.bpm, c.intro, 24, c.jitterMs, c.noise, 44100, 7};
        const std::vector<float> song = makeSong(plan);
        const TempoReport r = analyseMusic(c.mp3 ? testing::mp3File(song, 44100) : wav(song));
        ASSERT_EQ(r.outcome, TempoReport::Beat);
        EXPECT_NEAR(r.beat.bpm, c.bpm, 0.02);
        EXPECT_NEAR(r.beat.firstBeat, c.intro, 0.005);
        EXPECT_TRUE(r.beat.steady);
        EXPECT_GT(r.beat.confidence, 0.5);
        EXPECT_TRUE(hasAlternative(r.beat, c.bpm / 2) || hasAlternative(r.beat, c.bpm * 2));
        EXPECT_DOUBLE_EQ(r.delay, delayFor(r.beat.bpm, r.beat.firstBeat));
    }
}

TEST(BeatAnalysis, ChangingTempoIsReportedWithItsSteadySpans) {
    std::vector<float> song = makeSong({Style::Rock, 100, 0.5, 15, 1, 0.01, 44100, 3});
    const std::vector<float> faster = makeSong({Style::Rock, 131, 0, 15, 1, 0.01, 44100, 4});
    song.insert(song.end(), faster.begin(), faster.end());
    const TempoReport r = analyseMusic(wav(song));
    ASSERT_EQ(r.outcome, TempoReport::Beat);
    EXPECT_FALSE(r.beat.steady);
    ASSERT_GE(r.beat.spans.size(), 2u);
    EXPECT_NEAR(r.beat.spans.front().bpm, 100, 0.05);
    EXPECT_NEAR(r.beat.spans.back().bpm, 131, 0.05);
    EXPECT_NEAR(r.beat.bpm, 100, 0.05);
    EXPECT_NEAR(r.beat.firstBeat, 0.5, 0.005);
}

// Speech-like sound: vowels of random length at random times.
std::vector<float> babble(double seconds) {
    std::mt19937 random(5);
    std::uniform_real_distribution<double> u(0, 1);
    std::vector<float> out(size_t(seconds * 16000), 0.f);
    for (size_t at = 0; at < out.size();) {
        const size_t length = size_t((0.06 + 0.25 * u(random)) * 16000);
        const double pitch = 100 + 80 * u(random), formant = 500 + 1500 * u(random);
        for (size_t i = 0; i < length && at + i < out.size(); ++i) {
            const double t = double(i) / 16000, env = std::sin(M_PI * double(i) / double(length));
            out[at + i] = float(0.4 * env * std::sin(2 * M_PI * pitch * t) *
                                (1 + std::sin(2 * M_PI * formant * t)));
        }
        at += length + size_t((0.03 + 0.3 * u(random)) * 16000);
    }
    return out;
}

TEST(BeatAnalysis, MusicWithoutASteadyBeatGetsNoNumber) {
    std::mt19937 random(9);
    std::uniform_real_distribution<float> u(-0.5f, 0.5f);
    std::vector<float> noise(44100 * 12);
    for (float& v : noise) v = u(random);
    const std::vector<float> tone = test::sine(44100 * 12, 1, 440, 44100);
    const QByteArray damaged = wav(tone).left(30) + QByteArray(5000, '\x7f');
    const SongPlan twoSeconds{Style::Rock, 120, 0, 2, 0, 0, 44100, 1};
    const struct {
        const char* what;
        QByteArray bytes;
        TempoReport::Outcome outcome;
    } cases[] = {
        {"silence", wav(std::vector<float>(44100 * 12, 0.f)), TempoReport::NoBeat},
        {"white noise", wav(noise), TempoReport::NoBeat},
        {"single tone", wav(tone), TempoReport::NoBeat},
        {"speech", wav(babble(15), 16000), TempoReport::NoBeat},
        {"two seconds of drums", wav(makeSong(twoSeconds)), TempoReport::NoBeat},
        {"damaged file", damaged, TempoReport::Unreadable},
        {"not audio", QByteArray("<TITLE Name=\"x\">"), TempoReport::Unreadable},
        {"empty", QByteArray(), TempoReport::Unreadable},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const TempoReport r = analyseMusic(c.bytes);
        EXPECT_EQ(r.outcome, c.outcome) << r.beat.bpm;
        EXPECT_FALSE(r.message.isEmpty());
        EXPECT_EQ(r.beat.bpm, 0);
    }
}

// Endless quiet noise at a low rate, decoded as it is read.
class EndlessNoise : public audio::Decoder {
  public:
    EndlessNoise() { format_ = {audio::Container::Wav, 2000, 1, 3 * 3600 * 2000, 16, false}; }
    int64_t read(float* out, int64_t frames) override {
        for (int64_t i = 0; i < frames; ++i)
            out[i] = 0.01f * float(int(random_() % 200) - 100) / 100;
        return frames;
    }
    bool seek(int64_t) override { return false; }

  private:
    std::minstd_rand random_;
};

TEST(BeatAnalysis, ThreeHoursAreCutShortAndCancellingStops) {
    EndlessNoise endless;
    const TempoReport r = analyseDecoder(endless);
    EXPECT_EQ(r.outcome, TempoReport::NoBeat);
    EXPECT_TRUE(r.truncated);
    EXPECT_DOUBLE_EQ(r.seconds, kMaxAnalysedSeconds);

    double last = 0;
    const QByteArray song = wav(makeSong({Style::Rock, 120, 0, 10, 0, 0, 44100, 1}));
    const TempoReport cancelled = analyseMusic(song, [&](double f) {
        last = f;
        return f < 0.5;
    });
    EXPECT_EQ(cancelled.outcome, TempoReport::Cancelled);
    EXPECT_GE(last, 0.5);
    EXPECT_LT(last, 0.9);
}

TEST(BeatAnalysis, DelayPutsTheFirstBeatOnABeatLine) {
    const struct {
        double bpm, firstBeat, delay;
    } cases[] = {
        {120, 0.5, 3},   // a beat at 0.5 s: coord 0 at the music's start
        {120, 0.0, 3},   // the beat is the start
        {120, 0.1, 27},  // coord 0 0.4 s before the start, coord 12 at 0.1 s
        {120, 2.1, 27},  // later beats lie on the same grid
        {150, 0.13, 19.2}, {97.3, 0.61679, 3 + 60 * (2 * 60 / 97.3 - 0.61679)},
    };
    for (const auto& c : cases) {
        EXPECT_NEAR(delayFor(c.bpm, c.firstBeat), c.delay, 0.0006) << c.bpm << " " << c.firstBeat;
        // Coord 12k is heard at (CoordToFrames(12k) - (Delay - 3)) / 60 s: a beat of the grid.
        const double beat = 60 / c.bpm, atZero = (3 - delayFor(c.bpm, c.firstBeat)) / 60;
        EXPECT_LE(atZero, 1e-9);
        EXPECT_GT(atZero, -beat);
        const double k = (c.firstBeat - atZero) / beat;
        EXPECT_NEAR(k, std::round(k), 1e-4);
    }
}

// Taps as the window's key handler passes them: the music's position, in
// seconds, when the key went down.
TEST(TapTempo, RunningTempoAndPhaseFromTheFourthTap) {
    TapTempo taps;
    const double beat = 60 / 128.0;
    const double jitter[] = {0.004, -0.006, 0.002, 0.005, -0.003, 0.0, -0.002, 0.004};
    for (int i = 0; i < 8; ++i) {
        taps.tap(1.25 + i * beat + jitter[i]);
        EXPECT_EQ(taps.ready(), i >= 3);
        if (i < 3) {
            EXPECT_EQ(taps.bpm(), 0);
        }
    }
    EXPECT_NEAR(taps.bpm(), 128, 0.5);
    EXPECT_NEAR(taps.firstBeat(), 1.25, 0.005);
    EXPECT_EQ(taps.taps(), 8);

    taps.tap(1.25 + 8 * beat + TapTempo::kRestartSeconds + 0.1);  // a pause starts over
    EXPECT_EQ(taps.taps(), 1);
    for (int i = 1; i < 4; ++i) taps.tap(20 + i * 0.5);
    taps.tap(3.0);  // the music was moved back
    EXPECT_EQ(taps.taps(), 1);
    EXPECT_FALSE(taps.ready());
}

struct ApplyTempo : ::testing::Test, test::LoggedChart {};

TEST_F(ApplyTempo, OneStepThatUndoPutsBack) {
    for (int c = 0; c <= kMaxCoord; ++c) {
        const double tempo = c < 480 ? 120 : 150;
        doc.setSpeedTempo(c, c < 100 ? 240 : tempo, tempo);  // a faster scroll at the start
    }
    doc.Delay = 7;
    UndoHistory history(edits);
    const test::ChartSnapshot before(doc);

    applyTempo(edits, 128.5, 31.25);
    ASSERT_EQ(log.actions(), std::vector<QString>{kApplyTempoStep});
    EXPECT_EQ(doc.cell(0).Tempo, 128.5);
    EXPECT_EQ(doc.cell(99).Speed, 257);   // the segment's speed keeps its ratio to the tempo
    EXPECT_EQ(doc.cell(100).Tempo, 120);  // the next segment is the author's
    EXPECT_EQ(doc.cell(480).Tempo, 150);
    EXPECT_EQ(doc.Delay, 31.25);
    EXPECT_EQ(doc.Header.Delay, QStringLiteral("31.25"));
    EXPECT_EQ(doc.Header.BPMO, QStringLiteral("128.5"));

    ASSERT_TRUE(history.undo());
    EXPECT_TRUE(test::ChartSnapshot(doc) == before);
}

}  // namespace
}  // namespace lumidex::tempo
