#pragma once

namespace platform {

// Whether the program's first window is still being drawn. Background work
// on many threads at once (a picture made gray for the print, on every core)
// would hold that frame back: such work runs on one thread while the gate
// is closed. The program closes it as it starts with documents and opens it
// once their window's first frame is drawn. Open unless closed.
class FirstFrameGate {
public:
    static void close();
    static void open();
    static bool isOpen();
};

} // namespace platform
