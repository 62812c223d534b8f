#pragma once

#include "platform/graphics/JpegScan.h"

#include <QImage>

namespace platform {

// Decodes the common photo's scan at an eighth of its size, which takes each
// block's first terms alone, on several threads: the pixels are those the
// JPEG library makes at that scale, bit for bit. The library decodes the
// entropy-coded data one bit after another, which for a photo of megabytes
// is most of a quick look's time. Here each thread starts in the middle of
// the data as if a block began there; a few blocks on, the codes line up
// with the true ones (a Huffman code finds its own way back), and where a
// thread's blocks meet the next thread's at the same place, the rest of the
// next thread's blocks are the true ones.
//
// Taken: pictures sampled 4:2:0 or 4:4:4, without restart markers. Anything
// else, data that does not decode cleanly to its last block, or numbers
// beyond what a real photo holds, is left to the library.
class JpegEighthDecoder {
public:
    // Writes into `image`, which must be the eighth's size in 32-bit RGB;
    // false leaves it to the library (what was written is then undefined).
    static bool decode(const JpegScan& scan, QImage& image);
    // As decode(), in as many parts as given (1 decodes in one pass): for
    // tests.
    static bool decode(const JpegScan& scan, QImage& image, int parts);
};

} // namespace platform
