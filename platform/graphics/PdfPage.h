#pragma once

#include "platform/graphics/PictureRefusal.h"

#include <QByteArray>
#include <QImage>
#include <QRectF>
#include <QSizeF>
#include <QTransform>

#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace platform {

class GraphicsContext;
class PdfPageRenderer;

// The first page of a PDF document (Illustrator files are PDF documents too),
// drawn as a vector picture: its trim box, turned by the page's own rotation,
// is the picture. Pages are rendered by poppler (in the picture decoders'
// module, PictureCodecs) when drawn, at the resolution the drawing needs, and
// only the part that lands on the device.
//
// The page is rendered on opaque white paper. Immutable; may be drawn from
// several threads at once: poppler's documents are not safe to share between
// threads, so each rendering at the same time takes a document of its own,
// loaded from the same bytes (kept for later renderings).
class PdfPage {
public:
    // Nothing for bytes that are no PDF document, a document that needs a
    // password or a document without pages, and for a document whose
    // drawing PdfCostCheck finds unbounded (why tells tooLarge from
    // noPicture).
    static std::shared_ptr<const PdfPage> firstPage(const QByteArray& data,
                                                    PictureRefusal* why = nullptr);
    ~PdfPage();

    // The trim box in the page's own space (points, y up); the crop box when
    // the page names no trim box.
    QRectF trimBox() const { return m_trimBox; }
    // The crop box in the page's own space: render() gives its pixels.
    QRectF cropBox() const { return m_cropBox; }
    // The page's own clockwise rotation in degrees: 0, 90, 180 or 270.
    int rotation() const { return m_rotation; }
    // The picture's size in points: the trim box as the page is shown, so
    // width and height are exchanged for a quarter turn.
    QSizeF size() const;
    // Maps the page's own space onto the picture's rectangle (0, 0, size()),
    // y up, turning the trim box upright.
    QTransform pageToPicture() const;

    // Draws the picture into (0, 0, size()) of the context's user space;
    // only the part inside the context's clip is rendered, unsmoothed where
    // the context asks for it (GraphicsContext::setRendersPagesUnsmoothed).
    // A context that holds a store of page renderings
    // (GraphicsContext::sharePageRenderings) takes the page from the
    // rendering kept there, which other drawings of it share (PdfPageStrips).
    void draw(GraphicsContext& context) const;

    // The page rendered at the resolutions (dots per inch along the page's
    // own x and y axes), cut to the rectangle given in the page's own space;
    // the image's first row is the rectangle's top edge. `gray` renders one
    // gray byte per pixel instead of 32-bit colour; `smoothed` antialiases
    // edges (without it, about twice as quick, each pixel takes the colour
    // at its centre). Null when the size is beyond ImageLimits or rendering
    // fails.
    QImage render(const QRectF& pageRect, double xResolution, double yResolution, bool gray,
                  bool smoothed = true) const;

private:
    // A document loaded from the bytes and its first page.
    using Loaded = std::unique_ptr<PdfPageRenderer>;
    static Loaded load(const QByteArray& data);
    // A loaded document no other thread uses until it is given back; nothing
    // when the bytes no longer load.
    Loaded takeLoaded() const;
    void giveBack(Loaded loaded) const;

    PdfPage() = default;

    QByteArray m_data; // poppler reads the documents from this memory
    mutable std::mutex m_idleLock;
    mutable std::vector<Loaded> m_idle;
    QRectF m_trimBox;
    QRectF m_cropBox;
    int m_rotation = 0;
};

} // namespace platform
