#pragma once

#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <optional>

namespace kestrom {

// Values read from a saved document's settings. Each reads the stored kind
// or another kind that says the same; anything else is nothing, and the
// caller falls back to the default.
class PackageValue {
public:
    // A floating-point or integer number.
    static std::optional<double> real(const QVariant& value);
    // An integer, or a finite number without a fraction that fits.
    static std::optional<qint64> integer(const QVariant& value);
    // A boolean, or the integer 0 or 1.
    static std::optional<bool> boolean(const QVariant& value);
    static std::optional<QString> text(const QVariant& value);
    static std::optional<QVariantMap> dictionary(const QVariant& value);
};

} // namespace kestrom
