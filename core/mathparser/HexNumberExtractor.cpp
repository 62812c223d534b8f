#include "core/mathparser/HexNumberExtractor.h"

#include "core/mathparser/TokenCharacters.h"

namespace kestrom {

HexNumberExtractor::HexNumberExtractor()
    : PrefixedNumberExtractor(QStringLiteral("x"), &TokenCharacters::isHexDigit,
                              RawToken::Kind::hexNumber,
                              MathParserError::Case::cannotParseHexNumber) {}

} // namespace kestrom
