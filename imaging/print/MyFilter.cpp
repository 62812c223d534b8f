#include "imaging/print/MyFilter.h"

#include "imaging/gpu/SildorImageFunctionParameter.h"
#include "imaging/print/QuentaResources.h"
#include "platform/compute/ComputeCommandEncoder.h"

namespace quenta {

QList<sildor::SildorContext::FunctionDescriptor> MyFilter::functionDescriptors() {
    return {{QuentaResources::bundle(), QStringLiteral("halftone")}};
}

void MyFilter::setupComputeEncoder(platform::compute::ComputeCommandEncoder& encoder,
                                   sildor::SildorContext& context) const {
    encoder.setComputePipelineState(context.pipelineState(functionDescriptors().constFirst()));
    const float angle = sildor::metalValue(m_angle);
    const auto offset = sildor::metalValue(m_patternOffset);
    const auto scale = sildor::metalValue(m_patternScale);
    encoder.setBytes(&angle, sizeof(angle), 0);
    encoder.setBytes(&offset, sizeof(offset), 1);
    encoder.setBytes(&scale, sizeof(scale), 2);
}

} // namespace quenta
