// The peak table answers any stretch of music as the blocks it overlaps
// would, whichever levels it reads them from.

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "PeakTable.h"

namespace lumidex::test {
namespace {

using waveform::PeakTable;

// What the finest blocks overlapping [from, to) say, block by block.
waveform::Envelope blockByBlock(const PeakTable& t, double from, double to) {
    const int64_t a = std::max<int64_t>(0, int64_t(std::floor(from / PeakTable::kBlockFrames)));
    const int64_t b = std::min(t.blocks(), int64_t(std::ceil(to / PeakTable::kBlockFrames)));
    uint16_t peak = 0;
    double squares = 0;
    for (int64_t i = a; i < b; ++i) {
        peak = std::max(peak, t.storedPeak(i));
        squares += std::pow(t.storedRms(i) / 65535.0, 2);
    }
    return {float(peak / 65535.0), b > a ? float(std::sqrt(squares / double(b - a))) : 0};
}

TEST(PeakTable, AnyStretchAgreesWithItsBlocks) {
    std::mt19937 random(7);
    std::uniform_real_distribution<float> sample(-1, 1);
    PeakTable table(44100, 2);
    std::vector<float> block(2 * PeakTable::kBlockFrames);
    const int blocks = 5000;  // six levels
    for (int i = 0; i < blocks; ++i) {
        const float level = float(i % 97) / 97;
        for (float& s : block) s = sample(random) * level;
        table.appendBlock(block.data(), i + 1 < blocks ? PeakTable::kBlockFrames : 77);
    }
    table.finish();
    EXPECT_EQ(table.frames(), int64_t(blocks - 1) * PeakTable::kBlockFrames + 77);
    std::uniform_real_distribution<double> at(-500, double(table.frames()) + 500);
    for (int i = 0; i < 2000; ++i) {
        double from = at(random), to = at(random);
        if (i % 3 == 0) to = from + std::abs(to - from) / 300;  // short stretches too
        if (to < from) std::swap(from, to);
        const waveform::Envelope expected = blockByBlock(table, from, to);
        const waveform::Envelope got = table.span(from, to);
        ASSERT_EQ(got.peak, expected.peak) << from << ".." << to;
        ASSERT_NEAR(got.rms, expected.rms, 2e-3) << from << ".." << to;
    }
    EXPECT_EQ(table.span(-10, 0).peak, 0);  // before the music
    EXPECT_EQ(table.span(1e9, 2e9).peak, 0);
}

TEST(PeakTable, TenMinutesTakeLittleMemory) {
    PeakTable table(44100, 2);
    std::vector<float> block(2 * PeakTable::kBlockFrames, 0.25f);
    for (int64_t f = 0; f < 600 * 44100; f += PeakTable::kBlockFrames)
        table.appendBlock(block.data(), PeakTable::kBlockFrames);
    table.finish();
    EXPECT_LT(table.bytes(), size_t(2) << 20);
    EXPECT_NEAR(table.span(0, double(table.frames())).rms, 0.25, 1e-4);
}

}  // namespace
}  // namespace lumidex::test
