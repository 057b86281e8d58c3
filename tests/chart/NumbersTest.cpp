#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>

#include "Numbers.h"
#include "RuntimeError.h"

using namespace lumidex;

TEST(Numbers, RoundingHalfToEvenAndRangeChecks) {
    EXPECT_EQ(roundHalfEven(0.5), 0);
    EXPECT_EQ(roundHalfEven(1.5), 2);
    EXPECT_EQ(roundHalfEven(2.5), 2);
    EXPECT_EQ(roundHalfEven(-2.5), -2);
    EXPECT_EQ(roundHalfEven(-3.5), -4);
    EXPECT_EQ(toByte(255.4), 255);
    EXPECT_EQ(toByte(-0.5), 0);
    EXPECT_THROW(toByte(255.5), RuntimeError);  // 256 after rounding
    EXPECT_THROW(toByte(-0.6), RuntimeError);
    EXPECT_EQ(toInt16(-32768), -32768);
    EXPECT_THROW(toInt16(32767.5), RuntimeError);
    EXPECT_THROW(toInt32(NAN), RuntimeError);
    try {
        toInt32(1e10);
        FAIL();
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number(), 6);
        EXPECT_EQ(e.description(), "Overflow");
    }
}

TEST(Numbers, RoundToTwoDecimalsOnTheExactBinaryValue) {
    EXPECT_EQ(round2(0.125), 0.12);  // exact tie, to even
    EXPECT_EQ(round2(0.375), 0.38);
    EXPECT_EQ(round2(2.675), 2.67);  // just below 2.675 in binary
    EXPECT_EQ(round2(1.005), 1.0);   // just below 1.005 in binary
    EXPECT_EQ(round2(-0.125), -0.12);
    EXPECT_EQ(round2Text(0.125), "0.12");
    EXPECT_EQ(round2Text(-0.001), "0");
    EXPECT_EQ(round2Text(12), "12");
    EXPECT_EQ(round2Text(36.5), "36.5");
    EXPECT_EQ(round2Text(-1234.567), "-1234.57");
}

TEST(Numbers, Round2TextAgreesWithTheSlowPathEverywhere) {
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> wide(-1e7, 1e7);
    std::uniform_int_distribution<long long> cents(-100000000, 100000000);
    for (int i = 0; i < 200000; ++i) {
        double x;
        switch (i % 4) {
            case 0:
                x = wide(rng);
                break;
            case 1:
                x = static_cast<double>(cents(rng)) / 100.0;
                break;  // on the grid
            case 2:
                x = (static_cast<double>(cents(rng)) + 0.5) / 100.0;
                break;  // half-way
            default:
                x = static_cast<double>(cents(rng)) / 1000.0;
                break;
        }
        ASSERT_EQ(round2Text(x), numberText(round2(x))) << x;
    }
}

TEST(Numbers, NumberTextIsPlainWithFifteenDigits) {
    EXPECT_EQ(numberText(120), "120");
    EXPECT_EQ(numberText(0.5), "0.5");
    EXPECT_EQ(numberText(-0.0), "0");
    EXPECT_EQ(numberText(-2.25), "-2.25");
    EXPECT_EQ(numberText(1.0 / 3), "0.333333333333333");
    EXPECT_EQ(numberText(2.0 / 3), "0.666666666666667");
    EXPECT_EQ(numberText(1e20), "100000000000000000000");
    EXPECT_EQ(numberText(1.5e-7), "0.00000015");
    EXPECT_EQ(numberText(123456789012345678.0), "123456789012346000");
    EXPECT_EQ(numberText(0.1 + 0.2), "0.3");
    EXPECT_EQ(numberText(INFINITY), "0");
}

TEST(Numbers, NumericTestAndLeadingParse) {
    for (const char* yes : {"1", " 1 ", "-1.5", "+.5", "1.", "1e5", "1E-5", "\t3"})
        EXPECT_TRUE(isNumeric(QString::fromLatin1(yes))) << yes;
    for (const char* no :
         {"", " ", ".", "-", "1e", "1e+", "1,5", "0x10", "12abc", "1 2", "--1", "e5"})
        EXPECT_FALSE(isNumeric(QString::fromLatin1(no))) << no;

    EXPECT_EQ(val("12abc"), 12);
    EXPECT_EQ(val(" -1.5e2x"), -150);
    EXPECT_EQ(val("1e"), 1);
    EXPECT_EQ(val("1e+"), 1);
    EXPECT_EQ(val(".5"), 0.5);
    EXPECT_EQ(val("abc"), 0);
    EXPECT_EQ(val("-"), 0);
    EXPECT_EQ(val("^ERROR"), 0);
    EXPECT_EQ(val("150\">"), 150);
    EXPECT_THROW(val("1e999"), RuntimeError);
}
