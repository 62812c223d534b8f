#include "core/mathparser/GroupedToken.h"

namespace kestrom {

GroupedToken GroupedToken::number(double value, CharacterRange range) {
    GroupedToken token(Kind::number, range);
    token.m_number = value;
    return token;
}

GroupedToken GroupedToken::variable(QString name, CharacterRange range) {
    GroupedToken token(Kind::variable, range);
    token.m_name = std::move(name);
    return token;
}

GroupedToken GroupedToken::operatorToken(OperatorPtr op, CharacterRange range) {
    GroupedToken token(Kind::operatorToken, range);
    token.m_operator = std::move(op);
    return token;
}

GroupedToken GroupedToken::function(QString name, std::vector<GroupedToken> arguments,
                                    CharacterRange range) {
    GroupedToken token(Kind::function, range);
    token.m_name = std::move(name);
    token.m_children = std::move(arguments);
    return token;
}

GroupedToken GroupedToken::group(std::vector<GroupedToken> elements, CharacterRange range) {
    GroupedToken token(Kind::group, range);
    token.m_children = std::move(elements);
    return token;
}

GroupedToken GroupedToken::collapsed() const {
    if (m_kind != Kind::group && m_kind != Kind::function) {
        return *this;
    }
    GroupedToken result = *this;
    for (GroupedToken& child : result.m_children) {
        child = child.collapsed();
    }
    if (m_kind == Kind::group && result.m_children.size() == 1) {
        return result.m_children.front();
    }
    return result;
}

} // namespace kestrom
