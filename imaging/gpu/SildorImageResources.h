#pragma once

namespace platform {
class Bundle;
}

namespace sildor {

// The graphics library's resource bundle, whose default kernel library holds
// the built-in kernels.
class SildorImageResources {
public:
    // Found once per process, with its kernels registered; a build without
    // the bundle stops the process.
    static const platform::Bundle* bundle();
};

} // namespace sildor
