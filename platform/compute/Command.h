#pragma once

#include "platform/compute/ComputePipelineState.h"
#include "platform/compute/Kernel.h"
#include "platform/compute/Region.h"

#include <memory>
#include <variant>

namespace platform::compute {

class Texture;

// One kernel dispatch as encoded: the pipeline and the bindings of that moment.
struct DispatchCommand {
    std::shared_ptr<ComputePipelineState> pipeline;
    KernelArguments arguments;
};

// One texture-to-texture copy as encoded.
struct CopyCommand {
    std::shared_ptr<Texture> source;
    Origin sourceOrigin;
    Size size;
    std::shared_ptr<Texture> destination;
    Origin destinationOrigin;
};

using Command = std::variant<DispatchCommand, CopyCommand>;

} // namespace platform::compute
