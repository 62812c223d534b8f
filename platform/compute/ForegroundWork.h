#pragma once

#include <chrono>

namespace platform::compute {

// Work a user waits on, such as a print making its picture. While one runs,
// background work that can come a moment later (the canvas's tiles) waits
// before it starts, rather than take the cores the user waits for: a redraw
// that starts with the print would make the print a third slower.
class ForegroundWork {
public:
    ForegroundWork();
    ~ForegroundWork();
    ForegroundWork(const ForegroundWork&) = delete;
    ForegroundWork& operator=(const ForegroundWork&) = delete;

    // Returns once no foreground work runs, or after `limit` at most: a long
    // print (most of it the device's time) holds nothing back for longer.
    static void waitBeforeBackground(std::chrono::milliseconds limit);
};

} // namespace platform::compute
