#pragma once

#include "core/mathparser/OperatorTokenSet.h"
#include "core/mathparser/TokenExtractor.h"

namespace kestrom {

// Names: everything up to white space or an operator character that is not a
// letter. Digits, "$", quotes and non-ASCII letters are taken inside a name.
class IdentifierExtractor : public TokenExtractor {
public:
    explicit IdentifierExtractor(OperatorTokenSet operatorTokens);

    bool canBegin(const TokenCharacterBuffer& buffer,
                  const Configuration& configuration) const override;
    TokenOrError extractToken(TokenCharacterBuffer& buffer,
                              const Configuration& configuration) const override;

private:
    OperatorTokenSet m_operatorTokens;
};

} // namespace kestrom
