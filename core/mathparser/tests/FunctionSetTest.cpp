#include "core/mathparser/FunctionSet.h"

#include "ParserTestSupport.h"
#include "core/mathparser/EvaluationState.h"
#include "core/mathparser/FunctionRegistrationError.h"

#include <gtest/gtest.h>

using namespace kestrom;

namespace {

Function constant(QStringList names, double value) {
    return Function(std::move(names), [value](const EvaluationState&) { return value; });
}

double call(const FunctionSet& set, const QString& name) {
    const auto registration = set.registration(name);
    if (!registration) {
        return -1;
    }
    return registration->function(EvaluationState({0, 0}, {}, {}, Evaluator::defaultEvaluator()));
}

template <typename Action>
std::optional<FunctionRegistrationError> registrationError(Action action) {
    try {
        action();
    } catch (const FunctionRegistrationError& error) {
        return error;
    }
    return std::nullopt;
}

} // namespace

TEST(FunctionSetTest, StartsWithTheBuiltInFunctionsInOrder) {
    const auto& functions = Function::standardFunctions();
    ASSERT_EQ(functions.size(), size_t(96));
    EXPECT_EQ(functions.front().names().front(), QStringLiteral("add"));
    EXPECT_EQ(functions[32].names().front(), QStringLiteral("stddev"));
    EXPECT_EQ(functions[33].names().front(), QStringLiteral("ceil"));
    EXPECT_EQ(functions[72].names().front(), QStringLiteral("rtod"));
    EXPECT_EQ(functions[73].names().front(), QStringLiteral("true"));
    EXPECT_EQ(functions.back().names(), QStringList({"l_if", "if"}));
    EXPECT_EQ(Function::standardFunction(QStringLiteral("pi")).names(),
              QStringList({"pi", "\u03C0", "tau_2"}));

    const FunctionSet set(false);
    for (const QString& alias : {QStringLiteral("avg"), QStringLiteral("mean")}) {
        EXPECT_EQ(set.registration(alias), set.registration(QStringLiteral("average")));
    }
    EXPECT_EQ(set.registration(QStringLiteral("\u03C0")), set.registration(QStringLiteral("pi")));
    EXPECT_EQ(set.registration(QStringLiteral("tau_2")), set.registration(QStringLiteral("pi")));
    EXPECT_EQ(set.registration(QStringLiteral("implicitMultiply")),
              set.registration(QStringLiteral("multiply")));
    EXPECT_EQ(set.registration(QStringLiteral("positive")), nullptr);
    EXPECT_EQ(set.registration(QStringLiteral("comma")), nullptr);
}

TEST(FunctionSetTest, CaseRule) {
    const FunctionSet insensitive(false);
    for (const QString& name :
         {QStringLiteral("SIN"), QStringLiteral("Sin"), QStringLiteral("sin")}) {
        EXPECT_EQ(insensitive.registration(name), insensitive.registration(QStringLiteral("sin")));
    }
    const FunctionSet sensitive(true);
    EXPECT_NE(sensitive.registration(QStringLiteral("sin")), nullptr);
    EXPECT_EQ(sensitive.registration(QStringLiteral("Sin")), nullptr);
    EXPECT_NE(sensitive.registration(QStringLiteral("implicitMultiply")), nullptr);
}

TEST(FunctionSetTest, RegistrationChecksEveryNameFirst) {
    FunctionSet set(false);
    set.registerFunction(constant({"Foo"}, 1));
    for (const QString& name :
         {QStringLiteral("foo"), QStringLiteral("FOO"), QStringLiteral("Foo")}) {
        EXPECT_EQ(call(set, name), 1.0);
    }
    const auto taken = registrationError([&] { set.registerFunction(constant({"FOO"}, 2)); });
    ASSERT_TRUE(taken);
    EXPECT_EQ(taken->value(), FunctionRegistrationError::Case::functionAlreadyExists);
    EXPECT_EQ(taken->name(), QStringLiteral("foo"));

    const auto partly = registrationError([&] {
        set.registerFunction(constant({"x1", "sin"}, 3));
    });
    ASSERT_TRUE(partly);
    EXPECT_EQ(partly->name(), QStringLiteral("sin"));
    EXPECT_EQ(set.registration(QStringLiteral("x1")), nullptr);
}

TEST(FunctionSetTest, Aliases) {
    FunctionSet set(false);
    set.registerAlias(QStringLiteral("Sine"), QStringLiteral("sin"));
    EXPECT_EQ(set.registration(QStringLiteral("sine")), set.registration(QStringLiteral("sin")));
    EXPECT_TRUE(set.registration(QStringLiteral("sin"))->names.contains(QStringLiteral("sine")));

    const auto taken =
        registrationError([&] { set.registerAlias(QStringLiteral("cos"), QStringLiteral("sin")); });
    ASSERT_TRUE(taken);
    EXPECT_EQ(taken->value(), FunctionRegistrationError::Case::functionAlreadyExists);
    EXPECT_EQ(taken->name(), QStringLiteral("cos"));

    const auto missing = registrationError(
        [&] { set.registerAlias(QStringLiteral("bar"), QStringLiteral("NoSuch")); });
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing->value(), FunctionRegistrationError::Case::functionDoesNotExist);
    EXPECT_EQ(missing->name(), QStringLiteral("NoSuch"));
    EXPECT_EQ(set.registration(QStringLiteral("bar")), nullptr);

    Evaluator evaluator;
    evaluator.registerAlias(QStringLiteral("half"), QStringLiteral("haversin"));
    EXPECT_DOUBLE_EQ(evaluator.evaluate(QStringLiteral("half(pi)")), 1.0);
}
