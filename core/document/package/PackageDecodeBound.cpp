#include "core/document/package/PackageDecodeBound.h"

namespace kestrom {

QSize PackageDecodeBound::forSettings(const QVariantMap& settings) const {
    if (isEmpty() || !shown) {
        return fallback;
    }
    const auto placement = DocumentSettings::placement(settings);
    const auto size = placement ? shown(*placement, view, scale) : std::nullopt;
    if (!size || size->isEmpty()) {
        return fallback;
    }
    // A picture larger than the view shows only in part: the fallback's
    // decode covers the view, and its whole pixels follow.
    return size->boundedTo(fallback);
}

} // namespace kestrom
