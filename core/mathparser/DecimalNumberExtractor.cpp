#include "core/mathparser/DecimalNumberExtractor.h"

#include "core/mathparser/TokenCharacters.h"

namespace kestrom {

namespace {

void skipDigits(TokenCharacterBuffer& buffer) {
    while (!buffer.isAtEnd() && TokenCharacters::isDigit(buffer.current())) {
        ++buffer.currentIndex;
    }
}

} // namespace

bool DecimalNumberExtractor::canBegin(const TokenCharacterBuffer& buffer,
                                      const Configuration&) const {
    const QString c = buffer.current();
    return TokenCharacters::isDigit(c) || c == QStringLiteral(".");
}

TokenOrError DecimalNumberExtractor::extractToken(TokenCharacterBuffer& buffer,
                                                  const Configuration&) const {
    const int start = buffer.currentIndex;
    skipDigits(buffer);
    if (buffer.current() == QStringLiteral(".")) {
        ++buffer.currentIndex;
        skipDigits(buffer);
    }
    const QString e = buffer.current();
    if (e == QStringLiteral("e") || e == QStringLiteral("E")) {
        const int beforeExponent = buffer.currentIndex;
        ++buffer.currentIndex;
        const QString sign = buffer.current();
        if (sign == QStringLiteral("-") || sign == QStringLiteral("+") ||
            sign == QString(QChar(0x2212))) {
            ++buffer.currentIndex;
        }
        const int digitsStart = buffer.currentIndex;
        skipDigits(buffer);
        if (buffer.currentIndex == digitsStart) {
            // "2e" is the number 2 followed by whatever "e" begins.
            buffer.currentIndex = beforeExponent;
        }
    }
    const int end = buffer.currentIndex;
    if (end == start || (end == start + 1 && buffer.character(start) == QStringLiteral("."))) {
        return MathParserError(MathParserError::Case::cannotParseNumber, {start, end});
    }
    return RawToken(RawToken::Kind::decimalNumber, buffer.text(start, end), {start, end});
}

} // namespace kestrom
