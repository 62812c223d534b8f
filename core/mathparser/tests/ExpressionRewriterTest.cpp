#include "core/mathparser/ExpressionRewriter.h"
#include "core/mathparser/Evaluator.h"

#include "ParserTestSupport.h"

#include <gtest/gtest.h>

using namespace kestrom;
using kestrom::testing::treeText;

namespace {

QString rewritten(const QString& text, const Substitutions& substitutions = {},
                  const ExpressionRewriter& rewriter = ExpressionRewriter::defaultRewriter()) {
    return treeText(
        Expression::parse(text)->rewrite(substitutions, rewriter, Evaluator::defaultEvaluator()));
}

// Rewrites and returns the tree with what was logged meanwhile.
std::pair<QString, std::string> rewrittenWithLog(const QString& text,
                                                 const ExpressionRewriter& rewriter) {
    ::testing::internal::CaptureStderr();
    const QString tree = rewritten(text, {}, rewriter);
    return {tree, ::testing::internal::GetCapturedStderr()};
}

bool loggedLimit(const std::string& log) {
    return log.find("replacement limit reached") != std::string::npos;
}

} // namespace

TEST(ExpressionRewriterTest, EachDefaultRule) {
    const std::pair<const char*, const char*> cases[] = {
        {"0 + $x", "$x"},
        {"$x + 0", "$x"},
        {"$x + $x", "multiply($x, 2)"}, // rule 3, then rule 9 in the same pass
        {"$x - $x", "0"},
        {"1 * $x", "$x"},
        {"$x * 1", "$x"},
        {"$x / 1", "$x"},
        {"$x * $x", "pow($x, 2)"},
        {"2 * $x", "multiply($x, 2)"},
        {"0 * $x", "0"},
        {"$x * 0", "0"},
        {"--$x", "$x"},
        {"abs(-$x)", "abs($x)"},
        {"exp($a) * exp($b)", "exp(add($a, $b))"},
        {"($a ** $n) * ($b ** $n)", "pow(multiply($a, $b), $n)"},
        {"$x ** 0", "1"},
        {"$x ** 1", "$x"},
        {"sqrt($x ** 2)", "abs($x)"},
        {"dtor(rtod($x))", "$x"},
        {"rtod(dtor($x))", "$x"},
        {"nthroot($x, 1)", "$x"},
        {"nthroot(pow($y, 2), 2)", "abs($y)"},
        {"nthroot(pow($y, 3), 3)", "$y"},
        // Conditions about unknown variables cannot be evaluated: no change.
        {"$x / $x", "divide($x, $x)"},
        {"($a * $b) / $b", "divide(multiply($a, $b), $b)"},
        {"abs(2 + $x)", "abs(add(2, $x))"},
        // Folding goes with every step.
        {"sin(0) + $x", "$x"},
        {"1 + 2 * $x", "add(1, multiply($x, 2))"},
        {"f(2 * 3)", "f(6)"},
    };
    for (const auto& [input, expected] : cases) {
        EXPECT_EQ(rewritten(QString::fromLatin1(input)), QString::fromLatin1(expected)) << input;
    }
}

TEST(ExpressionRewriterTest, ConditionsReadTheSubstitutions) {
    EXPECT_EQ(rewritten(QStringLiteral("$x / $x"), {{"x", 3}}), QStringLiteral("1"));
    EXPECT_EQ(rewritten(QStringLiteral("($a * $b) / $b"), {{"b", 2}}), QStringLiteral("$a"));
    EXPECT_EQ(rewritten(QStringLiteral("($b * $a) / $b"), {{"b", 2}}), QStringLiteral("$a"));
    EXPECT_EQ(rewritten(QStringLiteral("$b / ($b * $a)"), {{"b", 2}}),
              QStringLiteral("divide(1, $a)"));
    EXPECT_EQ(rewritten(QStringLiteral("$b / ($a * $b)"), {{"b", 2}}),
              QStringLiteral("divide(1, $a)"));
    // A zero divisor keeps the division (its product still folds to 0).
    EXPECT_EQ(rewritten(QStringLiteral("($a * $b) / $b"), {{"b", 0}}),
              QStringLiteral("divide(0, 0)"));
}

TEST(ExpressionRewriterTest, MatchingPlaceholders) {
    const auto parse = [](const char* text) {
        return Expression::parse(QString::fromLatin1(text));
    };
    EXPECT_TRUE(parse("$x - $x")->matches(*parse("__exp1 - __exp1")));
    EXPECT_TRUE(parse("($a + $b) - ($a + $b)")->matches(*parse("__exp1 - __exp1")));
    EXPECT_FALSE(parse("$x - $y")->matches(*parse("__exp1 - __exp1")));
    EXPECT_FALSE(parse("$x + $y")->matches(*parse("__exp1 + __exp1")));
    EXPECT_FALSE(parse("$x * 2")->matches(*parse("__num1 * __var1")));
    EXPECT_TRUE(parse("foo(1, 2)")->matches(*parse("__func1")));
    EXPECT_TRUE(parse("pi")->matches(*parse("__func1")));
    EXPECT_FALSE(parse("2")->matches(*parse("__func1")));
    EXPECT_FALSE(parse("$x")->matches(*parse("__func1")));
    EXPECT_FALSE(parse("1 + 2")->matches(*parse("1 + 2 + 3")));

    const auto bindings = parse("2 * $x")->match(*parse("__num1 * __var1"));
    ASSERT_TRUE(bindings);
    EXPECT_EQ(treeText(bindings->value(QStringLiteral("__num1"))), QStringLiteral("2"));
    EXPECT_EQ(treeText(bindings->value(QStringLiteral("__var1"))), QStringLiteral("$x"));

    // Bindings found before must agree with what is met again.
    const std::optional<Bindings> earlier = Bindings{{"__exp1", parse("$y")}};
    EXPECT_FALSE(parse("$x")->match(*parse("__exp1"), earlier));
    EXPECT_TRUE(parse("$y")->match(*parse("__exp1"), earlier));
}

