#include "core/mathparser/ArithmeticFunctions.h"

#include "core/mathparser/EvaluationState.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>

namespace kestrom {

namespace {

using Case = MathParserError::Case;

constexpr double largestDouble = 1.7976931348623157e308;
constexpr double twoToThe63 = 9223372036854775808.0;

// The largest n whose n! fits a signed 64-bit integer (20).
int largestExactFactorial() {
    static const int n = [] {
        std::int64_t r = std::numeric_limits<std::int64_t>::max();
        std::int64_t k = 1;
        do {
            ++k;
            r /= k;
        } while (k + 1 < r);
        return int(k);
    }();
    return n;
}

double factorialOf(double x) {
    if (!(x > 1) || std::floor(x) != x) {
        return std::tgamma(x + 1);
    }
    if (x <= largestExactFactorial()) {
        std::int64_t product = 1;
        for (std::int64_t factor = 2; factor <= std::int64_t(x); ++factor) {
            product *= factor;
        }
        return double(product);
    }
    if (x < twoToThe63) {
        double product = 1;
        // Stops once the product is infinite: later factors cannot change it.
        for (double factor = 2; factor <= x && !std::isinf(product); ++factor) {
            product *= factor;
        }
        return product;
    }
    return std::tgamma(x + 1);
}

double doubleFactorialOf(const EvaluationState& state, double x) {
    if (x < 1 || std::floor(x) != x) {
        state.fail(Case::invalidArguments);
    }
    if (std::fmod(x, 2) == 0) {
        return std::exp2(x / 2) * factorialOf(x / 2);
    }
    // Odd: the product 1 × 3 × … × x itself. It stays finite as long as the
    // true value does; a quotient of factorials would overflow to inf / inf.
    double product = 1;
    for (double factor = 3; factor <= x && !std::isinf(product); factor += 2) {
        product *= factor;
    }
    return product;
}

// A value as a signed 64-bit integer, its fraction cut toward zero. Values
// that have no such form are invalid arguments.
std::int64_t integerForm(const EvaluationState& state, double value) {
    if (!std::isfinite(value) || value < -twoToThe63 || value >= twoToThe63) {
        state.fail(Case::invalidArguments);
    }
    return std::int64_t(std::trunc(value));
}

std::int64_t shiftedLeft(std::int64_t a, std::int64_t n);

std::int64_t shiftedRight(std::int64_t a, std::int64_t n) {
    if (n >= 64) {
        return a < 0 ? -1 : 0;
    }
    if (n >= 0) {
        return a >> n;
    }
    // Negating the smallest value would overflow; every shift that far ends at 0.
    if (n <= -64) {
        return 0;
    }
    return shiftedLeft(a, -n);
}

std::int64_t shiftedLeft(std::int64_t a, std::int64_t n) {
    if (n >= 64) {
        return 0;
    }
    if (n >= 0) {
        return std::int64_t(std::uint64_t(a) << n);
    }
    if (n <= -64) {
        return a < 0 ? -1 : 0;
    }
    return a >> -n;
}

double sumOf(const EvaluationState& state) {
    state.expectArgumentCount(1, SIZE_MAX);
    double sum = 0;
    for (size_t i = 0; i < state.argumentCount(); ++i) {
        sum += state.argument(i);
    }
    return sum;
}

double averageOf(const EvaluationState& state) {
    return sumOf(state) / double(state.argumentCount());
}

Function binary(QStringList names, double (*operation)(double, double)) {
    return Function(std::move(names), [operation](const EvaluationState& state) {
        state.expectArgumentCount(2);
        const double a = state.argument(0);
        return operation(a, state.argument(1));
    });
}

Function unary(QStringList names, double (*operation)(double)) {
    return Function(std::move(names), [operation](const EvaluationState& state) {
        state.expectArgumentCount(1);
        return operation(state.argument(0));
    });
}

Function bitwise(QString name, std::int64_t (*operation)(std::int64_t, std::int64_t)) {
    return Function(std::move(name), [operation](const EvaluationState& state) {
        state.expectArgumentCount(2);
        const double a = state.argument(0);
        const double b = state.argument(1);
        return double(operation(integerForm(state, a), integerForm(state, b)));
    });
}

double percentOf(const EvaluationState& state) {
    state.expectArgumentCount(1);
    const double value = state.argument(0) / 100;
    // "50 + 10%" is 50 + 5: a percentage that is the second operand of an
    // addition or subtraction is taken of the first operand.
    const ExpressionPtr call = state.arguments()[0]->parent();
    const ExpressionPtr operation = call ? call->parent() : nullptr;
    if (operation && operation->kind().isFunction()) {
        const QString name = *operation->kind().functionName();
        const auto& operands = operation->kind().functionArguments();
        if ((name == QStringLiteral("subtract") || name == QStringLiteral("add")) &&
            operands.size() >= 2 && operands[1] == call) {
            return value * state.evaluator().evaluate(*operands[0], state.substitutions());
        }
    }
    return value;
}

double randomIn(const EvaluationState& state) {
    state.expectArgumentCount(0, 2);
    double low = std::numeric_limits<double>::min();
    double high = largestDouble;
    if (state.argumentCount() >= 1) {
        low = state.argument(0);
    }
    if (state.argumentCount() == 2) {
        high = state.argument(1);
    }
    if (state.argumentCount() > 0 && !(low < high)) {
        state.fail(Case::invalidArguments);
    }
    return low + std::fmod(drand48(), high - low);
}

double medianOf(const EvaluationState& state) {
    state.expectArgumentCount(2, SIZE_MAX);
    std::vector<double> values;
    for (size_t i = 0; i < state.argumentCount(); ++i) {
        values.push_back(state.argument(i));
    }
    // Ascending, with not-a-number values last, so the middle is a median.
    std::sort(values.begin(), values.end(),
              [](double a, double b) { return a < b || (!std::isnan(a) && std::isnan(b)); });
    const size_t n = values.size();
    if (n % 2 == 1) {
        return values[n / 2];
    }
    return (values[n / 2 - 1] + values[n / 2]) * 0.5;
}

double standardDeviationOf(const EvaluationState& state) {
    state.expectArgumentCount(2, SIZE_MAX);
    const double mean = averageOf(state);
    double squares = 0;
    for (size_t i = 0; i < state.argumentCount(); ++i) {
        const double deviation = mean - state.argument(i);
        squares += deviation * deviation;
    }
    return std::sqrt(squares / double(state.argumentCount()));
}

} // namespace

std::vector<Function> ArithmeticFunctions::functions() {
    return {
        binary({"add"}, [](double a, double b) { return a + b; }),
        binary({"subtract"}, [](double a, double b) { return a - b; }),
        // "implicitMultiply" is the operator's own spelling, so that evaluators
        // with case-sensitive names still evaluate "2x".
        binary({"multiply", "implicitmultiply", "implicitMultiply"},
               [](double a, double b) { return a * b; }),
        Function("divide",
                 [](const EvaluationState& state) {
                     state.expectArgumentCount(2);
                     const double a = state.argument(0);
                     const double b = state.argument(1);
                     if (b == 0) {
                         state.fail(Case::divideByZero);
                     }
                     return a / b;
                 }),
        binary({"mod", "modulo"}, [](double a, double b) { return std::fmod(a, b); }),
        unary({"negate"}, [](double x) { return -x; }),
        unary({"factorial"}, factorialOf),
        Function("factorial2",
                 [](const EvaluationState& state) {
                     state.expectArgumentCount(1);
                     return doubleFactorialOf(state, state.argument(0));
                 }),
        binary({"pow"}, [](double a, double b) { return std::pow(a, b); }),
        unary({"sqrt"}, [](double x) { return std::sqrt(x); }),
        unary({"cuberoot"}, [](double x) { return std::pow(x, 0.3333333333333333); }),
        Function("nthroot",
                 [](const EvaluationState& state) {
                     state.expectArgumentCount(2);
                     const double x = state.argument(0);
                     const double n = state.argument(1);
                     if (n == 0) {
                         state.fail(Case::divideByZero);
                     }
                     if (x < 0 && std::fmod(n, 2) == 1) {
                         return -std::pow(-x, 1 / n);
                     }
                     return std::pow(x, 1 / n);
                 }),
        Function("random", randomIn),
        unary({"abs"}, [](double x) { return std::fabs(x); }),
        Function("percent", percentOf),
        unary({"log"}, [](double x) { return std::log10(x); }),
        unary({"ln"}, [](double x) { return std::log(x); }),
        unary({"log2"}, [](double x) { return std::log2(x); }),
        unary({"exp"}, [](double x) { return std::exp(x); }),
        bitwise("and", [](std::int64_t a, std::int64_t b) { return a & b; }),
        bitwise("or", [](std::int64_t a, std::int64_t b) { return a | b; }),
        Function("not",
                 [](const EvaluationState& state) {
                     state.expectArgumentCount(1);
                     return double(~integerForm(state, state.argument(0)));
                 }),
        bitwise("xor", [](std::int64_t a, std::int64_t b) { return a ^ b; }),
        bitwise("lshift", shiftedLeft),
        bitwise("rshift", shiftedRight),
        Function(QStringList{"sum", "\u2211"}, sumOf),
        Function(QStringList{"product", "\u220F"},
                 [](const EvaluationState& state) {
                     state.expectArgumentCount(1, SIZE_MAX);
                     double product = 1;
                     for (size_t i = 0; i < state.argumentCount(); ++i) {
                         product *= state.argument(i);
                     }
                     return product;
                 }),
        Function("count",
                 [](const EvaluationState& state) { return double(state.argumentCount()); }),
        Function("min",
                 [](const EvaluationState& state) {
                     state.expectArgumentCount(1, SIZE_MAX);
                     double least = largestDouble;
                     for (size_t i = 0; i < state.argumentCount(); ++i) {
                         const double value = state.argument(i);
                         if (value < least) {
                             least = value;
                         }
                     }
                     return least;
                 }),
        Function("max",
                 [](const EvaluationState& state) {
                     state.expectArgumentCount(1, SIZE_MAX);
                     double greatest = -largestDouble;
                     for (size_t i = 0; i < state.argumentCount(); ++i) {
                         const double value = state.argument(i);
                         if (greatest <= value) {
                             greatest = value;
                         }
                     }
                     return greatest;
                 }),
        Function(QStringList{"average", "avg", "mean"}, averageOf),
        Function("median", medianOf),
        Function("stddev", standardDeviationOf),
    };
}

} // namespace kestrom
