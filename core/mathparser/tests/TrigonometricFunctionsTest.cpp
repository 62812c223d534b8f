#include "EvaluationTestSupport.h"

using namespace kestrom;
using namespace kestrom::testing;
using Case = MathParserError::Case;

namespace {

Evaluator inDegrees() {
    Evaluator evaluator = Evaluator::defaultEvaluator();
    evaluator.setAngleMeasurementMode(Evaluator::AngleMode::degrees);
    return evaluator;
}

} // namespace

TEST(TrigonometricFunctionsTest, RadiansAndRounding) {
    expectEvaluations(
        {
            {u"ceil(-2.5)", -2.0},
            {u"floor(-2.5)", -3.0},
            {u"trunc(-2.5)", -3.0},
            {u"sin(0)", 0.0},
            {u"cos(0)", 1.0},
            {u"tan(pi_4)", 0.9999999999999999},
            {u"asin(1)", 1.5707963267948966},
            {u"sin\u207B\u00B9(1)", 1.5707963267948966},
            {u"acos(1)", 0.0},
            {u"cos\u207B\u00B9(-1)", 3.141592653589793},
            {u"atan(1)", 0.7853981633974483},
            {u"tan\u207B\u00B9(1)", 0.7853981633974483},
            {u"atan2(1, 1)", 0.7853981633974483},
            {u"atan2(1)", Case::invalidArguments},
            {u"csc(0)", Case::divideByZero},
            {u"sec(0)", 1.0},
            {u"cotan(0)", Case::divideByZero},
            {u"acsc(0)", Case::divideByZero},
            {u"csc\u207B\u00B9(1)", 1.5707963267948966},
            {u"asec(1)", 0.0},
            {u"sec\u207B\u00B9(1)", 0.0},
            {u"acotan(0)", Case::divideByZero},
            {u"acotan(1)", 0.7853981633974483},
            {u"cotan\u207B\u00B9(1)", 0.7853981633974483},
            {u"sinh(0)", 0.0},
            {u"cosh(0)", 1.0},
            {u"tanh(0)", 0.0},
            {u"asinh(0)", 0.0},
            {u"sinh\u207B\u00B9(0)", 0.0},
            {u"acosh(1)", 0.0},
            {u"cosh\u207B\u00B9(1)", 0.0},
            {u"acosh(0.5)", notANumber},
            {u"atanh(0)", 0.0},
            {u"tanh\u207B\u00B9(0)", 0.0},
            {u"atanh(1)", infinity},
            {u"csch(0)", Case::divideByZero},
            {u"sech(0)", 1.0},
            {u"cotanh(0)", Case::divideByZero},
            {u"acsch(0)", Case::divideByZero},
            {u"acsch(1)", 0.881373587019543},
            {u"csch\u207B\u00B9(1)", 0.881373587019543},
            {u"asech(1)", 0.0},
            {u"sech\u207B\u00B9(1)", 0.0},
            {u"acotanh(0)", Case::divideByZero},
            {u"acotanh(2)", 0.5493061443340549},
            {u"cotanh\u207B\u00B9(2)", 0.5493061443340549},
            {u"versin(0)", 0.0},
            {u"vers(pi)", 2.0},
            {u"ver(pi)", 2.0},
            {u"vercosin(0)", 2.0},
            {u"vercos(0)", 2.0},
            {u"coversin(0)", 1.0},
            {u"cvs(pi_2)", 0.0},
            {u"covercosin(0)", 1.0},
            {u"haversin(pi)", 1.0},
            {u"havercosin(0)", 1.0},
            {u"hacoversin(0)", 0.5},
            {u"hacovercosin(0)", 0.5},
            {u"haversin(1, 2)", Case::invalidArguments},
            {u"exsec(0)", 0.0},
            {u"excsc(0)", Case::divideByZero},
            {u"crd(pi)", 2.0},
            {u"chord(pi)", 2.0},
            {u"dtor(180)", 3.141592653589793},
            {u"rtod(pi)", 180.0},
            {u"sin()", Case::invalidArguments},
            {u"floor(1, 2)", Case::invalidArguments},
        },
        Evaluator::defaultEvaluator());
    // A sine of pi in doubles is not zero, so its reciprocal is merely large.
    const double large = Evaluator::defaultEvaluator().evaluate(QStringLiteral("csc(pi)"));
    EXPECT_TRUE(std::isfinite(large));
    EXPECT_GT(large, 1e15);
}

