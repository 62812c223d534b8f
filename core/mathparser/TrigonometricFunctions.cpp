#include "core/mathparser/TrigonometricFunctions.h"

#include "core/mathparser/EvaluationState.h"

#include <cmath>
#include <numbers>

namespace kestrom {

namespace {

using Case = MathParserError::Case;
using Operation = double (*)(double);

double argumentOf(const EvaluationState& state) {
    state.expectArgumentCount(1);
    return state.argument(0);
}

// No angle unit.
Function plain(QStringList names, Operation operation) {
    return Function(std::move(names), [operation](const EvaluationState& state) {
        return operation(argumentOf(state));
    });
}

// The argument is an angle.
Function direct(QStringList names, Operation operation) {
    return Function(std::move(names), [operation](const EvaluationState& state) {
        return operation(state.angleIn(argumentOf(state)));
    });
}

// The result is an angle.
Function inverse(QStringList names, Operation operation) {
    return Function(std::move(names), [operation](const EvaluationState& state) {
        return state.angleOut(operation(argumentOf(state)));
    });
}

// 1 / f(x), minus an offset; a zero divisor is an error.
Function reciprocal(QStringList names, Operation operation, bool angle, double offset = 0) {
    return Function(std::move(names), [operation, angle, offset](const EvaluationState& state) {
        const double x = argumentOf(state);
        const double divisor = operation(angle ? state.angleIn(x) : x);
        if (divisor == 0) {
            state.fail(Case::divideByZero);
        }
        return 1 / divisor - offset;
    });
}

// f(1 / x); a zero argument is an error.
Function inverseOfReciprocal(QStringList names, Operation operation, bool angle) {
    return Function(std::move(names), [operation, angle](const EvaluationState& state) {
        const double x = argumentOf(state);
        if (x == 0) {
            state.fail(Case::divideByZero);
        }
        const double result = operation(1 / x);
        return angle ? state.angleOut(result) : result;
    });
}

// Half of another versine, with its count rule, unit and errors.
Function half(QString name, const Function& versine) {
    return Function(std::move(name), [body = versine.evaluator()](const EvaluationState& state) {
        return body(state) * 0.5;
    });
}

double sine(double x) {
    return std::sin(x);
}
double cosine(double x) {
    return std::cos(x);
}
double tangent(double x) {
    return std::tan(x);
}

} // namespace

std::vector<Function> TrigonometricFunctions::functions() {
    const Function versin =
        direct({"versin", "vers", "ver"}, [](double x) { return 1 - std::cos(x); });
    const Function vercosin =
        direct({"vercosin", "vercos"}, [](double x) { return 1 + std::cos(x); });
    const Function coversin = direct({"coversin", "cvs"}, [](double x) { return 1 - std::sin(x); });
    const Function covercosin = direct({"covercosin"}, [](double x) { return 1 + std::sin(x); });
    return {
        plain({"ceil"}, [](double x) { return std::ceil(x); }),
        plain({"floor", "trunc"}, [](double x) { return std::floor(x); }),
        direct({"sin"}, sine),
        direct({"cos"}, cosine),
        direct({"tan"}, tangent),
        inverse({"asin", "sin\u207B\u00B9"}, [](double x) { return std::asin(x); }),
        inverse({"acos", "cos\u207B\u00B9"}, [](double x) { return std::acos(x); }),
        inverse({"atan", "tan\u207B\u00B9"}, [](double x) { return std::atan(x); }),
        Function("atan2",
                 [](const EvaluationState& state) {
                     state.expectArgumentCount(2);
                     const double y = state.argument(0);
                     const double x = state.argument(1);
                     return state.angleOut(std::atan2(y, x));
                 }),
        reciprocal({"csc"}, sine, true),
        reciprocal({"sec"}, cosine, true),
        reciprocal({"cotan"}, tangent, true),
        inverseOfReciprocal(
            {"acsc", "csc\u207B\u00B9"}, [](double x) { return std::asin(x); }, true),
        inverseOfReciprocal(
            {"asec", "sec\u207B\u00B9"}, [](double x) { return std::acos(x); }, true),
        inverseOfReciprocal(
            {"acotan", "cotan\u207B\u00B9"}, [](double x) { return std::atan(x); }, true),
        plain({"sinh"}, [](double x) { return std::sinh(x); }),
        plain({"cosh"}, [](double x) { return std::cosh(x); }),
        plain({"tanh"}, [](double x) { return std::tanh(x); }),
        plain({"asinh", "sinh\u207B\u00B9"}, [](double x) { return std::asinh(x); }),
        plain({"acosh", "cosh\u207B\u00B9"}, [](double x) { return std::acosh(x); }),
        plain({"atanh", "tanh\u207B\u00B9"}, [](double x) { return std::atanh(x); }),
        reciprocal(
            {"csch"}, [](double x) { return std::sinh(x); }, false),
        reciprocal(
            {"sech"}, [](double x) { return std::cosh(x); }, false),
        reciprocal(
            {"cotanh"}, [](double x) { return std::tanh(x); }, false),
        inverseOfReciprocal(
            {"acsch", "csch\u207B\u00B9"}, [](double x) { return std::asinh(x); }, false),
        inverseOfReciprocal(
            {"asech", "sech\u207B\u00B9"}, [](double x) { return std::acosh(x); }, false),
        inverseOfReciprocal(
            {"acotanh", "cotanh\u207B\u00B9"}, [](double x) { return std::atanh(x); }, false),
        versin,
        vercosin,
        coversin,
        covercosin,
        half("haversin", versin),
        half("havercosin", vercosin),
        half("hacoversin", coversin),
        half("hacovercosin", covercosin),
        reciprocal({"exsec"}, cosine, true, 1),
        reciprocal({"excsc"}, sine, true, 1),
        direct({"crd", "chord"}, [](double x) { return 2 * std::sin(x / 2); }),
        plain({"dtor"}, [](double x) { return x / 180 * std::numbers::pi; }),
        plain({"rtod"}, [](double x) { return x / std::numbers::pi * 180; }),
    };
}

} // namespace kestrom
