#include "core/mathparser/OperatorSet.h"

#include "platform/Log.h"

#include <QStringList>

#include <algorithm>

namespace kestrom {

OperatorSet::OperatorSet(bool interpretsPercentSignAsModulo) {
    const auto append = [this](BuiltInOperator builtIn, int precedence) {
        OperatorPtr op = Operator::make(builtIn);
        op->setPrecedence(precedence);
        m_operators.push_back(op);
        return op;
    };
    using B = BuiltInOperator;
    append(B::logicalOr, 1);
    append(B::logicalAnd, 2);
    for (B b : {B::logicalEqual, B::logicalNotEqual, B::logicalLessThan, B::logicalGreaterThan,
                B::logicalLessThanOrEqual, B::logicalGreaterThanOrEqual}) {
        append(b, 3);
    }
    for (B b : {B::add, B::minus, B::bitwiseOr, B::bitwiseXor}) {
        append(b, 6);
    }
    m_multiplyOperator = append(B::multiply, 7);
    append(B::divide, 7);
    append(B::bitwiseAnd, 7);
    m_implicitMultiplyOperator = append(B::implicitMultiply, 8);
    append(B::leftShift, 9);
    append(B::rightShift, 9);
    for (B b :
         {B::bitwiseNot, B::unaryMinus, B::unaryPlus, B::squareRoot, B::cubeRoot, B::logicalNot}) {
        append(b, 10);
    }
    for (B b : {B::doubleFactorial, B::factorial, B::degree}) {
        append(b, 11);
    }
    m_powerOperator = append(B::power, 12);
    m_addFractionOperator = append(B::add, 13);
    append(B::parenthesisOpen, 14);
    append(B::parenthesisClose, 14);
    append(B::comma, 15);

    m_interpretsPercentSignAsModulo = interpretsPercentSignAsModulo;
    listChanged();
    runPercentSignStep(interpretsPercentSignAsModulo);
}

std::shared_ptr<OperatorSet> OperatorSet::defaultSet() {
    static const std::shared_ptr<OperatorSet> shared = std::make_shared<OperatorSet>(true);
    return shared;
}

void OperatorSet::setInterpretsPercentSignAsModulo(bool flag) {
    if (flag == m_interpretsPercentSignAsModulo) {
        return;
    }
    m_interpretsPercentSignAsModulo = flag;
    runPercentSignStep(flag);
}

void OperatorSet::runPercentSignStep(bool flag) {
    const OperatorPtr percent =
        Operator::make(rawValue(BuiltInOperator::percent), Operator::Arity::unary,
                       Operator::Associativity::left, {QStringLiteral("%")});
    const OperatorPtr modulo =
        Operator::make(rawValue(BuiltInOperator::modulo), Operator::Arity::binary,
                       Operator::Associativity::left, {QStringLiteral("%")});
    if (flag) {
        removeFirstEqual(*percent);
        add(modulo, Relation::greaterThan, Operator(BuiltInOperator::implicitMultiply));
    } else {
        removeFirstEqual(*modulo);
        add(percent, Relation::equalTo, Operator(BuiltInOperator::factorial));
    }
}

void OperatorSet::add(const OperatorPtr& newOperator, Relation relation, const Operator& existing) {
    const OperatorPtr listed = firstEqual(existing);
    if (!listed) {
        return;
    }
    if (!listed->precedence()) {
        platform::Log::fatal(QStringLiteral("Existing operator missing precedence ") +
                             listed->description());
    }
    const int p = *listed->precedence();
    newOperator->setPrecedence(relation == Relation::greaterThan ? p + 1 : p);

    if (const OperatorPtr same = firstEqual(*newOperator)) {
        same->addTokens(newOperator->tokens());
        listChanged();
        return;
    }

    QStringList conflicting;
    for (const QString& token : newOperator->tokens()) {
        if (m_knownTokens.contains(token)) {
            conflicting.append(token);
        }
    }
    if (!conflicting.isEmpty()) {
        platform::Log::line(QStringLiteral("cannot add operator with conflicting tokens: [\"") +
                            conflicting.join(QStringLiteral("\", \"")) + QStringLiteral("\"]"));
        return;
    }

    std::vector<OperatorPtr> rebuilt;
    rebuilt.reserve(m_operators.size() + 1);
    for (const OperatorPtr& old : m_operators) {
        OperatorPtr copy =
            Operator::make(old->function(), old->arity(), old->associativity(), old->tokens());
        if (relation == Relation::equalTo) {
            copy->setPrecedence(old->precedence().value_or(0));
        } else {
            if (!old->precedence()) {
                platform::Log::fatal(QStringLiteral("Operator missing precedence: ") +
                                     old->description());
            }
            const int q = *old->precedence();
            const bool shifts = relation == Relation::lessThan ? q >= p : q > p;
            copy->setPrecedence(shifts ? q + 1 : q);
        }
        for (OperatorPtr* designated : {&m_addFractionOperator, &m_multiplyOperator,
                                        &m_implicitMultiplyOperator, &m_powerOperator}) {
            if (*designated == old) {
                *designated = copy;
            }
        }
        rebuilt.push_back(copy);
    }
    rebuilt.push_back(newOperator);
    m_operators = std::move(rebuilt);
    listChanged();
}

void OperatorSet::addTokens(const QStringList& tokens, const Operator& forOperator) {
    QStringList remaining;
    for (const QString& token : tokens) {
        const QString lowered = token.toLower();
        const bool taken =
            std::any_of(m_operators.begin(), m_operators.end(),
                        [&](const OperatorPtr& op) { return op->hasToken(lowered); });
        if (!taken) {
            remaining.append(lowered);
        }
    }
    const OperatorPtr listed = firstEqual(forOperator);
    if (!listed) {
        return;
    }
    listed->addTokens(remaining);
    listChanged();
}

std::vector<OperatorPtr>
OperatorSet::operatorForToken(const QString& token, std::optional<Operator::Arity> arity,
                              std::optional<Operator::Associativity> associativity) const {
    std::vector<OperatorPtr> result;
    for (const OperatorPtr& op : m_operators) {
        if (op->hasToken(token) && (!arity || op->arity() == *arity) &&
            (!associativity || op->associativity() == *associativity)) {
            result.push_back(op);
        }
    }
    return result;
}

void OperatorSet::removeFirstEqual(const Operator& op) {
    const auto found = std::find_if(m_operators.begin(), m_operators.end(),
                                    [&](const OperatorPtr& listed) { return *listed == op; });
    if (found != m_operators.end()) {
        m_operators.erase(found);
        listChanged();
    }
}

OperatorPtr OperatorSet::firstEqual(const Operator& op) const {
    for (const OperatorPtr& listed : m_operators) {
        if (*listed == op) {
            return listed;
        }
    }
    return nullptr;
}

void OperatorSet::listChanged() {
    m_knownTokens.clear();
    for (const OperatorPtr& op : m_operators) {
        for (const QString& token : op->tokens()) {
            m_knownTokens.insert(token);
        }
    }
    m_operatorTokenSet = OperatorTokenSet::fromKnownTokens(m_knownTokens);
}

} // namespace kestrom
