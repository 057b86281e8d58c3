// Playback on the manual output. Every key sound starts on the output frame
// at which the music reaches its note: counted and placed against a literal
// walk of the chart's tempos. Playback driven step by step: the speed slider,
// "Play &Key" and edits during playback, every way playback ends, and music
// and keys of any sample rate at their own speed. DirectShow cannot place a
// sound to the sample: each step fires the key of every note crossed since
// the step before.

#include <QElapsedTimer>
#include <QThread>

#include <functional>
#include <random>
#include <string>

#include "PlayTestSupport.h"
#include "SoundControls.h"
#include "UndoHistory.h"

namespace lumidex::test {
namespace {

// Thousands of notes over tempo changes from 90 to 1500 BPM and scroll-speed
// sections, with kind-5 rows, long notes, indices past the list and above
// 2000, a run of notes on every coord at 1500 BPM, and a note at coord 0.
void randomChart(ChartDocument& doc, uint32_t seed) {
    std::mt19937 rng(seed);
    const double tempos[] = {90, 150, 240, 600, 1500};
    const uint8_t kinds[] = {16, 20, 24, 5, 26, 128, 129, 130, 140};
    const int16_t indices[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 8, 9, 2001};
    doc.LastCoord = 2400;
    doc.Delay = 3;  // music time 0 is coord 0
    for (int c = 0; c <= doc.LastCoord; c += 1 + int(rng() % 97)) {
        const double tempo = tempos[rng() % 5];
        doc.fillSpeedTempoFrom(c, tempo * (1 + rng() % 3), tempo);
    }
    for (int c = 0; c <= doc.LastCoord; ++c)
        if (rng() % 5 < 2) doc.setNote(c, kinds[rng() % 9], indices[rng() % 12]);
    for (int c = 1500; c < 1560; ++c) {
        doc.setSpeedTempo(c, 1500, 1500);
        doc.setNote(c, 20, int16_t(1 + c % 3));
    }
    doc.setNote(0, 16, 1);
}

// The key a note should sound, by the rules written out: any kind but a
// long-note end, an index of the list.
int expectedKey(const ChartDocument& doc, int c) {
    const NoteEntry& cell = doc.cell(c);
    const bool longEnd = cell.Kind >= 128 && cell.Kind <= 145 && cell.Kind % 3 == 1;
    if (cell.Kind == 0 || longEnd || cell.FxSndIndex < 1 || cell.FxSndIndex > kKeys) return 0;
    return cell.FxSndIndex;
}

class KeyOnsets : public PlayFixture, public ::testing::WithParamInterface<int> {
  protected:
    int keyOf(int coord) const override { return expectedKey(doc, coord); }
    double chartSeconds() const { return *walk::coordSum(doc, doc.LastCoord + 72, false) / 60; }
};

TEST_P(KeyOnsets, OfflineRenderFromCoordZero) {
    randomChart(doc, 7);
    openSounds(chartSeconds() + 1, GetParam());
    ASSERT_NE(manualOutput(), nullptr);
    int64_t rendered = 0;
    const RenderSummary summary = renderPlayback(
        playback, *manualOutput(), 0, PlaySwitches{false, true, 44100},
        [&](const float* frames, int n) {
            collectOnsets(left({frames, frames + 2 * n}), rendered, heard, &lastSample);
            rendered += n;
        });
    const Onsets want = expectedOnsets(0, 0);
    ASSERT_GT(want.size(), 500u);
    EXPECT_EQ(heard, want);
    EXPECT_EQ(summary.frames, rendered);
    int notes = 0;
    for (const auto& [frame, bits] : want) notes += __builtin_popcount(unsigned(bits));
    EXPECT_EQ(summary.keys, notes);
    EXPECT_TRUE(heard.count(0)) << "the note at coord 0 starts with the music";
}

TEST_P(KeyOnsets, EditorStepsFromAMidChartCoord) {
    randomChart(doc, 11);
    openSounds(chartSeconds() + 1, GetParam());
    ASSERT_TRUE(playback.start(1234, PlaySwitches{false, true, 44100}));
    const Onsets want = expectedOnsets(head(), musicAt(), 1234);
    driveToEnd();
    EXPECT_EQ(heard, want);
}

INSTANTIATE_TEST_SUITE_P(BassAndMiles, KeyOnsets, ::testing::Values(kDecoderBass, kDecoderMiles));

// 150 BPM (2 chart frames a coord), key k on every 12th coord from 12 on,
// cycling through keys 1..3; the music starts on coord 0.
class PlaybackControl : public PlayFixture {
  protected:
    void SetUp() override {
        PlayFixture::SetUp();
        uniformChart(150, 540);
        for (int c = 12; c <= 540; c += 12) doc.setNote(c, 20, int16_t(1 + (c / 12) % 3));
    }
    static Onsets merged(Onsets a, const Onsets& b) {
        for (const auto& [frame, bits] : b) a[frame] |= bits;
        return a;
    }
    // 20 s of music, playing from coord 0 with the keys on.
    void startAtZero() {
        openSounds(20);
        ASSERT_TRUE(playback.start(0, PlaySwitches{false, true, 44100}));
    }
    // The coord whose note starts first at or after output frame f.
    int coordAfter(int64_t f, int64_t s, double p0, double step = 1.0) const {
        int c = 0;
        while (expectedOnset(c, s, p0, step) < f) ++c;
        return c;
    }
};

TEST_F(PlaybackControl, TheSpeedSliderMovesTheMusicAndTheKeysPlacedAhead) {
    writeKeys(64);  // long enough to come through the resampler
    startAtZero();
    const double p0 = musicAt();
    ASSERT_TRUE(drive(3 * 44100 + 17));  // a note has just been placed ahead
    const int64_t changed = head();
    const double pChanged = musicAt();
    playback.setFrequency(88200);
    driveToEnd();
    const int split = coordAfter(changed, 0, p0);
    const Onsets want = merged(expectedOnsets(0, p0, 0, split - 1),
                               expectedOnsets(changed, pChanged, split, -1, 2));
    EXPECT_EQ(heard, want);
}

TEST_F(PlaybackControl, PlayKeyToggledMidPlay) {
    startAtZero();
    ASSERT_TRUE(drive(44100));
    const int64_t off = head();
    playback.setKeys(false);
    ASSERT_TRUE(drive(44100));
    const int64_t on = head();
    playback.setKeys(true);
    driveToEnd();
    const Onsets want = merged(expectedOnsets(0, 0, 0, coordAfter(off, 0, 0) - 1),
                               expectedOnsets(0, 0, coordAfter(on, 0, 0)));
    EXPECT_EQ(heard, want);
}

TEST_F(PlaybackControl, NotesPlacedOrErasedJustAheadAreHeardAsEdited) {
    startAtZero();
    // The note at 72, already placed, goes; a new one at 71, 35 ms ahead, comes.
    ASSERT_TRUE(drive(expectedOnset(72, 0, 0) - 3000));
    doc.setNote(72, 0, 0);
    doc.setNote(71, 16, 3);
    driveToEnd();
    EXPECT_EQ(heard, expectedOnsets(0, 0));
    EXPECT_EQ(heard.count(expectedOnset(71, 0, 0)), 1u);
}

TEST_F(PlaybackControl, AnUndoJustAheadIsHeardAsUndone) {
    ChartEdit edits(doc);
    UndoHistory history(edits);
    startAtZero();
    ASSERT_TRUE(drive(expectedOnset(72, 0, 0) - 6000));
    {
        EditStep step(edits, QStringLiteral("Draw Note"));
        edits.setNote(72, 0, 0);
        edits.setNote(71, 16, 3);
    }
    ASSERT_TRUE(drive(1000));  // both placed and withdrawn ahead
    ASSERT_TRUE(history.undo());
    driveToEnd();
    EXPECT_EQ(heard, expectedOnsets(0, 0));
    EXPECT_EQ(heard.count(expectedOnset(71, 0, 0)), 0u);
    EXPECT_EQ(heard.count(expectedOnset(72, 0, 0)), 1u);
}

TEST_F(PlaybackControl, EndsWhenTheViewReachesTheChartsEnd) {
    openSounds(25);
    ASSERT_TRUE(playback.start(0, PlaySwitches{false, true, 44100}));
    Playback::Step last;
    for (Playback::Step s; (s = playback.step()).running; advance(kRenderBlock)) last = s;
    EXPECT_EQ(last.viewBase, doc.LastCoord + 71);
}

TEST_F(PlaybackControl, EndsWithTheMusicAndAStartPastItStopsAtOnce) {
    openSounds(2);
    ASSERT_TRUE(playback.start(0, PlaySwitches{true, true, 44100}));
    int64_t frames = 0;
    while (drive(kRenderBlock)) frames = head();
    EXPECT_NEAR(double(frames), 2 * 44100, kRenderBlock);
    playback.stop();
    EXPECT_EQ(firstSound(advance(44100)), -1);  // no key placed ahead is left

    ASSERT_TRUE(playback.start(120, PlaySwitches{true, true, 44100}));  // 4 s in
    advance(kRenderBlock);
    EXPECT_FALSE(playback.step().running);
    playback.stop();
    EXPECT_EQ(playback.keysStarted(), 0);
}

TEST_F(PlaybackControl, AStartBeforeTheMusicPlaysFromItsBeginning) {
    doc.Delay = 123;  // the music starts at coord 60
    startAtZero();
    EXPECT_EQ(musicAt(), 0);
    EXPECT_EQ(playback.step().coord, 60);
    ASSERT_TRUE(drive(44100));
    EXPECT_EQ(heard.begin()->first, expectedOnset(60, 0, 0));  // the note on the start coord
}

TEST_F(PlaybackControl, ATimeThatCannotBeComputedEndsPlaybackAfterTheNotesBeforeIt) {
    doc.setTempo(300, 0);
    startAtZero();
    driveToEnd();
    playback.stop();
    EXPECT_EQ(heard, expectedOnsets(0, 0, 0, 299));
    EXPECT_FALSE(playback.start(400, PlaySwitches{}));  // no time there: nothing starts
    EXPECT_FALSE(playback.musicPlaying());
}

// GStreamer plays in real time, so the test steps as fast as it can until the
// music is over.
TEST_F(PlayFixture, DirectShowFiresEveryCrossedNoteOnce) {
    writeKeys(2205);                      // GStreamer wants more than a sample
    doc.fillSpeedTempoFrom(0, 600, 600);  // a coord every 8 ms: several per step
    doc.Delay = 0;
    doc.LastCoord = 400;
    for (int c = 0; c <= 400; ++c) doc.setNote(c, c % 7 == 0 ? 130 : 20, int16_t(c % 9));
    openSounds(1.0, kDecoderDShow);
    ASSERT_TRUE(playback.start(0, PlaySwitches{true, true, 44100}));
    int last = 0;
    QElapsedTimer deadline;
    deadline.start();
    for (Playback::Step s; (s = playback.step()).running && deadline.elapsed() < 20000;) {
        EXPECT_GE(s.coord, last);
        last = s.coord;
        QThread::yieldCurrentThread();
    }
    playback.stop();
    ASSERT_GT(last, 80);  // most of the second was heard
    int notes = 0;
    for (int c = 0; c <= last; ++c) notes += noteKey(doc, c) != 0 ? 1 : 0;
    EXPECT_EQ(playback.keysStarted(), notes);
}

// Music and key sounds of any sample rate play at their own speed: a click
// track resampled to another rate puts its clicks, and the key sounds placed
// against it, on the same output frames as the 44100 Hz original in the
// editor's steps, at normal speed and with the playing speed moved.
constexpr double kSeconds = 3;
constexpr double kClickEvery = 0.25;  // seconds between the music's clicks

// A stereo sound at `rate` with a 0.5 pulse of about 0.2 ms on one channel
// (0 left, 1 right) every `every` seconds from 0.
QByteArray clicks(int rate, int channel, double seconds, double every) {
    const int frames = int(seconds * rate);
    const int pulse = std::max(1, rate / 5000);
    Samples s = constant(frames, 2, 0.0f);
    for (double t = 0; t < seconds; t += every) {
        const int at = int(std::lround(t * rate));
        for (int i = at; i < std::min(frames, at + pulse); ++i) s[size_t(2 * i + channel)] = 0.5f;
    }
    return wavFloat(s, 2, rate);
}

// The frames where a channel of stereo output rises through 0.2 after at
// least 100 quiet frames.
std::vector<int64_t> risesOn(const std::vector<float>& stereo, int channel) {
    std::vector<int64_t> rises;
    int64_t lastLoud = -1000;
    for (size_t i = 0; i < stereo.size() / 2; ++i) {
        if (std::fabs(stereo[2 * i + size_t(channel)]) < 0.2f) continue;
        if (int64_t(i) - lastLoud > 100) rises.push_back(int64_t(i));
        lastLoud = int64_t(i);
    }
    return rises;
}

void expectWithin(const std::vector<int64_t>& got, const std::vector<int64_t>& want, int frames,
                  const std::string& what) {
    ASSERT_EQ(got.size(), want.size()) << what;
    for (size_t i = 0; i < got.size(); ++i)
        EXPECT_LE(std::llabs(got[i] - want[i]), frames) << what << " click " << i;
}

struct Case {
    int decoder;
    float frequency;  // the playing frequency at the start
};

// Music clicks on the left, key clicks on the right; one key, notes on
// uneven coords at 120 BPM from coord 0, which is music time 0.
class SampleRates : public PlayFixture, public ::testing::WithParamInterface<Case> {
  protected:
    void SetUp() override {
        PlayFixture::SetUp();
        uniformChart(120, 240);
        doc.KeyCount = 1;
        doc.keySound(1) = KeySound{QStringLiteral("key.wav"), QStringLiteral("1.00")};
        for (int c = 5; c < 240; c += 7) doc.setNote(c, 20, 1);
    }
    // The music and the key at `rate`, opened with the case's decoder.
    void openAt(int rate) {
        ASSERT_TRUE(writeAll(musicDir + "music.wav", clicks(rate, 0, kSeconds, kClickEvery)));
        ASSERT_TRUE(writeAll(musicDir + "key.wav", clicks(rate, 1, 0.01, 1)));
        open(GetParam().decoder);
    }
    PlaySwitches switches() const { return PlaySwitches{true, true, GetParam().frequency}; }

