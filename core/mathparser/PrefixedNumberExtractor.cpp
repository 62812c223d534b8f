#include "core/mathparser/PrefixedNumberExtractor.h"

namespace kestrom {

PrefixedNumberExtractor::PrefixedNumberExtractor(QString baseLetter,
                                                 bool (*isDigit)(const QString&),
                                                 RawToken::Kind tokenKind,
                                                 MathParserError::Case failure)
    : m_baseLetter(std::move(baseLetter)), m_isDigit(isDigit), m_tokenKind(tokenKind),
      m_failure(failure) {}

bool PrefixedNumberExtractor::canBegin(const TokenCharacterBuffer& buffer,
                                       const Configuration&) const {
    const int start = buffer.currentIndex;
    return buffer.character(start) == QStringLiteral("0") &&
           buffer.lowercaseCharacter(start + 1) == m_baseLetter;
}

TokenOrError PrefixedNumberExtractor::extractToken(TokenCharacterBuffer& buffer,
                                                   const Configuration&) const {
    const int start = buffer.currentIndex;
    buffer.currentIndex = start + 2;
    while (!buffer.isAtEnd() && m_isDigit(buffer.current())) {
        ++buffer.currentIndex;
    }
    if (buffer.currentIndex == start + 2) {
        buffer.currentIndex = start;
        return MathParserError(m_failure, {start, start});
    }
    return RawToken(m_tokenKind, buffer.text(start + 2, buffer.currentIndex),
                    {start + 2, buffer.currentIndex});
}

} // namespace kestrom
