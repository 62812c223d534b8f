#pragma once

#include "model/pictures/BlackConversionHalftoneOption.h"
#include "model/pictures/BlackConversionThresholdOption.h"
#include "model/pictures/BlackConversionType.h"

#include <optional>
#include <variant>

namespace ambrel {

// How a gray picture becomes black dots: a threshold or a halftone screen,
// each with its settings. It has no saved form of its own: a holder saves the
// type by its string form and each option separately.
class BlackConversion {
public:
    using ThresholdOption = BlackConversionThresholdOption;
    using HalftoneOption = BlackConversionHalftoneOption;

    static BlackConversion threshold(const ThresholdOption& option = {}) {
        return BlackConversion(option);
    }
    static BlackConversion halftone(const HalftoneOption& option = {}) {
        return BlackConversion(option);
    }

    BlackConversionType type() const {
        return std::holds_alternative<HalftoneOption>(m_value) ? BlackConversionType::halftone
                                                               : BlackConversionType::threshold;
    }
    // The option of the case, or nothing for the other case.
    std::optional<ThresholdOption> thresholdOption() const {
        if (auto o = std::get_if<ThresholdOption>(&m_value)) {
            return *o;
        }
        return std::nullopt;
    }
    std::optional<HalftoneOption> halftoneOption() const {
        if (auto o = std::get_if<HalftoneOption>(&m_value)) {
            return *o;
        }
        return std::nullopt;
    }

    bool operator==(const BlackConversion&) const = default;

private:
    explicit BlackConversion(std::variant<ThresholdOption, HalftoneOption> value)
        : m_value(value) {}

    std::variant<ThresholdOption, HalftoneOption> m_value;
};

} // namespace ambrel
