#include "core/inspector/PrintDocumentInspectorAdapter.h"

#include "core/document/ImageImport.h"
#include "core/document/PrintDocument.h"
#include "platform/graphics/GraphicsContext.h"

#include <QPainter>

namespace kestrom {

PrintDocumentInspectorAdapter::PrintDocumentInspectorAdapter(PrintDocument& document,
                                                             QObject* parent)
    : QObject(parent), m_document(document) {}

// A drag cut short by the adapter's end still closes its undo step, as the
// continuous edit ends with it.
PrintDocumentInspectorAdapter::~PrintDocumentInspectorAdapter() = default;

QImage PrintDocumentInspectorAdapter::originalImageThumbnail(const QSize& maximumSize) const {
    const auto& image = m_document.originalImage();
    if (!image || maximumSize.isEmpty() || !(image->widthPerHeight() > 0)) {
        return {};
    }
    const bool turned = m_document.imageOrientation().isWidthHeightFlipped();
    const double ratio = turned ? 1 / image->widthPerHeight() : image->widthPerHeight();
    QSizeF size(maximumSize.width(), maximumSize.width() / ratio);
    if (size.height() > maximumSize.height()) {
        size = QSizeF(maximumSize.height() * ratio, maximumSize.height());
    }
    QImage thumbnail(qMax(1, qRound(size.width())), qMax(1, qRound(size.height())),
                     QImage::Format_ARGB32_Premultiplied);
    thumbnail.fill(Qt::white);
    QPainter painter(&thumbnail);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    platform::GraphicsContext context(painter, thumbnail.size());
    // The document's turns are clockwise as seen on the canvas, whose y runs
    // down; in this y-up context the same turn is the reverse one.
    image->draw(QRectF(QPointF(0, 0), thumbnail.size()), m_document.imageOrientation().reversed(),
                m_document.flipsImageHorizontal(), context, false);
    return thumbnail;
}

bool PrintDocumentInspectorAdapter::acceptsImageDrop(const QMimeData* data,
                                                     bool fromThisApplication) const {
    return m_imageImport && m_imageImport->acceptsImageDragOperation({data, fromThisApplication});
}

void PrintDocumentInspectorAdapter::importImageDrop(const QMimeData* data,
                                                    bool fromThisApplication) {
    if (m_imageImport && m_imageImport->acceptsImageDragOperation({data, fromThisApplication})) {
        m_imageImport->performImageDragOperation({data, fromThisApplication});
    }
}

void PrintDocumentInspectorAdapter::presentImageOpenPanel() {
    if (!m_imageImport) {
        return;
    }
    const auto& image = m_document.originalImage();
    m_imageImport->presentImageOpenPanel(
        image && image->fileURL().isValid() ? std::optional<QUrl>(image->fileURL()) : std::nullopt);
}

void PrintDocumentInspectorAdapter::printDocument() {
    if (m_printAction) {
        m_printAction();
    }
}

void PrintDocumentInspectorAdapter::beginContinuousChange() {
    if (m_openContinuousChanges++ == 0) {
        m_continuousEdit.begin(m_document.undoManager());
    }
}

void PrintDocumentInspectorAdapter::endContinuousChange() {
    if (m_openContinuousChanges == 0) {
        return;
    }
    if (--m_openContinuousChanges == 0) {
        m_continuousEdit.end();
    }
}

} // namespace kestrom
