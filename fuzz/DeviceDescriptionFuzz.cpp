// Device description texts: models, their overrides and settings.

#include "fuzz/support/FuzzApplication.h"
#include "model/descriptions/DeviceDescriptor.h"
#include "platform/Error.h"

#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    makeFuzzApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    std::shared_ptr<const platform::Error> error;
    ambrel::DeviceDescriptor::deviceDescriptorsWithDecoding(
        bytes, platform::Bundle::named(QStringLiteral("Ambrel")), &error);
    return 0;
}
