#pragma once

#include "core/mathparser/IdentifierExtractor.h"

namespace kestrom {

// A variable written as "$" followed by a name.
class VariableExtractor : public TokenExtractor {
public:
    explicit VariableExtractor(IdentifierExtractor identifierExtractor);

    bool canBegin(const TokenCharacterBuffer& buffer,
                  const Configuration& configuration) const override;
    TokenOrError extractToken(TokenCharacterBuffer& buffer,
                              const Configuration& configuration) const override;

private:
    IdentifierExtractor m_identifierExtractor;
};

} // namespace kestrom