TEST(TrigonometricFunctionsTest, DegreesConvertAnglesInAndOut) {
    expectEvaluations(
        {
            {u"sin(90)", 1.0},
            {u"cos(180)", -1.0},
            {u"asin(1)", 90.0},
            {u"atan2(1, 1)", 45.0},
            {u"acotan(1)", 45.0},
            {u"crd(60)", 0.9999999999999999},
            {u"haversin(180)", 1.0},
            {u"dtor(180)", 3.141592653589793},
            {u"rtod(pi)", 180.0},
            {u"sinh(1)", 1.1752011936438014},
            {u"acosh(1)", 0.0},
            // The degree sign converts once more: 90° is taken as 1.57… degrees.
            {u"sin(90\u00B0)", 0.027412133592044294},
        },
        inDegrees());
    // cos(90°) in doubles is about 6e-17, so these do not divide by zero.
    const double secant = inDegrees().evaluate(QStringLiteral("sec(90)"));
    EXPECT_NEAR(secant, 1.633123935319537e16, 1e3);
    EXPECT_TRUE(std::isfinite(inDegrees().evaluate(QStringLiteral("exsec(90)"))));

    const Evaluator radians = Evaluator::defaultEvaluator();
    for (const char* text : {"haversin(1.3)", "haversin(77)"}) {
        for (const Evaluator& evaluator : {radians, inDegrees()}) {
            const QString versin = QString::fromLatin1(text).mid(2);
            EXPECT_DOUBLE_EQ(evaluator.evaluate(QString::fromLatin1(text)),
                             evaluator.evaluate(versin) / 2);
        }
    }
}

TEST(ConstantAndLogicalFunctionsTest, ConstantsTakeNoArguments) {
    expectEvaluations(
        {
            {u"pi", 3.141592653589793},
            {u"pi()", 3.141592653589793},
            {u"\u03C0", 3.141592653589793},
            {u"tau_2", 3.141592653589793},
            {u"pi(1)", Case::invalidArguments},
            {u"pi_2", 1.5707963267948966},
            {u"tau_4", 1.5707963267948966},
            {u"pi_4", 0.7853981633974483},
            {u"tau_8", 0.7853981633974483},
            {u"tau", 6.283185307179586},
            {u"\u03C4", 6.283185307179586},
            {u"phi", 1.618033988749895},
            {u"\u03D5", 1.618033988749895},
            {u"sqrt2", 1.4142135623730951},
            {u"e", 2.718281828459045},
            {u"log2e", 1.4426950408889634},
            {u"log10e", 0.4342944819032518},
            {u"ln2", 0.6931471805599453},
            {u"ln10", 2.302585092994046},
            {u"true + true", 2.0},
            {u"yes", 1.0},
            {u"false", 0.0},
            {u"no", 0.0},
            {u"2pi", 6.283185307179586},
        },
        Evaluator::defaultEvaluator());
}

TEST(ConstantAndLogicalFunctionsTest, LogicalFunctionsFollowDoubleComparisons) {
    expectEvaluations(
        {
            {u"if(yes, 10, 20)", 10.0},
            {u"l_if(0, 10, 20)", 20.0},
            {u"l_if(1, 2)", Case::invalidArguments},
            // Only the chosen branch is evaluated; both sides of and/or always are.
            {u"l_and(0, $x)", Case::unknownVariable},
            {u"l_or(1, $x)", Case::unknownVariable},
            {u"l_if(0, $x, 5)", 5.0},
            {u"l_if(1, 5, $x)", 5.0},
            {u"l_if(sqrt(-1), 1, 2)", 1.0},
            {u"l_not(sqrt(-1))", 0.0},
            {u"l_not(0)", 1.0},
            {u"l_eq(0, -0)", 1.0},
            {u"l_lt(1, sqrt(-1))", 0.0},
            {u"l_gtoe(1, sqrt(-1))", 0.0},
            {u"l_eq(sqrt(-1), sqrt(-1))", 0.0},
            {u"l_neq(sqrt(-1), sqrt(-1))", 1.0},
            {u"l_and(2, -3)", 1.0},
            {u"l_or(0, 0.5)", 1.0},
            {u"l_or(0, -0)", 0.0},
            {u"l_gt(2, 1)", 1.0},
            {u"l_ltoe(1, 1)", 1.0},
            {u"1 < 2", 1.0},
            {u"2 == 2", 1.0},
            {u"3 != 3", 0.0},
            {u"3 \u2260 4", 1.0},
            {u"!0", 1.0},
            {u"1 && 0", 0.0},
            {u"0 || 3", 1.0},
            {u"2 >= 3 || 4 <= 4", 1.0},
        },
        Evaluator::defaultEvaluator());
}
