#include "model/units/Dpi.h"

#include <cmath>
#include <limits>

namespace ambrel {

namespace {

constexpr double mmPerInch = 25.4;

bool usable(double dpi) {
    return std::isfinite(dpi) && dpi != 0;
}

// Rounds half away from zero into the 64-bit range; NaN gives 0.
qint64 roundedToInt64(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    const double rounded = std::round(value);
    // 2^63 is exactly representable; everything at or beyond it saturates.
    constexpr double limit = 9223372036854775808.0;
    if (rounded >= limit) {
        return std::numeric_limits<qint64>::max();
    }
    if (rounded < -limit) {
        return std::numeric_limits<qint64>::min();
    }
    return qint64(rounded);
}

qint64 truncatedToInt64(double value) {
    return roundedToInt64(std::trunc(value));
}

} // namespace

double Dpi::mm(qint64 imagePx) const {
    if (!usable(m_rawValue)) {
        return 0;
    }
    const double result = std::round(((double(imagePx) / m_rawValue) * mmPerInch) * 10) / 10;
    return std::isfinite(result) ? result : 0;
}

Size_mm Dpi::mm(const Size_px& imagePx) const {
    return {mm(imagePx.width), mm(imagePx.height)};
}

Rect_mm Dpi::mm(const QRectF& imagePx) const {
    return {{mm(truncatedToInt64(imagePx.x())), mm(truncatedToInt64(imagePx.y()))},
            {mm(truncatedToInt64(imagePx.width())), mm(truncatedToInt64(imagePx.height()))}};
}

qint64 Dpi::imagePx(double mm) const {
    if (!usable(m_rawValue)) {
        return 0;
    }
    return roundedToInt64((mm / mmPerInch) * m_rawValue);
}

Size_px Dpi::imagePx(const Size_mm& mm) const {
    return {imagePx(mm.width), imagePx(mm.height)};
}

Point_px Dpi::imagePx(const Point_mm& mm) const {
    return {imagePx(mm.x), imagePx(mm.y)};
}

Rect_px Dpi::imagePx(const Rect_mm& mm) const {
    return {imagePx(mm.origin), imagePx(mm.size)};
}

QString Dpi::description() const {
    return QString::asprintf("%g dpi", m_rawValue);
}

} // namespace ambrel
