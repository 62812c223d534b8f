#include "core/mathparser/FractionNumberExtractor.h"

#include "core/mathparser/TokenCharacters.h"

namespace kestrom {

bool FractionNumberExtractor::canBegin(const TokenCharacterBuffer& buffer,
                                       const Configuration&) const {
    return TokenCharacters::vulgarFractions().contains(buffer.current());
}

TokenOrError FractionNumberExtractor::extractToken(TokenCharacterBuffer& buffer,
                                                   const Configuration&) const {
    const int start = buffer.currentIndex;
    const QString character = buffer.current();
    ++buffer.currentIndex;
    return RawToken(RawToken::Kind::fractionNumber, character, {start, start + 1});
}

} // namespace kestrom
