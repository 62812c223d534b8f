#pragma once

#include "core/mathparser/TokenExtractor.h"

namespace kestrom {

// One vulgar fraction character, such as "½".
class FractionNumberExtractor : public TokenExtractor {
public:
    bool canBegin(const TokenCharacterBuffer& buffer,
                  const Configuration& configuration) const override;
    TokenOrError extractToken(TokenCharacterBuffer& buffer,
                              const Configuration& configuration) const override;
};

} // namespace kestrom
