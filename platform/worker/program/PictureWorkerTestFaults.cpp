#include "platform/worker/program/PictureWorkerTestFaults.h"

#include "platform/worker/PictureWorkerLimits.h"

#include <atomic>
#include <chrono>
#include <csignal>

namespace platform {

namespace {

bool faultsEnabled = false;

} // namespace

void PictureWorkerTestFaults::readSetting() {
    faultsEnabled = PictureWorkerLimits::testFaultsEnabled();
}

bool PictureWorkerTestFaults::enabled() {
    return faultsEnabled;
}

void PictureWorkerTestFaults::act(Stage stage, QByteArrayView document) {
    if (!faultsEnabled) {
        return;
    }
    const bool opening = stage == Stage::open;
    if (document.contains(QByteArrayView(opening ? crashOnOpen : crashOnRender))) {
        std::raise(SIGSEGV);
    }
    if (opening) {
        return;
    }
    if (document.contains(QByteArrayView(stallOnRender))) {
        // Busy, as a library caught in a loop is.
        std::atomic<unsigned> spins{0};
        for (;;) {
            spins.fetch_add(1, std::memory_order_relaxed);
        }
    }
    if (document.contains(QByteArrayView(slowRender))) {
        // Busy for a while, as a page that takes long to draw keeps it.
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
        std::atomic<unsigned> spins{0};
        while (std::chrono::steady_clock::now() < until) {
            spins.fetch_add(1, std::memory_order_relaxed);
        }
    }
}

} // namespace platform
