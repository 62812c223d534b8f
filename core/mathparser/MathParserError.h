#pragma once

#include "core/mathparser/CharacterRange.h"
#include "core/mathparser/Operator.h"
#include "platform/Error.h"

#include <QString>

namespace kestrom {

// The one error of the expression parser: what went wrong and where in the
// input. It carries no message text of its own; callers only need to know
// that the input failed and, if they wish, where.
class MathParserError : public platform::Error {
public:
    class Kind {
    public:
        enum class Case {
            missingLeftOperand,
            missingRightOperand,
            unknownFunction,
            unknownVariable,
            cannotParseNumber,
            cannotParseHexNumber,
            cannotParseOctalNumber,
            cannotParseFractionalNumber,
            cannotParseExponent,
            cannotParseIdentifier,
            cannotParseVariable,
            cannotParseQuotedVariable,
            cannotParseOperator,
            zeroLengthVariable,
            cannotParseLocalizedNumber,
            unknownOperator,
            ambiguousOperator,
            missingOpenParenthesis,
            missingCloseParenthesis,
            emptyFunctionArgument,
            emptyGroup,
            invalidFormat,
            divideByZero,
            invalidArguments,
        };

        Kind(Case value) : m_case(value) {} // NOLINT: a case without payload is a kind
        // missingLeftOperand and missingRightOperand name the operator.
        Kind(Case value, OperatorPtr op) : m_case(value), m_operator(std::move(op)) {}
        // unknownFunction and unknownVariable name the function or variable.
        Kind(Case value, QString name) : m_case(value), m_name(std::move(name)) {}

        Case value() const { return m_case; }
        const OperatorPtr& op() const { return m_operator; }
        const QString& name() const { return m_name; }

        // Same case, and for the payload cases equal operators or names.
        friend bool operator==(const Kind& a, const Kind& b);

    private:
        Case m_case;
        OperatorPtr m_operator;
        QString m_name;
    };
    using Case = Kind::Case;

    static QString errorDomain() { return QStringLiteral("kestrom.MathParserError"); }

    MathParserError(Kind kind, CharacterRange range);

    const Kind& kind() const { return m_kind; }
    CharacterRange range() const { return m_range; }

    std::shared_ptr<const platform::Error> clone() const override;
    [[noreturn]] void raise() const override;

private:
    Kind m_kind;
    CharacterRange m_range;
};

} // namespace kestrom
