#include "model/parameters/AnyValue.h"

#include <cmath>

namespace ambrel {

namespace {

bool isInteger(const QVariant& v) {
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
        return true;
    default:
        return false;
    }
}

bool isFloatingPoint(const QVariant& v) {
    return v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Float;
}

bool isUnsigned(const QVariant& v) {
    return v.typeId() == QMetaType::UInt || v.typeId() == QMetaType::ULong ||
           v.typeId() == QMetaType::ULongLong;
}

} // namespace

bool AnyValue::isNumber(const QVariant& value) {
    return isInteger(value) || isFloatingPoint(value);
}

bool AnyValue::equal(const QVariant& a, const QVariant& b) {
    if (!a.isValid() || !b.isValid()) {
        return a.isValid() == b.isValid();
    }
    if (isNumber(a) && isNumber(b)) {
        if (isInteger(a) && isInteger(b)) {
            // Exact, also beyond the 53 bits a double holds.
            if (isUnsigned(a) || isUnsigned(b)) {
                const bool aNegative = !isUnsigned(a) && a.toLongLong() < 0;
                const bool bNegative = !isUnsigned(b) && b.toLongLong() < 0;
                return aNegative == bNegative && (aNegative ? a.toLongLong() == b.toLongLong()
                                                            : a.toULongLong() == b.toULongLong());
            }
            return a.toLongLong() == b.toLongLong();
        }
        return a.toDouble() == b.toDouble();
    }
    if (a.typeId() != b.typeId()) {
        return false;
    }
    return a == b;
}

} // namespace ambrel
