// The batch commands as the "Clipboard" panel, the "--Batch Operation--"
// items and the "Change Speed" dialog run them, with the texts typed into
// their boxes: the cells written, messages and beeps, Combo, and the named
// edit step each command records (a step is what marks the chart modified).

#include <gtest/gtest.h>

#include "BatchCommands.h"
#include "ScriptedDialogs.h"
#include "support/ChartRecords.h"

namespace lumidex {
namespace {

using V = std::vector<int>;
constexpr ClipFields kAll{true, true, true};

class Batch : public ::testing::Test, protected test::LoggedChart {
  protected:
    // Tempo and speed 120 everywhere and no notes.
    Batch() { doc.fillSpeedTempoFrom(0, 120, 120); }

    // Notes placed as a load places them, Combo counting their weights.
    void place(std::initializer_list<std::tuple<int, int, int>> notes) {
        for (const auto& [coord, k, index] : notes) {
            doc.setNote(coord, uint8_t(k), int16_t(index));
            doc.Combo += ComboWeight(uint8_t(k));
        }
    }
    int kind(int c) const { return doc.cell(c).Kind; }
    int key(int c) const { return doc.cell(c).FxSndIndex; }
    double tempo(int c) const { return doc.cell(c).Tempo; }
    V kinds(std::initializer_list<int> coords) const {
        V all;
        for (int c : coords) all.push_back(kind(c));
        return all;
    }
    std::vector<NoteEntry> cells() const {
        std::vector<NoteEntry> all;
        for (int c = 0; c <= kMaxCoord; ++c) all.push_back(doc.cell(c));
        return all;
    }
    bool transform(KindTransform t, const char* from = "0", const char* to = "200") {
        return batch.Transform(t, from, to);
    }

