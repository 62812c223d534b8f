#include "core/mathparser/IdentifierExtractor.h"

#include "core/mathparser/TokenCharacters.h"

namespace kestrom {

IdentifierExtractor::IdentifierExtractor(OperatorTokenSet operatorTokens)
    : m_operatorTokens(std::move(operatorTokens)) {}

bool IdentifierExtractor::canBegin(const TokenCharacterBuffer& buffer, const Configuration&) const {
    if (buffer.isAtEnd()) {
        return false;
    }
    const QString c = buffer.current();
    return c != QStringLiteral("$") && !TokenCharacters::isDigit(c) && c != QStringLiteral("\"") &&
           c != QStringLiteral("'");
}

TokenOrError IdentifierExtractor::extractToken(TokenCharacterBuffer& buffer,
                                               const Configuration&) const {
    const int start = buffer.currentIndex;
    while (!buffer.isAtEnd()) {
        const QString c = buffer.current();
        if (TokenCharacters::isInlineWhitespace(c)) {
            break;
        }
        if (m_operatorTokens.characters.contains(c) && !TokenCharacters::isLetter(c)) {
            break;
        }
        ++buffer.currentIndex;
    }
    if (buffer.currentIndex == start) {
        return MathParserError(MathParserError::Case::cannotParseIdentifier, {start, start});
    }
    return RawToken(RawToken::Kind::identifier, buffer.text(start, buffer.currentIndex),
                    {start, buffer.currentIndex});
}

} // namespace kestrom
