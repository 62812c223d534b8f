#include "core/mathparser/EvaluationState.h"

#include <numbers>

namespace kestrom {

EvaluationState::EvaluationState(CharacterRange expressionRange,
                                 std::vector<ExpressionPtr> arguments, Substitutions substitutions,
                                 Evaluator evaluator)
    : m_expressionRange(expressionRange), m_arguments(std::move(arguments)),
      m_substitutions(std::move(substitutions)), m_evaluator(std::move(evaluator)) {}

void EvaluationState::expectArgumentCount(size_t count) const {
    expectArgumentCount(count, count);
}

void EvaluationState::expectArgumentCount(size_t minimum, size_t maximum) const {
    if (m_arguments.size() < minimum || m_arguments.size() > maximum) {
        fail(MathParserError::Case::invalidArguments);
    }
}

double EvaluationState::argument(size_t index) const {
    return m_evaluator.evaluate(*m_arguments.at(index), m_substitutions);
}

void EvaluationState::fail(MathParserError::Case kind) const {
    throw MathParserError(kind, m_expressionRange);
}

double EvaluationState::angleIn(double angle) const {
    if (m_evaluator.angleMeasurementMode() == Evaluator::AngleMode::degrees) {
        return angle / 180 * std::numbers::pi;
    }
    return angle;
}

double EvaluationState::angleOut(double angle) const {
    if (m_evaluator.angleMeasurementMode() == Evaluator::AngleMode::degrees) {
        return angle / std::numbers::pi * 180;
    }
    return angle;
}

} // namespace kestrom
