#pragma once

#include "imaging/gpu/SildorContext.h"

#include <QList>

namespace platform::compute {
class ComputeCommandEncoder;
}

namespace sildor {

// One kernel dispatch an image can run. The image binds the textures; the
// function sets the pipeline and every parameter.
class SildorImageFunction {
public:
    virtual ~SildorImageFunction() = default;

    // Every kernel the function's type may need.
    virtual QList<SildorContext::FunctionDescriptor> typeFunctionDescriptors() const = 0;

    // Sets the pipeline state and the parameter buffers of one dispatch.
    // Throws what the context throws for a kernel it cannot provide.
    virtual void setupComputeEncoder(platform::compute::ComputeCommandEncoder& encoder,
                                     SildorContext& context) const = 0;
};

} // namespace sildor
