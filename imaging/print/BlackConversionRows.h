#pragma once

#include "imaging/print/BlackConversionPass.h"
#include "model/columns/BlackWhiteColumnPacker.h"
#include "model/units/Size_px.h"

#include <cstdint>

namespace quenta {

// The black conversion of a gray picture made a piece of a row at a time, as
// the column packer asks for it, so that gray rows become packed columns in
// one pass and the converted picture is never written. Every piece holds
// exactly the bytes the conversion of the whole picture in place gives there.
class BlackConversionRows {
public:
    // Rows of the width x height gray bytes at gray8Pixels (rows packed), which
    // must stay as they are while the source is used. Throws what the
    // conversion throws when it cannot run (no compute device, a kernel
    // missing), before any row is made.
    static ambrel::BlackWhiteColumnPacker::RowSource
    make(const ambrel::BlackConversion& conversion, const std::uint8_t* gray8Pixels,
         const ambrel::Size_px& size_px,
         const BlackConversionPass::OutputConfiguration& configuration);

    // The packer of those rows' columns. A conversion that is a threshold
    // alone makes no rows: the packer compares the gray bytes themselves.
    // Throws as make does.
    static ambrel::BlackWhiteColumnPacker
    packer(const ambrel::BlackConversion& conversion, const std::uint8_t* gray8Pixels,
           const ambrel::Size_px& size_px,
           const BlackConversionPass::OutputConfiguration& configuration, int headDotCount,
           ambrel::BlackWhiteColumnsSendingOptions options);

private:
    struct Prepared;
    static Prepared prepare(const ambrel::BlackConversion& conversion,
                            const std::uint8_t* gray8Pixels, const ambrel::Size_px& size_px,
                            const BlackConversionPass::OutputConfiguration& configuration);
};

} // namespace quenta
