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
    // The grid in bands of whole threadgroup rows.
    std::vector<ThreadRect> bands(const KernelArguments& arguments) const;
    // Runs the work over the grid in those bands.
    void runTiles(const KernelArguments& arguments, const TileWork& work);
    // Runs a kernel that reads the rows around its own, given the bands.
    void runBands(const KernelArguments& arguments, const Kernel& kernel, const ByteMap& sourceMap);
    void runOver(const std::vector<ThreadRect>& rects, const TileWork& work);

    Device& m_device;
};

} // namespace platform::compute
