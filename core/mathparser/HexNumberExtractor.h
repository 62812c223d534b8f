#pragma once

#include "core/mathparser/PrefixedNumberExtractor.h"

namespace kestrom {

// Integer literals in hexadecimal ("0x1F").
class HexNumberExtractor : public PrefixedNumberExtractor {
public:
    HexNumberExtractor();
};

} // namespace kestrom
