#include "core/mathparser/Expression.h"

#include "ParserTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace kestrom;
using kestrom::testing::errorText;
using kestrom::testing::parseError;
using kestrom::testing::treeText;

namespace {

QString parsed(const QString& text,
               const Configuration& configuration = Configuration::defaultConfiguration()) {
    try {
        return treeText(text, configuration);
    } catch (const MathParserError& error) {
        return errorText(error);
    }
}

} // namespace

TEST(ExpressionTest, PrecedenceAndAssociativity) {
    const std::pair<const char16_t*, const char16_t*> cases[] = {
        {u"1 + 2 * 3 - 4", u"subtract(add(1, multiply(2, 3)), 4)"},
        {u"1 - 2 - 3", u"subtract(subtract(1, 2), 3)"},
        {u"8 / 4 / 2", u"divide(divide(8, 4), 2)"},
        {u"2 ** 3 ** 2", u"pow(2, pow(3, 2))"},
        {u"2 * -3", u"multiply(2, negate(3))"},
        {u"2 ** -3", u"pow(2, negate(3))"},
        {u"-2 ** 2", u"negate(pow(2, 2))"},
        {u"- - 5", u"negate(negate(5))"},
        {u"-\u221A4", u"negate(sqrt(4))"},
        {u"+5", u"5"},
        {u"3! ** 2", u"pow(factorial(3), 2)"},
        {u"3! ! ** 2", u"pow(factorial(factorial(3)), 2)"},
        {u"5!!", u"factorial2(5)"},
        {u"90\u00B0", u"dtor(90)"},
        {u"1 < 2 && 3 >= 2 || !0", u"l_or(l_and(l_lt(1, 2), l_gtoe(3, 2)), l_not(0))"},
        {u"6 & 3 | 1 ^ 2", u"xor(or(and(6, 3), 1), 2)"},
        {u"1 << 2 + 1", u"add(lshift(1, 2), 1)"},
        {u"7 % 3 * 2", u"multiply(mod(7, 3), 2)"},
        {u"2x", u"implicitMultiply(2, x())"},
        {u"2 sin 0", u"implicitMultiply(implicitMultiply(2, sin()), 0)"},
        {u"2(3)(4)", u"implicitMultiply(implicitMultiply(2, 3), 4)"},
        {u"1/2$x", u"divide(1, implicitMultiply(2, $x))"},
        {u"2\u00BD", u"add(2, 0.5)"},
        {u"2\u00BD\u00B2", u"pow(add(2, 0.5), 2)"},
        {u"-2\u00B2", u"negate(pow(2, 2))"},
        {u"2\u207B\u00B9", u"pow(2, negate(1))"},
        {u"1, 2", u"comma(1, 2)"},
        {u"max(1, 2 + 3, -4)", u"max(1, add(2, 3), negate(4))"},
        {u"pi", u"pi()"},
        {u"$x * \"a b\"", u"multiply($x, $a b)"},
    };
    for (const auto& [input, expected] : cases) {
        const QString text = QString::fromUtf16(input);
        EXPECT_EQ(parsed(text), QString::fromUtf16(expected)) << text.toStdString();
    }

    Configuration low;
    low.useHighPrecedenceImplicitMultiplication = false;
    EXPECT_EQ(parsed(QStringLiteral("1/2$x"), low), QStringLiteral("multiply(divide(1, 2), $x)"));
}

