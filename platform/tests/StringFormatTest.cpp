#include "platform/StringFormat.h"

#include <gtest/gtest.h>

using platform::FormatArgument;
using platform::StringFormat;

namespace {

struct Case {
    const char* format;
    QList<FormatArgument> arguments;
    const char* expected;
};

class StringFormatCases : public ::testing::TestWithParam<Case> {};

TEST_P(StringFormatCases, formats) {
    const Case& c = GetParam();
    EXPECT_EQ(StringFormat::format(QString::fromUtf8(c.format), c.arguments).toStdString(),
              c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Specifiers, StringFormatCases,
    ::testing::Values(Case{"%@ and %@", {"a", "b"}, "a and b"},
                      Case{"%d|%i|%ld", {1, -2, 3}, "1|-2|3"},
                      Case{"%lld %li %u %lu", {123456789012LL, 4, 5u, 6u}, "123456789012 4 5 6"},
                      Case{"%x %X", {255, 255}, "ff FF"}, Case{"%g", {0.5}, "0.5"},
                      Case{"%f", {1.5}, "1.500000"}, Case{"%.1f%%", {13.0}, "13.0%"},
                      Case{"%.2f", {2.345678}, "2.35"}, Case{"%05d", {42}, "00042"},
                      Case{"%2$@ %1$@", {"world", "hello"}, "hello world"},
                      Case{"%1$@ %1$@", {"x"}, "x x"}, Case{"100%%", {}, "100%"},
                      Case{"%@ °C", {55}, "55 °C"}, Case{"%@", {1.25}, "1.25"}));

INSTANTIATE_TEST_SUITE_P(Mismatches, StringFormatCases,
                         ::testing::Values(
                             // A text where a number is wanted is shown as text.
                             Case{"%d items", {"many"}, "many items"}, Case{"%f", {"x"}, "x"},
                             // Missing arguments leave their specifiers as written.
                             Case{"%@ %@", {"one"}, "one %@"}, Case{"%d %d %d", {}, "%d %d %d"},
                             Case{"%5$@", {"a"}, "%5$@"}, Case{"%0$@", {"a"}, "%0$@"},
                             // A number where text is wanted is shown as its digits.
                             Case{"%@", {7}, "7"},
                             // Unknown or cut-off specifiers stay as they are.
                             Case{"50%", {1}, "50%"}, Case{"%k", {1}, "%k"}, Case{"%", {}, "%"}));

TEST(StringFormat, hugeWidthIsBounded) {
    const QString out = StringFormat::format(QStringLiteral("%99999999d"), {1});
    EXPECT_LE(out.size(), 300);
    EXPECT_TRUE(out.endsWith(u'1'));
}

} // namespace
