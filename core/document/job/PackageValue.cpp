#include "core/document/job/PackageValue.h"

#include <cmath>

namespace kestrom {

namespace {

bool isInteger(const QVariant& v) {
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return true;
    default:
        return false;
    }
}

} // namespace

std::optional<double> PackageValue::real(const QVariant& v) {
    if (v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Float) {
        return v.toDouble();
    }
    if (isInteger(v)) {
        return double(v.toLongLong());
    }
    return std::nullopt;
}

std::optional<qint64> PackageValue::integer(const QVariant& v) {
    if (isInteger(v)) {
        return v.toLongLong();
    }
    if (const auto d = real(v);
        d && std::isfinite(*d) && std::trunc(*d) == *d && std::abs(*d) < 9.0e18) {
        return qint64(*d);
    }
    return std::nullopt;
}

std::optional<bool> PackageValue::boolean(const QVariant& v) {
    if (v.typeId() == QMetaType::Bool) {
        return v.toBool();
    }
    if (const auto i = integer(v); i && (*i == 0 || *i == 1)) {
        return *i == 1;
    }
    return std::nullopt;
}

std::optional<QString> PackageValue::text(const QVariant& v) {
    if (v.typeId() == QMetaType::QString) {
        return v.toString();
    }
    return std::nullopt;
}

std::optional<QVariantMap> PackageValue::dictionary(const QVariant& v) {
    if (v.typeId() == QMetaType::QVariantMap) {
        return v.toMap();
    }
    return std::nullopt;
}

} // namespace kestrom
