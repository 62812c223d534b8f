#include "core/mathparser/OctalNumberExtractor.h"

#include "core/mathparser/TokenCharacters.h"

namespace kestrom {

OctalNumberExtractor::OctalNumberExtractor()
    : PrefixedNumberExtractor(QStringLiteral("o"), &TokenCharacters::isOctalDigit,
                              RawToken::Kind::octalNumber,
                              MathParserError::Case::cannotParseOctalNumber) {}

} // namespace kestrom
