#include <gtest/gtest.h>

#include <random>
#include <tuple>

#include "ChartDocument.h"
#include "LiteralWalk.h"
#include "NewChart.h"

using namespace lumidex;

namespace {

// The cached answers against the plain walk: at random coords, and at times
// near exact cell boundaries, which exercise the tolerance and the ties.
void compareWithWalk(const ChartDocument& d, std::mt19937& rng) {
    std::uniform_int_distribution<int> coord(-5, kMaxCoord + 50);
    for (int n = 0; n < 40; ++n) {
        const int c = coord(rng);
        EXPECT_EQ(d.CoordToFrames(c), walk::coordSum(d, c, false)) << c;
        EXPECT_EQ(d.CoordToPosition(c), walk::coordSum(d, c, true)) << c;
    }
    std::uniform_real_distribution<double> jitter(-0.0002, 0.0002);
    for (int n = 0; n < 40; ++n) {
        const int c = coord(rng);
        for (bool positions : {false, true}) {
            auto base = positions ? d.CoordToPosition(c) : d.CoordToFrames(c);
            const double t = (base ? *base : 0.0) + (n % 3 == 0 ? 0.0 : jitter(rng));
            if (positions) {
                EXPECT_EQ(d.PositionToCoord(t, 0), walk::find(d, t, true, 0)) << t;
                EXPECT_EQ(d.PositionToCoord(t, 1), walk::find(d, t, true, 1)) << t;
            } else {
                EXPECT_EQ(d.FramesToCoordNearest(t), walk::find(d, t, false, 0)) << t;
                EXPECT_EQ(d.FramesToCoordFloor(t), walk::find(d, t, false, 2)) << t;
            }
        }
    }
}

}  // namespace

TEST(ChartConversions, UniformTempoAnswersAndTieRules) {
    ChartDocument d;
    d.fillSpeedTempoFrom(0, 600, 150);  // 2 frames and 4 positions a cell
    EXPECT_EQ(*d.CoordToFrames(0), 0);
    EXPECT_EQ(*d.CoordToFrames(-7), 0);
    EXPECT_EQ(*d.CoordToFrames(40000), *d.CoordToFrames(30000));
    EXPECT_EQ(*d.CoordToPosition(12), 48);
    // The last cell's second half answers 30001, which callers treat as past the end.
    EXPECT_EQ(*d.FramesToCoordNearest(*d.CoordToFrames(30000) + 1.5), kMaxCoord + 1);
    // {'n'earest frames, 'f'loor frames, position rounded 'd'own or 'u'p, time,
    // coord}. Nearest: an exact match, nearer to 12, a tie goes up, past the
    // end. Positions: 46 is a tie between 11 and 12 (up); 48.00005 is within
    // the tolerance of 48.
    const std::tuple<char, double, int> cases[] = {
        {'n', 24, 12},       {'n', 24.9, 12},   {'n', 25, 13},        {'n', 1e12, kMaxCoord},
        {'f', 24, 12},       {'f', 23.99, 11},  {'d', 48, 12},        {'d', 45, 11},
        {'d', 46, 12},       {'d', 0, 0},       {'u', 0, 1},          {'u', -5, 1},
        {'u', 48.00005, 12}, {'u', 48.001, 13}, {'d', 1e9, kMaxCoord}};
    for (auto [how, t, coord] : cases) {
        const auto got = how == 'n'   ? d.FramesToCoordNearest(t)
                         : how == 'f' ? d.FramesToCoordFloor(t)
                                      : d.PositionToCoord(t, how == 'u');
        EXPECT_EQ(*got, coord) << how << " " << t;
    }
}

TEST(ChartConversions, ZeroTempoFailsOnlyWhereTheWalkPassesIt) {
    ChartDocument d;  // a fresh chart has no tempo at all
    EXPECT_FALSE(d.CoordToFrames(1).has_value());
    EXPECT_FALSE(d.FramesToCoordNearest(10).has_value());
    EXPECT_EQ(*d.CoordToFrames(0), 0);

    d.fillSpeedTempoFrom(0, 120, 120);
    d.setTempo(100, 0);
    EXPECT_TRUE(d.CoordToFrames(100).has_value());
    EXPECT_FALSE(d.CoordToFrames(101).has_value());
    EXPECT_FALSE(d.CoordToPosition(5000).has_value());
    EXPECT_EQ(*d.FramesToCoordNearest(25), 10);             // stops before the bad cell
    EXPECT_FALSE(d.FramesToCoordNearest(1e6).has_value());  // would walk through it
    EXPECT_THROW(require(d.CoordToFrames(30000)), RuntimeError);

    d.setTempo(100, 120);  // mended: timing works again
    EXPECT_TRUE(d.CoordToFrames(30000).has_value());
}

