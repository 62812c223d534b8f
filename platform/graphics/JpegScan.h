#pragma once

#include <QSize>

#include <array>
#include <cstdint>

namespace platform {

// What a JPEG file's header tells of its one scan, as the JPEG library read
// it: enough to decode the scan's entropy-coded data without the library.
// Only a sequential scan of all three components of a YCbCr picture, coded
// with Huffman tables, is described.
struct JpegScan {
    struct HuffmanSpec {
        bool present = false;
        // Codes of each length 1 to 16 (bits[0] is unused), and the symbols
        // in the order of their codes.
        std::array<std::uint8_t, 17> bits{};
        std::array<std::uint8_t, 256> values{};
    };
    struct Component {
        int horizontalSampling = 1;
        int verticalSampling = 1;
        // Indexes into the tables below.
        int quantTable = 0;
        int dcTable = 0;
        int acTable = 0;
    };

    QSize size;
    // In the frame's order: Y, Cb, Cr.
    std::array<Component, 3> components;
    // The frame's components in the order the scan codes them.
    std::array<int, 3> scanOrder{0, 1, 2};
    // In natural (row by row) order, as the header gives them.
    std::array<std::array<std::uint16_t, 64>, 4> quantTables{};
    std::array<HuffmanSpec, 4> dcTables;
    std::array<HuffmanSpec, 4> acTables;
    // The entropy-coded data, from just after the scan's header to the end
    // of the file; it ends at the first marker.
    const std::uint8_t* data = nullptr;
    std::size_t bytes = 0;
};

} // namespace platform
