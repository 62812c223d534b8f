#pragma once

#include "ParserTestSupport.h"
#include "core/mathparser/Evaluator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <variant>

namespace kestrom::testing {

// What evaluating a text should give: a value (not-a-number and infinities
// compared exactly, others within a relative tolerance) or an error kind.
struct Expected {
    std::variant<double, MathParserError::Case> outcome;

    Expected(double value) : outcome(value) {}
    Expected(MathParserError::Case kind) : outcome(kind) {}
};

constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();
constexpr double infinity = std::numeric_limits<double>::infinity();

struct EvaluationCase {
    const char16_t* text;
    Expected expected;
};

inline void expectEvaluation(const QString& text, const Expected& expected,
                             const Evaluator& evaluator, const Substitutions& substitutions = {}) {
    SCOPED_TRACE(text.toStdString());
    double value = 0;
    try {
        value = evaluator.evaluate(text, substitutions);
    } catch (const MathParserError& error) {
        if (const auto* kind = std::get_if<MathParserError::Case>(&expected.outcome)) {
            EXPECT_EQ(caseName(error.kind().value()), caseName(*kind));
        } else {
            ADD_FAILURE() << "failed with " << errorText(error).toStdString();
        }
        return;
    }
    if (const auto* kind = std::get_if<MathParserError::Case>(&expected.outcome)) {
        ADD_FAILURE() << "expected " << caseName(*kind).toStdString() << ", got " << value;
        return;
    }
    const double wanted = std::get<double>(expected.outcome);
    if (std::isnan(wanted)) {
        EXPECT_TRUE(std::isnan(value)) << value;
    } else if (std::isinf(wanted) || wanted == 0) {
        EXPECT_EQ(value, wanted);
    } else {
        EXPECT_NEAR(value, wanted, std::fabs(wanted) * 1e-12);
    }
}

inline void expectEvaluations(const std::vector<EvaluationCase>& cases,
                              const Evaluator& evaluator) {
    for (const EvaluationCase& c : cases) {
        expectEvaluation(QString::fromUtf16(c.text), c.expected, evaluator);
    }
}

} // namespace kestrom::testing