TEST(ChartConversions, HugeSumsFailInsteadOfSpreadingInfinity) {
    ChartDocument d;
    d.fillSpeedTempoFrom(0, 1e308, 1e-10);
    EXPECT_FALSE(d.CoordToPosition(3).has_value());
    EXPECT_TRUE(d.CoordToFrames(3).has_value());  // 300 / 1e-10 is finite
}

TEST(ChartConversions, MatchTheLiteralWalkOnRandomChartsAndEdits) {
    std::mt19937 rng(20261206);
    std::uniform_int_distribution<int> coord(0, kMaxCoord);
    std::uniform_real_distribution<double> tempo(40, 400);
    for (int chart = 0; chart < 6; ++chart) {
        ChartDocument d;
        d.fillSpeedTempoFrom(0, tempo(rng), tempo(rng));
        // Tempo records applied out of order, as a loader meets them.
        for (int r = 0; r < 30; ++r) {
            double t = tempo(rng);
            if (chart == 3 && r % 4 == 0) t = -t;  // negative tempos walk backwards
            d.fillSpeedTempoFrom(coord(rng), chart >= 4 ? tempo(rng) * 2 : t, t);
            if (r % 10 == 0) compareWithWalk(d, rng);
        }
        compareWithWalk(d, rng);
        // Single-cell edits after the sums exist.
        for (int e = 0; e < 20; ++e) {
            const int c = coord(rng);
            if (e % 2) {
                d.setSpeed(c, tempo(rng));
            } else {
                d.setSpeedTempo(c, tempo(rng), tempo(rng));
            }
        }
        compareWithWalk(d, rng);
        d.InitArea();
        EXPECT_FALSE(d.CoordToFrames(10).has_value());
    }
}

TEST(ChartModel, CapacitiesAndComboWeightBoundaries) {
    ChartDocument d;
    EXPECT_THROW(d.cell(kCellCount), RuntimeError);
    EXPECT_THROW(d.setKind(-1, 16), RuntimeError);
    EXPECT_THROW(d.keySound(kMaxKeySound + 1), RuntimeError);
    EXPECT_THROW(d.tempoChange(kMaxTempoRecord + 1), RuntimeError);
    EXPECT_NO_THROW(d.keySound(kMaxKeySound).Snd = "x.wav");

    // A note edit leaves the tempo of the cell alone, lazily filled or not.
    d.fillSpeedTempoFrom(0, 100, 200);
    d.setNote(500, 20, 3);
    EXPECT_EQ(d.cell(500).Tempo, 200);
    EXPECT_EQ(d.cell(500).Kind, 20);

    // The edges of the weighted ranges (the written levels are checked
    // through the saved files).
    const int weights[][2] = {{16, 1}, {25, 0}, {34, 1}, {35, 0}, {129, 0}, {145, 1}, {146, 0}};
    for (auto [kind, w] : weights) EXPECT_EQ(ComboWeight(static_cast<uint8_t>(kind)), w) << kind;
    EXPECT_EQ(KindToLevel(255), 5);  // the last of the long-note range
}

// A new chart has no notes and the header the "Music Info" boxes start with;
// the music (key slot 0) is the one the header names, so it saves as shown.
TEST(NewChartTest, StartsEmptyWithTheStartUpHeader) {
    ChartDocument d;
    d.setNote(12, 16, 1);
    d.LongCorrection = 9;
    d.AlignCoord = 3;
    startNewChart(d);
    EXPECT_EQ(d.cell(12).Kind, 0);
    EXPECT_EQ(d.LongCorrection, 4);
    EXPECT_EQ(d.AlignCoord, 3);            // the open's grid is the list's, not the chart's
    EXPECT_TRUE(d.Header.Name.isEmpty());  // the box shows its prompt instead
    EXPECT_EQ(d.Header.LongCorrectVal, "4");
    EXPECT_EQ(d.keySound(0).Snd, "mr.mp3");
    EXPECT_EQ(d.keySound(0).Volume, "1.00");
}
