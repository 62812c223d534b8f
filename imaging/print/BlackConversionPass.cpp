#include "imaging/print/BlackConversionPass.h"

#include <cmath>

namespace quenta {

using sildor::SildorImageBuiltinFilter;

std::vector<BlackConversionPass::Filter>
BlackConversionPass::filters(const ambrel::BlackConversion& conversion,
                             const OutputConfiguration& configuration) {
    if (const auto threshold = conversion.thresholdOption()) {
        std::vector<Filter> chain{SildorImageBuiltinFilter::threshold(threshold->threshold)};
        // Only a model that offers the expansion gets it, after the threshold.
        const auto& info = configuration.deviceAdditionalInfo;
        const bool offered = info && info->threshold && info->threshold->isExpansionAvailable &&
                             *info->threshold->isExpansionAvailable;
        const qint64 level =
            ambrel::BlackConversion::ThresholdOption::ClampedValueRanges::expansionLevel.clamped(
                threshold->expansionLevel);
        if (offered && level != 0 && configuration.pixelsPerDeviceDot >= 1) {
            chain.emplace_back(BlackExpansionFilter(level, configuration.pixelsPerDeviceDot));
        }
        return chain;
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

namespace {

std::vector<const sildor::SildorImageFilter*>
pointersTo(const std::vector<BlackConversionPass::Filter>& chain) {
    std::vector<const sildor::SildorImageFilter*> pointers;
    pointers.reserve(chain.size());
    for (const BlackConversionPass::Filter& f : chain) {
        pointers.push_back(std::visit(
            [](const auto& filter) -> const sildor::SildorImageFilter* { return &filter; }, f));
    }
    return pointers;
}

} // namespace

void BlackConversionPass::apply(const ambrel::BlackConversion& conversion,
                                sildor::SildorImage& image,
                                const OutputConfiguration& configuration) {
    const auto chain = filters(conversion, configuration);
    image.apply(pointersTo(chain));
}

void BlackConversionPass::apply(const ambrel::BlackConversion& conversion,
                                std::uint8_t* gray8Pixels, const ambrel::Size_px& size_px,
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
    // Every kernel of a conversion reads each pixel at its own place, so the
    // chain runs over the caller's bytes where they lie: no upload, no
    // scratch picture, no read-back.
    auto image = sildor::SildorImage::makeOver(context, gray8Pixels,
                                               sildor::SildorImage::Size{width, height, 1});
    if (!image) {
        if (printing) {
            throw sildor::SildorImage::FunctionError(
                sildor::SildorImage::FunctionError::Case::noTexture);
        }
        return;
    }
    const auto chain = filters(conversion, configuration);
    try {
        // Every kernel is set up before any runs: a failure leaves the bytes
        // as they were.
        image->applyInPlace(pointersTo(chain));
    } catch (const platform::Error&) {
        if (printing) {
            throw;
        }
    }
}

} // namespace quenta
