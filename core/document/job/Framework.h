#pragma once

#include "model/texts/LocalizedStringTable.h"
#include "platform/Bundle.h"

namespace kestrom {

// The application framework's own resources.
class Framework {
public:
    // The bundle of this library, "KestromCore".
    static const platform::Bundle* frameworkBundle();
    // The bundle's default string table: every text of the document core,
    // the inspector and the window is looked up here.
    static const ambrel::LocalizedStringTable& frameworkStringTable();
};

} // namespace kestrom
