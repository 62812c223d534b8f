#include "core/mathparser/Evaluator.h"
#include "core/mathparser/Expression.h"
#include "core/mathparser/Function.h"
#include "core/mathparser/MathParserError.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>

#include <random>

using namespace kestrom;

namespace {

// Random expressions over every built-in name, with extreme numbers, unknown
// names and wrong argument counts mixed in.
class ExpressionGenerator {
public:
    explicit ExpressionGenerator(unsigned seed) : m_random(seed) {
        for (const Function& function : Function::standardFunctions()) {
            m_names.append(function.names());
        }
        m_names.append(QStringLiteral("nosuch"));
    }

    QString expression(int depth) {
        const int choice = depth <= 0 ? below(3) : below(9);
        switch (choice) {
        case 0:
            return pick({"0", "-0", "1", "2.5", "17", "1e308", "1e-320", "1e400",
                         "0x7FFFFFFFFFFFFFFF", "63", "64", "-64", "171", "0.5"});
        case 1:
            return pick({"$x", "$y", "$unknown", "$self"});
        case 2:
            return pick({"pi", "e", "true", "random()"});
        case 3:
        case 4: {
            QStringList arguments;
            const int count = below(4);
            for (int i = 0; i < count; ++i) {
                arguments.append(expression(depth - 1));
            }
            return m_names[below(int(m_names.size()))] + QLatin1Char('(') +
                   arguments.join(QStringLiteral(", ")) + QLatin1Char(')');
        }
        case 5:
            return expression(depth - 1) + QLatin1Char(' ') +
                   pick({"+", "-", "*", "/", "%", "**", "&", "|", "^", "<<", ">>", "&&", "||",
                         "==", "!=", "<", ">=", "\u00D7", "\u00F7"}) +
                   QLatin1Char(' ') + expression(depth - 1);
        case 6:
            return pick({"-", "+", "!", "~", "\u221A", "\u221B"}) + expression(depth - 1);
        case 7:
            return QLatin1Char('(') + expression(depth - 1) + QLatin1Char(')') +
                   pick({"!", "!!", "\u00B0", "\u00B2", "\u00BD", ""});
        default:
            return expression(depth - 1) + expression(depth - 1);
        }
    }

private:
    int below(int bound) { return std::uniform_int_distribution<int>(0, bound - 1)(m_random); }
    QString pick(std::initializer_list<const char*> options) {
        const int index = below(int(options.size()));
        return QString::fromUtf8(*(options.begin() + index));
    }

    std::mt19937 m_random;
    QStringList m_names;
};

} // namespace

TEST(EvaluationFuzzTest, RandomExpressionsEndInANumberOrAnEvaluationError) {
    ExpressionGenerator generator(9001u);
    Evaluator radians = Evaluator::defaultEvaluator();
    Evaluator degrees = Evaluator::defaultEvaluator();
    degrees.setAngleMeasurementMode(Evaluator::AngleMode::degrees);
    const Evaluator caseSensitive(true);
    const Evaluator evaluators[] = {radians, degrees, caseSensitive};
    const Substitutions substitutions = {{"x", 3}, {"y", "$x * 2"}, {"self", "$self + 1"}};

    QElapsedTimer timer;
    timer.start();
    int values = 0;
    int errors = 0;
    for (int i = 0; i < 4000; ++i) {
        const QString text = generator.expression(4);
        const Evaluator& evaluator = evaluators[i % 3];
        try {
            evaluator.evaluate(text, substitutions);
            ++values;
        } catch (const MathParserError&) {
            ++errors;
        } catch (const std::exception& other) {
            ADD_FAILURE() << "unexpected exception " << other.what() << " for "
                          << text.toStdString();
        }
        try {
            // Simplifying never fails, whatever the tree holds.
            Expression::parse(text)->simplify(substitutions, evaluator);
        } catch (const MathParserError&) {
            // Parse errors are the only failures, and only of parsing.
        }
    }
    EXPECT_GT(values, 100);
    EXPECT_GT(errors, 100);
    EXPECT_LT(timer.elapsed(), 60000);
}
