#pragma once

namespace platform {
class Bundle;
}

namespace sildor {

// The graphics library's kernels: "level", "gamma", "threshold",
// "gaussianBlur", "rotate90" and "solidColor". Samples are fractions
// s = byte / 255; results are stored by KernelMath's rule.
class BuiltinKernels {
public:
    static void registerAll(const platform::Bundle* bundle);
};

} // namespace sildor
