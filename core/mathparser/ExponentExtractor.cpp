#include "core/mathparser/ExponentExtractor.h"

#include "core/mathparser/TokenCharacters.h"

namespace kestrom {

bool ExponentExtractor::canBegin(const TokenCharacterBuffer& buffer, const Configuration&) const {
    return TokenCharacters::superscripts().contains(buffer.current());
}

TokenOrError ExponentExtractor::extractToken(TokenCharacterBuffer& buffer,
                                             const Configuration&) const {
    const int start = buffer.currentIndex;
    const auto& table = TokenCharacters::superscripts();
    QString plain;
    while (!buffer.isAtEnd()) {
        const auto found = table.constFind(buffer.current());
        if (found == table.constEnd()) {
            break;
        }
        plain += *found;
        ++buffer.currentIndex;
    }
    if (buffer.currentIndex == start) {
        return MathParserError(MathParserError::Case::cannotParseExponent, {start, start});
    }
    return RawToken(RawToken::Kind::exponent, plain, {start, buffer.currentIndex});
}

} // namespace kestrom
