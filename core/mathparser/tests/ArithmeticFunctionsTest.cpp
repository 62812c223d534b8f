#include "EvaluationTestSupport.h"

#include "core/mathparser/Configuration.h"

using namespace kestrom;
using namespace kestrom::testing;
using Case = MathParserError::Case;

TEST(ArithmeticFunctionsTest, BasicOperationsAndRoots) {
    expectEvaluations(
        {
            {u"add(1, 2)", 3.0},
            {u"add(1)", Case::invalidArguments},
            {u"add(1, 2, 3)", Case::invalidArguments},
            // The count is checked before any argument is evaluated.
            {u"add($unknown)", Case::invalidArguments},
            {u"add(1, $unknown)", Case::unknownVariable},
            {u"subtract(5, 7)", -2.0},
            {u"multiply(3, 4)", 12.0},
            {u"implicitmultiply(2, 3)", 6.0},
            {u"2 3", 6.0},
            {u"divide(6, 4)", 1.5},
            {u"divide(1, 0)", Case::divideByZero},
            {u"divide(1, -0)", Case::divideByZero},
            {u"1 / (2 - 2)", Case::divideByZero},
            {u"mod(5, 0)", notANumber},
            {u"mod(-7, 2)", -1.0},
            {u"modulo(7, 3)", 1.0},
            {u"7 % 3", 1.0},
            {u"negate(2)", -2.0},
            {u"pow(2, 10)", 1024.0},
            {u"2 ** 3 ** 2", 512.0},
            {u"pow(-8, 1/3)", notANumber},
            {u"sqrt(16)", 4.0},
            {u"\u221A16", 4.0},
            {u"sqrt(-1)", notANumber},
            {u"cuberoot(27)", 3.0},
            {u"\u221B27", 3.0},
            {u"cuberoot(-27)", notANumber},
            {u"nthroot(-27, 3)", -3.0},
            {u"nthroot(16, 4)", 2.0},
            {u"nthroot(-8, -3)", notANumber},
            {u"nthroot(1, 0)", Case::divideByZero},
            {u"abs(-3)", 3.0},
            {u"log(1000)", 3.0},
            {u"ln(e)", 1.0},
            {u"ln(-1)", notANumber},
            {u"log2(8)", 3.0},
            {u"exp(0)", 1.0},
            {u"2\u00BD", 2.5},
            {u"3\u00B2", 9.0},
            {u"2\u207B\u00B9", 0.5},
        },
        Evaluator::defaultEvaluator());
}

TEST(ArithmeticFunctionsTest, Factorials) {
    expectEvaluations(
        {
            {u"factorial(0)", 1.0},
            {u"factorial(1)", 1.0},
            {u"5!", 120.0},
            {u"factorial(20)", 2432902008176640000.0},
            {u"factorial(21)", 51090942171709440000.0},
            {u"factorial(170)", 7.257415615307994e306},
            {u"factorial(171)", infinity},
            {u"factorial(3.5)", 11.631728396567448},
            {u"factorial(-1)", infinity},
            {u"factorial(-2)", notANumber},
            // Huge arguments end as soon as the product is infinite.
            {u"factorial(1e18)", infinity},
            {u"factorial(1e300)", infinity},
            {u"factorial2(0)", Case::invalidArguments},
            {u"factorial2(2.5)", Case::invalidArguments},
            {u"factorial2(1)", 1.0},
            {u"5!!", 15.0},
            {u"factorial2(6)", 48.0},
            {u"factorial2(7)", 105.0},
            {u"factorial2(8)", 384.0},
            {u"factorial2(1e6)", infinity},
            {u"factorial2(1000001)", infinity},
            {u"factorial2(1e300)", infinity},
        },
        Evaluator::defaultEvaluator());
    // Odd double factorials beyond 170 are still finite: 171!! is 171 × 169!!.
    const Evaluator evaluator = Evaluator::defaultEvaluator();
    const double big = evaluator.evaluate(QStringLiteral("factorial2(171)"));
    EXPECT_TRUE(std::isfinite(big));
    EXPECT_NEAR(big / evaluator.evaluate(QStringLiteral("factorial2(169)")), 171.0, 1e-9);
}

