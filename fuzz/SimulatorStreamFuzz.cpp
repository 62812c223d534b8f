// The byte stream a host sends to the simulated device, in two pieces so
// that commands and columns split across reads are reached too.

#include "app/simulator/TavrinSimulatedDevice.h"
#include "fuzz/support/FuzzApplication.h"

#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    makeFuzzApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) {
        return 0;
    }
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    lunvik::TavrinSimulatedDevice::Configuration configuration;
    configuration.failAfterColumnBytes =
        data[0] & 0x80 ? std::optional<qint64>(data[0] & 0x7F) : std::nullopt;
    lunvik::TavrinSimulatedDevice device(configuration);
    const qsizetype split = bytes.isEmpty() ? 0 : data[0] % bytes.size();
    device.receive(bytes.left(split));
    device.receive(bytes.mid(split));
    device.takeReply(1 << 20);
    for (const auto& job : device.jobs()) {
        job.picture();
    }
    return 0;
}
