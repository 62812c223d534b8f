#include "core/mathparser/LocalizedNumberExtractor.h"

#include "core/mathparser/TokenCharacters.h"

namespace kestrom {

LocalizedNumberExtractor::LocalizedNumberExtractor(const QLocale& locale)
    : m_decimalNumberFormatter(locale) {}

bool LocalizedNumberExtractor::canBegin(const TokenCharacterBuffer& buffer,
                                        const Configuration&) const {
    return !buffer.isAtEnd();
}

TokenOrError LocalizedNumberExtractor::extractToken(TokenCharacterBuffer& buffer,
                                                    const Configuration&) const {
    const int start = buffer.currentIndex;
    const QString separator = m_decimalNumberFormatter.decimalSeparator();
    QString candidate;
    while (!buffer.isAtEnd()) {
        const QString character = buffer.current();
        if (TokenCharacters::isInlineWhitespace(character)) {
            break;
        }
        candidate += character;
        if (!m_decimalNumberFormatter.number(candidate)) {
            break;
        }
        ++buffer.currentIndex;
    }
    int end = buffer.currentIndex;
    // "3," is the number 3 followed by a comma.
    if (end > start && buffer.character(end - 1) == separator) {
        --end;
        buffer.currentIndex = end;
    }
    if (end == start) {
        return MathParserError(MathParserError::Case::cannotParseNumber, {start, start});
    }
    return RawToken(RawToken::Kind::localizedNumber, buffer.text(start, end), {start, end});
}

} // namespace kestrom
