#include "core/mathparser/VariableExtractor.h"

namespace kestrom {

VariableExtractor::VariableExtractor(IdentifierExtractor identifierExtractor)
    : m_identifierExtractor(std::move(identifierExtractor)) {}

bool VariableExtractor::canBegin(const TokenCharacterBuffer& buffer, const Configuration&) const {
    return buffer.current() == QStringLiteral("$");
}

TokenOrError VariableExtractor::extractToken(TokenCharacterBuffer& buffer,
                                             const Configuration& configuration) const {
    const int start = buffer.currentIndex;
    buffer.currentIndex = start + 1;
    const auto emptyName = [&]() -> TokenOrError {
        buffer.currentIndex = start + 1;
        return RawToken(RawToken::Kind::variable, QString(), {start, start + 1});
    };
    if (!m_identifierExtractor.canBegin(buffer, configuration)) {
        if (configuration.allowZeroLengthVariables) {
            return emptyName();
        }
        buffer.currentIndex = start;
        return MathParserError(MathParserError::Case::cannotParseVariable, {start, start});
    }
    const TokenOrError name = m_identifierExtractor.extractToken(buffer, configuration);
    if (name.hasValue()) {
        return RawToken(RawToken::Kind::variable, name.value().string(),
                        {start, name.value().range().upperBound});
    }
    if (name.error().kind() == MathParserError::Case::cannotParseIdentifier &&
        configuration.allowZeroLengthVariables) {
        return emptyName();
    }
    buffer.currentIndex = start;
    return MathParserError(MathParserError::Case::cannotParseVariable,
                           {start, name.error().range().upperBound});
}

} // namespace kestrom
