// Every key sound starts on the output frame at which the music reaches its
// note: counted and placed against a literal walk of the chart's tempos.

#include <random>

#include "PlayTestSupport.h"

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

}  // namespace
}  // namespace lumidex::test
