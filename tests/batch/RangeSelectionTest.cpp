// The mouse selection's rules: the range a drag marks, where a paste by key
// lands, and the erasing of a range's notes as one step.

#include <gtest/gtest.h>

#include "RangeSelection.h"
#include "support/ChartRecords.h"

using namespace lumidex;

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
