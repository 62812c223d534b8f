#include "platform/compute/ForegroundWork.h"

#include <condition_variable>
#include <mutex>

namespace platform::compute {

namespace {

struct Running {
    std::mutex mutex;
    std::condition_variable ended;
    int count = 0;
};

Running& running() {
    static Running r;
    return r;
}

} // namespace

ForegroundWork::ForegroundWork() {
    std::lock_guard lock(running().mutex);
    ++running().count;
}

ForegroundWork::~ForegroundWork() {
    Running& r = running();
    {
        std::lock_guard lock(r.mutex);
        --r.count;
    }
    r.ended.notify_all();
}

void ForegroundWork::waitBeforeBackground(std::chrono::milliseconds limit) {
    Running& r = running();
    std::unique_lock lock(r.mutex);
    r.ended.wait_for(lock, limit, [&r] { return r.count == 0; });
}

} // namespace platform::compute
