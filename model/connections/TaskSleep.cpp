#include "model/connections/TaskSleep.h"

#include "platform/CancellationError.h"
#include "platform/Pause.h"
#include "platform/Progress.h"

#include <chrono>
#include <cmath>
#include <thread>

namespace ambrel {

void TaskSleep::sleep(double forTimeInterval, const platform::Progress* progress) {
    const auto nanoseconds = std::chrono::nanoseconds(qint64(std::trunc(forTimeInterval * 1e9)));
    const auto milliseconds = std::chrono::duration_cast<std::chrono::milliseconds>(nanoseconds);
    if (progress) {
        progress->throwIfCancelled();
    }
    platform::Pause::sleep(milliseconds, progress);
    std::this_thread::sleep_for(nanoseconds - milliseconds);
    if (progress) {
        progress->throwIfCancelled();
    }
}

} // namespace ambrel
