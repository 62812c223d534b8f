#pragma once

#include "platform/graphics/PictureRefusal.h"
#include "platform/worker/PictureWorkerError.h"

#include <QByteArray>
#include <QImage>
#include <QRectF>
#include <QSizeF>
#include <QTransform>

#include <memory>
#include <mutex>
#include <optional>

namespace platform {

class GraphicsContext;
class WorkerDocument;

// The first page of a PDF document (Illustrator files are PDF documents too),
// drawn as a vector picture: its trim box, turned by the page's own rotation,
// is the picture. Pages are rendered by poppler in the picture workers
// (PictureWorkerClient), never in this process, when drawn, at the
// resolution the drawing needs, and only the part that lands on the device.
//
// The page is rendered on opaque white paper. Immutable; may be drawn from
// several threads at once, each rendering on a worker of its own. A page
// whose drawing once made its worker fail (a crash, its limits, its
// deadline) is not drawn again: every later drawing fails at once.
class PdfPage {
public:
    // Nothing for bytes that are no PDF document, a document that needs a
    // password or a document without pages, and for a document whose worker
    // failed when it opened the document and drew its page once, small
    // (why: cannotBeDrawn).
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
    // Throws PictureWorkerError where render() does.
    void draw(GraphicsContext& context) const;

    // The page rendered at the resolutions (dots per inch along the page's
    // own x and y axes), cut to the rectangle given in the page's own space;
    // the image's first row is the rectangle's top edge. `gray` renders one
    // gray byte per pixel instead of 32-bit colour; `smoothed` antialiases
    // edges (without it, about twice as quick, each pixel takes the colour
    // at its centre). Null when the size is beyond ImageLimits or the
    // library draws nothing. Throws PictureWorkerError when the worker
    // drawing it failed, or failed on this page before.
    QImage render(const QRectF& pageRect, double xResolution, double yResolution, bool gray,
                  bool smoothed = true) const;

private:
    PdfPage() = default;

    std::shared_ptr<const WorkerDocument> m_document;
    // Why a worker failed on the page, once one did for the page's sake.
    mutable std::mutex m_failureLock;
    mutable std::optional<PictureWorkerError> m_failure;
    QRectF m_trimBox;
    QRectF m_cropBox;
    int m_rotation = 0;
};

} // namespace platform
