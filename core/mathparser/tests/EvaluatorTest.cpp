#include "EvaluationTestSupport.h"

#include "core/mathparser/EvaluationState.h"
#include "core/mathparser/Function.h"
#include "core/mathparser/FunctionOverrider.h"
#include "core/mathparser/FunctionRegistrationError.h"
#include "core/mathparser/FunctionResolver.h"
#include "core/mathparser/VariableResolver.h"

using namespace kestrom;
using namespace kestrom::testing;
using Case = MathParserError::Case;

namespace {

std::optional<MathParserError> evaluationError(const QString& text, const Evaluator& evaluator,
                                               const Substitutions& substitutions = {}) {
    try {
        evaluator.evaluate(text, substitutions);
    } catch (const MathParserError& error) {
        return error;
    }
    return std::nullopt;
}

class Variables : public VariableResolver {
public:
    std::optional<double> resolveVariable(const QString& name) const override {
        if (name == QStringLiteral("x")) {
            return 10.0;
        }
        return std::nullopt;
    }
};

class SineOverrider : public FunctionOverrider {
public:
    std::optional<double> overrideFunction(const QString& name,
                                           const EvaluationState&) const override {
        if (name == QStringLiteral("sin")) {
            return 42.0;
        }
        return std::nullopt;
    }
};

class RecordingResolver : public FunctionResolver {
public:
    mutable QStringList asked;
    std::optional<double> answer;

    std::optional<double> resolveFunction(const QString& name,
                                          const EvaluationState& state) const override {
        asked.append(name);
        if (answer) {
            return *answer + double(state.argumentCount());
        }
        return std::nullopt;
    }
};

} // namespace

TEST(EvaluatorTest, EvaluatesTextAndReportsUnknownNames) {
    const Evaluator evaluator = Evaluator::defaultEvaluator();
    EXPECT_EQ(evaluator.evaluate(QStringLiteral("2*3")), 6.0);
    EXPECT_EQ(evaluator.evaluate(QStringLiteral("210/2 - 5")), 100.0);

    // A bare name is a call without arguments.
    const auto bare = evaluationError(QStringLiteral("abc"), evaluator);
    ASSERT_TRUE(bare);
    EXPECT_EQ(bare->kind(), MathParserError::Kind(Case::unknownFunction, QStringLiteral("abc")));

    const auto call = evaluationError(QStringLiteral("1 + foo(1)"), evaluator);
    ASSERT_TRUE(call);
    EXPECT_EQ(call->kind(), MathParserError::Kind(Case::unknownFunction, QStringLiteral("foo")));
    EXPECT_EQ(call->range(), (CharacterRange{4, 10}));

    const auto variable = evaluationError(QStringLiteral("$abc * 2"), evaluator);
    ASSERT_TRUE(variable);
    EXPECT_EQ(variable->kind(),
              MathParserError::Kind(Case::unknownVariable, QStringLiteral("abc")));
    EXPECT_EQ(variable->range(), (CharacterRange{0, 4}));
    EXPECT_FALSE(variable->kind() ==
                 MathParserError::Kind(Case::unknownVariable, QStringLiteral("abd")));

    // Parse errors reach the caller unchanged.
    EXPECT_EQ(errorText(evaluationError(QStringLiteral("2 +"), evaluator)),
              QStringLiteral("missingRightOperand 2..3"));
}

TEST(EvaluatorTest, SubstitutionsOfEveryKind) {
    const Evaluator evaluator = Evaluator::defaultEvaluator();
    EXPECT_EQ(evaluator.evaluate(QStringLiteral("$x"), {{"x", 3}}), 3.0);
    EXPECT_EQ(evaluator.evaluate(QStringLiteral("$x"), {{"x", 2.5}}), 2.5);
    EXPECT_EQ(evaluator.evaluate(QStringLiteral("$x * 2"), {{"x", "$y + 1"}, {"y", 2}}), 6.0);
    EXPECT_EQ(evaluator.evaluate(QStringLiteral("$x"),
                                 {{"x", Expression::parse(QStringLiteral("$y ** 2"))}, {"y", 3}}),
              9.0);
    // Composed and decomposed spellings of a name find the same entry.
    EXPECT_EQ(evaluator.evaluate(QStringLiteral("$caf\u00E9"), {{"cafe\u0301", 7}}), 7.0);

    // A text that does not parse fails where its variable is read.
    EXPECT_EQ(errorText(evaluationError(QStringLiteral("1 + $x"), evaluator, {{"x", "2 +"}})),
              QStringLiteral("missingRightOperand 2..3"));
}

