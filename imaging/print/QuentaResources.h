#pragma once

namespace platform {
class Bundle;
}

namespace quenta {

// The print image library's resource bundle, whose default kernel library
// holds the "halftone" kernel.
class QuentaResources {
public:
    // Found once per process, with its kernel registered; a build without the
    // bundle stops the process.
    static const platform::Bundle* bundle();
};

} // namespace quenta
