// Property lists, XML and binary, as a document package or a drop brings them.

#include "fuzz/support/FuzzApplication.h"
#include "platform/PropertyList.h"

#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    makeFuzzApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QString error;
    const QVariant value = platform::PropertyList::fromData(bytes, &error);
    if (value.isValid()) {
        // What was read must be writable again.
        platform::PropertyList::toData(value, platform::PropertyList::Format::Binary);
    }
    return 0;
}
