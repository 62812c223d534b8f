#pragma once

#include <QVariant>

#include <optional>

namespace kestrom {

// Numbers read from key-value writes and saved dictionaries. Booleans and
// texts are not numbers; numbers that are not finite are never stored.
class OptionValue {
public:
    static std::optional<double> finiteNumber(const QVariant& value);
    // An integer, or a floating-point number without a fraction that fits.
    static std::optional<qint64> wholeNumber(const QVariant& value);
};

} // namespace kestrom
