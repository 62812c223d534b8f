#include "core/mathparser/TokenGrouper.h"

#include "ParserTestSupport.h"

#include <gtest/gtest.h>

using namespace kestrom;
using kestrom::testing::errorText;

namespace {

QString describe(const GroupedToken& token) {
    QStringList children;
    for (const GroupedToken& child : token.children()) {
        children.append(describe(child));
    }
    const QString range =
        QStringLiteral("@%1..%2").arg(token.range().lowerBound).arg(token.range().upperBound);
    switch (token.kind()) {
    case GroupedToken::Kind::number:
        return QString::number(token.number()) + range;
    case GroupedToken::Kind::variable:
        return QLatin1Char('$') + token.name() + range;
    case GroupedToken::Kind::operatorToken:
        return token.op()->function() + range;
    case GroupedToken::Kind::function:
        return token.name() + QLatin1Char('[') + children.join(QStringLiteral(", ")) +
               QLatin1Char(']') + range;
    case GroupedToken::Kind::group:
        return QLatin1Char('{') + children.join(QLatin1Char(' ')) + QLatin1Char('}') + range;
    }
    return {};
}

QString grouped(const QString& text,
                const Configuration& configuration = Configuration::defaultConfiguration()) {
    try {
        return describe(TokenGrouper(TokenResolver(text, configuration)).group());
    } catch (const MathParserError& error) {
        return errorText(error);
    }
}

} // namespace

TEST(TokenGrouperTest, BuildsGroupsAndCalls) {
    const std::pair<const char*, const char*> cases[] = {
        {"5", "5@0..1"},
        {"(5)", "5@1..2"},
        {"((2))", "2@2..3"},
        {"1+2", "{1@0..1 add@1..2 2@2..3}@0..3"},
        {"(1+2)*3", "{{1@1..2 add@2..3 2@3..4}@0..5 multiply@5..6 3@6..7}@0..7"},
        {"f()", "f[]@0..3"},
        {"f(1,)", "f[1@2..3]@0..5"},
        {"f($x)", "f[$x@2..4]@0..5"},
        {"f(1+2, 3)", "f[{1@2..3 add@3..4 2@4..5}@2..5, 3@7..8]@0..9"},
        {"1,2", "{1@0..1 comma@1..2 2@2..3}@0..3"},
        {"(1,2)", "{1@1..2 comma@2..3 2@3..4}@0..5"},
    };
    for (const auto& [input, expected] : cases) {
        EXPECT_EQ(grouped(QString::fromLatin1(input)), QString::fromLatin1(expected)) << input;
    }
}

TEST(TokenGrouperTest, ReportsBracketingFaultsWithTheirRanges) {
    const std::pair<const char*, const char*> cases[] = {
        {"", "emptyGroup 0..0"},
        {"   ", "emptyGroup 0..0"},
        {"(", "missingCloseParenthesis 0..1"},
        {")", "missingOpenParenthesis 0..1"},
        {"()", "emptyGroup 0..2"},
        {"1 + ()", "emptyGroup 4..6"},
        {"f(,1)", "emptyFunctionArgument 2..2"},
        {"f(1,,2)", "emptyFunctionArgument 4..4"},
        {"f(1", "missingCloseParenthesis 3..3"},
        {"f(", "missingCloseParenthesis 2..2"},
        {"(1", "missingCloseParenthesis 0..2"},
        {"(1))", "missingOpenParenthesis 3..4"},
        {"2*(3+(4)", "missingCloseParenthesis 2..8"},
    };
    for (const auto& [input, expected] : cases) {
        EXPECT_EQ(grouped(QString::fromLatin1(input)), QString::fromLatin1(expected)) << input;
    }

    Configuration noCalls;
    noCalls.allowArgumentlessFunctions = false;
    EXPECT_EQ(grouped(QStringLiteral("1 + f"), noCalls),
              QStringLiteral("missingOpenParenthesis 5..5"));
    EXPECT_EQ(grouped(QStringLiteral("f 2"), noCalls),
              QStringLiteral("missingOpenParenthesis 1..1"));
}

TEST(TokenGrouperTest, DeepNestingIsAnErrorNotAStackOverflow) {
    const QString deep = QString(20000, QLatin1Char('(')) + QLatin1Char('1');
    EXPECT_EQ(grouped(deep.left(4096)).section(QLatin1Char(' '), 0, 0),
              QStringLiteral("invalidFormat"));
    QString calls;
    for (int i = 0; i < 800; ++i) {
        calls += QStringLiteral("f(");
    }
    EXPECT_EQ(grouped(calls).section(QLatin1Char(' '), 0, 0), QStringLiteral("invalidFormat"));
}
