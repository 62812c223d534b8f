#pragma once

#include "core/mathparser/BuiltInOperator.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace kestrom {

class Operator;
using OperatorPtr = std::shared_ptr<Operator>;

// One operator of an operator set: the function it evaluates to, its shape
// and its spellings. Operators are shared by reference between the set, the
// tokens that denote them and the errors that name them.
class Operator {
public:
    enum class Arity { unary = 0, binary = 1 };
    enum class Associativity { left = 0, right = 1 };

    Operator(QString function, Arity arity, Associativity associativity, QStringList tokens);
    explicit Operator(BuiltInOperator builtInOperator);

    static OperatorPtr make(QString function, Arity arity, Associativity associativity,
                            QStringList tokens);
    static OperatorPtr make(BuiltInOperator builtInOperator);

    // How a chain of powers groups: 2 ** 3 ** 2 is 2 ** 9.
    static Associativity defaultPowerAssociativity();

    const QString& function() const { return m_function; }
    Arity arity() const { return m_arity; }
    Associativity associativity() const { return m_associativity; }
    // Spellings without duplicates, in the order they were given.
    const QStringList& tokens() const { return m_tokens; }
    bool hasToken(const QString& token) const { return m_tokens.contains(token); }
    std::optional<int> precedence() const { return m_precedence; }

    std::optional<BuiltInOperator> builtInOperator() const;
    bool isPrefix() const {
        return m_arity == Arity::unary && m_associativity == Associativity::right;
    }
    bool isPostfix() const {
        return m_arity == Arity::unary && m_associativity == Associativity::left;
    }
    bool isInfix() const { return m_arity == Arity::binary; }

    QString description() const;

    // Operators are equal by function, arity and associativity; spellings and
    // precedence do not count.
    friend bool operator==(const Operator& a, const Operator& b) {
        return a.m_arity == b.m_arity && a.m_associativity == b.m_associativity &&
               a.m_function == b.m_function;
    }

private:
    friend class OperatorSet;

    void setPrecedence(std::optional<int> precedence) { m_precedence = precedence; }
    void addTokens(const QStringList& tokens);

    QString m_function;
    Arity m_arity;
    Associativity m_associativity;
    QStringList m_tokens;
    std::optional<int> m_precedence;
};

} // namespace kestrom
