#pragma once

#include "core/mathparser/BuiltInOperator.h"
#include "core/mathparser/CharacterRange.h"
#include "core/mathparser/Operator.h"

#include <QString>

#include <optional>

namespace kestrom {

// A token with its meaning settled: a number with its value, a variable, a
// function name, or an operator chosen from the operator set.
class ResolvedToken {
public:
    enum class Kind { number, variable, identifier, operatorToken };

    static ResolvedToken number(double value, QString string, CharacterRange range);
    static ResolvedToken variable(QString name, QString string, CharacterRange range);
    static ResolvedToken identifier(QString name, QString string, CharacterRange range);
    static ResolvedToken operatorToken(OperatorPtr op, QString string, CharacterRange range);

    Kind kind() const { return m_kind; }
    const QString& string() const { return m_string; }
    CharacterRange range() const { return m_range; }

    bool isNumber() const { return m_kind == Kind::number; }
    bool isVariable() const { return m_kind == Kind::variable; }
    bool isIdentifier() const { return m_kind == Kind::identifier; }
    bool isOperator() const { return m_kind == Kind::operatorToken; }

    std::optional<double> number() const;
    std::optional<QString> variable() const;
    std::optional<QString> identifier() const;
    const OperatorPtr& resolvedOperator() const { return m_operator; }
    // The built-in identity of the operator's function, if it has one.
    std::optional<BuiltInOperator> builtInOperator() const;

private:
    ResolvedToken(Kind kind, QString string, CharacterRange range)
        : m_kind(kind), m_string(std::move(string)), m_range(range) {}

    Kind m_kind;
    QString m_string;
    CharacterRange m_range;
    double m_number = 0;
    QString m_name;
    OperatorPtr m_operator;
};

} // namespace kestrom
