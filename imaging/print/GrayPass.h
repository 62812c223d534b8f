#pragma once

#include "imaging/gpu/SildorContext.h"
#include "imaging/gpu/SildorImage.h"
#include "imaging/print/BlackConversionPass.h"
#include "platform/compute/ThreadPool.h"
#include "platform/graphics/GraphicsContext.h"

#include <QImage>

#include <cstdint>
#include <functional>
#include <memory>

namespace quenta {

// One pass of the head, width x height gray pixels, drawn and converted to
// black and white on the compute device. The drawing goes straight into the
// compute image's memory, so no copy is uploaded or read back, and the
// memory serves every pass drawn on it.
class GrayPass {
public:
    // None when the compute image cannot be made.
    static std::unique_ptr<GrayPass> make(std::shared_ptr<sildor::SildorContext> context,
                                          qint64 width, qint64 height);

    qint64 width() const { return m_width; }
    qint64 height() const { return m_height; }

    using Drawing = std::function<void(platform::GraphicsContext&)>;

    // Runs the drawing over the pass's gray context (y = 0 is the last row
    // of memory); whatever the previous pass left is still there. With
    // inBands the rows are split into bands drawn at the same time on the
    // compute layer's pool, each through its own context whose user space
    // is the whole pass's: the drawing must touch nothing but its context.
    void draw(const Drawing& drawing, bool inBands);

    // The same over any gray memory of rows exactly width bytes long.
    static void draw(std::uint8_t* data, qint64 width, qint64 height,
                     platform::compute::ThreadPool& pool, const Drawing& drawing, bool inBands);

    // Converts what was drawn; afterwards pixels() and image() hold the
    // black-and-white pass. Throws what the conversion throws.
    void convert(const ambrel::BlackConversion& conversion,
                 const BlackConversionPass::OutputConfiguration& configuration);

    // The pass's bytes, rows of width bytes, the first row first.
    const std::uint8_t* pixels() const;
    // The same bytes as a picture, without a copy: valid until the pass is
    // drawn again.
    QImage image() const;

private:
    GrayPass(std::unique_ptr<sildor::SildorImage> image, qint64 width, qint64 height);

    std::unique_ptr<sildor::SildorImage> m_image;
    qint64 m_width;
    qint64 m_height;
};

} // namespace quenta