    ScriptedDialogs ui;
    RandomKindSet randomKinds;
    BatchCommands batch{edits, ui, randomKinds};
};

TEST_F(Batch, CopySnapsToTheGridAndPasteWritesTheCheckedFieldsOfEachStep) {
    place({{9, 16, 1}, {10, 17, 2}, {12, 18, 3}, {21, 19, 4}, {24, 20, 5}});
    doc.setSpeedTempo(12, 90, 90);
    doc.AlignCoord = 3;
    ASSERT_TRUE(batch.Copy("10", "20", kAll));  // 9..21
    EXPECT_TRUE(log.steps.empty());

    doc.setFxSndIndex(481, 7);
    const ClipFields kindsOnly{true, false, false};  // the fields at paste time decide
    EXPECT_FALSE(batch.Paste("", kindsOnly));
    EXPECT_EQ(ui.messages().last(), QStringLiteral("Please enter destination to paste"));
    ASSERT_TRUE(batch.Paste("481", kindsOnly));  // 480
    EXPECT_EQ(kinds({480, 481, 483, 486, 492, 495}), (V{16, 0, 18, 0, 19, 0}));
    EXPECT_EQ(key(481), 7);
    EXPECT_EQ(tempo(483), 120);
    EXPECT_EQ(doc.Combo, 8);
    ASSERT_EQ(log.steps.size(), 1u);
    EXPECT_EQ(log.steps[0].action, QStringLiteral("Paste"));
    EXPECT_EQ(log.steps[0].cells.size(), 3u);
}

TEST_F(Batch, BadRangesAndMissingFieldsChangeNothing) {
    place({{40, 16, 1}, {50, 26, 2}});
    const auto before = cells();
    for (const auto& [from, to] : {std::pair{"50", "40"}, {"abc", "60"}, {"40", ""}}) {
        ui.shown.clear();
        EXPECT_FALSE(batch.Copy(from, to, kAll));
        EXPECT_FALSE(batch.Cut(from, to, kAll));
        EXPECT_FALSE(batch.Transform(KindTransform::Mirror, from, to));
        EXPECT_FALSE(batch.FillKeyIndex(true, from, to));
        EXPECT_EQ(ui.messages(), QStringList(4, "Please enter operation range")) << from;
        EXPECT_EQ(ui.shown[0].icon, MsgIcon::None);
    }
    ui.shown.clear();
    EXPECT_FALSE(batch.Cut("0", "100", {}));
    EXPECT_FALSE(batch.Paste("0", {}));
    EXPECT_TRUE(ui.shown.empty());
    EXPECT_EQ(cells(), before);
    EXPECT_TRUE(log.steps.empty());
}

TEST_F(Batch, PasteBeforeAnyCopyEmptiesOneCellAndOverItsSourcePastesTheCopy) {
    place({{480, 16, 3}, {481, 17, 0}});
    batch.Paste("480", kAll);
    EXPECT_EQ(kind(480) + key(480), 0);
    EXPECT_EQ(tempo(480), 120);
    EXPECT_EQ(doc.cell(480).Speed, 120);
    EXPECT_EQ(kind(481), 17);
    EXPECT_EQ(doc.Combo, 1);

    // Over its own source it pastes the values as copied.
    for (int c = 0; c < 48; ++c) doc.setNote(c, uint8_t(16 + c % 8), int16_t(c));
    const auto before = cells();
    batch.Copy("0", "47", kAll);
    batch.Paste("12", kAll);
    for (int c = 0; c < 48; ++c) EXPECT_EQ(doc.cell(c + 12), before[size_t(c)]) << c;
}

TEST_F(Batch, CutClearsTheCheckedFieldsAndRestoresTheTempoBeforeTheRange) {
    doc.fillSpeedTempoFrom(480, 150, 180);
    place({{0, 16, 1}, {5, 0, 0}, {12, 24, 2}, {480, 18, 3}, {492, 128, 4}});
    doc.setSpeedTempo(5, 60, 60);
    const ClipFields kindAndTempo{true, false, true};
    batch.Cut("480", "495", kindAndTempo);
    EXPECT_EQ(kind(480) + kind(492), 0);
    EXPECT_EQ(key(480), 3);
    EXPECT_EQ((std::vector<double>{tempo(480), tempo(495), tempo(496)}),
              (std::vector<double>{120, 120, 180}));
    EXPECT_EQ(doc.Combo, 3);
    EXPECT_EQ(log.steps.back().action, QStringLiteral("Cut"));

    // From a start at or below coord 0 the tempo is cell 0's own.
    batch.Cut("-7", "11", kindAndTempo);
    EXPECT_EQ(tempo(5), 120);
    EXPECT_EQ(kind(0), 0);
    EXPECT_EQ(kind(12), 24);
    EXPECT_EQ(doc.Combo, 2);
    batch.Paste("480", kindAndTempo);  // what was cut pastes back
    EXPECT_EQ(kind(480), 16);
    EXPECT_EQ(tempo(485), 60);
}

TEST_F(Batch, RangesAndDestinationsStayInsideTheChart) {
    place({{0, 16, 1}, {29995, 17, 2}, {30000, 18, 3}});
    batch.Copy("-100", "40000", kAll);
    batch.Paste("29990", kAll);  // runs 30000 coords past the end
    EXPECT_EQ(kind(29990), 16);
    EXPECT_EQ(kind(30000), 0);
    batch.Paste("-29995", kAll);  // starts before the chart
    EXPECT_EQ(kind(0), 17);
    EXPECT_EQ(kind(5), 18);
    transform(KindTransform::Mirror, "-30", "99999");
    batch.FillKeyIndex(true, "-30", "99999");
    EXPECT_EQ(kind(0), 16);
    EXPECT_EQ(key(5), key(0) + 1);
    EXPECT_TRUE(ui.messages().filter("Please").isEmpty());
}

TEST_F(Batch, TransformsSwapTheirKindsAndInversionsTwiceRestoreTheChart) {
    const int placed[] = {16, 18, 20, 21, 26, 128, 130, 134, 137, 140};
    for (int i = 0; i < 10; ++i) doc.setNote(i * 12, uint8_t(placed[i]), 0);
    const auto original = cells();
    transform(KindTransform::Mirror);
    EXPECT_EQ(kinds({0, 12, 24, 84}), (V{17, 19, 21, 137}));
    transform(KindTransform::Mirror);
    transform(KindTransform::InverseUpDown);
    EXPECT_EQ(kinds({0, 12, 24, 84}), (V{17, 18, 22, 137}));
    transform(KindTransform::InverseUpDown);
    for (KindTransform t :
         {KindTransform::InverseLeftRight, KindTransform::InverseUpDown, KindTransform::Mirror}) {
        transform(t);
        EXPECT_NE(cells(), original) << int(t);
        transform(t);
        EXPECT_EQ(cells(), original) << int(t);
    }
    transform(KindTransform::ObstacleToStar);
    EXPECT_EQ(kind(12), 26);
    transform(KindTransform::StarToObstacle);  // the star at 48 too
    EXPECT_EQ(kind(12) + kind(48), 36);
    EXPECT_EQ(log.steps.back().action, QStringLiteral("Star To Obstacle"));
}

TEST_F(Batch, WithAlignCoordFourTransformsSkipOffGridNotesButFillsReachThem) {
    place({{100, 16, 5}, {102, 16, 0}, {104, 16, 0}, {110, 131, 0}, {113, 133, 0}, {124, 17, 0}});
    doc.AlignCoord = 4;
    transform(KindTransform::Mirror, "100", "124");
    EXPECT_EQ(kinds({100, 102, 110, 124}), (V{17, 16, 131, 16}));

    // The long-note end at 113 and the empty 120 take no number.
    batch.FillKeyIndex(true, "100", "124");
    for (auto [c, k] : {std::pair{102, 6}, {104, 7}, {110, 8}, {113, 0}, {120, 0}, {124, 9}})
        EXPECT_EQ(key(c), k) << c;
    EXPECT_EQ(log.steps.back().action, QStringLiteral("Fill Key Index Ascendingly"));
    batch.FillKeyIndex(false, "100", "124");
    for (int c : {102, 104, 110, 124}) EXPECT_EQ(key(c), 5) << c;
}

TEST_F(Batch, RandomiseDrawsFromTheSetKeepsEmptyCellsAndKeepsComboReal) {
    place({{0, 24, 0}, {12, 129, 0}, {24, 26, 0}, {36, 5, 0}});
    transform(KindTransform::Randomise, "0", "48");
    for (int c : {0, 12, 24, 36}) EXPECT_TRUE(kind(c) >= 16 && kind(c) <= 19) << c;
    EXPECT_EQ(kind(1) + kind(48), 0);
    EXPECT_EQ(doc.Combo, 4);
}

TEST_F(Batch, EachSpeedChangeRewritesOneTempoSegmentAndNoChangeRecordsNothing) {
    for (auto [coord, value] : {std::pair{"480", "150"}, {"960", "180"}, {"480", "140"}})
        ASSERT_TRUE(batch.ChangeSpeed(coord, value, value));
    EXPECT_EQ((std::vector<double>{tempo(479), tempo(480), tempo(959), tempo(960), tempo(30000)}),
              (std::vector<double>{120, 140, 140, 180, 180}));
    EXPECT_EQ(doc.cell(959).Speed, 140);
    EXPECT_EQ(log.steps.back().action, QStringLiteral("Change Speed"));
    EXPECT_EQ(log.steps.back().cells.size(), 480u);

    // The same values again, or a transform where there are no notes.
    batch.ChangeSpeed("0", "120", "120");
    transform(KindTransform::Mirror, "0", "90");
    EXPECT_EQ(log.steps.size(), 3u);
}

TEST_F(Batch, RefusedSpeedEntriesBeepAndChangeNothing) {
    const auto before = cells();
    // Coord, BPM and speed as typed; the values a chart file cannot hold too.
    for (const char* entry :
         {"0|abc|100", "0|100|", "0|0|100", "0|100|-1", "-1|100|100", "30001|100|100",
          "0|1e999|100", "0|0.5|100", "0|100|10000.5", "0|1e23|100"}) {
        const QStringList typed = QString(entry).split('|');
        EXPECT_FALSE(batch.ChangeSpeed(typed[0], typed[1], typed[2])) << entry;
    }
    for (const char* coord : {"x", "-3", "30001"}) EXPECT_FALSE(batch.GetBPMInfo(coord));
    EXPECT_EQ(ui.beeps(), 13);
    EXPECT_EQ(cells(), before);
    EXPECT_TRUE(log.steps.empty());
}

// The largest tempo a chart file holds is taken, and a clip table that never
// received a tempo pastes none.
TEST_F(Batch, TheLargestTempoIsTakenAndAClipWithoutTempoPastesNone) {
    ASSERT_TRUE(batch.ChangeSpeed("10", "10000", "1"));
    EXPECT_EQ(tempo(10), 10000);
    ASSERT_TRUE(batch.Paste("600", {false, false, true}));
    EXPECT_EQ(tempo(600), 10000);
}

}  // namespace
}  // namespace lumidex
