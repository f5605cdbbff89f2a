#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "project/NumericRules.h"
#include "project/TarneloData.h"

namespace {

enum class Kind { Threshold, ValidMin, Brightness, Contrast, Gamma };

// The settings as a new project has them.
NumericSetting Setting(Kind kind, double value) {
    NumericSetting s;
    switch (kind) {
        case Kind::Threshold:
            s.Set(value, 0, 1000, 1, 1);
            break;
        case Kind::ValidMin:
            s.Set(value, 1.0, 10.0, 0.01, 0);
            break;
        case Kind::Brightness:
            s.Set(value, -1.0, 1.0, 0.01, 0);
            break;
        case Kind::Contrast:
            s.Set(value, 0.0, 2.0, 0.01, 0);
            break;
        case Kind::Gamma:
            s.Set(value, 0.1, 2.0, 0.01, 0);
            break;
    }
    return s;
}

TEST(NumericRulesTest, TypedText) {
    struct Case {
        Kind kind;
        double start;
        const char* typed;
        bool changed;
        double value;
        const char* text;
    };
    const Case cases[] = {
        {Kind::Contrast, 1.0, "0.50", true, 0.5, "0.5"},
        {Kind::Brightness, 0.5, "-0", true, 0.0, "0.0"},
        {Kind::ValidMin, 2.0, "abc", true, 1.0, "1.0"},      // not a number reads 0, then the minimum
        {Kind::Brightness, 0.5, "abc", true, 0.0, "0.0"},    // 0 lies inside the range
        {Kind::Threshold, 100, " 12 ", true, 12, "12"},      // blanks on both sides are dropped
        {Kind::Threshold, 12, "\t12  ", false, 12, "12"},    // the same text after trimming: nothing happens
        {Kind::Threshold, 100, "5000", true, 1000, "1000"},  // clamped to the maximum
        {Kind::Threshold, 100, "-3", true, 0, "0"},
        {Kind::Threshold, 100, "12.9", true, 12, "12"},  // an integer setting keeps what it shows
        {Kind::Gamma, 1.0, "1.5abc", true, 1.5, "1.5"},  // the leading number counts
        {Kind::Gamma, 1.0, "0", true, 0.1, "0.1"},
        {Kind::Gamma, 1.0, "1.256", true, 1.256, "1.26"},
        {Kind::Contrast, 1.0, "1.0", false, 1.0, "1.0"},
        {Kind::Contrast, 1.0, "1.00", true, 1.0, "1.0"},  // differs as text, so the edit is rewritten
        {Kind::Contrast, 1.0, "", true, 0.0, "0.0"},
        {Kind::Brightness, 0.0, "-0.004", true, -0.004, "0.0"},
        {Kind::Contrast, 1.0, "1,5", true, 1.0, "1.0"},  // the decimal point is always "."
        {Kind::Contrast, 1.0, "nan", true, 0.0, "0.0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("typed '") + c.typed + "'");
        NumericSetting s = Setting(c.kind, c.start);
        EXPECT_EQ(ApplyNumericText(s, c.typed), c.changed);
        EXPECT_DOUBLE_EQ(s.value, c.value);
        EXPECT_EQ(s.text, c.text);
    }
}

TEST(NumericRulesTest, SpinSteps) {
    struct Case {
        Kind kind;
        double start;
        int delta;
        bool changed;
        const char* text;
    };
    const Case cases[] = {
        {Kind::Threshold, 1000, -1, false, "1000"},  // up at the maximum keeps it
        {Kind::Threshold, 999, -1, true, "1000"},
        {Kind::Threshold, 0, 1, false, "0"},  // down at the minimum keeps it
        {Kind::Threshold, 100, 1, true, "99"},
        {Kind::Threshold, 100, 0, true, "99"},  // a zero delta counts as down
        {Kind::Brightness, -1.0, 1, false, "-1.0"},
        {Kind::Brightness, -0.99, 1, true, "-1.0"},
        {Kind::Brightness, 0.0, -1, true, "0.01"},
        {Kind::Brightness, 0.01, 1, true, "0.0"},  // through zero without a minus sign
        {Kind::Brightness, 1.0, -1, false, "1.0"},
        {Kind::Gamma, 0.1, 1, false, "0.1"},
        {Kind::ValidMin, 9.995, -1, true, "10.0"},  // the step stops at the maximum
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "start " << c.start << " delta " << c.delta);
        NumericSetting s = Setting(c.kind, c.start);
        EXPECT_EQ(StepNumericSetting(s, c.delta), c.changed);
        EXPECT_EQ(s.text, c.text);
        EXPECT_GE(s.value, s.minimum);
        EXPECT_LE(s.value, s.maximum);
    }
}

TEST(NumericRulesTest, RepeatedStepsDoNotDrift) {
    NumericSetting up = Setting(Kind::ValidMin, 1.0);
    for (int i = 1; i <= 900; ++i) {
        ASSERT_TRUE(StepNumericSetting(up, -1));
        char expected[16];
        std::snprintf(expected, sizeof(expected), "%d.%02d", 1 + i / 100, i % 100);
        // Trailing zeros are dropped down to one decimal: 1.10 shows as 1.1.
        std::string text = expected;
        if (text.back() == '0') text.pop_back();
        ASSERT_EQ(up.text, text) << "after " << i << " steps";
        ASSERT_DOUBLE_EQ(up.value, 1.0 + i / 100.0);
    }
    EXPECT_EQ(up.text, "10.0");
    EXPECT_FALSE(StepNumericSetting(up, -1));

    // Down again to the start, and the value is exactly what was typed there.
    NumericSetting down = Setting(Kind::Brightness, 0.5);
    for (int i = 0; i < 50; ++i) ASSERT_TRUE(StepNumericSetting(down, 1));
    EXPECT_EQ(down.text, "0.0");
    EXPECT_EQ(down.value, 0.0);
    for (int i = 0; i < 30; ++i) ASSERT_TRUE(StepNumericSetting(down, -1));
    EXPECT_EQ(down.text, "0.3");
    EXPECT_EQ(down.value, 0.3);
}

}  // namespace
