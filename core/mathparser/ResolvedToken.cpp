#include "core/mathparser/ResolvedToken.h"

namespace kestrom {

ResolvedToken ResolvedToken::number(double value, QString string, CharacterRange range) {
    ResolvedToken token(Kind::number, std::move(string), range);
    token.m_number = value;
    return token;
}

ResolvedToken ResolvedToken::variable(QString name, QString string, CharacterRange range) {
    ResolvedToken token(Kind::variable, std::move(string), range);
    token.m_name = std::move(name);
    return token;
}

ResolvedToken ResolvedToken::identifier(QString name, QString string, CharacterRange range) {
    ResolvedToken token(Kind::identifier, std::move(string), range);
    token.m_name = std::move(name);
    return token;
}

ResolvedToken ResolvedToken::operatorToken(OperatorPtr op, QString string, CharacterRange range) {
    ResolvedToken token(Kind::operatorToken, std::move(string), range);
    token.m_operator = std::move(op);
    return token;
}

std::optional<double> ResolvedToken::number() const {
    return m_kind == Kind::number ? std::optional<double>(m_number) : std::nullopt;
}

std::optional<QString> ResolvedToken::variable() const {
    return m_kind == Kind::variable ? std::optional<QString>(m_name) : std::nullopt;
}

std::optional<QString> ResolvedToken::identifier() const {
    return m_kind == Kind::identifier ? std::optional<QString>(m_name) : std::nullopt;
}

std::optional<BuiltInOperator> ResolvedToken::builtInOperator() const {
    if (!m_operator) {
        return std::nullopt;
    }
    return m_operator->builtInOperator();
}

} // namespace kestrom