TEST(ExpressionTest, MissingOperandsAndMalformedGroups) {
    const std::pair<const char16_t*, const char*> cases[] = {
        {u"*2", "ambiguousOperator 0..1"},
        {u"/ 2", "missingLeftOperand 0..1"},
        {u"2 +", "missingRightOperand 2..3"},
        {u"-", "missingRightOperand 0..1"},
        {u"\u00B0", "missingLeftOperand 0..1"},
        {u"f(+)", "missingRightOperand 2..3"},
        // A group of one token is that token: the "/" stands at the end.
        {u"1 + (/)", "missingRightOperand 5..6"},
        // With both neighbours faulty, the right one is reported.
        {u"(-) ** (-)", "missingRightOperand 8..9"},
        {u"(1)) + 2", "missingOpenParenthesis 3..4"},
        {u"abc(", "missingCloseParenthesis 4..4"},
    };
    for (const auto& [input, expected] : cases) {
        const QString text = QString::fromUtf16(input);
        EXPECT_EQ(errorText(parseError(text)), QString::fromLatin1(expected)) << text.toStdString();
    }

    const auto missing = parseError(QStringLiteral("/ 2"));
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing->kind(), MathParserError::Kind(MathParserError::Case::missingLeftOperand,
                                                     Operator::make(BuiltInOperator::divide)));
    EXPECT_FALSE(missing->kind() == MathParserError::Kind(MathParserError::Case::missingLeftOperand,
                                                          Operator::make(BuiltInOperator::add)));

    Configuration plain;
    plain.allowImplicitMultiplication = false;
    EXPECT_EQ(errorText(parseError(QStringLiteral("1 2"), plain)),
              QStringLiteral("invalidFormat 0..1"));
}

TEST(ExpressionTest, RangesCoverWhatEachNodeWasParsedFrom) {
    const ExpressionPtr sum = Expression::parse(QStringLiteral("1 + (2 * 3)"));
    EXPECT_EQ(sum->range(), (CharacterRange{0, 10})); // parentheses are not part of it
    EXPECT_EQ(sum->kind().functionArguments().at(1)->range(), (CharacterRange{5, 10}));

    EXPECT_EQ(
        Expression::parse(QStringLiteral("sin(0) + 1"))->kind().functionArguments()[0]->range(),
        (CharacterRange{0, 6}));
    EXPECT_EQ(Expression::parse(QStringLiteral("+5"))->range(), (CharacterRange{1, 2}));
    EXPECT_EQ(Expression::parse(QStringLiteral("3!"))->range(), (CharacterRange{0, 2}));
}

TEST(ExpressionTest, ArgumentsKnowTheirParent) {
    const ExpressionPtr root = Expression::parse(QStringLiteral("1 + 2 * 3"));
    EXPECT_EQ(root->parent(), nullptr);
    const ExpressionPtr product = root->kind().functionArguments()[1];
    EXPECT_EQ(product->parent(), root);
    EXPECT_EQ(product->kind().functionArguments()[0]->parent(), product);

    // A node placed in a second tree belongs to the node built last.
    const ExpressionPtr other = Expression::function(QStringLiteral("f"), {product});
    EXPECT_EQ(product->parent(), other);
}

TEST(ExpressionTest, PrintedForm) {
    const std::pair<const char16_t*, const char16_t*> cases[] = {
        {u"1 + 2", u"1.0 + 2.0"},
        {u"add(1, 2)", u"1.0 + 2.0"},
        {u"add(1, 2, 3)", u"add(1.0, 2.0, 3.0)"},
        {u"(1 + 2) * 3", u"1.0 + 2.0 * 3.0"},
        {u"-$x", u"-$x"},
        {u"3!", u"3.0!"},
        {u"2x", u"2.0 * x()"},
        {u"pi", u"pi()"},
        {u"max(0.5, 1e20, 1e-7)", u"max(0.5, 1e+20, 1e-07)"},
        {u"123.456 - 0.001", u"123.456 - 0.001"},
        {u"\"a b\" + $c", u"\"a b\" + $c"},
        {u"90\u00B0", u"90.0\u00BA"},
    };
    for (const auto& [input, expected] : cases) {
        const QString text = QString::fromUtf16(input);
        EXPECT_EQ(Expression::parse(text)->description(), QString::fromUtf16(expected))
            << text.toStdString();
    }
    EXPECT_EQ(Expression::number(std::numeric_limits<double>::infinity())->description(),
              QStringLiteral("inf"));
    EXPECT_EQ(Expression::number(-std::numeric_limits<double>::infinity())->description(),
              QStringLiteral("-inf"));
    EXPECT_EQ(Expression::number(std::nan(""))->description(), QStringLiteral("nan"));
    EXPECT_EQ(Expression::number(-3)->description(), QStringLiteral("-3.0"));
    EXPECT_EQ(Expression::number(1e15)->description(), QStringLiteral("1000000000000000.0"));
    EXPECT_EQ(Expression::number(0.1 + 0.2)->description(), QStringLiteral("0.30000000000000004"));
}

