#include "core/mathparser/OperatorSet.h"

#include "ParserTestSupport.h"

#include <gtest/gtest.h>

using namespace kestrom;

namespace {

QStringList functions(const std::vector<OperatorPtr>& operators) {
    QStringList names;
    for (const OperatorPtr& op : operators) {
        names.append(op->function());
    }
    return names;
}

int precedenceOf(const OperatorSet& set, const QString& function, int occurrence = 0) {
    for (const OperatorPtr& op : set.operators()) {
        if (op->function() == function && occurrence-- == 0) {
            return op->precedence().value_or(-1);
        }
    }
    return -1;
}

} // namespace

TEST(OperatorSetTest, DefaultLadderPutsModuloAboveImplicitMultiplication) {
    const OperatorSet set;
    const std::vector<std::pair<const char*, int>> expected = {
        {"l_or", 1},
        {"l_and", 2},
        {"l_eq", 3},
        {"l_gtoe", 3},
        {"add", 6},
        {"subtract", 6},
        {"xor", 6},
        {"multiply", 7},
        {"divide", 7},
        {"and", 7},
        {"implicitMultiply", 8},
        {"mod", 9},
        {"lshift", 10},
        {"negate", 11},
        {"l_not", 11},
        {"factorial", 12},
        {"dtor", 12},
        {"pow", 13},
        {"open_paren", 15},
        {"comma", 16},
    };
    for (const auto& [function, precedence] : expected) {
        EXPECT_EQ(precedenceOf(set, QString::fromLatin1(function)), precedence) << function;
    }
    EXPECT_EQ(precedenceOf(set, QStringLiteral("add"), 1), 14);
    EXPECT_EQ(set.operators().size(), size_t(33));
    EXPECT_EQ(set.operators().back()->function(), QStringLiteral("mod"));
}

TEST(OperatorSetTest, InsertedOperatorsFollowTheList) {
    const OperatorSet set;
    for (const OperatorPtr& designated : {set.addFractionOperator(), set.multiplyOperator(),
                                          set.implicitMultiplyOperator(), set.powerOperator()}) {
        const bool listed = std::find(set.operators().begin(), set.operators().end(), designated) !=
                            set.operators().end();
        EXPECT_TRUE(listed) << designated->function().toStdString();
    }
    EXPECT_EQ(set.powerOperator()->precedence(), 13);
    EXPECT_EQ(set.addFractionOperator()->precedence(), 14);
    EXPECT_EQ(set.implicitMultiplyOperator()->precedence(), 8);
    EXPECT_EQ(set.multiplyOperator()->precedence(), 7);
}

TEST(OperatorSetTest, OperatorForTokenFiltersByShape) {
    const OperatorSet set;
    EXPECT_EQ(functions(set.operatorForToken(QStringLiteral("-"))),
              QStringList({"subtract", "negate"}));
    EXPECT_EQ(functions(set.operatorForToken(QStringLiteral("-"), Operator::Arity::unary)),
              QStringList({"negate"}));
    const auto adds = set.operatorForToken(QStringLiteral("+"), Operator::Arity::binary);
    ASSERT_EQ(adds.size(), size_t(2));
    EXPECT_EQ(adds[0]->precedence(), 6);
    EXPECT_EQ(adds[1]->precedence(), 14);
    EXPECT_EQ(functions(set.operatorForToken(QStringLiteral("!"))),
              QStringList({"l_not", "factorial"}));
    EXPECT_EQ(functions(set.operatorForToken(QStringLiteral("%"))), QStringList({"mod"}));
}

TEST(OperatorSetTest, PercentSignSwitchesBetweenModuloAndPercent) {
    OperatorSet set;
    set.setInterpretsPercentSignAsModulo(false);
    EXPECT_EQ(functions(set.operatorForToken(QStringLiteral("%"))), QStringList({"percent"}));
    EXPECT_EQ(precedenceOf(set, QStringLiteral("percent")), precedenceOf(set, "factorial"));

    set.setInterpretsPercentSignAsModulo(true);
    EXPECT_EQ(functions(set.operatorForToken(QStringLiteral("%"))), QStringList({"mod"}));
    EXPECT_EQ(precedenceOf(set, QStringLiteral("mod")), 9);
    EXPECT_EQ(precedenceOf(set, QStringLiteral("implicitMultiply")), 8);
    EXPECT_EQ(precedenceOf(set, QStringLiteral("pow")), 14); // raised once more
    EXPECT_EQ(set.powerOperator()->precedence(), 14);

    const OperatorSet percentSet(false);
    EXPECT_EQ(precedenceOf(percentSet, QStringLiteral("percent")), 11);
    EXPECT_EQ(precedenceOf(percentSet, QStringLiteral("pow")), 12);
}

