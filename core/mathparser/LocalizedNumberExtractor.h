#pragma once

#include "core/mathparser/LocalizedNumberFormatter.h"
#include "core/mathparser/TokenExtractor.h"

namespace kestrom {

// Numbers as the configuration's locale writes them: the longest run of
// characters the locale still reads as a number.
class LocalizedNumberExtractor : public TokenExtractor {
public:
    explicit LocalizedNumberExtractor(const QLocale& locale);

    bool canBegin(const TokenCharacterBuffer& buffer,
                  const Configuration& configuration) const override;
    TokenOrError extractToken(TokenCharacterBuffer& buffer,
                              const Configuration& configuration) const override;

private:
    LocalizedNumberFormatter m_decimalNumberFormatter;
};

} // namespace kestrom
