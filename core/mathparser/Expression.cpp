#include "core/mathparser/Expression.h"

#include "core/mathparser/Evaluator.h"
#include "core/mathparser/ExpressionRewriter.h"
#include "core/mathparser/Expressionizer.h"
#include "core/mathparser/NumberText.h"
#include "core/mathparser/Operator.h"
#include "core/mathparser/RuleTemplate.h"
#include "platform/Log.h"

#include <QHash>

#include <algorithm>

namespace kestrom {

namespace {

// The operator forms used for printing: those of the built-in operators as
// they are made, whatever set an expression was parsed with.
const QHash<QString, Operator>& printedOperators() {
    static const QHash<QString, Operator> table = [] {
        QHash<QString, Operator> operators;
        for (int i = 0; i < builtInOperatorCount; ++i) {
            const Operator op(static_cast<BuiltInOperator>(i));
            if (op.tokens().isEmpty()) {
                platform::Log::fatal(QStringLiteral(
                    "Built-in operator doesn't have any tokens (MathParser/Expression)"));
            }
            operators.insert(op.function(), op);
        }
        return operators;
    }();
    return table;
}

// Names whose substitutions are being simplified on this thread: a
// substitution that refers to its own variable keeps the variable.
thread_local QStringList simplificationsInProgress;

class SimplificationGuard {
public:
    explicit SimplificationGuard(const QString& name) { simplificationsInProgress.append(name); }
    ~SimplificationGuard() { simplificationsInProgress.removeLast(); }
    SimplificationGuard(const SimplificationGuard&) = delete;
    SimplificationGuard& operator=(const SimplificationGuard&) = delete;
};

} // namespace

Expression::Kind Expression::Kind::number(double value) {
    Kind kind(Case::number);
    kind.m_number = value;
    return kind;
}

Expression::Kind Expression::Kind::variable(QString name) {
    Kind kind(Case::variable);
    kind.m_name = std::move(name);
    return kind;
}

Expression::Kind Expression::Kind::function(QString name, std::vector<ExpressionPtr> arguments) {
    Kind kind(Case::function);
    kind.m_name = std::move(name);
    kind.m_arguments = std::move(arguments);
    return kind;
}

std::optional<double> Expression::Kind::number() const {
    return m_case == Case::number ? std::optional<double>(m_number) : std::nullopt;
}

std::optional<QString> Expression::Kind::variable() const {
    return m_case == Case::variable ? std::optional<QString>(m_name) : std::nullopt;
}

std::optional<QString> Expression::Kind::functionName() const {
    return m_case == Case::function ? std::optional<QString>(m_name) : std::nullopt;
}

Expression::Expression(Kind kind, CharacterRange range) : m_kind(std::move(kind)), m_range(range) {
    for (const ExpressionPtr& argument : m_kind.functionArguments()) {
        m_depth = std::max(m_depth, argument->m_depth + 1);
    }
}

ExpressionPtr Expression::make(Kind kind, CharacterRange range) {
    ExpressionPtr node(new Expression(std::move(kind), range));
    for (const ExpressionPtr& argument : node->m_kind.functionArguments()) {
        argument->m_parent = node;
    }
    return node;
}

ExpressionPtr Expression::number(double value, CharacterRange range) {
    return make(Kind::number(value), range);
}

ExpressionPtr Expression::variable(QString name, CharacterRange range) {
    return make(Kind::variable(std::move(name)), range);
}

ExpressionPtr Expression::function(QString name, std::vector<ExpressionPtr> arguments,
                                   CharacterRange range) {
    return make(Kind::function(std::move(name), std::move(arguments)), range);
}

ExpressionPtr Expression::parse(const QString& string, const Configuration& configuration) {
    const Expressionizer expressionizer(
        TokenGrouper(TokenResolver(Tokenizer(string, configuration))));
    const ExpressionPtr root = expressionizer.expression();
    // The root is rebuilt so that it is a fresh node whose arguments point at it.
    return make(root->kind(), root->range());
}

ExpressionPtr Expression::parse(const QString& string, std::shared_ptr<OperatorSet> operatorSet,
                                TokenResolverOptions options, std::optional<QLocale> locale) {
    Configuration configuration;
    configuration.operatorSet = std::move(operatorSet);
    configuration.locale = std::move(locale);
    configuration.allowArgumentlessFunctions =
        options.contains(TokenResolverOptions::allowArgumentlessFunctions());
    configuration.allowImplicitMultiplication =
        options.contains(TokenResolverOptions::allowImplicitMultiplication());
    configuration.useHighPrecedenceImplicitMultiplication =
        options.contains(TokenResolverOptions::useHighPrecedenceImplicitMultiplication());
    return parse(string, configuration);
}

ExpressionPtr Expression::simplify(const Substitutions& substitutions,
                                   const Evaluator& evaluator) const {
    switch (m_kind.value()) {
    case Kind::Case::number:
        return make(m_kind, m_range);
    case Kind::Case::variable: {
        try {
            return number(evaluator.evaluate(*this, substitutions), m_range);
        } catch (const platform::Error&) {
            // No value: the variable stays, or what its substitution simplifies to.
        }
        const QString name = *m_kind.variable();
        const auto found = substitutions.constFind(name);
        if (found != substitutions.constEnd() && !simplificationsInProgress.contains(name)) {
            const SimplificationGuard inProgress(name);
            const Substitution simpler = found->simplified(evaluator, substitutions);
            if (simpler.isExpression()) {
                return make(simpler.expression()->kind(), m_range);
            }
        }
        return make(m_kind, m_range);
    }
    case Kind::Case::function:
        break;
    }
    std::vector<ExpressionPtr> arguments;
    bool allNumbers = true;
    for (const ExpressionPtr& argument : m_kind.functionArguments()) {
        arguments.push_back(argument->simplify(substitutions, evaluator));
        allNumbers = allNumbers && arguments.back()->kind().isNumber();
    }
    if (allNumbers) {
        try {
            // The call itself, unsimplified, so that functions reading their
            // surroundings (percent) see the tree as written.
            return number(evaluator.evaluate(*this, Substitutions()), m_range);
        } catch (const platform::Error&) {
            // Kept unevaluated.
        }
    }
    return function(*m_kind.functionName(), std::move(arguments), m_range);
}

ExpressionPtr Expression::rewrite(const Substitutions& substitutions,
                                  const ExpressionRewriter& rewriter,
                                  const Evaluator& evaluator) const {
    return rewriter.rewriteExpression(std::const_pointer_cast<Expression>(shared_from_this()),
                                      substitutions, evaluator);
}

std::optional<Bindings> Expression::match(const Expression& templateExpression,
                                          std::optional<Bindings> matchedSoFar) const {
    Bindings bindings = matchedSoFar ? std::move(*matchedSoFar) : Bindings();
    const Expression::Kind& wanted = templateExpression.kind();
    switch (wanted.value()) {
    case Kind::Case::number:
        if (m_kind.isNumber() && *m_kind.number() == *wanted.number()) {
            return bindings;
        }
        return std::nullopt;
    case Kind::Case::variable:
        if (m_kind.isVariable() && sameName(*m_kind.variable(), *wanted.variable())) {
            return bindings;
        }
        return std::nullopt;
    case Kind::Case::function:
        break;
    }
    const QString name = *wanted.functionName();
    const bool binds = name.startsWith(RuleTemplate::anyExpression()) ||
                       (name.startsWith(RuleTemplate::anyNumber()) && m_kind.isNumber()) ||
                       (name.startsWith(RuleTemplate::anyVariable()) && m_kind.isVariable()) ||
                       (name.startsWith(RuleTemplate::anyFunction()) && m_kind.isFunction());
    if (binds) {
        const auto bound = bindings.constFind(name);
        if (bound != bindings.constEnd()) {
            return **bound == *this ? std::optional<Bindings>(bindings) : std::nullopt;
        }
        bindings.insert(name, std::const_pointer_cast<Expression>(shared_from_this()));
        return bindings;
    }
    if (name.startsWith(RuleTemplate::anyFunction()) || !m_kind.isFunction() ||
        !sameName(*m_kind.functionName(), name)) {
        return std::nullopt;
    }
    const auto& arguments = m_kind.functionArguments();
    const auto& templateArguments = wanted.functionArguments();
    if (arguments.size() != templateArguments.size()) {
        return std::nullopt;
    }
    std::optional<Bindings> result = std::move(bindings);
    for (size_t i = 0; i < arguments.size() && result; ++i) {
        result = arguments[i]->match(*templateArguments[i], std::move(result));
    }
    return result;
}

bool Expression::matches(const Expression& templateExpression) const {
    return match(templateExpression).has_value();
}

bool Expression::sameName(const QString& a, const QString& b) {
    return a == b ||
           a.normalized(QString::NormalizationForm_C) == b.normalized(QString::NormalizationForm_C);
}

QString Expression::description() const {
    switch (m_kind.value()) {
    case Kind::Case::number:
        return NumberText::describe(*m_kind.number());
    case Kind::Case::variable: {
        const QString name = *m_kind.variable();
        if (name.contains(QLatin1Char(' '))) {
            return QLatin1Char('"') + name + QLatin1Char('"');
        }
        return QLatin1Char('$') + name;
    }
    case Kind::Case::function:
        break;
    }
    const QString name = *m_kind.functionName();
    const std::vector<ExpressionPtr>& arguments = m_kind.functionArguments();
    QStringList printed;
    for (const ExpressionPtr& argument : arguments) {
        printed.append(argument->description());
    }
    const auto found = printedOperators().constFind(name);
    if (found != printedOperators().constEnd() && arguments.size() == size_t(found->arity()) + 1) {
        const QString& token = found->tokens().front();
        if (found->isInfix()) {
            return printed[0] + QLatin1Char(' ') + token + QLatin1Char(' ') + printed[1];
        }
        return found->isPrefix() ? token + printed[0] : printed[0] + token;
    }
    return name + QLatin1Char('(') + printed.join(QStringLiteral(", ")) + QLatin1Char(')');
}

bool operator==(const Expression& a, const Expression& b) {
    const Expression::Kind& x = a.kind();
    const Expression::Kind& y = b.kind();
    if (x.value() != y.value()) {
        return false;
    }
    switch (x.value()) {
    case Expression::Kind::Case::number:
        return *x.number() == *y.number();
    case Expression::Kind::Case::variable:
        return Expression::sameName(*x.variable(), *y.variable());
    case Expression::Kind::Case::function:
        break;
    }
    if (!Expression::sameName(*x.functionName(), *y.functionName())) {
        return false;
    }
    const auto& left = x.functionArguments();
    const auto& right = y.functionArguments();
    return std::equal(left.begin(), left.end(), right.begin(), right.end(),
                      [](const ExpressionPtr& p, const ExpressionPtr& q) { return *p == *q; });
}

} // namespace kestrom
