#include "core/mathparser/OperatorExtractor.h"

#include "core/mathparser/TokenCharacters.h"

namespace kestrom {

OperatorExtractor::OperatorExtractor(OperatorTokenSet operatorTokens)
    : m_operatorTokens(std::move(operatorTokens)) {}

bool OperatorExtractor::canBegin(const TokenCharacterBuffer& buffer, const Configuration&) const {
    return !buffer.isAtEnd() && m_operatorTokens.hasTokenWithPrefix(buffer.current());
}

TokenOrError OperatorExtractor::extractToken(TokenCharacterBuffer& buffer,
                                             const Configuration&) const {
    const int start = buffer.currentIndex;
    const int lowercaseCount = int(buffer.lowercaseCharacters().size());
    int matchEnd = start;
    QString candidate;
    for (int index = start; index < lowercaseCount; ++index) {
        candidate += buffer.lowercaseCharacter(index);
        if (!m_operatorTokens.hasTokenWithPrefix(candidate)) {
            break;
        }
        if (m_operatorTokens.tokens.contains(candidate)) {
            matchEnd = index + 1;
        }
    }
    // A failed extraction leaves the position where it began, so the
    // extractors after it are asked about the same character.
    if (matchEnd > start && TokenCharacters::isLetter(buffer.character(start)) &&
        TokenCharacters::isLetter(buffer.character(matchEnd))) {
        return MathParserError(MathParserError::Case::cannotParseOperator, {start, matchEnd});
    }
    if (matchEnd == start) {
        return MathParserError(MathParserError::Case::cannotParseOperator, {start, start});
    }
    buffer.currentIndex = matchEnd;
    return RawToken(RawToken::Kind::operatorToken, buffer.text(start, matchEnd), {start, matchEnd});
}

} // namespace kestrom
