#include "core/mathparser/Tokenizer.h"

#include "ParserTestSupport.h"

#include <gtest/gtest.h>

using namespace kestrom;
using kestrom::testing::errorText;

namespace {

// "kind:text@lower..upper" for each token, space-separated.
QString describeTokens(const QString& input, const Configuration& configuration) {
    static const char* kinds[] = {"hex", "oct", "dec", "frac", "loc", "exp", "var", "op", "id"};
    QStringList parts;
    for (const RawToken& token : Tokenizer(input, configuration).tokenize()) {
        parts.append(QStringLiteral("%1:%2@%3..%4")
                         .arg(QString::fromLatin1(kinds[int(token.kind())]), token.string())
                         .arg(token.range().lowerBound)
                         .arg(token.range().upperBound));
    }
    return parts.join(QLatin1Char(' '));
}

QString tokenizeError(const QString& input, const Configuration& configuration) {
    try {
        Tokenizer(input, configuration).tokenize();
    } catch (const MathParserError& error) {
        return errorText(error);
    }
    return errorText(std::nullopt);
}

struct TokenCase {
    const char16_t* input;
    const char16_t* tokens;
};

} // namespace

TEST(TokenizerTest, CutsEveryTokenForm) {
    const TokenCase cases[] = {
        {u"", u""},
        {u"  \n\t ", u""},
        {u"0x", u"dec:0@0..1 id:x@1..2"},
        {u"0X1f", u"hex:1f@2..4"},
        {u"0xg", u"dec:0@0..1 id:xg@1..3"},
        {u"0o17", u"oct:17@2..4"},
        {u"0o8", u"dec:0@0..1 id:o8@1..3"},
        {u"12.5", u"dec:12.5@0..4"},
        {u".5", u"dec:.5@0..2"},
        {u"1.5e\u22123", u"dec:1.5e\u22123@0..6"},
        {u"2E+10", u"dec:2E+10@0..5"},
        {u"1.5e", u"dec:1.5@0..3 id:e@3..4"},
        {u"2e+", u"dec:2@0..1 id:e@1..2 op:+@2..3"},
        {u"2\u2153", u"dec:2@0..1 frac:\u2153@1..2"},
        {u"\u00BD", u"frac:\u00BD@0..1"},
        {u"2\u00B2", u"dec:2@0..1 exp:2@1..2"},
        {u"2\u207B\u00B9", u"dec:2@0..1 exp:-1@1..3"},
        {u"\u207D\u00B9\u207A\u00B2\u207E", u"exp:(1+2)@0..5"},
        // Superscripts are name characters inside an identifier.
        {u"x\u00B2", u"id:x\u00B2@0..2"},
        {u"sin\u207B\u00B9(1)", u"id:sin\u207B\u00B9@0..5 op:(@5..6 dec:1@6..7 op:)@7..8"},
        {u"$foo+1", u"var:foo@0..4 op:+@4..5 dec:1@5..6"},
        {u"\"a b\"", u"var:a b@0..5"},
        {u"'x\\ty'", u"var:x\ty@0..6"},
        {u"'it\\'s'", u"var:it's@0..7"},
        {u"x1+2", u"id:x1@0..2 op:+@2..3 dec:2@3..4"},
        {u"a b", u"id:a@0..1 id:b@2..3"},
        {u"a\nb", u"id:a\nb@0..3"},
        {u"1\n+\r\n2", u"dec:1@0..1 op:+@2..3 dec:2@4..5"},
        {u"3 <= 4", u"dec:3@0..1 op:<=@2..4 dec:4@5..6"},
        {u"1<<2", u"dec:1@0..1 op:<<@1..3 dec:2@3..4"},
        {u"5!!", u"dec:5@0..1 op:!!@1..3"},
        {u"1\u22122", u"dec:1@0..1 op:\u2212@1..2 dec:2@2..3"},
        // A letter with a combining accent is one character.
        {u"e\u0301+1", u"id:\u00E9@0..1 op:+@1..2 dec:1@2..3"},
        {u"\U0001F600*2", u"id:\U0001F600@0..1 op:*@1..2 dec:2@2..3"},
    };
    const Configuration& configuration = Configuration::defaultConfiguration();
    for (const TokenCase& c : cases) {
        const QString input = QString::fromUtf16(c.input);
        EXPECT_EQ(describeTokens(input, configuration), QString::fromUtf16(c.tokens))
            << input.toStdString();
    }
}

