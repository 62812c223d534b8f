#pragma once

#include "core/mathparser/CharacterRange.h"
#include "core/mathparser/Evaluator.h"
#include "core/mathparser/Expression.h"
#include "core/mathparser/MathParserError.h"

#include <vector>

namespace kestrom {

// What a function's body receives for one call: the call's range, its
// argument expressions unevaluated, the substitutions in force and a copy of
// the evaluator making the call.
class EvaluationState {
public:
    EvaluationState(CharacterRange expressionRange, std::vector<ExpressionPtr> arguments,
                    Substitutions substitutions, Evaluator evaluator);

    CharacterRange expressionRange() const { return m_expressionRange; }
    const std::vector<ExpressionPtr>& arguments() const { return m_arguments; }
    const Substitutions& substitutions() const { return m_substitutions; }
    const Evaluator& evaluator() const { return m_evaluator; }

    // Helpers for bodies; every error they raise carries the call's range.
    size_t argumentCount() const { return m_arguments.size(); }
    void expectArgumentCount(size_t count) const;
    void expectArgumentCount(size_t minimum, size_t maximum) const;
    double argument(size_t index) const;
    [[noreturn]] void fail(MathParserError::Case kind) const;
    // Degrees to radians when the evaluator works in degrees.
    double angleIn(double angle) const;
    // Radians to degrees when the evaluator works in degrees.
    double angleOut(double angle) const;

private:
    CharacterRange m_expressionRange;
    std::vector<ExpressionPtr> m_arguments;
    Substitutions m_substitutions;
    Evaluator m_evaluator;
};

} // namespace kestrom
