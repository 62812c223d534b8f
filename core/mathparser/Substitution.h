#pragma once

#include <QHash>
#include <QString>

#include <memory>
#include <variant>

namespace kestrom {

class Evaluator;
class Expression;
class Substitution;

// Variable names to the values that stand for them.
using Substitutions = QHash<QString, Substitution>;

// A value that can stand for a variable: a number, an integer, a text that
// is parsed and evaluated when the variable is read, or an expression tree.
class Substitution {
public:
    Substitution() : m_value(0.0) {}
    Substitution(double value) : m_value(value) {}
    Substitution(int value) : m_value(qint64(value)) {}
    Substitution(qint64 value) : m_value(value) {}
    Substitution(QString text) : m_value(std::move(text)) {}
    Substitution(const char* text) : m_value(QString::fromUtf8(text)) {}
    Substitution(std::shared_ptr<Expression> expression) : m_value(std::move(expression)) {}

    bool isDouble() const { return std::holds_alternative<double>(m_value); }
    bool isInteger() const { return std::holds_alternative<qint64>(m_value); }
    bool isString() const { return std::holds_alternative<QString>(m_value); }
    bool isExpression() const {
        return std::holds_alternative<std::shared_ptr<Expression>>(m_value);
    }

    double doubleValue() const { return std::get<double>(m_value); }
    qint64 integerValue() const { return std::get<qint64>(m_value); }
    const QString& string() const { return std::get<QString>(m_value); }
    const std::shared_ptr<Expression>& expression() const {
        return std::get<std::shared_ptr<Expression>>(m_value);
    }

    // The value the variable takes; throws what evaluating it throws.
    double substitutionValue(const Evaluator& evaluator,
                             const Substitutions& substitutions = {}) const;
    // A simpler stand-in: numbers as doubles, texts parsed and simplified
    // (or kept when they do not parse), trees simplified. Never fails.
    Substitution simplified(const Evaluator& evaluator,
                            const Substitutions& substitutions = {}) const;

private:
    std::variant<double, qint64, QString, std::shared_ptr<Expression>> m_value;
};

} // namespace kestrom
