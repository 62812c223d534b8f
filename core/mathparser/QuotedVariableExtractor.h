#pragma once

#include "core/mathparser/TokenExtractor.h"

namespace kestrom {

// A variable named between double quotes or apostrophes, with backslash escapes.
class QuotedVariableExtractor : public TokenExtractor {
public:
    bool canBegin(const TokenCharacterBuffer& buffer,
                  const Configuration& configuration) const override;
    TokenOrError extractToken(TokenCharacterBuffer& buffer,
                              const Configuration& configuration) const override;
};

} // namespace kestrom
