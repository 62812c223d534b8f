#include "core/mathparser/Substitution.h"

#include "core/mathparser/Evaluator.h"
#include "core/mathparser/Expression.h"
#include "core/mathparser/MathParserError.h"
#include "core/mathparser/NumberText.h"

namespace kestrom {

double Substitution::substitutionValue(const Evaluator& evaluator,
                                       const Substitutions& substitutions) const {
    if (isDouble()) {
        return doubleValue();
    }
    if (isInteger()) {
        return double(integerValue());
    }
    if (isString()) {
        return evaluator.evaluate(string(), substitutions);
    }
    return evaluator.evaluate(*expression(), substitutions);
}

Substitution Substitution::simplified(const Evaluator& evaluator,
                                      const Substitutions& substitutions) const {
    if (isDouble()) {
        return *this;
    }
    if (isInteger()) {
        return double(integerValue());
    }
    if (isExpression()) {
        return expression()->simplify(substitutions, evaluator);
    }
    if (const auto number = NumberText::readWholeText(string())) {
        return *number;
    }
    try {
        return Expression::parse(string())->simplify(substitutions, evaluator);
    } catch (const MathParserError&) {
        return *this;
    }
}

} // namespace kestrom
