#pragma once

#include "core/mathparser/Expression.h"

#include <optional>
#include <vector>

namespace kestrom {

// Where a sub-tree has the shape of the predicate (and the condition, filled
// in, evaluates to something other than zero), it is replaced by the template.
class RewriteRule {
public:
    RewriteRule(ExpressionPtr predicate, ExpressionPtr condition, ExpressionPtr templateExpression);
    // Parses the texts with the default configuration. Throws the first MathParserError.
    RewriteRule(const QString& predicate, const std::optional<QString>& condition,
                const QString& templateExpression);

    // The built-in rules, in the order they are tried.
    static const std::vector<RewriteRule>& defaultRules();

    const ExpressionPtr& predicate() const { return m_predicate; }
    // Null when the rule has no condition.
    const ExpressionPtr& condition() const { return m_condition; }
    const ExpressionPtr& templateExpression() const { return m_template; }

    // Applies the rule at the root of the expression only; the expression
    // itself when the rule does not apply. Never fails.
    ExpressionPtr rewrite(const ExpressionPtr& expression, const Substitutions& substitutions,
                          const Evaluator& evaluator) const;

    // A new tree from a template with the placeholders replaced by what they matched.
    static ExpressionPtr fillIn(const Expression& templateExpression, const Bindings& bindings);

private:
    ExpressionPtr m_predicate;
    ExpressionPtr m_condition;
    ExpressionPtr m_template;
};

} // namespace kestrom
