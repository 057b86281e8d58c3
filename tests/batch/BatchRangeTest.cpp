// Operation ranges: checked as typed, snapped to the grid (ties to even),
// then clipped so that the stepped walk stays inside the chart.

#include <gtest/gtest.h>

#include "BatchCommands.h"
#include "BatchRange.h"
#include "ScriptedDialogs.h"

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

// The largest tempo a chart file holds is taken (the refused ones:
// Batch.RefusedSpeedEntriesBeepAndChangeNothing), and paste keeps to it.
TEST(BatchRange, TheLargestTempoIsTakenAndAClipWithoutTempoPastesNone) {
    ChartDocument doc;
    doc.fillSpeedTempoFrom(0, 150, 150);
    ChartEdit edits(doc);
    ScriptedDialogs ui;
    RandomKindSet kinds;
    BatchCommands batch(edits, ui, kinds);
    ASSERT_TRUE(batch.ChangeSpeed("10", "10000", "1"));
    EXPECT_EQ(doc.cell(10).Tempo, 10000);

    // A clip table that never received a tempo pastes none.
    ASSERT_TRUE(batch.Paste("600", {false, false, true}));
    EXPECT_EQ(doc.cell(600).Tempo, 10000);
}
