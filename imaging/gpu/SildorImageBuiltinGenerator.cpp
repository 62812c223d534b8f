#include "imaging/gpu/SildorImageBuiltinGenerator.h"

#include "imaging/gpu/SildorImageFunctionParameter.h"
#include "imaging/gpu/SildorImageResources.h"
#include "platform/compute/ComputeCommandEncoder.h"

#include <atomic>

namespace sildor {

namespace {
std::atomic<const platform::Bundle*>& assignedBundle() {
    static std::atomic<const platform::Bundle*> b{nullptr};
    return b;
}
} // namespace

const platform::Bundle* SildorImageBuiltinGenerator::bundle() {
    const platform::Bundle* b = assignedBundle().load();
    return b != nullptr ? b : SildorImageResources::bundle();
}

void SildorImageBuiltinGenerator::setBundle(const platform::Bundle* bundle) {
    assignedBundle().store(bundle);
}

QList<SildorContext::FunctionDescriptor> SildorImageBuiltinGenerator::functionDescriptors() {
    return {{bundle(), QStringLiteral("solidColor")}};
}

void SildorImageBuiltinGenerator::setupComputeEncoder(
    platform::compute::ComputeCommandEncoder& encoder, SildorContext& context) const {
    encoder.setComputePipelineState(context.pipelineState({bundle(), kernelName()}));
    const float color = metalValue(m_color);
    encoder.setBytes(&color, sizeof(color), 0);
}

} // namespace sildor
