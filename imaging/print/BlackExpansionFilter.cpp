#include "imaging/print/BlackExpansionFilter.h"

#include "imaging/print/QuentaResources.h"
#include "platform/compute/ComputeCommandEncoder.h"

#include <algorithm>
#include <cstdint>

namespace quenta {

namespace {

// Only a preview has dots of several pixels; the work grows with their side,
// so larger dots are widened by this many pixels.
constexpr qint64 maxPixelsPerDot = 64;

} // namespace

QList<sildor::SildorContext::FunctionDescriptor> BlackExpansionFilter::functionDescriptors() {
    return {{QuentaResources::bundle(), QStringLiteral("expandBlack")}};
}

void BlackExpansionFilter::setupComputeEncoder(platform::compute::ComputeCommandEncoder& encoder,
                                               sildor::SildorContext& context) const {
    encoder.setComputePipelineState(context.pipelineState(functionDescriptors().constFirst()));
    // Beyond the kernel's range every level paints the same.
    const auto level = std::int32_t(std::clamp<qint64>(m_level, -6, 6));
    const auto pixelsPerDot = std::int32_t(std::clamp<qint64>(m_pixelsPerDot, 1, maxPixelsPerDot));
    encoder.setBytes(&level, sizeof(level), 0);
    encoder.setBytes(&pixelsPerDot, sizeof(pixelsPerDot), 1);
}

} // namespace quenta
