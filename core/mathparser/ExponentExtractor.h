#pragma once

#include "core/mathparser/TokenExtractor.h"

namespace kestrom {

// A run of superscript characters, read as the plain text they stand for.
class ExponentExtractor : public TokenExtractor {
public:
    bool canBegin(const TokenCharacterBuffer& buffer,
                  const Configuration& configuration) const override;
    TokenOrError extractToken(TokenCharacterBuffer& buffer,
                              const Configuration& configuration) const override;
};

} // namespace kestrom