TEST(EvaluatorTest, SubstitutionsThatReferToThemselvesFail) {
    const Evaluator evaluator = Evaluator::defaultEvaluator();
    const std::vector<Substitutions> cycles = {
        {{"x", "$x + 1"}},
        {{"x", "$y"}, {"y", "$z * 2"}, {"z", "$x"}},
        {{"x", Expression::parse(QStringLiteral("$x * 2"))}},
        {{"x", "l_if(1, $x, 0)"}},
    };
    for (const Substitutions& substitutions : cycles) {
        const auto error = evaluationError(QStringLiteral("$x"), evaluator, substitutions);
        ASSERT_TRUE(error);
        EXPECT_EQ(error->kind().value(), Case::unknownVariable);
    }
    // Reading the same variable twice is no cycle.
    EXPECT_EQ(evaluator.evaluate(QStringLiteral("$x + $x"), {{"x", "$y"}, {"y", 2}}), 4.0);
}

TEST(EvaluatorTest, LongSubstitutionChainsEndWithAnError) {
    const Evaluator evaluator = Evaluator::defaultEvaluator();
    const auto chain = [](int length) {
        Substitutions substitutions;
        for (int i = 0; i < length; ++i) {
            substitutions.insert(QStringLiteral("x%1").arg(i),
                                 QStringLiteral("$x%1 + 1").arg(i + 1));
        }
        substitutions.insert(QStringLiteral("x%1").arg(length), 0);
        return substitutions;
    };
    EXPECT_EQ(evaluator.evaluate(QStringLiteral("$x0"), chain(50)), 50.0);
    const auto error = evaluationError(QStringLiteral("$x0"), evaluator, chain(5000));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->kind().value(), Case::invalidFormat);
}

TEST(EvaluatorTest, HooksSupplyVariablesAndFunctions) {
    Evaluator evaluator = Evaluator::defaultEvaluator();
    evaluator.setVariableResolver(std::make_shared<Variables>());
    EXPECT_EQ(evaluator.evaluate(QStringLiteral("$x + 1")), 11.0);
    // The substitutions win over the resolver.
    EXPECT_EQ(evaluator.evaluate(QStringLiteral("$x + 1"), {{"x", 1}}), 2.0);
    EXPECT_TRUE(evaluationError(QStringLiteral("$y"), evaluator));

    evaluator.setFunctionOverrider(std::make_shared<SineOverrider>());
    EXPECT_EQ(evaluator.evaluate(QStringLiteral("sin(0)")), 42.0);
    EXPECT_EQ(evaluator.evaluate(QStringLiteral("cos(0)")), 1.0);

    auto resolver = std::make_shared<RecordingResolver>();
    evaluator.setFunctionResolver(resolver);
    const auto unknown = evaluationError(QStringLiteral("FOO(2)"), evaluator);
    ASSERT_TRUE(unknown);
    EXPECT_EQ(resolver->asked, QStringList({"foo"}));
    EXPECT_EQ(unknown->kind(), MathParserError::Kind(Case::unknownFunction, QStringLiteral("FOO")));
    resolver->answer = 100;
    EXPECT_EQ(evaluator.evaluate(QStringLiteral("FOO(2, 3)")), 102.0);
}

