#pragma once

#include "transport/model/DeviceCommunicationContext.h"

#include <memory>

namespace platform {
class Progress;
}

namespace fennick {

// One way to reach a device: a small value holding its settings. Every
// open() makes a new context. A concrete communicator names its context type
// as Context and offers openContext() returning it.
class DeviceCommunicator {
public:
    virtual ~DeviceCommunicator();

    // Blocks until the context is open; throws platform::Error when it cannot
    // be. The progress is the run's (cancellation, descriptions); may be null.
    virtual std::shared_ptr<DeviceCommunicationContext>
    open(platform::Progress* progress) const = 0;
};

} // namespace fennick