TEST(ExpressionRewriterTest, PassLimit) {
    // No rules: nothing changes and nothing is logged, unless the limit is 0.
    auto [unchanged, quiet] =
        rewrittenWithLog(QStringLiteral("2 * $x"), ExpressionRewriter({}, 256));
    EXPECT_EQ(unchanged, QStringLiteral("multiply(2, $x)"));
    EXPECT_FALSE(loggedLimit(quiet));
    EXPECT_TRUE(
        loggedLimit(rewrittenWithLog(QStringLiteral("$x"), ExpressionRewriter({}, 0)).second));

    // A limit of 0 runs one pass and always logs.
    auto [onePass, log] = rewrittenWithLog(QStringLiteral("2 * $x + 0"),
                                           ExpressionRewriter(RewriteRule::defaultRules(), 0));
    EXPECT_EQ(onePass, QStringLiteral("multiply($x, 2)"));
    EXPECT_TRUE(loggedLimit(log));

    // A settled tree ends quietly.
    EXPECT_FALSE(loggedLimit(
        rewrittenWithLog(QStringLiteral("$x * $x"), ExpressionRewriter::defaultRewriter()).second));
}

TEST(ExpressionRewriterTest, RuleSetsThatNeverSettleStopAtTheLimit) {
    // Two rules that undo each other.
    const ExpressionRewriter flipping(
        {RewriteRule(QStringLiteral("__var1 * 2"), std::nullopt, QStringLiteral("2 * __var1")),
         RewriteRule(QStringLiteral("2 * __var1"), std::nullopt, QStringLiteral("__var1 * 2"))},
        20);
    auto [flipped, log] = rewrittenWithLog(QStringLiteral("$x * 2"), flipping);
    EXPECT_EQ(flipped, QStringLiteral("multiply($x, 2)"));
    EXPECT_TRUE(loggedLimit(log));

    // A rule that grows the tree stops after the limit's passes.
    const ExpressionRewriter growing(
        {RewriteRule(QStringLiteral("__var1"), std::nullopt, QStringLiteral("__var1 + 1"))}, 30);
    ::testing::internal::CaptureStderr();
    const ExpressionPtr grown = Expression::parse(QStringLiteral("$x"))
                                    ->rewrite({}, growing, Evaluator::defaultEvaluator());
    EXPECT_TRUE(loggedLimit(::testing::internal::GetCapturedStderr()));
    EXPECT_EQ(grown->depth(), 31);

    // A tree holding not-a-number never equals itself, so every pass counts as a change.
    ExpressionRewriter few(RewriteRule::defaultRules(), 3);
    auto [withNan, nanLog] = rewrittenWithLog(QStringLiteral("$x + sqrt(-1)"), few);
    EXPECT_EQ(withNan, QStringLiteral("add($x, nan)"));
    EXPECT_TRUE(loggedLimit(nanLog));
}

TEST(ExpressionRewriterTest, RulesAndTheSharedRewriter) {
    EXPECT_EQ(RewriteRule::defaultRules().size(), size_t(29));
    ExpressionRewriter copy = ExpressionRewriter::defaultRewriter();
    EXPECT_EQ(copy.maxIterationCount(), 256u);
    copy.addRule(
        RewriteRule(QStringLiteral("foo(__exp1)"), std::nullopt, QStringLiteral("__exp1")));
    EXPECT_EQ(copy.rules().size(), size_t(30));
    EXPECT_EQ(ExpressionRewriter::defaultRewriter().rules().size(), size_t(29));
    EXPECT_EQ(rewritten(QStringLiteral("foo($x) + 0"), {}, copy), QStringLiteral("$x"));

    EXPECT_THROW(RewriteRule(QStringLiteral("__exp1 +"), std::nullopt, QStringLiteral("1")),
                 MathParserError);
    EXPECT_THROW(RewriteRule(QStringLiteral("__exp1"), QStringLiteral("("), QStringLiteral("1")),
                 MathParserError);

    // Applying one rule works at the root only.
    const RewriteRule& zeroPlus = RewriteRule::defaultRules().front();
    const ExpressionPtr nested = Expression::parse(QStringLiteral("1 * (0 + $x)"));
    EXPECT_EQ(zeroPlus.rewrite(nested, {}, Evaluator::defaultEvaluator()), nested);
    const ExpressionPtr root = Expression::parse(QStringLiteral("0 + $x"));
    EXPECT_EQ(treeText(zeroPlus.rewrite(root, {}, Evaluator::defaultEvaluator())),
              QStringLiteral("$x"));
}
