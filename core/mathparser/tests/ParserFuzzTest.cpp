#include "core/mathparser/Expression.h"

#include "ParserTestSupport.h"
#include "core/mathparser/TokenCharacterBuffer.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>

#include <functional>
#include <random>

using namespace kestrom;

namespace {

// Pieces that reach every extractor and every stage, including their corners.
const QStringList& pieces() {
    static const QStringList list = {
        "0",      "1",        "9",      "42",         ".",      "e",      "E",      "0x",
        "0o",     "f",        "a",      "x",          "$",      "$x",     "\"",     "'",
        "\\",     "(",        ")",      "(",          ")",      ",",      "+",      "-",
        "\u2212", "*",        "/",      "%",          "!",      "!!",     "**",     "^",
        "&",      "&&",       "|",      "||",         "<",      ">",      "=",      "<=",
        "\u2260", "~",        "\u221A", "\u221B",     "\u00B0", "\u00BD", "\u2153", "\u00B2",
        "\u207B", "\u207D",   "\u207E", " ",          " ",      "\n",     "\t",     "sin",
        "pi",     "max",      "\u00E9", "\U0001F600", "\u0301", "\u00D7", "\u00F7", "\u00AC",
        "1e",     "1e\u2212", "\u00A0", "\r\n",
    };
    return list;
}

const QStringList& seeds() {
    static const QStringList list = {
        "1 + 2 * 3 - 4",
        "2 ** 3 ** 2",
        "-(1 + 2)!",
        "max(1, 2, sqrt(4))",
        "2x + 3y",
        "sin(pi/2) ** 2",
        "0x1F | 0o17 & 3",
        "2\u00BD \u00D7 3\u00B2",
        "$a + \"b c\" * 'd'",
        "l_if(1 < 2, 10, 20)",
        "50% + 10 % 3",
        "\u221A(9) + \u221B27 - 3!!",
        "((1)) , (2)",
        "1.5e\u22123 / .5",
        "f(,)",
        "(((((",
    };
    return list;
}

class Fuzzer {
public:
    explicit Fuzzer(unsigned seed) : m_random(seed) {}

    int below(int bound) { return std::uniform_int_distribution<int>(0, bound - 1)(m_random); }

    QString randomText() {
        QString text;
        const int count = below(30);
        for (int i = 0; i < count; ++i) {
            text += pieces()[below(int(pieces().size()))];
        }
        return text;
    }

    QString mutated() {
        QString text = seeds()[below(int(seeds().size()))];
        const int edits = 1 + below(4);
        for (int i = 0; i < edits; ++i) {
            const int at = below(int(text.size()) + 1);
            switch (below(3)) {
            case 0:
                text.insert(at, pieces()[below(int(pieces().size()))]);
                break;
            case 1:
                text.remove(at, 1 + below(3));
                break;
            default:
                text.insert(at, text.mid(below(int(text.size()) + 1), below(6)));
                break;
            }
        }
        return text;
    }

private:
    std::mt19937 m_random;
};

void expectWithin(const ExpressionPtr& node, int length, const QString& text) {
    const CharacterRange range = node->range();
    EXPECT_LE(0, range.lowerBound) << text.toStdString();
    EXPECT_LE(range.lowerBound, range.upperBound) << text.toStdString();
    EXPECT_LE(range.upperBound, length) << text.toStdString();
    for (const ExpressionPtr& argument : node->kind().functionArguments()) {
        EXPECT_EQ(argument->parent(), node);
        expectWithin(argument, length, text);
    }
}

// Parses one text: it must end in a tree or a parser error whose range lies
// inside the text, and nothing else.
void parseOne(const QString& text, const Configuration& configuration) {
    const int length = int(TokenCharacterBuffer::characters(text).size());
    try {
        const ExpressionPtr tree = Expression::parse(text, configuration);
        expectWithin(tree, length, text);
        EXPECT_FALSE(tree->description().isEmpty());
    } catch (const MathParserError& error) {
        EXPECT_LE(0, error.range().lowerBound) << text.toStdString();
        EXPECT_LE(error.range().lowerBound, error.range().upperBound) << text.toStdString();
        EXPECT_LE(error.range().upperBound, length) << text.toStdString();
    } catch (const std::exception& other) {
        ADD_FAILURE() << "unexpected exception " << other.what() << " for " << text.toStdString();
    }
}

std::vector<Configuration> configurations() {
    Configuration german;
    german.locale = QLocale(QLocale::German, QLocale::Germany);
    Configuration loose;
    loose.allowZeroLengthVariables = true;
    loose.unescapesQuotedVariables = false;
    loose.useHighPrecedenceImplicitMultiplication = false;
    Configuration strict;
    strict.allowArgumentlessFunctions = false;
    strict.allowImplicitMultiplication = false;
    Configuration percent;
    percent.operatorSet = std::make_shared<OperatorSet>(false);
    return {Configuration(), german, loose, strict, percent};
}

} // namespace

TEST(ParserFuzzTest, RandomAndMutatedTextsEndInATreeOrAParserError) {
    Fuzzer fuzzer(20240611u);
    const std::vector<Configuration> settings = configurations();
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < 6000; ++i) {
        const QString text = (i % 2 == 0) ? fuzzer.randomText() : fuzzer.mutated();
        parseOne(text, settings[size_t(i) % settings.size()]);
        if (::testing::Test::HasFailure()) {
            break;
        }
    }
    EXPECT_LT(timer.elapsed(), 60000);
}

TEST(ParserFuzzTest, LongTextsStayBounded) {
    Fuzzer fuzzer(7u);
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < 20; ++i) {
        QString text;
        while (text.size() < 4000) {
            text += fuzzer.randomText();
        }
        parseOne(text.left(4000 + 100 * (i % 2)), Configuration());
    }
    // Worst shapes for the reduction: many independent reductions in one group.
    parseOne(QStringLiteral("1*1+").repeated(1000) + QLatin1Char('1'), Configuration());
    parseOne(QStringLiteral("a ").repeated(2000), Configuration());
    Configuration german;
    german.locale = QLocale(QLocale::German, QLocale::Germany);
    parseOne(QString(4000, QLatin1Char('7')), german);
    EXPECT_LT(timer.elapsed(), 60000);
}
