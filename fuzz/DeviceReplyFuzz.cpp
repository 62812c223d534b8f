// The stencil device's two answers, as a faulty or foreign device sends them.

#include "app/tavrin/TavrinDeviceInformation.h"
#include "app/tavrin/TavrinDeviceState.h"
#include "fuzz/support/FuzzApplication.h"
#include "platform/Error.h"

#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    makeFuzzApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        lunvik::TavrinDeviceState::decode(bytes);
    } catch (const platform::Error&) {
    }
    for (const char* model : {"G-100", "T-300"}) {
        try {
            lunvik::TavrinDeviceInformation::decode(bytes, QString::fromLatin1(model));
        } catch (const platform::Error&) {
        }
    }
    return 0;
}
