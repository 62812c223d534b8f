#include "platform/worker/PictureWorkerLimits.h"

#include "platform/compute/ThreadPool.h"
#include "platform/graphics/ImageLimits.h"

#include <QByteArray>
#include <QtGlobal>

#include <algorithm>

namespace platform {

namespace {

constexpr std::uint64_t gibibyte = std::uint64_t(1) << 30;
// The libraries, their heaps and threads' stacks, and the documents a
// worker keeps open.
constexpr std::uint64_t libraryAddressSpace = 3 * gibibyte / 2;
// What the library may build of one page while it draws it: its content,
// the images inside it decoded, its fonts, its patterns and shadings.
constexpr std::uint64_t pageAddressSpace = gibibyte;

} // namespace

bool PictureWorkerLimits::testFaultsEnabled() {
    return qgetenv(testFaultsVariable) == "1";
}

std::chrono::milliseconds PictureWorkerLimits::deadline(Request request) {
    using std::chrono::milliseconds;
    using std::chrono::seconds;
    milliseconds limit = seconds(60);
    switch (request) {
    case Request::open:
        limit = seconds(20);
        break;
    case Request::render:
    case Request::decode:
        limit = seconds(60);
        break;
    case Request::probe:
        limit = seconds(10);
        break;
    }
    bool valid = false;
    const qint64 shorter = qEnvironmentVariableIntValue(deadlineVariable, &valid);
    if (valid && shorter > 0 && shorter < limit.count()) {
        limit = milliseconds(shorter);
    }
    return limit;
}

std::uint64_t PictureWorkerLimits::addressSpaceGrowthForRender(std::uint64_t pixelBytes,
                                                               std::uint64_t documentBytes) {
    const std::uint64_t ceiling = addressSpaceCeiling();
    const std::uint64_t pixels = std::min(pixelBytes, ceiling / 3);
    return std::min(ceiling, pageAddressSpace + std::min(documentBytes, ceiling) + 3 * pixels);
}

std::uint64_t PictureWorkerLimits::addressSpaceCeiling() {
    // A HEIC picture at the pixel cap: its planes as decoded (12 bits a
    // pixel), its 8-bit colour (24) and the copy in shared memory (24), with
    // its file of up to a gibibyte.
    return libraryAddressSpace + gibibyte + std::uint64_t(ImageLimits::maximumPixelCount) * 60 / 8;
}

std::uint64_t PictureWorkerLimits::processorSecondsFor(Request request, unsigned threads) {
    const auto seconds = std::chrono::ceil<std::chrono::seconds>(deadline(request)).count();
    return std::uint64_t(seconds) * std::max(1u, threads) + 2;
}

unsigned PictureWorkerLimits::maximumWorkers() {
    return std::max(2u, compute::ThreadPool::defaultWorkerCount() + 1);
}

} // namespace platform
