#pragma once

#include "model/units/JsonReader.h"
#include "model/units/Rect_mm.h"
#include "model/units/Rect_px.h"

#include <QRectF>
#include <QString>

#include <compare>

namespace ambrel {

// A resolution in dots per inch, with the conversions between device pixels
// and millimetres. Millimetres are rounded to a tenth, pixels to whole pixels,
// both with halves away from zero.
//
// Results that cannot be represented never fail: a resolution of 0 (or one
// that is not finite) gives 0 in both directions, a not-a-number length gives
// 0, and pixel counts beyond the 64-bit range stop at its ends.
class Dpi {
public:
    constexpr explicit Dpi(double rawValue = 0) : m_rawValue(rawValue) {}

    constexpr double rawValue() const { return m_rawValue; }

    double mm(qint64 imagePx) const;
    Size_mm mm(const Size_px& imagePx) const;
    // Each component is first truncated toward zero to a whole pixel.
    Rect_mm mm(const QRectF& imagePx) const;

    qint64 imagePx(double mm) const;
    Size_px imagePx(const Size_mm& mm) const;
    Point_px imagePx(const Point_mm& mm) const;
    Rect_px imagePx(const Rect_mm& mm) const;

    // "300 dpi", "127.5 dpi": printf's %g of the raw value.
    QString description() const;

    // Encoded as its raw value, a single number.
    static Dpi decode(const JsonReader& reader) { return Dpi(reader.number()); }

    constexpr auto operator<=>(const Dpi&) const = default;

private:
    double m_rawValue;
};

} // namespace ambrel
