// Snapping typed coords to the grid and keeping the stepped ranges inside
// the chart.

#include <gtest/gtest.h>

#include "BatchRange.h"

using namespace lumidex;

TEST(BatchRange, TypedCoordsSnapToTheGridWithTiesToEven) {
    struct Case {
        const char* text;
        double align;
        int snapped;
    } cases[] = {{"10", 3, 9},
                 {"20", 3, 21},
                 {"4.5", 3, 6},
                 {"-10", 3, -9},
                 {"2.5", 1, 2},
                 {"3.5", 1, 4},
                 {"6", 4, 8},
                 {"12abc", 1, 12},
                 {"abc", 6, 0},
                 {"1e12", 1, 2147483647},
                 {"-1e12", 2, -2147483648}};
    for (const Case& c : cases) EXPECT_EQ(snapCoord(c.text, c.align), c.snapped) << c.text;
}

TEST(BatchRange, OperationRangesAreCheckedBeforeSnappingAndClippedAfter) {
    struct Case {
        const char* from;
        const char* to;
        double align;
        bool valid;
        int first, last;
    } cases[] = {
        {"10", "20", 3, true, 9, 21},
        {"7", "7", 1, true, 7, 7},
        {"50", "40", 1, false, 0, 0},
        {"x", "40", 1, false, 0, 0},
        {"12abc", "40", 1, false, 0, 0},
        {"-10", "5", 4, true, 0, 4},
        {"-10", "-5", 1, true, 0, -5},
        {"29990", "40000", 3, true, 29991, 30000},
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
