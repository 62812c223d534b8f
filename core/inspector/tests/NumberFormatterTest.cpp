#include "core/inspector/NumberFormatter.h"

#include <gtest/gtest.h>

#include <limits>

using kestrom::NumberFormatter;

TEST(NumberFormatterTest, ReadsNumbersWithTheLocalesSeparators) {
    const NumberFormatter french{QLocale(QLocale::French, QLocale::France)};
    // Plain, no-break and narrow no-break spaces all group thousands.
    EXPECT_EQ(french.number(QStringLiteral("1 000,5")), 1000.5);
    EXPECT_EQ(french.number(QStringLiteral("1\u00a0000,5")), 1000.5);
    EXPECT_EQ(french.number(QStringLiteral("1\u202f000,5")), 1000.5);
    EXPECT_EQ(french.number(QStringLiteral("-2,25")), -2.25);
    EXPECT_EQ(french.number(QStringLiteral("2.5")), std::nullopt);

    const NumberFormatter english{QLocale(QLocale::English, QLocale::UnitedStates)};
    EXPECT_EQ(english.number(QStringLiteral("1,000")), 1000.0);
    EXPECT_EQ(english.number(QStringLiteral(" 12.75 ")), 12.75);
    EXPECT_EQ(english.number(QStringLiteral("3*4")), std::nullopt);
    EXPECT_EQ(english.number(QString()), std::nullopt);
}

TEST(NumberFormatterTest, RefusesNumbersThatAreNotFinite) {
    const NumberFormatter english{QLocale(QLocale::English, QLocale::UnitedStates)};
    EXPECT_EQ(english.number(QStringLiteral("1e999")), std::nullopt);
    EXPECT_EQ(english.number(QStringLiteral("inf")), std::nullopt);
    EXPECT_EQ(english.number(QStringLiteral("nan")), std::nullopt);
    EXPECT_EQ(english.string(std::numeric_limits<double>::infinity()), std::nullopt);
    EXPECT_EQ(english.string(std::numeric_limits<double>::quiet_NaN()), std::nullopt);
}

TEST(NumberFormatterTest, WritesFractionDigitsAsAsked) {
    NumberFormatter f{QLocale(QLocale::English, QLocale::UnitedStates)};
    f.setMaximumFractionDigits(2);
    EXPECT_EQ(f.string(12), QStringLiteral("12"));
    EXPECT_EQ(f.string(2.5), QStringLiteral("2.5"));
    EXPECT_EQ(f.string(2.256), QStringLiteral("2.26"));
    EXPECT_EQ(f.string(-0.001), QStringLiteral("0"));
    EXPECT_EQ(f.string(12345.5), QStringLiteral("12345.5"));
    f.setMinimumFractionDigits(1);
    EXPECT_EQ(f.string(12), QStringLiteral("12.0"));
    f.setUsesGroupingSeparator(true);
    EXPECT_EQ(f.string(12345.5), QStringLiteral("12,345.5"));

    NumberFormatter french{QLocale(QLocale::French, QLocale::France)};
    french.setMaximumFractionDigits(1);
    EXPECT_EQ(french.string(0.04), QStringLiteral("0"));
    EXPECT_EQ(french.string(2.5), QStringLiteral("2,5"));
}

TEST(NumberFormatterTest, ClampsToItsBounds) {
    NumberFormatter f;
    EXPECT_EQ(f.clamp(-1e300), -1e300);
    f.setMinimum(1);
    f.setMaximum(50);
    EXPECT_EQ(f.clamp(0), 1);
    EXPECT_EQ(f.clamp(51), 50);
    EXPECT_EQ(f.clamp(7.5), 7.5);
}
