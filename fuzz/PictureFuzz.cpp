// Picture files of every accepted format, as a drop or a document brings them.

#include "fuzz/support/FuzzApplication.h"
#include "platform/graphics/ImageDecoder.h"

#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    makeFuzzApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    platform::ImageDecoder::decode(bytes);
    // A quick look at a JPEG reads its header and pixels without Qt's reader.
    platform::ImageDecoder::decodeScaled(bytes, QSize(16, 16));
    return 0;
}
