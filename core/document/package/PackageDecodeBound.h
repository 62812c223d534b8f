#pragma once

#include "core/document/package/DocumentSettings.h"

#include <QSize>
#include <QSizeF>
#include <QVariantMap>

#include <optional>

namespace kestrom {

// What the picture of a package being read is first decoded to cover, in
// device pixels, upright: the size the window will show it at, worked out
// from the package's settings, never more than the fallback; the fallback
// when the settings do not place the picture. Empty: the picture decodes
// whole at once.
struct PackageDecodeBound {
    // The picture's size as shown for the placement, the canvas fitted into
    // a view of `view` points at `scale` device pixels a point; nothing when
    // it would not show. Called on the reading thread.
    using Shown = std::optional<QSize> (*)(const DocumentSettings::Placement& placement,
                                           const QSizeF& view, double scale);

    PackageDecodeBound() = default;
    // Any package's picture to the one bound.
    PackageDecodeBound(const QSize& fallback) : fallback(fallback) {}
    PackageDecodeBound(const QSize& fallback, Shown shown, const QSizeF& view, double scale)
        : fallback(fallback), shown(shown), view(view), scale(scale) {}

    bool isEmpty() const { return fallback.isEmpty(); }
    // The bound for the package whose settings these are.
    QSize forSettings(const QVariantMap& settings) const;

    bool operator==(const PackageDecodeBound& other) const = default;

    QSize fallback;
    Shown shown = nullptr;
    QSizeF view;
    double scale = 1;
};

} // namespace kestrom
