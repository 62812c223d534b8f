#pragma once

#include "model/units/ClosedRange.h"
#include "model/units/Size_mm.h"

#include <optional>
#include <variant>

namespace ambrel {

// The shape of a medium: flat, or a cylinder whose diameter may vary.
class CanvasForm {
public:
    struct Plane {
        Size_mm size_mm;
        bool operator==(const Plane&) const = default;
    };
    struct VariableCylinder {
        double width_mm = 0;
        ClosedRange<double> diameterRange{0, 0};
        bool operator==(const VariableCylinder&) const = default;
    };

    static CanvasForm plane(const Size_mm& size_mm) { return CanvasForm(Plane{size_mm}); }
    static CanvasForm variableCylinder(double width_mm, const ClosedRange<double>& diameterRange) {
        return CanvasForm(VariableCylinder{width_mm, diameterRange});
    }

    const Plane* asPlane() const { return std::get_if<Plane>(&m_form); }
    const VariableCylinder* asVariableCylinder() const {
        return std::get_if<VariableCylinder>(&m_form);
    }

    bool operator==(const CanvasForm&) const = default;

private:
    explicit CanvasForm(std::variant<Plane, VariableCylinder> form) : m_form(form) {}

    std::variant<Plane, VariableCylinder> m_form;
};

} // namespace ambrel
