#pragma once

#include "model/units/Size_mm.h"
#include "model/units/Size_px.h"

#include <variant>

namespace ambrel {

// A picture's natural size: whole pixels for a raster picture, millimetres
// (rounded to a tenth) for a vector page. Equal only when of the same kind
// with equal sides.
class OriginalSizeInfo {
public:
    static OriginalSizeInfo px(const Size_px& size) { return OriginalSizeInfo(size); }
    static OriginalSizeInfo mm(const Size_mm& size) { return OriginalSizeInfo(size); }

    bool isPx() const { return std::holds_alternative<Size_px>(m_size); }
    bool isMm() const { return std::holds_alternative<Size_mm>(m_size); }
    // The size of the kind the info holds; the other gives zeros.
    Size_px pxSize() const { return isPx() ? std::get<Size_px>(m_size) : Size_px{}; }
    Size_mm mmSize() const { return isMm() ? std::get<Size_mm>(m_size) : Size_mm{}; }

    bool operator==(const OriginalSizeInfo&) const = default;

private:
    explicit OriginalSizeInfo(std::variant<Size_px, Size_mm> size) : m_size(size) {}

    std::variant<Size_px, Size_mm> m_size;
};

} // namespace ambrel