TEST(ArithmeticFunctionsTest, BitwiseOnSixtyFourBitIntegers) {
    expectEvaluations(
        {
            {u"and(6, 3)", 2.0},
            {u"or(6, 3)", 7.0},
            {u"xor(6, 3)", 5.0},
            {u"6 & 3 | 8", 10.0},
            {u"6 ^ 3", 5.0},
            {u"not(5)", -6.0},
            {u"~0", -1.0},
            {u"and(-1.9, 3)", 3.0},
            {u"lshift(1, 63)", -9223372036854775808.0},
            {u"lshift(1, 64)", 0.0},
            {u"lshift(-8, -1)", -4.0},
            {u"lshift(-1, -64)", -1.0},
            {u"lshift(1, -70)", 0.0},
            {u"rshift(-1, 100)", -1.0},
            {u"rshift(1, -2)", 4.0},
            {u"rshift(-8, 1)", -4.0},
            {u"rshift(5, -64)", 0.0},
            {u"rshift(-1, -2 ** 63)", 0.0},
            {u"1 << 4 >> 2", 4.0},
            {u"and(-2 ** 63, -1)", -9223372036854775808.0},
            // Values without a 64-bit integer form are refused.
            {u"and(2 ** 63, 1)", Case::invalidArguments},
            {u"or(1e400, 1)", Case::invalidArguments},
            {u"xor(sqrt(-1), 1)", Case::invalidArguments},
            {u"not(-1e400)", Case::invalidArguments},
            {u"lshift(1, 1e300)", Case::invalidArguments},
        },
        Evaluator::defaultEvaluator());
}

TEST(ArithmeticFunctionsTest, Aggregates) {
    expectEvaluations(
        {
            {u"sum(1, 2, 3)", 6.0},
            {u"\u2211(1, 2)", 3.0},
            {u"sum()", Case::invalidArguments},
            {u"product(2, 3, 4)", 24.0},
            {u"\u220F(2, 3)", 6.0},
            {u"product()", Case::invalidArguments},
            {u"count()", 0.0},
            {u"count(1/0, $x)", 2.0},
            {u"min(3, -1, 2)", -1.0},
            {u"min(1e400)", 1.7976931348623157e308},
            {u"min(sqrt(-1), 4)", 4.0},
            {u"max(-3, -5)", -3.0},
            {u"max(-1e400)", -1.7976931348623157e308},
            {u"max()", Case::invalidArguments},
            {u"min(1, $x)", Case::unknownVariable},
            {u"average(1, 2, 3, 4)", 2.5},
            {u"avg(2)", 2.0},
            {u"mean(1, 2)", 1.5},
            {u"median(5)", Case::invalidArguments},
            // Values are put in order before the middle is taken.
            {u"median(3, 1, 2)", 2.0},
            {u"median(4, 1, 3, 2)", 2.5},
            {u"median(9, 1, 5, 7, 3)", 5.0},
            {u"stddev(2, 4, 4, 4, 5, 5, 7, 9)", 2.0},
            {u"stddev(1)", Case::invalidArguments},
        },
        Evaluator::defaultEvaluator());
}

TEST(ArithmeticFunctionsTest, RandomStaysWithinItsBounds) {
    expectEvaluations({{u"random(5, 5)", Case::invalidArguments},
                       {u"random(6, 5)", Case::invalidArguments},
                       {u"random(sqrt(-1))", Case::invalidArguments},
                       {u"random(1, 2, 3)", Case::invalidArguments}},
                      Evaluator::defaultEvaluator());
    const Evaluator evaluator = Evaluator::defaultEvaluator();
    for (int i = 0; i < 200; ++i) {
        const double half = evaluator.evaluate(QStringLiteral("random(0, 0.5)"));
        EXPECT_GE(half, 0.0);
        EXPECT_LT(half, 0.5);
        // A span wider than 1 only reaches one unit above the low bound.
        const double wide = evaluator.evaluate(QStringLiteral("random(0, 10)"));
        EXPECT_GE(wide, 0.0);
        EXPECT_LT(wide, 1.0);
        EXPECT_GE(evaluator.evaluate(QStringLiteral("random()")), 2.2250738585072014e-308);
    }
}

TEST(ArithmeticFunctionsTest, PercentTakesTheShareOfTheOtherOperand) {
    const Evaluator evaluator = Evaluator::defaultEvaluator();
    expectEvaluations({{u"add(200, percent(5))", 210.0},
                       {u"subtract(50, percent(10))", 45.0},
                       {u"percent(10)", 0.1},
                       {u"2 * percent(10)", 0.2},
                       // The operation's name is compared with its case.
                       {u"ADD(200, percent(5))", 200.05}},
                      evaluator);

    Configuration percentSign;
    percentSign.operatorSet = std::make_shared<OperatorSet>(false);
    for (const auto& [text, expected] :
         {std::pair{"200 + 5%", 210.0}, {"50 - 10%", 45.0}, {"10%", 0.1}, {"2 * 10%", 0.2}}) {
        EXPECT_DOUBLE_EQ(evaluator.evaluate(QString::fromLatin1(text), {}, percentSign), expected)
            << text;
    }
    // With the default operators "%" is the remainder.
    EXPECT_DOUBLE_EQ(evaluator.evaluate(QStringLiteral("50 % 3")), 2.0);
}
