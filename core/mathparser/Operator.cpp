#include "core/mathparser/Operator.h"

namespace kestrom {

namespace {

struct BuiltInShape {
    Operator::Arity arity;
    Operator::Associativity associativity;
    QStringList tokens;
};

BuiltInShape shapeOf(BuiltInOperator op) {
    using A = Operator::Arity;
    using S = Operator::Associativity;
    const auto s = [](const char16_t* text) { return QString::fromUtf16(text); };
    switch (op) {
    case BuiltInOperator::logicalOr:
        return {A::binary, S::left, {s(u"||"), s(u"\u2228")}};
    case BuiltInOperator::logicalAnd:
        return {A::binary, S::left, {s(u"&&"), s(u"\u2227")}};
    case BuiltInOperator::logicalNot:
        return {A::unary, S::right, {s(u"!"), s(u"\u00AC")}};
    case BuiltInOperator::logicalEqual:
        return {A::binary, S::left, {s(u"=="), s(u"=")}};
    case BuiltInOperator::logicalNotEqual:
        return {A::binary, S::left, {s(u"!="), s(u"\u2260")}};
    case BuiltInOperator::logicalLessThan:
        return {A::binary, S::left, {s(u"<")}};
    case BuiltInOperator::logicalGreaterThan:
        return {A::binary, S::left, {s(u">")}};
    case BuiltInOperator::logicalLessThanOrEqual:
        return {A::binary, S::left, {s(u"<="), s(u"=<"), s(u"\u2264"), s(u"\u226F")}};
    case BuiltInOperator::logicalGreaterThanOrEqual:
        return {A::binary, S::left, {s(u">="), s(u"=>"), s(u"\u2265"), s(u"\u226E")}};
    case BuiltInOperator::bitwiseOr:
        return {A::binary, S::left, {s(u"|")}};
    case BuiltInOperator::bitwiseXor:
        return {A::binary, S::left, {s(u"^")}};
    case BuiltInOperator::bitwiseAnd:
        return {A::binary, S::left, {s(u"&")}};
    case BuiltInOperator::leftShift:
        return {A::binary, S::left, {s(u"<<")}};
    case BuiltInOperator::rightShift:
        return {A::binary, S::left, {s(u">>")}};
    case BuiltInOperator::minus:
        return {A::binary, S::left, {s(u"-"), s(u"\u2212")}};
    case BuiltInOperator::add:
        return {A::binary, S::left, {s(u"+")}};
    case BuiltInOperator::divide:
        return {A::binary, S::left, {s(u"/"), s(u"\u00F7")}};
    case BuiltInOperator::multiply:
    case BuiltInOperator::implicitMultiply:
        return {A::binary, S::left, {s(u"*"), s(u"\u00D7")}};
    case BuiltInOperator::modulo:
        return {A::binary, S::left, {s(u"%")}};
    case BuiltInOperator::bitwiseNot:
        return {A::unary, S::right, {s(u"~")}};
    case BuiltInOperator::factorial:
        return {A::unary, S::left, {s(u"!")}};
    case BuiltInOperator::doubleFactorial:
        return {A::unary, S::left, {s(u"!!")}};
    case BuiltInOperator::degree:
        return {A::unary, S::left, {s(u"\u00BA"), s(u"\u00B0"), s(u"\u2218")}};
    case BuiltInOperator::percent:
        return {A::unary, S::left, {s(u"%")}};
    case BuiltInOperator::power:
        return {A::binary, Operator::defaultPowerAssociativity(), {s(u"**")}};
    case BuiltInOperator::parenthesisOpen:
        return {A::unary, S::right, {s(u"(")}};
    case BuiltInOperator::parenthesisClose:
        return {A::unary, S::left, {s(u")")}};
    case BuiltInOperator::comma:
        return {A::binary, S::left, {s(u",")}};
    case BuiltInOperator::unaryMinus:
        return {A::unary, S::right, {s(u"-"), s(u"\u2212")}};
    case BuiltInOperator::unaryPlus:
        return {A::unary, S::right, {s(u"+")}};
    case BuiltInOperator::squareRoot:
        return {A::unary, S::right, {s(u"\u221A")}};
    case BuiltInOperator::cubeRoot:
        return {A::unary, S::right, {s(u"\u221B")}};
    }
    return {A::unary, S::left, {}};
}

} // namespace

Operator::Operator(QString function, Arity arity, Associativity associativity, QStringList tokens)
    : m_function(std::move(function)), m_arity(arity), m_associativity(associativity) {
    addTokens(tokens);
}

Operator::Operator(BuiltInOperator builtInOperator)
    : m_function(rawValue(builtInOperator)), m_arity(shapeOf(builtInOperator).arity),
      m_associativity(shapeOf(builtInOperator).associativity) {
    addTokens(shapeOf(builtInOperator).tokens);
}

OperatorPtr Operator::make(QString function, Arity arity, Associativity associativity,
                           QStringList tokens) {
    return std::make_shared<Operator>(std::move(function), arity, associativity, std::move(tokens));
}

OperatorPtr Operator::make(BuiltInOperator builtInOperator) {
    return std::make_shared<Operator>(builtInOperator);
}

Operator::Associativity Operator::defaultPowerAssociativity() {
    // Powers group from the right, as in mathematical notation.
    return Associativity::right;
}

std::optional<BuiltInOperator> Operator::builtInOperator() const {
    return builtInOperatorFromRawValue(m_function);
}

QString Operator::description() const {
    const QString precedence =
        m_precedence ? QString::number(*m_precedence) : QStringLiteral("UNKNOWN");
    return QStringLiteral("{[%1] -> %2(), %3 %4, precedence: %5}")
        .arg(m_tokens.join(QStringLiteral(", ")), m_function,
             m_arity == Arity::binary ? QStringLiteral("Binary") : QStringLiteral("Unary"),
             m_associativity == Associativity::right ? QStringLiteral("Right")
                                                     : QStringLiteral("Left"),
             precedence);
}

void Operator::addTokens(const QStringList& tokens) {
    for (const QString& given : tokens) {
        // Typed text reaches the resolver in composed form; spellings match it.
        const QString token = given.normalized(QString::NormalizationForm_C);
        if (!m_tokens.contains(token)) {
            m_tokens.append(token);
        }
    }
}

} // namespace kestrom
