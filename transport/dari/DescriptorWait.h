#pragma once

#include <chrono>
#include <optional>

namespace platform {
class Progress;
}

namespace dari {

// Waits for a socket or a port to become readable or writable in short
// steps, so that a device that stops answering never holds a run whose
// progress was cancelled.
class DescriptorWait {
public:
    // The longest time between two looks at the progress.
    static constexpr std::chrono::milliseconds step{100};

    // True when the descriptor is ready for the events (or has failed, which
    // the next transfer reports), false when the limit passed first. Throws
    // platform::CancellationError once the progress (may be null) is
    // cancelled. Without a limit it waits as long as it takes.
    static bool wait(int fileDescriptor, short events, const platform::Progress* progress,
                     std::optional<std::chrono::milliseconds> limit = std::nullopt);
};

} // namespace dari
