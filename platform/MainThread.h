#pragma once

#include <functional>

namespace platform {

// Hands work to the main thread. In the application the Qt event loop runs
// the posted functions; tests without a running loop call drain().
class MainThread {
public:
    static void post(std::function<void()> work);
    // Runs everything posted so far (and what that posts) on the calling
    // thread; returns how many functions ran.
    static int drain();
    static bool isCurrent();
};

} // namespace platform
