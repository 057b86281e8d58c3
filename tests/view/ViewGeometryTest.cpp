#include <gtest/gtest.h>

#include <cmath>

#include <limits>

#include "StepLists.h"
#include "ViewGeometry.h"

using namespace lumidex;

TEST(ViewGeometry, RowsAndCoordsAroundTheBaseline) {
    for (double base : {0.0, 99.0, 1234.0}) {
        const int b = static_cast<int>(base);
        EXPECT_EQ(CoordToHeight(b, base), 350);
        EXPECT_EQ(CoordToHeight(b + 3, base), 336);  // 14 rows for 3 coords, upward
        EXPECT_EQ(CoordToHeight(b - 3, base), 364);
        EXPECT_EQ(HeightToCoord(350, base), b);
        // Every row maps back to a coord whose row is within half a coord.
        for (int row = 0; row < kDesignCanvasHeight; ++row)
            EXPECT_LE(std::abs(CoordToHeight(HeightToCoord(row, base), base) - row), 3) << row;
    }
    // 350 - 1.5 x 14/3 = 343 exactly; -0.5 x 14/3 lands on .333 and rounds.
    EXPECT_EQ(HeightToCoord(343, 0), 2);      // 1.5 rounds half to even
    EXPECT_EQ(HeightToCoord(336 - 7, 0), 4);  // 4.5 rounds half to even
    // Far-off view bases saturate instead of overflowing.
    EXPECT_EQ(CoordToHeight(0, 1e12), std::numeric_limits<int>::max());
    EXPECT_EQ(CoordToHeight(0, -1e12), std::numeric_limits<int>::min());
    EXPECT_EQ(HiInt(120 * 65536), 120);
    EXPECT_EQ(HiInt(static_cast<int32_t>(0xFF880000u)), -120);
}

TEST(ViewGeometry, DrawnRangeIsClampedToTheChart) {
    const CoordRange atZero = drawnRange(0, kDesignCanvasHeight);
    EXPECT_EQ(atZero.first, 0);
    EXPECT_EQ(atZero.last, 80);
    const CoordRange top = drawnRange(29990, kDesignCanvasHeight);
    EXPECT_EQ(top.last, 30000);
    // A canvas shorter than the baseline row still draws a sane range.
    const CoordRange small = drawnRange(500, 100);
    EXPECT_EQ(small.first, 500 - (-250 / 5) - 16);
    EXPECT_EQ(drawnRange(-1, kDesignCanvasHeight).first, 0);
}

TEST(ViewGeometry, PageStepRoundsHalfToEven) {
    EXPECT_EQ(pageStep(kDesignCanvasHeight), 96);  // 32.5 rounds to 32, not 33
    EXPECT_EQ(pageStep(476), 99);
    EXPECT_EQ(pageStep(483), 102);       // 33.5 rounds to 34
    EXPECT_EQ(pageStep(0), kArrowStep);  // never zero or negative
}

TEST(ViewGeometry, WheelAndPagesStopAtEitherEnd) {
    const int top = scrollTop(500);
    EXPECT_EQ(wheelTarget(150, -120, 96, top), 54);  // toward the user lowers the view
    EXPECT_EQ(wheelTarget(150, 120, 96, top), 246);
    EXPECT_EQ(wheelTarget(150, -240, 96, top), 0);  // two notches at once, held at 0
    EXPECT_EQ(wheelTarget(50, -120, 96, top), 0);
    EXPECT_EQ(wheelTarget(top - 3, 120, 6, top), top);
    EXPECT_EQ(wheelTarget(0, 120, 96, -5), 0);     // a range that is only 0
    EXPECT_EQ(wheelTarget(100, 60, 3, top), 102);  // half a notch of 3 rounds to even

    EXPECT_EQ(pageKeyTarget(kKeyPageUp, 300, 96, 396), 396);
    EXPECT_EQ(pageKeyTarget(kKeyPageUp, 301, 96, 396), 396);
    EXPECT_EQ(pageKeyTarget(kKeyPageDown, 96, 96, 396), 0);
    EXPECT_EQ(pageKeyTarget(kKeyPageDown, 95, 96, 396), 0);
    EXPECT_EQ(pageKeyTarget(kKeyPageDown, 2000000000, 399, 2147483647), 2000000000 - 399);
    EXPECT_EQ(pageKeyTarget(kKeyPageUp, 2147483600, 399, 2147483647), 2147483647);
    EXPECT_FALSE(pageKeyTarget(38, 300, 96, 1000).has_value());
}

TEST(ViewGeometry, MusicStartOrNothingForUnusableValues) {
    EXPECT_EQ(musicStartValue(600, 120), 243);  // 10 s at 120 BPM: coord 240
    EXPECT_EQ(musicStartValue(-30, 120), -9);   // the whole part rounds down
    EXPECT_EQ(musicStartValue(0, 0), 3);
    EXPECT_FALSE(musicStartValue(1e300, 1e300).has_value());
    EXPECT_FALSE(musicStartValue(NAN, 120).has_value());
}

TEST(ViewGeometry, TimeText) {
    // Rounding to hundredths can reach the next ten seconds or the next
    // minute; the text then reads as that time, not "0:010" or "0:60".
    const std::pair<double, const char*> cases[] = {
        {3930, "1:05.5"},   {0, "0:00"},         {-90, "-0:01.5"},
        {600, "0:10"},      {3675, "1:01.25"},   {7500, "2:05"},
        {599.9999, "0:10"}, {3599.9999, "1:00"}, {-3599.9999, "-1:00"}};
    for (const auto& [frames, text] : cases) EXPECT_EQ(timeText(frames), text) << frames;
}

TEST(StepLists, AnItemThatIsNoUsableNumberGivesZero) {
    EXPECT_EQ(wheelStepFromItem("1e999"), 0);
}
