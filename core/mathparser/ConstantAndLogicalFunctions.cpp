#include "core/mathparser/ConstantAndLogicalFunctions.h"

#include "core/mathparser/EvaluationState.h"

namespace kestrom {

namespace {

Function constant(QStringList names, double value) {
    return Function(std::move(names), [value](const EvaluationState& state) {
        state.expectArgumentCount(0);
        return value;
    });
}

// Both arguments are always evaluated, in order.
Function comparison(QString name, bool (*test)(double, double)) {
    return Function(std::move(name), [test](const EvaluationState& state) {
        state.expectArgumentCount(2);
        const double a = state.argument(0);
        const double b = state.argument(1);
        return test(a, b) ? 1.0 : 0.0;
    });
}

// Zero (of either sign) is false; everything else, not-a-number included, is true.
bool truth(double value) {
    return value != 0;
}

} // namespace

std::vector<Function> ConstantAndLogicalFunctions::functions() {
    return {
        constant({"true", "yes"}, 1),
        constant({"false", "no"}, 0),
        constant({"phi", "\u03D5"}, 1.618033988749895),
        constant({"pi", "\u03C0", "tau_2"}, 3.141592653589793),
        constant({"pi_2", "tau_4"}, 1.5707963267948966),
        constant({"pi_4", "tau_8"}, 0.7853981633974483),
        constant({"tau", "\u03C4"}, 6.283185307179586),
        constant({"sqrt2"}, 1.4142135623730951),
        constant({"e"}, 2.718281828459045),
        constant({"log2e"}, 1.4426950408889634),
        constant({"log10e"}, 0.4342944819032518),
        constant({"ln2"}, 0.6931471805599453),
        constant({"ln10"}, 2.302585092994046),
        comparison("l_and", [](double a, double b) { return truth(a) && truth(b); }),
        comparison("l_or", [](double a, double b) { return truth(a) || truth(b); }),
        Function("l_not",
                 [](const EvaluationState& state) {
                     state.expectArgumentCount(1);
                     return state.argument(0) == 0 ? 1.0 : 0.0;
                 }),
        comparison("l_eq", [](double a, double b) { return a == b; }),
        comparison("l_neq", [](double a, double b) { return !(a == b); }),
        comparison("l_lt", [](double a, double b) { return a < b; }),
        comparison("l_gt", [](double a, double b) { return a > b; }),
        comparison("l_ltoe", [](double a, double b) { return a <= b; }),
        comparison("l_gtoe", [](double a, double b) { return a >= b; }),
        Function(QStringList{"l_if", "if"},
                 [](const EvaluationState& state) {
                     state.expectArgumentCount(3);
                     // Only the chosen branch is evaluated.
                     return state.argument(state.argument(0) == 0 ? 2 : 1);
                 }),
    };
}

} // namespace kestrom
