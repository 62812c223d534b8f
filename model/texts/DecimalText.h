#pragma once

#include <QString>

namespace ambrel {

// Numbers written the way the system shows them to people and in identifiers:
// the shortest decimal text that reads back to the same double.
class DecimalText {
public:
    // Always shows a fraction or an exponent: 297 gives "297.0", 297.5 gives
    // "297.5", 1e20 gives "1e+20". Infinities and NaN give "inf", "-inf", "nan".
    static QString shortest(double value);
    // The same text without a trailing ".0": 297 gives "297".
    static QString compact(double value);
};

} // namespace ambrel
