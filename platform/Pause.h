#pragma once

#include <chrono>
#include <functional>

namespace platform {

class Progress;

// A pause inside a run. It ends early with a CancellationError as soon as the
// run's progress is cancelled.
class Pause {
public:
    static void sleep(std::chrono::milliseconds duration, const Progress* progress);
};

} // namespace platform
