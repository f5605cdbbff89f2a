#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstring>
#include <random>
#include <string>

#include "project/TimeText.h"

namespace {

TEST(TimeTextTest, FormatTimeTextRoundsToHundredthsFirst) {
    struct Case {
        double seconds;
        bool shortForm;
        const char* text;
    };
    const Case cases[] = {
        {0, false, "00:00:00.00"},        {3599.999, false, "01:00:00.00"},
        {3599.994, false, "00:59:59.99"}, {36000, true, "0:00:00.00"},  // hours modulo 10
        {36000, false, "10:00:00.00"},    {45296.78, true, "2:34:56.78"},
        {45296.78, false, "12:34:56.78"}, {61.5, false, "00:01:01.50"},
        {0.005, false, "00:00:00.01"},    {59.999, true, "0:01:00.00"},
        {3.0, false, "00:00:03.00"},      {100 * 3600 + 1.25, false, "100:00:01.25"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FormatTimeText(c.seconds, c.shortForm), c.text) << c.seconds << " short " << c.shortForm;
    }
}

TEST(TimeTextTest, ParseTimeTextCountsHundredths) {
    struct Case {
        const char* text;
        double seconds;
    };
    const Case cases[] = {
        {"10:00:00.00", 36000.0},
        {"00:00:03.00", 3.0},
        {"01:02:03.45", 3723.45},
        {"00:00:03.5", 3.05},   // the fraction counts hundredths whatever its digits
        {"00:00:03.250", 5.5},  // 250 hundredths
        {"1:2", 3720.0},        // missing parts stay 0
        {"5", 18000.0},
        {"", 0.0},
        {"abc", 0.0},
    };
    for (const Case& c : cases) {
        EXPECT_DOUBLE_EQ(ParseTimeText(c.text), c.seconds) << c.text;
    }
}

TEST(TimeTextTest, TextRoundTripOfFormattedValues) {
    for (const double seconds : {0.0, 0.01, 2.5, 59.99, 3599.99, 86399.99}) {
        EXPECT_NEAR(ParseTimeText(FormatTimeText(seconds, false)), seconds, 1e-9) << seconds;
    }
}

TEST(TimeTextTest, FrameTimeTextTruncatesOrRounds) {
    struct Case {
        double seconds;
        bool truncate;
        const char* text;
    };
    const Case cases[] = {
        {0, true, "00:00:00.00"},
        {1.239, true, "00:00:01.23"},
        {1.239, false, "00:00:01.24"},
        {3661.5, true, "01:01:01.50"},
        // A fraction rounding up to a whole second carries instead of printing ".100".
        {0.999, false, "00:00:01.00"},
        {59.996, false, "00:01:00.00"},
        {59.996, true, "00:00:59.99"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SecondsToFrameTimeText(c.seconds, c.truncate), c.text) << c.seconds << " " << c.truncate;
    }
}

TEST(TimeTextTest, RoundThroughTextAndParseDouble) {
    EXPECT_DOUBLE_EQ(RoundThroughText(1.23456), 1.23);
    EXPECT_DOUBLE_EQ(RoundThroughText(2.0 / 3.0, "%.6f"), 0.666667);
    EXPECT_DOUBLE_EQ(ParseDouble("0.5"), 0.5);
    EXPECT_DOUBLE_EQ(ParseDouble("  12.25xyz"), 12.25);
    EXPECT_DOUBLE_EQ(ParseDouble("abc"), 0.0);
    EXPECT_EQ(FormatC("%s-%03d", "a", 7), "a-007");
    const std::string longText(600, 'x');
    EXPECT_EQ(FormatC("%s", longText.c_str()), longText);
}

// Frame-time lists are rounded without printf; they must hold the very bits printf's rounding gives, or
// stored lists and cut commands would change.
TEST(TimeTextTest, RoundToDecimalsGivesTheBitsOfRoundThroughText) {
    const auto same = [](double value, int decimals) {
        const double expected = RoundThroughText(value, FormatC("%%.%df", decimals).c_str());
        const double rounded = RoundToDecimals(value, decimals);
        return std::memcmp(&expected, &rounded, sizeof rounded) == 0;
    };
    // Every frame of odd and even rates, 128 and 1024 among them for values exactly halfway at 6 decimals.
    for (const double fps : {20.0, 24000.0 / 1001, 25.0, 30000.0 / 1001, 60000.0 / 1001, 120.0, 128.0, 1024.0, 0.5}) {
        for (int i = 0; i <= 200000; ++i) ASSERT_TRUE(same(i / fps, 6)) << i << " @ " << fps;
    }
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> spread(-1e7, 1e7);
    for (int i = 0; i < 200000; ++i) {
        const double value = i % 2 ? spread(random) : std::ldexp(static_cast<double>(random() % 100000), -(i % 30));
        ASSERT_TRUE(same(value, i % 3 == 0 ? 2 : 6)) << value;
    }
    for (const double value : {0.0, -0.0, 0.125, 2.5e-7, -2.5e-7, 1e300, -1e300, HUGE_VAL, -HUGE_VAL, 1e-290}) {
        for (const int decimals : {0, 2, 6, 17, 300}) EXPECT_TRUE(same(value, decimals)) << value << " " << decimals;
    }
}

// A user locale with a decimal comma must not leak into stored numbers or time texts.
TEST(TimeTextTest, DecimalPointIgnoresUserLocale) {
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous != nullptr ? previous : "C";
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr) {
        GTEST_SKIP() << "no locale with a decimal comma installed";
    }
    EXPECT_EQ(FormatC("%.2f", 1.5), "1.50");
    EXPECT_DOUBLE_EQ(ParseDouble("0.25"), 0.25);
    EXPECT_EQ(FormatTimeText(1.5, false), "00:00:01.50");
    std::setlocale(LC_NUMERIC, saved.c_str());
}

}  // namespace
