#pragma once

#include "imaging/print/BlackConversionPass.h"
#include "model/pictures/BlackConversion.h"
#include "platform/graphics/GraphicsContext.h"

#include <QImage>

#include <functional>

namespace platform::compute {
class ThreadPool;
}

namespace quenta {

// Draws a picture into a bitmap band by band on the pool's workers and
// converts each band on the worker that drew it, right after drawing it, so
// that drawing and conversion overlap. A conversion that reads only each
// pixel's own place converts the band where it was drawn; one that reads the
// rows around it (the widening of black) draws each band into gray of its
// own with those rows, and only its converted rows reach the bitmap, so the
// bitmap never holds gray a neighbouring band still reads. Meant for
// drawings that are made band by band anyway: a vector page, which the bands
// copy from one rendering of it they share, made side by side by the first
// bands that need it.
class ConvertingBandDrawing {
public:
    // Fills the bitmap with the converted drawing, in bands (0: as many as
    // suit the pool); any band count gives the bytes that drawing the whole
    // bitmap and converting it in one pass gives. The bitmap's rows must be
    // packed; draw is called once per band, from several threads at once,
    // with a context whose user space is the whole bitmap's. Throws what the
    // conversion throws when it cannot run, before anything is drawn.
    static void drawAndConvert(QImage& buffer, platform::compute::ThreadPool* pool, int bands,
                               const std::function<void(platform::GraphicsContext&)>& draw,
                               const ambrel::BlackConversion& conversion,
                               const BlackConversionPass::OutputConfiguration& configuration);

    // Rows of gray beyond its own that the conversion of a band reads on
    // either side (the widening of black reaches one dot).
    static qint64 reach(const ambrel::BlackConversion& conversion,
                        const BlackConversionPass::OutputConfiguration& configuration);
    // The rows a band's gray starts on are a multiple of this: the widening's
    // pattern follows the parity of the dots.
    static qint64 rowAlignment(const BlackConversionPass::OutputConfiguration& configuration);
};

} // namespace quenta
