#pragma once

#include "imaging/gpu/SildorContext.h"
#include "imaging/print/BlackConversionPass.h"
#include "imaging/print/GrayPass.h"
#include "imaging/print/ImageSplitDeviceInfo.h"
#include "imaging/print/IndexSet.h"
#include "imaging/print/OverflownInset_px.h"
#include "imaging/print/XYBitmapInfo_px.h"
#include "model/pictures/OriginalImage.h"
#include "model/pictures/OriginalImageDrawingOptions.h"

#include <QList>

#include <memory>
#include <optional>

namespace platform {
class Progress;
}

namespace quenta {

// What one pixel split works with, worked out once: the picture and its
// placement in device pixels, the model's head and capabilities, the compute
// context and the conversion. Passes read it from several threads; it does
// not change while they run.
struct PixelSplitJob {
    std::shared_ptr<const ambrel::OriginalImage> image;
    ambrel::OriginalImageDrawingOptions options;
    ImageSplitDeviceInfo info;
    ambrel::Dpi dpi;
    bool isDebugMode = false;
    const platform::Progress* progress = nullptr;

    qint64 H = 0;                // rows of one pass, the head's dots
    qint64 w = 0, h = 0;         // one copy as displayed
    qint64 W_c = 0, H_c = 0;     // the canvas
    qint64 off_x = 0, off_y = 0; // the offset from the anchor
    qint64 m_x = 0, m_y = 0;     // gaps between copies
    qint64 N_x = 1, N_y = 1;     // copies across and down
    qint64 ws_start = 0, ws_end = 0;
    std::optional<qint64> minSep;
    std::optional<qint64> maxBlack;
    qint64 totalW = 0, totalH = 0;
    OverflownInset_px inset;
    qint64 visibleW = 0;
    qint64 x0 = 0;

    // One copy drawn once, stamped wherever a copy goes; none when copies
    // overlap or one copy is far larger than a pass.
    std::optional<QImage> stamp;

    std::shared_ptr<sildor::SildorContext> sildorContext;
    BlackConversionPass::OutputConfiguration configuration;

    bool isCancelled() const;

    // The first picture row's place for the stacked and tall layouts: the
    // anchor's edge, offset; bottom anchors keep the block's bottom edge
    // off_y above the canvas's bottom edge.
    qint64 verticalStart() const;

    // Draws one copy into a picture of its own to stamp with, when that pays.
    void makeStamp();
    // Draws into the pass with the hints every pass uses, inside a saved
    // state; a raster picture is drawn in bands at the same time.
    void draw(GrayPass& pass, const GrayPass::Drawing& drawing) const;
    // Draws every copy column at the rows y + (h + m_y) x k for k in
    // [0, rows), skipping the copies that miss the context's device.
    void drawCopies(platform::GraphicsContext& context, qint64 y, qint64 rows) const;
    // The left edge of copy column i in the pass.
    qint64 copyX(qint64 i) const { return (w + m_x) * i - inset.left; }

    // Converts the pass and cuts it into bitmaps placed at passY; each takes
    // sourceRows. Throws the conversion's error.
    QList<XYBitmapInfo_px> cutPass(GrayPass& pass, qint64 passY,
                                   XYBitmapInfo_px::Range sourceRows) const;

    // The black logical columns of the converted pass, scanned in chunks at
    // the same time.
    IndexSet blackColumns(const GrayPass& pass) const;
    // Ranges closer than the minimum separation, or all when there is none,
    // joined; a new group also starts where one would grow beyond maxBlack.
    static IndexSet joinedColumns(const IndexSet& columns, std::optional<qint64> minSep,
                                  std::optional<qint64> maxBlack);
    // Pads a bitmap at x with the blank margins the model takes, never
    // beyond the canvas's edges; gives the padded bitmap and its new x.
    static std::pair<QImage, qint64> addSequenceWhitespace(const QImage& bitmap, qint64 x,
                                                           const ImageSplitDeviceInfo& info,
                                                           qint64 wsStart, qint64 wsEnd,
                                                           qint64 canvasWidth);
};

} // namespace quenta
