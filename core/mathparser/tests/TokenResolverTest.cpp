#include "core/mathparser/TokenResolver.h"

#include "ParserTestSupport.h"

#include <gtest/gtest.h>

using namespace kestrom;
using kestrom::testing::errorText;

namespace {

// Numbers as their value, variables with "$", names as they are, operators
// by function; parentheses as "(" and ")".
QString describe(const std::vector<ResolvedToken>& tokens) {
    QStringList parts;
    for (const ResolvedToken& token : tokens) {
        switch (token.kind()) {
        case ResolvedToken::Kind::number:
            parts.append(QString::number(*token.number(), 'g', 17));
            break;
        case ResolvedToken::Kind::variable:
            parts.append(QLatin1Char('$') + *token.variable());
            break;
        case ResolvedToken::Kind::identifier:
            parts.append(*token.identifier());
            break;
        case ResolvedToken::Kind::operatorToken:
            if (token.builtInOperator() == BuiltInOperator::parenthesisOpen) {
                parts.append(QStringLiteral("("));
            } else if (token.builtInOperator() == BuiltInOperator::parenthesisClose) {
                parts.append(QStringLiteral(")"));
            } else {
                parts.append(token.resolvedOperator()->function());
            }
            break;
        }
    }
    return parts.join(QLatin1Char(' '));
}

QString resolved(const QString& text,
                 const Configuration& configuration = Configuration::defaultConfiguration()) {
    try {
        return describe(TokenResolver(text, configuration).resolve());
    } catch (const MathParserError& error) {
        return errorText(error);
    }
}

} // namespace

TEST(TokenResolverTest, ResolvesTokensAndInsertions) {
    const std::pair<const char16_t*, const char16_t*> cases[] = {
        {u"-2", u"negate 2"},
        {u"3-2", u"3 subtract 2"},
        {u"3*-2", u"3 multiply negate 2"},
        {u"+1", u"positive 1"},
        {u"1+1", u"1 add 1"},
        {u"2x", u"2 implicitMultiply x ( )"},
        {u"pi", u"pi ( )"},
        {u"sin(0)", u"sin ( 0 )"},
        {u"sin x", u"sin ( ) implicitMultiply x ( )"},
        {u"pi -1", u"pi ( ) subtract 1"},
        {u"1\u00BD", u"1 add 0.5"},
        {u"\u00BD", u"0.5"},
        {u"(1)\u00BD", u"( 1 ) implicitMultiply 0.5"},
        {u"2\u00B3", u"2 pow ( 3 )"},
        {u"2\u207B\u00B9", u"2 pow ( negate 1 )"},
        {u"(1)(2)", u"( 1 ) implicitMultiply ( 2 )"},
        {u"(1)2", u"( 1 ) implicitMultiply 2"},
        {u"$x $y", u"$x implicitMultiply $y"},
        {u"f(2)", u"f ( 2 )"},
        {u"2\u221A4", u"2 implicitMultiply sqrt 4"},
        {u"3!", u"3 factorial"},
        {u"!1", u"l_not 1"},
        {u"3! 2", u"3 factorial implicitMultiply 2"},
        {u"50%", u"50 mod"},
        {u"/2", u"divide 2"},
        {u"1.5e\u22122", u"0.014999999999999999"},
        {u"0x1F + 0o17", u"31 add 15"},
        {u"0xFFFFFFFFFFFFFFFF", u"1.8446744073709552e+19"},
        {u"0x00000000000000000001", u"1"},
        {u"0o1777777777777777777777", u"1.8446744073709552e+19"},
    };
    for (const auto& [input, expected] : cases) {
        const QString text = QString::fromUtf16(input);
        EXPECT_EQ(resolved(text), QString::fromUtf16(expected)) << text.toStdString();
    }
}

TEST(TokenResolverTest, ReportsResolutionFailures) {
    EXPECT_EQ(resolved(QStringLiteral("*2")), QStringLiteral("ambiguousOperator 0..1"));
    EXPECT_EQ(resolved(QStringLiteral("0x10000000000000000")),
              QStringLiteral("cannotParseHexNumber 2..19"));
    EXPECT_EQ(resolved(QStringLiteral("0o2000000000000000000000")),
              QStringLiteral("cannotParseOctalNumber 2..24"));

    auto set = std::make_shared<OperatorSet>();
    set->addTokens({QStringLiteral("plus")}, Operator(BuiltInOperator::add));
    Configuration configuration;
    configuration.operatorSet = set;
    EXPECT_EQ(resolved(QStringLiteral("1 pLUS 2"), configuration),
              QStringLiteral("unknownOperator 2..6"));
}

TEST(TokenResolverTest, InsertedTokensMarkPositions) {
    const auto tokens = TokenResolver(QStringLiteral("2x"), Configuration()).resolve();
    ASSERT_EQ(tokens.size(), size_t(5));
    EXPECT_EQ(tokens[1].range(), (CharacterRange{1, 1}));
    EXPECT_EQ(tokens[3].range(), (CharacterRange{2, 2}));

    // Superscript tokens are packed from the exponent's start.
    const auto power = TokenResolver(QStringLiteral("2\u207B\u00B9"), Configuration()).resolve();
    ASSERT_EQ(power.size(), size_t(6));
    const CharacterRange expected[] = {{0, 1}, {1, 1}, {1, 1}, {1, 2}, {2, 3}, {3, 3}};
    for (size_t i = 0; i < power.size(); ++i) {
        EXPECT_EQ(power[i].range(), expected[i]) << i;
    }
}

TEST(TokenResolverTest, SettingsTurnInsertionsOff) {
    Configuration plain;
    plain.allowImplicitMultiplication = false;
    EXPECT_EQ(resolved(QStringLiteral("2x"), plain), QStringLiteral("2 x ( )"));
    plain.allowArgumentlessFunctions = false;
    EXPECT_EQ(resolved(QStringLiteral("2x"), plain), QStringLiteral("2 x"));

    Configuration low;
    low.useHighPrecedenceImplicitMultiplication = false;
    EXPECT_EQ(resolved(QStringLiteral("2$x"), low), QStringLiteral("2 multiply $x"));

    // The older resolver form ignores its options: the configuration governs.
    const TokenResolver legacy(Tokenizer(QStringLiteral("2x"), Configuration()),
                               TokenResolverOptions::none());
    EXPECT_EQ(describe(legacy.resolve()), QStringLiteral("2 implicitMultiply x ( )"));
}

TEST(TokenResolverTest, PercentSignFollowsTheOperatorSet) {
    auto set = std::make_shared<OperatorSet>(false);
    Configuration configuration;
    configuration.operatorSet = set;
    EXPECT_EQ(resolved(QStringLiteral("50%"), configuration), QStringLiteral("50 percent"));
}

TEST(TokenResolverTest, LocalizedNumbers) {
    Configuration german;
    german.locale = QLocale(QLocale::German, QLocale::Germany);
    EXPECT_EQ(resolved(QStringLiteral("2,5*2"), german), QStringLiteral("2.5 multiply 2"));
}