TEST(TokenizerTest, ReportsTheFirstFailureWithItsRange) {
    const std::pair<const char16_t*, const char*> cases[] = {
        {u".", "cannotParseNumber 0..1"},
        {u"1 + .", "cannotParseNumber 4..5"},
        {u"$", "cannotParseVariable 0..0"},
        {u"$ ", "cannotParseVariable 0..1"},
        {u"1+$", "cannotParseVariable 2..2"},
        {u"'abc", "cannotParseQuotedVariable 0..4"},
        {u"x + \"ab\\\"", "cannotParseQuotedVariable 4..9"},
        {u"\"\"", "zeroLengthVariable 0..2"},
    };
    for (const auto& [input, expected] : cases) {
        const QString text = QString::fromUtf16(input);
        EXPECT_EQ(tokenizeError(text, Configuration::defaultConfiguration()),
                  QString::fromLatin1(expected))
            << text.toStdString();
    }
}

TEST(TokenizerTest, VariableSettings) {
    Configuration zeroLength;
    zeroLength.allowZeroLengthVariables = true;
    EXPECT_EQ(describeTokens(QStringLiteral("$"), zeroLength), QStringLiteral("var:@0..1"));
    EXPECT_EQ(describeTokens(QStringLiteral("\"\""), zeroLength), QStringLiteral("var:@0..2"));
    EXPECT_EQ(describeTokens(QStringLiteral("$+1"), zeroLength),
              QStringLiteral("var:@0..1 op:+@1..2 dec:1@2..3"));

    Configuration keepEscapes;
    keepEscapes.unescapesQuotedVariables = false;
    EXPECT_EQ(describeTokens(QStringLiteral("'a\\tb'"), keepEscapes),
              QStringLiteral("var:a\\tb@0..6"));
}

TEST(TokenizerTest, LocaleReadsNumbersWithItsSymbols) {
    Configuration german;
    german.locale = QLocale(QLocale::German, QLocale::Germany);
    EXPECT_EQ(describeTokens(QStringLiteral("1,5*2"), german),
              QStringLiteral("loc:1,5@0..3 op:*@3..4 loc:2@4..5"));
    EXPECT_EQ(describeTokens(QStringLiteral("max(3, 4)"), german),
              QStringLiteral("id:max@0..3 op:(@3..4 loc:3@4..5 op:,@5..6 loc:4@7..8 op:)@8..9"));
    EXPECT_EQ(describeTokens(QStringLiteral("12"), german), QStringLiteral("loc:12@0..2"));

    Configuration english;
    english.locale = QLocale(QLocale::English, QLocale::UnitedStates);
    EXPECT_EQ(describeTokens(QStringLiteral("1.25 + 0x10"), english),
              QStringLiteral("loc:1.25@0..4 op:+@5..6 hex:10@9..11"));
}

TEST(TokenizerTest, OperatorsSpelledWithLettersDoNotSplitWords) {
    auto set = std::make_shared<OperatorSet>();
    set->addTokens({QStringLiteral("plus")}, Operator(BuiltInOperator::add));
    Configuration configuration;
    configuration.operatorSet = set;
    EXPECT_EQ(describeTokens(QStringLiteral("1 plus 2"), configuration),
              QStringLiteral("dec:1@0..1 op:plus@2..6 dec:2@7..8"));
    EXPECT_EQ(describeTokens(QStringLiteral("pluses"), configuration),
              QStringLiteral("id:pluses@0..6"));
    // Compared in lower case, kept as typed.
    EXPECT_EQ(describeTokens(QStringLiteral("1 pLUS 2"), configuration),
              QStringLiteral("dec:1@0..1 op:pLUS@2..6 dec:2@7..8"));
}

TEST(TokenizerTest, OverlongInputIsRefused) {
    const QString text = QString(5000, QLatin1Char('1'));
    EXPECT_EQ(tokenizeError(text, Configuration::defaultConfiguration()),
              QStringLiteral("invalidFormat 4096..5000"));
}
