#pragma once

#include "core/mathparser/PrefixedNumberExtractor.h"

namespace kestrom {

// Integer literals in octal ("0o17").
class OctalNumberExtractor : public PrefixedNumberExtractor {
public:
    OctalNumberExtractor();
};

} // namespace kestrom
