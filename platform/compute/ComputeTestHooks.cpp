#include "platform/compute/ComputeTestHooks.h"

#include <atomic>

namespace platform::compute {

namespace {

std::atomic<unsigned>& faults() {
    static std::atomic<unsigned> bits{0};
    return bits;
}

unsigned bit(ComputeTestHooks::Fault fault) {
    return 1u << unsigned(fault);
}

} // namespace

void ComputeTestHooks::setFault(Fault fault, bool on) {
    if (on) {
        faults().fetch_or(bit(fault));
    } else {
        faults().fetch_and(~bit(fault));
    }
}

bool ComputeTestHooks::hasFault(Fault fault) {
    return (faults().load() & bit(fault)) != 0;
}

void ComputeTestHooks::clearAll() {
    faults().store(0);
}

} // namespace platform::compute
