#pragma once

#include "model/LocalizedStringTable.h"

namespace kestrom {

// The framework's own texts: the default table of the KestromCore bundle.
class FrameworkStrings {
public:
    static const platform::Bundle* bundle();
    static const ambrel::LocalizedStringTable& table();
};

} // namespace kestrom
