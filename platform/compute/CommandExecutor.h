#pragma once

#include "platform/compute/Command.h"

#include <vector>

namespace platform::compute {

class Device;

// Runs a committed command list on the device's workers. A run of byte-map
// dispatches, each reading the texture the previous one wrote, is folded into
// one table and applied in a single pass (or inside the next kernel's pass
// when that kernel takes a source table). Only the last texture of such a run
// receives pixels; the scratch textures in between are not written. Kernels
// that read each pixel at its own place may take one texture as both source
// and destination.
class CommandExecutor {
public:
    explicit CommandExecutor(Device& device) : m_device(device) {}

    void run(const std::vector<Command>& commands);

private:
    void copy(const CopyCommand& command);
    // Runs the work over the grid in bands of whole threadgroup rows.
    void runTiles(const KernelArguments& arguments, const TileWork& work);

    Device& m_device;
};

} // namespace platform::compute