TEST(ExpressionTest, EqualityComparesKindsOnly) {
    const auto parse = [](const char16_t* text) {
        return Expression::parse(QString::fromUtf16(text));
    };
    EXPECT_EQ(*parse(u"1+2*$x"), *parse(u"  1 +  2 * $x "));
    EXPECT_EQ(*parse(u"2"), *parse(u"2.0"));
    EXPECT_EQ(*parse(u"add(1, 2)"), *parse(u"1 + 2"));
    EXPECT_FALSE(*parse(u"$x") == *parse(u"$y"));
    EXPECT_FALSE(*parse(u"f(1)") == *parse(u"f(1, 2)"));
    EXPECT_FALSE(*parse(u"f(1)") == *parse(u"g(1)"));
    EXPECT_FALSE(*parse(u"1") == *parse(u"$x"));
    // Composed and decomposed spellings of a name are the same name.
    EXPECT_EQ(*Expression::variable(QStringLiteral("caf\u00E9")),
              *Expression::variable(QStringLiteral("cafe\u0301")));

    const ExpressionPtr nan = Expression::number(std::nan(""));
    EXPECT_FALSE(*nan == *nan);
    const ExpressionPtr call = Expression::function(QStringLiteral("f"), {nan});
    EXPECT_FALSE(*call == *call);
}

TEST(ExpressionTest, OlderEntryPointTakesOptionFlags) {
    const ExpressionPtr full =
        Expression::parse(QStringLiteral("2x"), OperatorSet::defaultSet(),
                          TokenResolverOptions::defaultOptions(), std::nullopt);
    EXPECT_EQ(treeText(full), QStringLiteral("implicitMultiply(2, x())"));
    try {
        Expression::parse(QStringLiteral("2x"), OperatorSet::defaultSet(),
                          TokenResolverOptions::none(), std::nullopt);
        FAIL() << "expected an error";
    } catch (const MathParserError& error) {
        EXPECT_EQ(errorText(error), QStringLiteral("missingOpenParenthesis 2..2"));
    }
    const ExpressionPtr low =
        Expression::parse(QStringLiteral("1/2$x"), OperatorSet::defaultSet(),
                          {TokenResolverOptions::allowArgumentlessFunctions(),
                           TokenResolverOptions::allowImplicitMultiplication()},
                          std::nullopt);
    EXPECT_EQ(treeText(low), QStringLiteral("multiply(divide(1, 2), $x)"));
}

TEST(ExpressionTest, DeepInputIsAnErrorNotAStackOverflow) {
    const QString cases[] = {
        QString(3000, QLatin1Char('-')) + QLatin1Char('1'),
        QString(600, QLatin1Char('(')) + QLatin1Char('1') + QString(600, QLatin1Char(')')),
        QStringLiteral("1+").repeated(1500) + QLatin1Char('1'),
        QStringLiteral("2**").repeated(1000) + QLatin1Char('2'),
        QLatin1Char('1') + QString(3000, QLatin1Char('!')),
        QStringLiteral("\u221A-").repeated(1500) + QLatin1Char('4'),
        // Chains an operator binding more tightly must resolve first.
        QStringLiteral("2**") + QString(3000, QLatin1Char('-')) + QLatin1Char('1'),
        QLatin1Char('1') + QStringLiteral(" !").repeated(1500) + QStringLiteral(" ** 2"),
    };
    for (const QString& text : cases) {
        const auto error = parseError(text);
        ASSERT_TRUE(error) << text.left(20).toStdString();
        EXPECT_EQ(error->kind().value(), MathParserError::Case::invalidFormat);
    }
    // Well inside the bounds, long chains are fine.
    EXPECT_FALSE(parseError(QStringLiteral("1+").repeated(300) + QLatin1Char('1')));
    EXPECT_FALSE(parseError(QString(100, QLatin1Char('(')) + QLatin1Char('1') +
                            QString(100, QLatin1Char(')'))));
}
