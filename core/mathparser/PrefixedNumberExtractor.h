#pragma once

#include "core/mathparser/TokenExtractor.h"

namespace kestrom {

// Integer literals written with a "0" and a base letter ("0x1f", "0o17"). The
// token carries the digits only and its range starts after the prefix.
class PrefixedNumberExtractor : public TokenExtractor {
public:
    bool canBegin(const TokenCharacterBuffer& buffer,
                  const Configuration& configuration) const override;
    TokenOrError extractToken(TokenCharacterBuffer& buffer,
                              const Configuration& configuration) const override;

protected:
    PrefixedNumberExtractor(QString baseLetter, bool (*isDigit)(const QString&),
                            RawToken::Kind tokenKind, MathParserError::Case failure);

private:
    QString m_baseLetter;
    bool (*m_isDigit)(const QString&);
    RawToken::Kind m_tokenKind;
    MathParserError::Case m_failure;
};

} // namespace kestrom
