#include "core/mathparser/ExpressionRewriter.h"

#include "core/mathparser/Evaluator.h"
#include "platform/Log.h"

namespace kestrom {

ExpressionRewriter::ExpressionRewriter(std::vector<RewriteRule> rules, unsigned maxIterationCount)
    : m_maxIterationCount(maxIterationCount), m_rules(std::move(rules)) {}

ExpressionRewriter ExpressionRewriter::defaultRewriter() {
    static const ExpressionRewriter shared(RewriteRule::defaultRules(), 256);
    return shared;
}

ExpressionPtr ExpressionRewriter::applyToTree(const RewriteRule& rule, const ExpressionPtr& node,
                                              const Substitutions& substitutions,
                                              const Evaluator& evaluator) {
    const ExpressionPtr simplified = node->simplify(substitutions, evaluator);
    const ExpressionPtr result = rule.rewrite(simplified, substitutions, evaluator);
    // Folding alone counts as a change; a changed node is not visited further.
    if (!(*result == *node) || !result->kind().isFunction()) {
        return result;
    }
    const auto& arguments = result->kind().functionArguments();
    std::vector<ExpressionPtr> rewritten;
    bool changed = false;
    for (const ExpressionPtr& argument : arguments) {
        rewritten.push_back(applyToTree(rule, argument, substitutions, evaluator));
        changed = changed || !(*rewritten.back() == *argument);
    }
    if (!changed) {
        return result;
    }
    return Expression::function(*result->kind().functionName(), std::move(rewritten),
                                result->range());
}

ExpressionPtr ExpressionRewriter::rewriteExpression(const ExpressionPtr& expression,
                                                    const Substitutions& substitutions,
                                                    const Evaluator& evaluator) const {
    ExpressionPtr current = expression;
    const unsigned limit = m_maxIterationCount == 0 ? 1 : m_maxIterationCount;
    unsigned passes = 0;
    while (true) {
        bool changed = false;
        for (const RewriteRule& rule : m_rules) {
            ExpressionPtr next = applyToTree(rule, current, substitutions, evaluator);
            if (!(*next == *current)) {
                current = std::move(next);
                changed = true;
            }
        }
        if (!changed) {
            break;
        }
        ++passes;
        if (passes >= limit) {
            break;
        }
    }
    if (passes >= m_maxIterationCount) {
        platform::Log::line(QStringLiteral("replacement limit reached"));
    }
    return current;
}

} // namespace kestrom
