#pragma once

#include "platform/worker/PictureWorkerProtocol.h"

#include <cstdint>

namespace platform {

// How a picture worker confines itself before it reads any document: the
// kernel's limits on its memory, processor time, stack and files, no core
// dumps, no capabilities, no new privileges, and the system-call filter
// (PictureWorkerFilter); and a watch that ends it the moment the program's
// end of its socket goes, whatever it is drawing.
class PictureWorkerSandbox {
public:
    // Closes every inherited descriptor but the standard ones and `keep`.
    static void closeOtherFiles(int keep);
    // False, with a line on standard error, when any part could not be put
    // in place: the worker must not serve then.
    static bool enter(int channelFd);

    // The soft limits for the request about to be served: the address
    // space it may add to what the worker holds now, and processor seconds
    // from now; the hard limits bound both.
    static void limitRequest(std::uint64_t addressSpaceGrowth, std::uint64_t processorSeconds);
    // The processor time this process has taken.
    static double processorSeconds();

    // Tries what the confinement forbids, for the tests.
    static PictureWorkerProtocol::ProbeResults probe();
};

} // namespace platform
