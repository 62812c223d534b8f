#pragma once

#include "core/mathparser/TokenExtractor.h"

namespace kestrom {

// Numbers in the C grammar: digits, a fraction after ".", an exponent after
// "e" with an optional sign ("-", "+" or the minus sign U+2212).
class DecimalNumberExtractor : public TokenExtractor {
public:
    bool canBegin(const TokenCharacterBuffer& buffer,
                  const Configuration& configuration) const override;
    TokenOrError extractToken(TokenCharacterBuffer& buffer,
                              const Configuration& configuration) const override;
};

} // namespace kestrom
