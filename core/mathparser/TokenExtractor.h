#pragma once

#include "core/mathparser/Configuration.h"
#include "core/mathparser/Either.h"
#include "core/mathparser/MathParserError.h"
#include "core/mathparser/RawToken.h"
#include "core/mathparser/TokenCharacterBuffer.h"

namespace kestrom {

using TokenOrError = Either<RawToken, MathParserError>;

// One way of reading a token. The tokenizer asks each extractor in a fixed
// order whether it can begin at the buffer's position, and then lets it read.
class TokenExtractor {
public:
    virtual ~TokenExtractor() = default;

    // True only when the position is before the end and the character there fits.
    virtual bool canBegin(const TokenCharacterBuffer& buffer,
                          const Configuration& configuration) const = 0;
    // Reads from the current position and leaves it just after what was read.
    virtual TokenOrError extractToken(TokenCharacterBuffer& buffer,
                                      const Configuration& configuration) const = 0;
};

} // namespace kestrom