    // What the editor plays from coord 0 with the sounds at `rate`; the
    // slider moves to twice the speed after a second.
    std::vector<float> editorPlays(int rate) {
        openAt(rate);
        std::vector<float> out;
        EXPECT_TRUE(playback.start(0, switches()));
        for (int64_t n = 0; playback.step().running; n += kRenderBlock) {
            if (n == 60 * kRenderBlock) playback.setFrequency(2 * GetParam().frequency);
            const std::vector<float> block = advance(kRenderBlock);
            out.insert(out.end(), block.begin(), block.end());
        }
        close();
        return out;
    }
    void compare(const std::vector<float>& original, const std::vector<float>& other, int rate) {
        const std::vector<int64_t> music = risesOn(original, 0);
        const std::vector<int64_t> keys = risesOn(original, 1);
        ASSERT_GT(music.size(), 5u);
        ASSERT_GE(keys.size(), 8u);
        expectWithin(risesOn(other, 0), music, 2, "music at " + std::to_string(rate));
        expectWithin(risesOn(other, 1), keys, 2, "keys at " + std::to_string(rate));
    }
};

TEST_P(SampleRates, TheEditorPlaysEveryRateAtItsOwnSpeed) {
    const std::vector<float> original = editorPlays(44100);
    for (int rate : {22050, 32000, 48000, 96000}) compare(original, editorPlays(rate), rate);
}

INSTANTIATE_TEST_SUITE_P(BassAndMiles, SampleRates,
                         ::testing::Values(Case{kDecoderBass, 44100}, Case{kDecoderMiles, 44100},
                                           Case{kDecoderBass, playingFrequency(-37)},
                                           Case{kDecoderMiles, playingFrequency(60)}),
                         [](const auto& test) {
                             return std::string(test.param.decoder == kDecoderBass ? "Bass"
                                                                                   : "Miles") +
                                    std::to_string(int(test.param.frequency));
                         });

// Which music and key controls can be used after each command, as a string
// of the states: open music, close music, play, music file boxes, open keys,
// close keys, "Play &Key", playing speed.
TEST(SoundControlsTest, OpeningAndClosingSwitchTheControls) {
    SoundControls c;
    const auto shown = [&c] {
        const SoundControlStates& s = c.states();
        std::string out;
        for (bool on : {s.openMusic, s.closeMusic, s.play, s.musicFile, s.openKeys, s.closeKeys,
                        s.keyItem, s.speed})
            out += on ? '1' : '0';
        return out;
    };
    const std::pair<std::function<void()>, const char*> steps[] = {
        {[] {}, "10011001"},
        {[&] { c.musicOpened(); }, "01101001"},
        {[&] { c.previewPlayed(); }, "01101101"},
        {[&] { c.keysOpened(); }, "01100111"},
        {[&] { c.decoderChosen(kDecoderDShow); }, "01100110"},
        {[&] { c.musicClosed(); }, "10010110"},
        {[&] { c.keysClosed(); }, "10011000"},
        {[&] { c.decoderChosen(kDecoderMiles); }, "10011001"},
    };
    for (const auto& [step, want] : steps) {
        step();
        EXPECT_EQ(shown(), want);
    }
}

}  // namespace
}  // namespace lumidex::test
