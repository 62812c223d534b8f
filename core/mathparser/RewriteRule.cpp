#include "core/mathparser/RewriteRule.h"

#include "core/mathparser/Evaluator.h"
#include "core/mathparser/MathParserError.h"
#include "platform/Log.h"

namespace kestrom {

RewriteRule::RewriteRule(ExpressionPtr predicate, ExpressionPtr condition,
                         ExpressionPtr templateExpression)
    : m_predicate(std::move(predicate)), m_condition(std::move(condition)),
      m_template(std::move(templateExpression)) {}

RewriteRule::RewriteRule(const QString& predicate, const std::optional<QString>& condition,
                         const QString& templateExpression)
    : RewriteRule(Expression::parse(predicate), condition ? Expression::parse(*condition) : nullptr,
                  Expression::parse(templateExpression)) {}

const std::vector<RewriteRule>& RewriteRule::defaultRules() {
    static const std::vector<RewriteRule> rules = [] {
        const char* texts[][3] = {
            {"0 + __exp1", "", "__exp1"},
            {"__exp1 + 0", "", "__exp1"},
            {"__exp1 + __exp1", "", "2 * __exp1"},
            {"__exp1 - __exp1", "", "0"},
            {"1 * __exp1", "", "__exp1"},
            {"__exp1 * 1", "", "__exp1"},
            {"__exp1 / 1", "", "__exp1"},
            {"__exp1 * __exp1", "", "__exp1 ** 2"},
            {"__num1 * __var1", "", "__var1 * __num1"},
            {"0 * __exp1", "", "0"},
            {"__exp1 * 0", "", "0"},
            {"--__exp1", "", "__exp1"},
            {"abs(-__exp1)", "", "abs(__exp1)"},
            {"exp(__exp1) * exp(__exp2)", "", "exp(__exp1 + __exp2)"},
            {"(__exp1 ** __exp3) * (__exp2 ** __exp3)", "", "(__exp1 * __exp2) ** __exp3"},
            {"__exp1 ** 0", "", "1"},
            {"__exp1 ** 1", "", "__exp1"},
            {"sqrt(__exp1 ** 2)", "", "abs(__exp1)"},
            {"dtor(rtod(__exp1))", "", "__exp1"},
            {"rtod(dtor(__exp1))", "", "__exp1"},
            {"__exp1 / __exp1", "__exp1 != 0", "1"},
            {"(__exp1 * __exp2) / __exp2", "__exp2 != 0", "__exp1"},
            {"(__exp2 * __exp1) / __exp2", "__exp2 != 0", "__exp1"},
            {"__exp2 / (__exp2 * __exp1)", "__exp2 != 0", "1/__exp1"},
            {"__exp2 / (__exp1 * __exp2)", "__exp2 != 0", "1/__exp1"},
            {"nthroot(__exp1, 1)", "", "__exp1"},
            {"nthroot(pow(__exp1, __exp2), __exp2)", "__exp2 % 2 == 0", "abs(__exp1)"},
            {"nthroot(pow(__exp1, __exp2), __exp2)", "__exp2 % 2 == 1", "__exp1"},
            {"abs(__exp1)", "__exp1 >= 0", "__exp1"},
        };
        std::vector<RewriteRule> built;
        try {
            for (const auto& text : texts) {
                const std::optional<QString> condition =
                    *text[1] ? std::optional<QString>(QString::fromLatin1(text[1])) : std::nullopt;
                built.emplace_back(QString::fromLatin1(text[0]), condition,
                                   QString::fromLatin1(text[2]));
            }
        } catch (const MathParserError&) {
            platform::Log::fatal(QStringLiteral(
                "A default rewrite rule does not parse (MathParser/RewriteRule+Defaults)"));
        }
        return built;
    }();
    return rules;
}

ExpressionPtr RewriteRule::fillIn(const Expression& node, const Bindings& bindings) {
    const Expression::Kind& kind = node.kind();
    if (!kind.isFunction()) {
        return Expression::make(kind, node.range());
    }
    const auto bound = bindings.constFind(*kind.functionName());
    if (bound != bindings.constEnd()) {
        return Expression::make((*bound)->kind(), (*bound)->range());
    }
    std::vector<ExpressionPtr> arguments;
    for (const ExpressionPtr& argument : kind.functionArguments()) {
        arguments.push_back(fillIn(*argument, bindings));
    }
    return Expression::function(*kind.functionName(), std::move(arguments), node.range());
}

ExpressionPtr RewriteRule::rewrite(const ExpressionPtr& expression,
                                   const Substitutions& substitutions,
                                   const Evaluator& evaluator) const {
    const std::optional<Bindings> bindings = expression->match(*m_predicate);
    if (!bindings) {
        return expression;
    }
    if (m_condition) {
        const ExpressionPtr condition = fillIn(*m_condition, *bindings);
        double value = 0;
        if (const auto number = condition->kind().number()) {
            value = *number;
        } else {
            try {
                value = evaluator.evaluate(*condition, substitutions);
            } catch (const platform::Error&) {
                return expression; // a condition that cannot be evaluated does not hold
            }
        }
        if (value == 0) {
            return expression;
        }
    }
    return fillIn(*m_template, *bindings);
}

} // namespace kestrom