TEST(OperatorSetTest, AddingOperators) {
    OperatorSet set;
    const size_t count = set.operators().size();

    // A conflicting spelling is refused and logged.
    ::testing::internal::CaptureStderr();
    set.add(Operator::make("plus", Operator::Arity::binary, Operator::Associativity::left, {"+"}),
            OperatorSet::Relation::equalTo, Operator(BuiltInOperator::add));
    const std::string log = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(log.find("cannot add operator with conflicting tokens: "), std::string::npos);
    EXPECT_EQ(set.operators().size(), count);

    // An operator equal to a listed one only lends its spellings.
    set.add(Operator::make("subtract", Operator::Arity::binary, Operator::Associativity::left,
                           {"minus"}),
            OperatorSet::Relation::equalTo, Operator(BuiltInOperator::add));
    EXPECT_EQ(functions(set.operatorForToken(QStringLiteral("minus"))), QStringList({"subtract"}));
    EXPECT_EQ(set.operators().size(), count);

    // "lessThan" makes room: the related level and everything above move up.
    const OperatorPtr at =
        Operator::make("at", Operator::Arity::binary, Operator::Associativity::left, {"@"});
    set.add(at, OperatorSet::Relation::lessThan, Operator(BuiltInOperator::add));
    EXPECT_EQ(at->precedence(), 6);
    EXPECT_EQ(precedenceOf(set, QStringLiteral("add")), 7);
    EXPECT_EQ(precedenceOf(set, QStringLiteral("multiply")), 8);
    EXPECT_EQ(precedenceOf(set, QStringLiteral("l_eq")), 3);
    EXPECT_EQ(set.operators().back(), at);
    EXPECT_TRUE(set.operatorTokenSet().tokens.contains(QStringLiteral("@")));

    // Relating to an operator that is not listed changes nothing.
    set.add(Operator::make("hash", Operator::Arity::binary, Operator::Associativity::left, {"#"}),
            OperatorSet::Relation::equalTo, Operator(BuiltInOperator::percent));
    EXPECT_TRUE(set.operatorForToken(QStringLiteral("#")).empty());
}

TEST(OperatorSetTest, AddTokensLowercasesAndSkipsTakenSpellings) {
    OperatorSet set;
    set.addTokens({QStringLiteral("MINUS"), QStringLiteral("-")}, Operator(BuiltInOperator::minus));
    const OperatorPtr subtract = set.operatorForToken(QStringLiteral("minus")).at(0);
    EXPECT_EQ(subtract->function(), QStringLiteral("subtract"));
    EXPECT_EQ(subtract->tokens(), QStringList({"-", "\u2212", "minus"}));
    EXPECT_TRUE(set.operatorTokenSet().tokens.contains(QStringLiteral("minus")));
}

TEST(OperatorSetTest, TokenSetHoldsEveryCharacterAndLowercaseForms) {
    const OperatorSet set;
    const OperatorTokenSet& tokens = set.operatorTokenSet();
    for (const QString& character : {QStringLiteral("<"), QStringLiteral("="),
                                     QStringLiteral("\u221B"), QStringLiteral("(")}) {
        EXPECT_TRUE(tokens.characters.contains(character)) << character.toStdString();
    }
    EXPECT_TRUE(tokens.tokens.contains(QStringLiteral("<<")));
    EXPECT_TRUE(tokens.hasTokenWithPrefix(QStringLiteral("<")));
    EXPECT_FALSE(tokens.hasTokenWithPrefix(QStringLiteral("a")));
}

TEST(OperatorSetTest, OperatorIdentityAndDescription) {
    const Operator minus(BuiltInOperator::minus);
    EXPECT_EQ(minus.description(),
              QStringLiteral("{[-, \u2212] -> subtract(), Binary Left, precedence: UNKNOWN}"));
    EXPECT_EQ(minus,
              Operator("subtract", Operator::Arity::binary, Operator::Associativity::left, {"x"}));
    EXPECT_FALSE(minus == Operator(BuiltInOperator::unaryMinus));
    EXPECT_EQ(Operator(BuiltInOperator::power).associativity(), Operator::Associativity::right);
    EXPECT_EQ(builtInOperatorFromRawValue(QStringLiteral("implicitMultiply")),
              BuiltInOperator::implicitMultiply);
    EXPECT_EQ(builtInOperatorFromRawValue(QStringLiteral("implicitmultiply")), std::nullopt);

    const OperatorSet set;
    EXPECT_EQ(set.operatorForToken(QStringLiteral("-")).at(0)->description(),
              QStringLiteral("{[-, \u2212] -> subtract(), Binary Left, precedence: 6}"));
}
