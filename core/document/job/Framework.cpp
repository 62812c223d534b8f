#include "core/document/job/Framework.h"

namespace kestrom {

const platform::Bundle* Framework::frameworkBundle() {
    static const platform::Bundle* bundle = platform::Bundle::named(QStringLiteral("KestromCore"));
    return bundle;
}

const ambrel::LocalizedStringTable& Framework::frameworkStringTable() {
    static const ambrel::LocalizedStringTable table(frameworkBundle());
    return table;
}

} // namespace kestrom
