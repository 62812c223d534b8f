#include "core/document/job/OptionValue.h"

#include "model/parameters/AnyValue.h"

#include <cmath>

namespace kestrom {

std::optional<double> OptionValue::finiteNumber(const QVariant& value) {
    if (!ambrel::AnyValue::isNumber(value)) {
        return std::nullopt;
    }
    const double number = value.toDouble();
    return std::isfinite(number) ? std::optional<double>(number) : std::nullopt;
}

std::optional<qint64> OptionValue::wholeNumber(const QVariant& value) {
    if (!ambrel::AnyValue::isNumber(value)) {
        return std::nullopt;
    }
    if (value.typeId() != QMetaType::Double && value.typeId() != QMetaType::Float) {
        return value.toLongLong();
    }
    const double number = value.toDouble();
    // 2^63 is the first double beyond the range of qint64.
    if (!std::isfinite(number) || number != std::trunc(number) || number < -9.2233720368547758e18 ||
        number >= 9.2233720368547758e18) {
        return std::nullopt;
    }
    return qint64(number);
}

} // namespace kestrom
