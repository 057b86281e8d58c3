#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <QStringList>

#include "Numbers.h"
#include "RuntimeError.h"

using namespace lumidex;

namespace {

// The texts of the numbers, one blank between each.
QString textsOf(QString (*text)(double), std::initializer_list<double> numbers) {
    QStringList texts;
    for (double x : numbers) texts << text(x);
    return texts.join(' ');
}

}  // namespace

TEST(Numbers, RoundingHalfToEvenAndRangeChecks) {
    for (auto [x, rounded] : {std::pair{0.5, 0}, {1.5, 2}, {2.5, 2}, {-2.5, -2}, {-3.5, -4}})
        EXPECT_EQ(roundHalfEven(x), rounded) << x;
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
    // 0.125 is an exact tie (to even); 2.675 and 1.005 are just below in binary.
    for (auto [x, rounded] :
         {std::pair{0.125, 0.12}, {0.375, 0.38}, {2.675, 2.67}, {1.005, 1.0}, {-0.125, -0.12}})
        EXPECT_EQ(round2(x), rounded) << x;
    EXPECT_EQ(textsOf(round2Text, {0.125, -0.001, 12, 36.5, -1234.567}), "0.12 0 12 36.5 -1234.57");
}

TEST(Numbers, NumberTextIsPlainWithFifteenDigits) {
    EXPECT_EQ(textsOf(numberText, {120, 0.5, -0.0, -2.25, 1.0 / 3, 2.0 / 3, 1e20, 1.5e-7,
                                   123456789012345678.0, 0.1 + 0.2, INFINITY}),
              "120 0.5 0 -2.25 0.333333333333333 0.666666666666667 100000000000000000000 "
              "0.00000015 123456789012346000 0.3 0");
}

TEST(Numbers, NumericTestAndLeadingParse) {
    for (const char* yes : {"1", " 1 ", "-1.5", "+.5", "1.", "1e5", "1E-5", "\t3"})
        EXPECT_TRUE(isNumeric(QString::fromLatin1(yes))) << yes;
    for (const char* no :
         {"", " ", ".", "-", "1e", "1e+", "1,5", "0x10", "12abc", "1 2", "--1", "e5"})
        EXPECT_FALSE(isNumeric(QString::fromLatin1(no))) << no;

    for (auto [text, value] : {std::pair{"12abc", 12.0},
                               {" -1.5e2x", -150.0},
                               {"1e", 1.0},
                               {"1e+", 1.0},
                               {".5", 0.5},
                               {"abc", 0.0},
                               {"-", 0.0},
                               {"^ERROR", 0.0},
                               {"150\">", 150.0}})
        EXPECT_EQ(val(text), value) << text;
    EXPECT_THROW(val("1e999"), RuntimeError);
}

// Random numbers of every shape: anywhere, on the grid of cents, half-way
// between cents, in thousandths, integers, thirds and the like, any bits.
// round2Text agrees with the slow path, and numberText is the 15-digit
// rounding of x: it reads back as fileValue(x), bit for bit.
TEST(Numbers, Round2TextAndNumberTextAgreeWithTheSlowPathsEverywhere) {
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> wide(-1e7, 1e7);
    for (int i = 0; i < 200000; ++i) {
        const uint64_t bits = rng();
        double x = 0;
        std::memcpy(&x, &bits, sizeof x);
        const double c = double(int64_t(bits % 200000001) - 100000000);
        x = i % 7 == 0   ? wide(rng)
            : i % 7 == 1 ? c / 100.0
            : i % 7 == 2 ? (c + 0.5) / 100.0
            : i % 7 == 3 ? c / 1000.0
            : i % 7 == 4 ? c
            : i % 7 == 5 ? double(bits % 1000000 + 1) / double(rng() % 999 + 1)
                         : x;
        if (!std::isfinite(x)) continue;
        ASSERT_EQ(round2Text(x), numberText(round2(x))) << x;
        const double expected = fileValue(x), got = val(numberText(x));
        ASSERT_EQ(std::memcmp(&got, &expected, sizeof got), 0) << x;
    }
}

// val reads every number as strtod does, bit for bit: the numbers a chart
// holds must not move by a last bit between versions. Long digit strings,
// halfway cases, subnormals and underflow to zero included.
TEST(Numbers, LeadingParseGivesStrtodsDouble) {
    std::mt19937_64 rng(7);
    std::vector<std::string> texts = {"+1.5",
                                      "-0",
                                      "0.1",
                                      "9007199254740993",
                                      "1e-320",
                                      "1e-400",
                                      "2.2250738585072011e-308",
                                      "1.7976931348623157e308",
                                      "4.9406564584124654e-324",
                                      "123456789012345678901234567890.5e-10",
                                      "-.000001e+2"};
    for (int i = 0; i < 20000; ++i) {
        std::string t = rng() % 4 == 0 ? "-" : "";
        const int digits = 1 + int(rng() % (i % 3 == 0 ? 40 : 17));
        for (int d = 0; d < digits; ++d) t += char('0' + rng() % 10);
        if (rng() % 2) t.insert(1 + rng() % t.size(), ".");
        if (rng() % 2) t += "e" + std::to_string(int(rng() % 640) - 330);
        texts.push_back(t);
    }
    for (const std::string& t : texts) {
        const double expected = std::strtod(t.c_str(), nullptr);
        if (std::isinf(expected)) continue;
        const double got = val(QString::fromStdString(t));
        ASSERT_EQ(std::memcmp(&got, &expected, sizeof got), 0) << t;
    }
}
