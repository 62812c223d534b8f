// The quick look's decode of a photo at an eighth, on several threads, held
// against the JPEG library's own: wherever it takes a file, its pixels are
// the library's.

#include "fuzz/support/FuzzApplication.h"
#include "platform/graphics/DecodingRows.h"
#include "platform/graphics/JpegDecoder.h"
#include "platform/graphics/JpegEighthDecoder.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    makeFuzzApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const auto scan = platform::JpegDecoder::scan(bytes);
    if (!scan || qint64(scan->size.width()) * scan->size.height() > 4096 * 4096) {
        return 0;
    }
    QImage quick((scan->size.width() + 7) / 8, (scan->size.height() + 7) / 8, QImage::Format_RGB32);
    // Parts of a few bytes each, where the file is small.
    if (quick.isNull() || !platform::JpegEighthDecoder::decode(*scan, quick, 1 + int(size % 8))) {
        return 0;
    }
    // With rows to follow, the decoder leaves the decode to the library.
    platform::DecodingRows rows;
    QImage library;
    if (platform::JpegDecoder::decode(bytes, library, &rows, 8) !=
            platform::JpegDecoder::Outcome::decoded ||
        library != quick) {
        std::fprintf(stderr, "the eighth is not the library's\n");
        std::abort();
    }
    return 0;
}
