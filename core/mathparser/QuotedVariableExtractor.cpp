#include "core/mathparser/QuotedVariableExtractor.h"

namespace kestrom {

namespace {

bool isQuote(const QString& character) {
    return character == QStringLiteral("\"") || character == QStringLiteral("'");
}

} // namespace

bool QuotedVariableExtractor::canBegin(const TokenCharacterBuffer& buffer,
                                       const Configuration&) const {
    return isQuote(buffer.current());
}

TokenOrError QuotedVariableExtractor::extractToken(TokenCharacterBuffer& buffer,
                                                   const Configuration& configuration) const {
    const int start = buffer.currentIndex;
    const QString quote = buffer.current();
    ++buffer.currentIndex;
    QString name;
    bool closed = false;
    while (!buffer.isAtEnd()) {
        const QString character = buffer.current();
        ++buffer.currentIndex;
        if (character == QStringLiteral("\\")) {
            if (buffer.isAtEnd()) {
                break;
            }
            const QString escaped = buffer.current();
            ++buffer.currentIndex;
            if (!configuration.unescapesQuotedVariables) {
                name += character + escaped;
            } else if (escaped == QStringLiteral("n")) {
                name += QLatin1Char('\n');
            } else if (escaped == QStringLiteral("r")) {
                name += QLatin1Char('\r');
            } else if (escaped == QStringLiteral("t")) {
                name += QLatin1Char('\t');
            } else {
                name += escaped;
            }
        } else if (character == quote) {
            closed = true;
            break;
        } else {
            name += character;
        }
    }
    if (!closed) {
        buffer.currentIndex = start;
        return MathParserError(MathParserError::Case::cannotParseQuotedVariable,
                               {start, buffer.count()});
    }
    const CharacterRange range{start, buffer.currentIndex};
    if (name.isEmpty() && !configuration.allowZeroLengthVariables) {
        buffer.currentIndex = start;
        return MathParserError(MathParserError::Case::zeroLengthVariable, range);
    }
    return RawToken(RawToken::Kind::variable, name, range);
}

} // namespace kestrom
