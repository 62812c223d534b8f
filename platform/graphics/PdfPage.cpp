#include "platform/graphics/PdfPage.h"

#include "platform/Log.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/graphics/ImageLimits.h"
#include "platform/graphics/PdfPageStrips.h"
#include "platform/worker/PictureWorkerClient.h"
#include "platform/worker/WorkerDocument.h"

#include <cmath>
#include <mutex>

namespace platform {

namespace {

// PDF readers look for the header within the first kilobyte; bytes without
// one are no document for them, and start no worker.
bool hasPdfHeader(const QByteArray& data) {
    return QByteArrayView(data).first(std::min<qsizetype>(data.size(), 1024)).contains("%PDF-");
}

} // namespace

PdfPage::~PdfPage() = default;

std::shared_ptr<const PdfPage> PdfPage::firstPage(const QByteArray& data, PictureRefusal* why) {
    if (why) {
        *why = PictureRefusal::noPicture;
    }
    if (data.isEmpty() || data.size() > std::numeric_limits<int>::max()) {
        return nullptr;
    }
    if (!hasPdfHeader(data)) {
        return nullptr;
    }
    auto document = WorkerDocument::make(data);
    if (!document) {
        if (why) {
            *why = PictureRefusal::outOfMemory;
        }
        return nullptr;
    }
    const auto opened = PictureWorkerClient::openPage(*document, why);
    if (!opened) {
        return nullptr;
    }
    std::shared_ptr<PdfPage> page(new PdfPage());
    page->m_document = std::move(document);
    page->m_cropBox = opened->cropBox;
    page->m_trimBox = opened->trimBox;
    page->m_rotation = opened->rotation;
    return page;
}

QSizeF PdfPage::size() const {
    const QSizeF box = m_trimBox.size();
    return (m_rotation == 90 || m_rotation == 270) ? box.transposed() : box;
}

QTransform PdfPage::pageToPicture() const {
    const double x0 = m_trimBox.left();
    const double y0 = m_trimBox.top(); // the lower edge: the page's y points up
    const double x1 = m_trimBox.right();
    const double y1 = m_trimBox.bottom();
    switch (m_rotation) {
    case 90:
        return QTransform(0, -1, 1, 0, -y0, x1);
    case 180:
        return QTransform(-1, 0, 0, -1, x1, y1);
    case 270:
        return QTransform(0, 1, -1, 0, y1, -x0);
    default:
        return QTransform(1, 0, 0, 1, -x0, -y0);
    }
}

QImage PdfPage::render(const QRectF& pageRect, double xResolution, double yResolution, bool gray,
                       bool smoothed) const {
    const double sx = xResolution / 72.0;
    const double sy = yResolution / 72.0;
    if (!std::isfinite(sx) || !std::isfinite(sy) || sx <= 0 || sy <= 0) {
        return {};
    }
    // poppler renders the crop box with its top-left corner at pixel (0, 0).
    const double left = std::floor((pageRect.left() - m_cropBox.left()) * sx);
    const double right = std::ceil((pageRect.right() - m_cropBox.left()) * sx);
    const double top = std::floor((m_cropBox.bottom() - pageRect.bottom()) * sy);
    const double bottom = std::ceil((m_cropBox.bottom() - pageRect.top()) * sy);
    const double width = right - left;
    const double height = bottom - top;
    if (!(width >= 1 && height >= 1) || !ImageLimits::admits(qint64(width), qint64(height)) ||
        std::abs(left) > std::numeric_limits<int>::max() ||
        std::abs(top) > std::numeric_limits<int>::max()) {
        return {};
    }
    // Undo the page's own rotation: the picture's transform turns it.
    const int unrotate = ((360 - m_rotation) % 360) / 90;
    {
        std::lock_guard lock(m_failureLock);
        if (m_failure) {
            throw *m_failure;
        }
    }
    try {
        return PictureWorkerClient::renderPage(*m_document, xResolution, yResolution,
                                               QRect(int(left), int(top), int(width), int(height)),
                                               gray, smoothed, unrotate);
    } catch (const PictureWorkerError& error) {
        // Drawn again, the page would cost another worker the same way.
        if (error.isOwnFault()) {
            std::lock_guard lock(m_failureLock);
            m_failure = error;
        }
        throw;
    }
}

void PdfPage::draw(GraphicsContext& context) const {
    const QTransform toDevice = pageToPicture() * context.userToDevice();
    bool invertible = false;
    const QTransform fromDevice = toDevice.inverted(&invertible);
    if (!invertible) {
        return;
    }
    const QRectF visible = fromDevice.mapRect(context.deviceClipBounds()).intersected(m_trimBox);
    if (visible.isEmpty()) {
        return;
    }
    // Device pixels per point along the page's own axes.
    const double sx = std::hypot(toDevice.m11(), toDevice.m12());
    const double sy = std::hypot(toDevice.m21(), toDevice.m22());
    if (PdfPageStrips::draw(*this, context, toDevice, visible, sx, sy)) {
        return;
    }
    const QImage rendered =
        render(visible, 72.0 * sx, 72.0 * sy, context.isGray(), !context.rendersPagesUnsmoothed());
    if (rendered.isNull()) {
        Log::line(QStringLiteral("PdfPage: couldn't render the page at %1 x %2 dpi")
                      .arg(72.0 * sx)
                      .arg(72.0 * sy));
        return;
    }
    // The rendered pixels cover whole pixels around the visible part.
    const double left =
        m_cropBox.left() + std::floor((visible.left() - m_cropBox.left()) * sx) / sx;
    const double top =
        m_cropBox.bottom() - std::floor((m_cropBox.bottom() - visible.bottom()) * sy) / sy;
    const QRectF covered(left, top - rendered.height() / sy, rendered.width() / sx,
                         rendered.height() / sy);
    context.saveGState();
    context.concatenate(pageToPicture());
    context.clipTo(m_trimBox);
    context.drawImage(covered, rendered);
    context.restoreGState();
}

} // namespace platform
