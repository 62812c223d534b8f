#include "platform/Pause.h"

#include "platform/CancellationError.h"
#include "platform/Progress.h"

#include <thread>

namespace platform {

void Pause::sleep(std::chrono::milliseconds duration, const Progress* progress) {
    if (!progress) {
        std::this_thread::sleep_for(duration);
        return;
    }
    if (progress->waitForCancellation(duration)) {
        throw CancellationError();
    }
}

} // namespace platform