TEST(EvaluatorTest, CaseSensitiveNames) {
    Evaluator evaluator(true);
    EXPECT_EQ(evaluator.evaluate(QStringLiteral("sin(0)")), 0.0);
    const auto error = evaluationError(QStringLiteral("Sin(0)"), evaluator);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->kind(), MathParserError::Kind(Case::unknownFunction, QStringLiteral("Sin")));
    // Implicit multiplication evaluates under its operator's own spelling.
    EXPECT_EQ(evaluator.evaluate(QStringLiteral("2$x"), {{"x", 3}}), 6.0);
    EXPECT_EQ(evaluator.evaluate(QStringLiteral("2pi")), 2 * 3.141592653589793);

    auto resolver = std::make_shared<RecordingResolver>();
    evaluator.setFunctionResolver(resolver);
    evaluationError(QStringLiteral("FOO(2)"), evaluator);
    EXPECT_EQ(resolver->asked, QStringList({"FOO"}));
}

TEST(EvaluatorTest, RegisteredFunctionsAreSharedByCopies) {
    Evaluator copy = Evaluator::defaultEvaluator();
    copy.registerFunction(Function(QStringLiteral("twice"), [](const EvaluationState& state) {
        state.expectArgumentCount(1);
        return 2 * state.argument(0);
    }));
    EXPECT_EQ(Evaluator::defaultEvaluator().evaluate(QStringLiteral("twice(4)")), 8.0);
    EXPECT_EQ(Evaluator::defaultEvaluator().evaluate(QStringLiteral("TWICE(1)")), 2.0);

    // A new evaluator has a set of its own.
    const auto error = evaluationError(QStringLiteral("twice(4)"), Evaluator());
    ASSERT_TRUE(error);
    EXPECT_EQ(error->kind().value(), Case::unknownFunction);

    // The angle unit belongs to each copy.
    Evaluator degrees = Evaluator::defaultEvaluator();
    degrees.setAngleMeasurementMode(Evaluator::AngleMode::degrees);
    EXPECT_EQ(Evaluator::defaultEvaluator().angleMeasurementMode(), Evaluator::AngleMode::radians);
}

TEST(EvaluatorTest, NumericFieldEntryPointReadsTheLocale) {
    Configuration german;
    german.locale = QLocale(QLocale::German, QLocale::Germany);
    const Evaluator evaluator = Evaluator::defaultEvaluator();
    EXPECT_DOUBLE_EQ(evaluator.evaluate(QStringLiteral("2,5 * 2"), {}, german), 5.0);
    EXPECT_DOUBLE_EQ(evaluator.evaluate(QStringLiteral("1,5 + 0x10"), {}, german), 17.5);
    // The locale's own separator is the only one: "1.5" is no German number.
    EXPECT_THROW(evaluator.evaluate(QStringLiteral("1.5"), {}, german), MathParserError);
    EXPECT_DOUBLE_EQ(evaluator.evaluate(QStringLiteral("1.5 * 2")), 3.0);
}

TEST(EvaluatorTest, TextsSimplifyToNumbersTreesOrThemselves) {
    const Evaluator evaluator = Evaluator::defaultEvaluator();
    const Substitution number = Substitution(QStringLiteral("2.5")).simplified(evaluator);
    ASSERT_TRUE(number.isDouble());
    EXPECT_EQ(number.doubleValue(), 2.5);

    // A leading space is no plain number: the text is parsed and folded.
    const Substitution parsed = Substitution(QStringLiteral(" 2.5")).simplified(evaluator);
    ASSERT_TRUE(parsed.isExpression());
    EXPECT_EQ(parsed.expression()->kind().number(), 2.5);

    const Substitution broken = Substitution(QStringLiteral("2 +")).simplified(evaluator);
    ASSERT_TRUE(broken.isString());
    EXPECT_EQ(broken.string(), QStringLiteral("2 +"));

    const Substitution integer = Substitution(3).simplified(evaluator);
    ASSERT_TRUE(integer.isDouble());
    EXPECT_EQ(integer.doubleValue(), 3.0);
    EXPECT_EQ(Substitution(QStringLiteral("$y * 2")).substitutionValue(evaluator, {{"y", 4}}), 8.0);
}
