#pragma once

#include "core/mathparser/Operator.h"
#include "core/mathparser/OperatorTokenSet.h"

#include <QSet>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

namespace kestrom {

// The parser's table of operators with their precedence ladder. Shared by
// reference; the default set is shared by every default configuration.
class OperatorSet {
public:
    enum class Relation { lessThan = 0, equalTo = 1, greaterThan = 2 };

    explicit OperatorSet(bool interpretsPercentSignAsModulo = true);
    OperatorSet(const OperatorSet&) = delete;
    OperatorSet& operator=(const OperatorSet&) = delete;

    static std::shared_ptr<OperatorSet> defaultSet();

    bool interpretsPercentSignAsModulo() const { return m_interpretsPercentSignAsModulo; }
    void setInterpretsPercentSignAsModulo(bool flag);

    const std::vector<OperatorPtr>& operators() const { return m_operators; }
    const QSet<QString>& knownTokens() const { return m_knownTokens; }
    // Kept current on every change, so concurrent readers never build it.
    const OperatorTokenSet& operatorTokenSet() const { return m_operatorTokenSet; }

    // Inserts an operator at a precedence relative to a listed one; operators
    // above it move up when the relation asks for room.
    void add(const OperatorPtr& newOperator, Relation relation, const Operator& existing);
    void addTokens(const QStringList& tokens, const Operator& forOperator);

    // Listed operators with the spelling, and the arity and associativity
    // where given, in list order.
    std::vector<OperatorPtr>
    operatorForToken(const QString& token, std::optional<Operator::Arity> arity = std::nullopt,
                     std::optional<Operator::Associativity> associativity = std::nullopt) const;

    // The operators the resolver inserts itself. They follow the list when
    // it is rebuilt, so they always carry their current precedence.
    const OperatorPtr& addFractionOperator() const { return m_addFractionOperator; }
    const OperatorPtr& multiplyOperator() const { return m_multiplyOperator; }
    const OperatorPtr& implicitMultiplyOperator() const { return m_implicitMultiplyOperator; }
    const OperatorPtr& powerOperator() const { return m_powerOperator; }

private:
    void runPercentSignStep(bool flag);
    void removeFirstEqual(const Operator& op);
    OperatorPtr firstEqual(const Operator& op) const;
    void listChanged();

    bool m_interpretsPercentSignAsModulo = true;
    std::vector<OperatorPtr> m_operators;
    OperatorPtr m_addFractionOperator;
    OperatorPtr m_multiplyOperator;
    OperatorPtr m_implicitMultiplyOperator;
    OperatorPtr m_powerOperator;
    QSet<QString> m_knownTokens;
    OperatorTokenSet m_operatorTokenSet;
};

} // namespace kestrom
