#pragma once

#include "core/mathparser/Expression.h"
#include "core/mathparser/MathParserError.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <ostream>

// Readable failure messages for Qt texts.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QStringList& list, std::ostream* os) {
    *os << '[' << list.join(QStringLiteral(", ")).toStdString() << ']';
}

namespace kestrom::testing {

// A tree in full function form with compact numbers: "subtract(add(1, 2), 3)".
inline QString treeText(const ExpressionPtr& e) {
    const Expression::Kind& kind = e->kind();
    if (kind.isNumber()) {
        return QString::number(*kind.number(), 'g', 15);
    }
    if (kind.isVariable()) {
        return QLatin1Char('$') + *kind.variable();
    }
    QStringList arguments;
    for (const ExpressionPtr& argument : kind.functionArguments()) {
        arguments.append(treeText(argument));
    }
    return *kind.functionName() + QLatin1Char('(') + arguments.join(QStringLiteral(", ")) +
           QLatin1Char(')');
}

inline QString
treeText(const QString& text,
         const Configuration& configuration = Configuration::defaultConfiguration()) {
    return treeText(Expression::parse(text, configuration));
}

// The error a parse ends with, or none when it succeeds.
inline std::optional<MathParserError>
parseError(const QString& text,
           const Configuration& configuration = Configuration::defaultConfiguration()) {
    try {
        Expression::parse(text, configuration);
    } catch (const MathParserError& error) {
        return error;
    }
    return std::nullopt;
}

inline QString caseName(MathParserError::Case value) {
    static const char* names[] = {
        "missingLeftOperand",
        "missingRightOperand",
        "unknownFunction",
        "unknownVariable",
        "cannotParseNumber",
        "cannotParseHexNumber",
        "cannotParseOctalNumber",
        "cannotParseFractionalNumber",
        "cannotParseExponent",
        "cannotParseIdentifier",
        "cannotParseVariable",
        "cannotParseQuotedVariable",
        "cannotParseOperator",
        "zeroLengthVariable",
        "cannotParseLocalizedNumber",
        "unknownOperator",
        "ambiguousOperator",
        "missingOpenParenthesis",
        "missingCloseParenthesis",
        "emptyFunctionArgument",
        "emptyGroup",
        "invalidFormat",
        "divideByZero",
        "invalidArguments",
    };
    return QString::fromLatin1(names[int(value)]);
}

// "ambiguousOperator 0..1", or "no error".
inline QString errorText(const std::optional<MathParserError>& error) {
    if (!error) {
        return QStringLiteral("no error");
    }
    return QStringLiteral("%1 %2..%3")
        .arg(caseName(error->kind().value()))
        .arg(error->range().lowerBound)
        .arg(error->range().upperBound);
}

} // namespace kestrom::testing
