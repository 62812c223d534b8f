#include "core/mathparser/Evaluator.h"

#include "core/mathparser/EvaluationState.h"
#include "core/mathparser/Expression.h"
#include "core/mathparser/FunctionOverrider.h"
#include "core/mathparser/FunctionResolver.h"
#include "core/mathparser/FunctionSet.h"
#include "core/mathparser/MathParserError.h"
#include "core/mathparser/ParserLimits.h"
#include "core/mathparser/VariableResolver.h"

#include <utility>
#include <vector>

namespace kestrom {

namespace {

using Case = MathParserError::Case;

// Evaluation nests through calls and through substitutions that are texts or
// trees; both are bounded so that no input exhausts the stack.
thread_local int evaluationDepth = 0;

class DepthGuard {
public:
    explicit DepthGuard(CharacterRange range) {
        if (evaluationDepth >= ParserLimits::maximumEvaluationDepth) {
            throw MathParserError(Case::invalidFormat, range);
        }
        ++evaluationDepth;
    }
    ~DepthGuard() { --evaluationDepth; }
    DepthGuard(const DepthGuard&) = delete;
    DepthGuard& operator=(const DepthGuard&) = delete;
};

// Substitutions being evaluated on this thread. A variable met again while
// its own substitution is evaluated, with the same substitutions, refers to
// itself and has no value.
thread_local std::vector<std::pair<QString, Substitutions>> substitutionsInProgress;

class SubstitutionGuard {
public:
    SubstitutionGuard(const QString& name, const Substitutions& substitutions,
                      CharacterRange range) {
        for (const auto& [active, table] : substitutionsInProgress) {
            if (active == name && table.isSharedWith(substitutions)) {
                throw MathParserError(MathParserError::Kind(Case::unknownVariable, name), range);
            }
        }
        substitutionsInProgress.emplace_back(name, substitutions);
    }
    ~SubstitutionGuard() { substitutionsInProgress.pop_back(); }
    SubstitutionGuard(const SubstitutionGuard&) = delete;
    SubstitutionGuard& operator=(const SubstitutionGuard&) = delete;
};

// The entry for a name: an exact key, else one that is canonically equivalent.
const Substitution* findSubstitution(const Substitutions& substitutions, const QString& name,
                                     QString* key) {
    const auto exact = substitutions.constFind(name);
    if (exact != substitutions.constEnd()) {
        *key = exact.key();
        return &exact.value();
    }
    for (auto it = substitutions.constBegin(); it != substitutions.constEnd(); ++it) {
        if (Expression::sameName(it.key(), name)) {
            *key = it.key();
            return &it.value();
        }
    }
    return nullptr;
}

} // namespace

Evaluator::Evaluator(bool caseSensitive)
    : m_functionSet(std::make_shared<FunctionSet>(caseSensitive)) {}

Evaluator::Evaluator(std::shared_ptr<FunctionSet> functionSet)
    : m_functionSet(std::move(functionSet)) {}

Evaluator Evaluator::defaultEvaluator() {
    static const Evaluator shared(std::make_shared<FunctionSet>(false));
    return shared;
}

double Evaluator::evaluate(const Expression& expression, const Substitutions& substitutions) const {
    const DepthGuard depth(expression.range());
    switch (expression.kind().value()) {
    case Expression::Kind::Case::number:
        return *expression.kind().number();
    case Expression::Kind::Case::variable:
        return evaluateVariable(expression, substitutions);
    case Expression::Kind::Case::function:
        break;
    }
    return evaluateFunction(expression, substitutions);
}

double Evaluator::evaluate(const QString& text, const Substitutions& substitutions) const {
    return evaluate(text, substitutions, Configuration::defaultConfiguration());
}

double Evaluator::evaluate(const QString& text, const Substitutions& substitutions,
                           const Configuration& configuration) const {
    return evaluate(*Expression::parse(text, configuration), substitutions);
}

double Evaluator::evaluateVariable(const Expression& expression,
                                   const Substitutions& substitutions) const {
    const QString name = *expression.kind().variable();
    if (!substitutions.isEmpty()) {
        QString key;
        if (const Substitution* substitution = findSubstitution(substitutions, name, &key)) {
            const SubstitutionGuard inProgress(key, substitutions, expression.range());
            return substitution->substitutionValue(*this, substitutions);
        }
    }
    if (m_variableResolver) {
        if (const auto value = m_variableResolver->resolveVariable(name)) {
            return *value;
        }
    }
    throw MathParserError(MathParserError::Kind(Case::unknownVariable, name), expression.range());
}

double Evaluator::evaluateFunction(const Expression& expression,
                                   const Substitutions& substitutions) const {
    const QString name = *expression.kind().functionName();
    const EvaluationState state(expression.range(), expression.kind().functionArguments(),
                                substitutions, *this);
    if (m_functionOverrider) {
        if (const auto value = m_functionOverrider->overrideFunction(name, state)) {
            return *value;
        }
    }
    if (const auto registration = m_functionSet->registration(name)) {
        return registration->function(state);
    }
    if (m_functionResolver) {
        const QString resolverName = m_functionSet->caseSensitive() ? name : name.toLower();
        if (const auto value = m_functionResolver->resolveFunction(resolverName, state)) {
            return *value;
        }
    }
    throw MathParserError(MathParserError::Kind(Case::unknownFunction, name), expression.range());
}

void Evaluator::registerFunction(const Function& function) {
    m_functionSet->registerFunction(function);
}

void Evaluator::registerAlias(const QString& alias, const QString& functionName) {
    m_functionSet->registerAlias(alias, functionName);
}

} // namespace kestrom
