#include "transport/dari/DescriptorWait.h"

#include "platform/CancellationError.h"
#include "platform/Progress.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>

namespace dari {

bool DescriptorWait::wait(int fileDescriptor, short events, const platform::Progress* progress,
                          std::optional<std::chrono::milliseconds> limit) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = limit ? std::optional(Clock::now() + *limit) : std::nullopt;
    for (;;) {
        if (progress && progress->isCancelled()) {
            throw platform::CancellationError();
        }
        auto slice = step;
        if (deadline) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(*deadline - Clock::now());
            if (left.count() <= 0) {
                return false;
            }
            slice = std::min(slice, left);
        }
        pollfd p{fileDescriptor, events, 0};
        const int ready = ::poll(&p, 1, int(slice.count()));
        if (ready > 0 || (ready < 0 && errno != EINTR)) {
            return true;
        }
    }
}

} // namespace dari
