#pragma once

#include <QString>

#include <optional>

namespace kestrom {

// Numbers to and from text in the C grammar, independent of the process locale.
class NumberText {
public:
    // The value of a whole decimal text ("1.5e-3"); not-a-number when the
    // text is not one. Overflow gives an infinity, underflow zero.
    static double readDecimal(const QString& text);
    // The value when the whole text is a C floating-point number, else none.
    static std::optional<double> readWholeText(const QString& text);
    // Shortest digits that read back as the value, always with a fractional
    // part for integral values ("3.0"), exponent form for very large and very
    // small magnitudes, and "inf", "-inf", "nan".
    static QString describe(double value);
};

} // namespace kestrom
