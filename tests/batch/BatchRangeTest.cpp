// Operation ranges: checked as typed, snapped to the grid (ties to even),
// then clipped so that the stepped walk stays inside the chart. The mouse
// selection's rules: the range a drag marks, where a paste by key lands, and
// the erasing of a range's notes as one step. The kinds "Randomise" draws.

#include <gtest/gtest.h>

#include <set>

#include "BatchRange.h"
#include "RandomKinds.h"
#include "RangeSelection.h"
#include "support/ChartRecords.h"

using namespace lumidex;

TEST(BatchRange, RangesAreCheckedAsTypedSnappedAndClippedToTheChart) {
    struct Case {
        const char* from;
        const char* to;
        double align;
        bool valid;
        int first, last;
    } cases[] = {
        {"10", "20", 3, true, 9, 21},
        {"2.5", "3.5", 1, true, 2, 4},
        {"7", "7", 1, true, 7, 7},
        {"50", "40", 1, false, 0, 0},
        {"12abc", "40", 1, false, 0, 0},
        {"-10", "5", 4, true, 0, 4},
        {"-10", "-5", 1, true, 0, -5},
        {"29990", "1e12", 3, true, 29991, 30000},
        {"40000", "50000", 1, true, 30001, 30000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.from) + ".." + c.to);
        const auto r = operationRange(c.from, c.to, c.align);
        ASSERT_EQ(r.has_value(), c.valid);
        if (!r) continue;
        EXPECT_EQ(r->from, c.first);
        EXPECT_EQ(r->to, c.last);
        EXPECT_EQ(r->empty(), c.last < c.first);
    }
}

TEST(RangeSelection, ADragMarksTheRangeSnappedAsATypedRangeInEitherDirection) {
    struct Case {
        int anchor, pointer;
        double align;
        int from, to;
    } cases[] = {
        {10, 20, 3, 9, 21},               // as "Copy from" 10 to 20 snap
        {20, 10, 3, 9, 21},               // dragged downward
        {100, 100, 1, 100, 100},          // a press without a move: one coord
        {13, 14, 4, 12, 16},              // 3.5 rounds half to even
        {-5, 7, 3, 0, 6},                 // below the chart
        {30000, 29990, 7, 29988, 30000},  // snapped past the top
    };
    for (const Case& c : cases) {
        EXPECT_EQ(dragSpan(c.anchor, c.pointer, c.align), (CoordSpan{c.from, c.to}))
            << c.anchor << ".." << c.pointer;
    }
}

TEST(RangeSelection, APasteLandsUnderThePointerOrOnThePlayPosition) {
    struct Case {
        std::optional<int> pointer;
        int baseline;
        bool playing;
        double align;
        int dest;
    } cases[] = {
        {100, 50, false, 3, 99},           // the pointer's coord, snapped
        {std::nullopt, 50, false, 3, 51},  // pointer off the canvas: the baseline
        {100, 50, true, 3, 51},            // playing: the play position
        {-20, 0, false, 1, 0},
        {31000, 0, false, 1, 30000},
    };
    for (const Case& c : cases)
        EXPECT_EQ(pasteTarget({c.pointer, c.baseline, c.playing}, c.align), c.dest);
}

TEST(RangeSelection, DeleteErasesEveryNoteOfTheRangeAsOneStep) {
    test::LoggedChart chart;
    auto& [doc, edits, log] = chart;
    for (auto [coord, kind] : {std::pair{9, 16}, {10, 24}, {12, 130}, {13, 17}})
        doc.setNote(coord, uint8_t(kind), 4);
    doc.Combo = 10;

    eraseNotes(edits, {9, 12});  // 10 is off any grid of 3, and erased too
    for (int c : {9, 10, 12}) EXPECT_EQ(doc.cell(c).Kind, 0) << c;
    EXPECT_EQ(doc.cell(9).FxSndIndex, 4);  // as the right button erases
    EXPECT_EQ(doc.cell(13).Kind, 17);
    EXPECT_EQ(doc.Combo, 10 - ComboWeight(16) - ComboWeight(24) - ComboWeight(130));
    ASSERT_EQ(log.actions(), std::vector<QString>{QStringLiteral("Delete")});

    eraseNotes(edits, {20, 40});  // nothing there: no step
    EXPECT_EQ(log.steps.size(), 1u);
}

TEST(RandomKinds, PicksStayInTheChosenSetAndRepeatFromRunToRun) {
    RandomKindSet set, again;
    std::multiset<int> seen;
    for (int i = 0; i < 4000; ++i) {
        const int k = set.RandomKind();
        EXPECT_EQ(k, again.RandomKind());
        seen.insert(k);
    }
    // Only the start-up kinds, each about a quarter of the time.
    for (int k : {16, 17, 18, 19}) EXPECT_NEAR(double(seen.count(k)), 1000.0, 150.0) << k;
    EXPECT_EQ(seen.size(), seen.count(16) + seen.count(17) + seen.count(18) + seen.count(19));

    ASSERT_TRUE(set.confirm({18, 19, 26}));
    // An empty choice keeps the set.
    EXPECT_FALSE(set.confirm({}));
    EXPECT_EQ(set.kinds(), (std::vector<uint8_t>{18, 19, 26}));
    EXPECT_TRUE(set.contains(26));
    EXPECT_FALSE(set.contains(16));
    for (int i = 0; i < 300; ++i) EXPECT_TRUE(set.contains(set.RandomKind()));

    // More kinds than the table holds: the first 51 are kept.
    std::vector<uint8_t> many;
    for (int k = 16; k < 127; ++k) many.push_back(uint8_t(k));
    ASSERT_TRUE(set.confirm(many));
    EXPECT_EQ(set.RandCount(), RandomKindSet::kSlots);
    EXPECT_FALSE(set.contains(16 + RandomKindSet::kSlots));
}
