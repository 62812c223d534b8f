#include "core/document/FrameworkStrings.h"

namespace kestrom {

const platform::Bundle* FrameworkStrings::bundle() {
    return platform::Bundle::named(QStringLiteral("KestromCore"));
}

const ambrel::LocalizedStringTable& FrameworkStrings::table() {
    static const ambrel::LocalizedStringTable table(bundle());
    return table;
}

} // namespace kestrom
