#pragma once

namespace platform {
class Progress;
}

namespace ambrel {

class TaskSleep {
public:
    // Pauses the calling thread for the interval (seconds, 0 or more, to the
    // whole nanosecond, fraction dropped). Throws platform::CancellationError
    // when the progress is or becomes cancelled.
    static void sleep(double forTimeInterval, const platform::Progress* progress);
};

} // namespace ambrel
