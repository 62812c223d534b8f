#pragma once

#include "core/mathparser/RewriteRule.h"

#include <vector>

namespace kestrom {

// Applies a list of rules to a whole tree, pass after pass, until a pass
// changes nothing or the pass limit is reached.
class ExpressionRewriter {
public:
    ExpressionRewriter(std::vector<RewriteRule> rules, unsigned maxIterationCount);

    // A copy of the shared rewriter: the default rules, at most 256 passes.
    static ExpressionRewriter defaultRewriter();

    unsigned maxIterationCount() const { return m_maxIterationCount; }
    const std::vector<RewriteRule>& rules() const { return m_rules; }
    void addRule(const RewriteRule& rule) { m_rules.push_back(rule); }

    // Never fails. When the limit is reached the last pass's tree is returned
    // (it need not be a fixed point) and "replacement limit reached" is logged.
    ExpressionPtr rewriteExpression(const ExpressionPtr& expression,
                                    const Substitutions& substitutions,
                                    const Evaluator& evaluator) const;

private:
    static ExpressionPtr applyToTree(const RewriteRule& rule, const ExpressionPtr& node,
                                     const Substitutions& substitutions,
                                     const Evaluator& evaluator);

    unsigned m_maxIterationCount;
    std::vector<RewriteRule> m_rules;
};

} // namespace kestrom
