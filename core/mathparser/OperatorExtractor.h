#pragma once

#include "core/mathparser/OperatorTokenSet.h"
#include "core/mathparser/TokenExtractor.h"

namespace kestrom {

// The longest operator spelling at the position, compared in lower case. An
// operator spelled with letters never splits a word.
class OperatorExtractor : public TokenExtractor {
public:
    explicit OperatorExtractor(OperatorTokenSet operatorTokens);

    bool canBegin(const TokenCharacterBuffer& buffer,
                  const Configuration& configuration) const override;
    TokenOrError extractToken(TokenCharacterBuffer& buffer,
                              const Configuration& configuration) const override;

private:
    OperatorTokenSet m_operatorTokens;
};

} // namespace kestrom
