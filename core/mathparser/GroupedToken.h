#pragma once

#include "core/mathparser/CharacterRange.h"
#include "core/mathparser/Operator.h"

#include <QString>

#include <vector>

namespace kestrom {

// A token of the grouped form of an expression: parentheses have become
// groups, and a function name with its argument list one function token.
class GroupedToken {
public:
    enum class Kind { number, variable, operatorToken, function, group };

    static GroupedToken number(double value, CharacterRange range);
    static GroupedToken variable(QString name, CharacterRange range);
    static GroupedToken operatorToken(OperatorPtr op, CharacterRange range);
    static GroupedToken function(QString name, std::vector<GroupedToken> arguments,
                                 CharacterRange range);
    static GroupedToken group(std::vector<GroupedToken> elements, CharacterRange range);

    Kind kind() const { return m_kind; }
    CharacterRange range() const { return m_range; }

    double number() const { return m_number; }
    // The variable's or the function's name.
    const QString& name() const { return m_name; }
    const OperatorPtr& op() const { return m_operator; }
    // The function's arguments or the group's elements.
    const std::vector<GroupedToken>& children() const { return m_children; }

    // One-element groups replaced by their element, throughout.
    GroupedToken collapsed() const;

private:
    GroupedToken(Kind kind, CharacterRange range) : m_kind(kind), m_range(range) {}

    Kind m_kind;
    CharacterRange m_range;
    double m_number = 0;
    QString m_name;
    OperatorPtr m_operator;
    std::vector<GroupedToken> m_children;
};

} // namespace kestrom
