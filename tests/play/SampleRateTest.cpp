// Music and key sounds of any sample rate play at their own speed: a click
// track resampled to another rate puts its clicks, and the key sounds placed
// against it, on the same output frames as the 44100 Hz original in the
// editor's steps, at normal speed and with the playing speed moved.
// RenderCommandTest does the same through lumidex-chart render.

#include "PlayTestSupport.h"

namespace lumidex::test {
namespace {

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
        doc.fillSpeedTempoFrom(0, 120, 120);
        doc.Delay = 3;
        doc.LastCoord = 240;
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

}  // namespace
}  // namespace lumidex::test
