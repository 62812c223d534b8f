#pragma once

#include <QVariant>

namespace ambrel {

// Helpers for values of any type (parameter defaults, saved setting values),
// which the system carries as QVariant.
//
// Equality is explicit rather than QVariant's own: numbers compare by numeric
// value whatever their stored type, so the integer 1 equals the double 1.0
// (a value read back from a property list may come back as either); a Boolean
// equals only a Boolean, so true never equals 1; texts compare exactly; an
// empty QVariant ("no value") equals only another empty one. Values of other
// types are equal when their types match and QVariant compares them equal.
class AnyValue {
public:
    // Integers and floating-point numbers of any width; Booleans are not numbers.
    static bool isNumber(const QVariant& value);
    static bool equal(const QVariant& a, const QVariant& b);
};

} // namespace ambrel
