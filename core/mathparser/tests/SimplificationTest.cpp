#include "core/mathparser/Evaluator.h"
#include "core/mathparser/Expression.h"

#include "ParserTestSupport.h"

#include <gtest/gtest.h>

using namespace kestrom;
using kestrom::testing::treeText;

namespace {

QString simplified(const QString& text, const Substitutions& substitutions = {}) {
    return treeText(
        Expression::parse(text)->simplify(substitutions, Evaluator::defaultEvaluator()));
}

} // namespace

TEST(SimplificationTest, FoldsWhatCanBeComputed) {
    const std::pair<const char*, const char*> cases[] = {
        {"1 + 2 * 3", "7"},
        {"sin(0) + $x", "add(0, $x)"},
        {"$x", "$x"},
        {"f(1, 2)", "f(1, 2)"},
        {"f(1 + 1) * 2", "multiply(f(2), 2)"},
        {"pi", "3.14159265358979"},
        {"1/0 + 2", "add(divide(1, 0), 2)"},
        {"sqrt(-1) + $x", "add(nan, $x)"},
        // Percent sees the tree as written.
        {"add(50, percent(10))", "55"},
    };
    for (const auto& [input, expected] : cases) {
        EXPECT_EQ(simplified(QString::fromLatin1(input)), QString::fromLatin1(expected)) << input;
    }
}

TEST(SimplificationTest, UsesSubstitutions) {
    EXPECT_EQ(simplified(QStringLiteral("$x"), {{"x", 2}}), QStringLiteral("2"));
    // A call is evaluated as written and without substitutions, so one over a
    // substituted variable keeps its folded arguments.
    EXPECT_EQ(simplified(QStringLiteral("$x * 3"), {{"x", 2}}), QStringLiteral("multiply(2, 3)"));
    // A substitution without a value is replaced by its own simplified tree.
    EXPECT_EQ(simplified(QStringLiteral("$x * 2"), {{"x", "$y + 1 + 1"}}),
              QStringLiteral("multiply(add(add($y, 1), 1), 2)"));
    EXPECT_EQ(simplified(QStringLiteral("$x * 2"), {{"x", "2 +"}}),
              QStringLiteral("multiply($x, 2)"));
    // A variable only the substitutions resolve keeps the call around it unevaluated.
    EXPECT_EQ(simplified(QStringLiteral("$x"), {{"x", "$x + 1"}}), QStringLiteral("add($x, 1)"));
}

TEST(SimplificationTest, BuildsANewTreeWithItsOwnRanges) {
    const ExpressionPtr tree = Expression::parse(QStringLiteral("1 + sin(0) * $x"));
    const ExpressionPtr result = tree->simplify({}, Evaluator::defaultEvaluator());
    EXPECT_NE(result, tree);
    EXPECT_EQ(result->parent(), nullptr);
    EXPECT_EQ(result->range(), tree->range());
    const ExpressionPtr product = result->kind().functionArguments()[1];
    EXPECT_EQ(product->parent(), result);
    EXPECT_EQ(product->kind().functionArguments()[0]->range(), (CharacterRange{4, 10}));
    EXPECT_EQ(treeText(tree), QStringLiteral("add(1, multiply(sin(0), $x))"));
}
