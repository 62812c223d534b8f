#include "imaging/print/BlackConversion.h"

#include <cmath>

namespace quenta {

using sildor::SildorImageBuiltinFilter;

std::vector<BlackConversion::Filter>
BlackConversion::filters(const ambrel::BlackConversion& conversion,
                         const OutputConfiguration& configuration) {
    if (const auto threshold = conversion.thresholdOption()) {
        // The expansion level is the column sender's business, not a kernel's.
        return {SildorImageBuiltinFilter::threshold(threshold->threshold)};
    }
    const auto option = *conversion.halftoneOption();
    std::vector<Filter> chain{
        SildorImageBuiltinFilter::level(option.blackClampFactor, 1.0 - option.whiteClampFactor)};
    if (configuration.purpose == OutputConfiguration::Purpose::preview) {
        // The preview stays gray: no screen.
        chain.emplace_back(SildorImageBuiltinFilter::gamma(1.0 - option.brightnessFactor));
        return chain;
    }
    if (configuration.deviceAdditionalInfo && configuration.deviceAdditionalInfo->halftone &&
        configuration.deviceAdditionalInfo->halftone->deviceGamma) {
        chain.emplace_back(SildorImageBuiltinFilter::gamma(
            *configuration.deviceAdditionalInfo->halftone->deviceGamma));
    }
    chain.emplace_back(SildorImageBuiltinFilter::gamma(1.0 - option.brightnessFactor));
    constexpr double pi = 3.141592653589793;
    const double angle =
        (option.angle_deg + double(configuration.filterRotationCount) * 90.0) * pi / 180.0;
    const double cell = configuration.dpi.rawValue() * 0.5 / option.linesPerInch;
    chain.emplace_back(MyFilter::halftone(angle, configuration.filterOffset, QSizeF(cell, cell)));
    return chain;
}

void BlackConversion::apply(const ambrel::BlackConversion& conversion, sildor::SildorImage& image,
                            const OutputConfiguration& configuration) {
    const auto chain = filters(conversion, configuration);
    std::vector<const sildor::SildorImageFilter*> pointers;
    pointers.reserve(chain.size());
    for (const Filter& f : chain) {
        pointers.push_back(std::visit(
            [](const auto& filter) -> const sildor::SildorImageFilter* { return &filter; }, f));
    }
    image.apply(pointers);
}

void BlackConversion::apply(const ambrel::BlackConversion& conversion, std::uint8_t* gray8Pixels,
                            const ambrel::Size_px& size_px,
                            const OutputConfiguration& configuration) {
    if (gray8Pixels == nullptr || size_px.width <= 0 || size_px.height <= 0) {
        return;
    }
    const bool printing = configuration.purpose == OutputConfiguration::Purpose::output;
    const std::size_t width = std::size_t(size_px.width);
    const std::size_t height = std::size_t(size_px.height);
    std::shared_ptr<sildor::SildorContext> context;
    try {
        context = std::make_shared<sildor::SildorContext>();
    } catch (const platform::Error&) {
        if (printing) {
            throw;
        }
        return;
    }
    auto image = sildor::SildorImage::make(context, sildor::SildorImage::Size{width, height, 1});
    if (!image) {
        if (printing) {
            throw sildor::SildorImage::FunctionError(
                sildor::SildorImage::FunctionError::Case::noTexture);
        }
        return;
    }
    if (!image->replace(gray8Pixels, std::nullopt, width)) {
        if (printing) {
            throw sildor::SildorImage::FunctionError(
                sildor::SildorImage::FunctionError::Case::noTexture);
        }
        return;
    }
    try {
        apply(conversion, *image, configuration);
    } catch (const platform::Error&) {
        if (printing) {
            throw;
        }
        // The preview shows what the image holds: the picture as uploaded.
    }
    // A print must never go out with bytes that were not read back.
    if (!image->getBytes(gray8Pixels, width) && printing) {
        throw sildor::SildorImage::FunctionError(
            sildor::SildorImage::FunctionError::Case::noTexture);
    }
}

} // namespace quenta
