#include "core/inspector/PrintDocumentInspectorAdapter.h"

#include "core/document/PrintDocument.h"

namespace kestrom {

namespace {

// Every key path below the document that a pane shows.
const QStringList& observedKeyPaths() {
    static const QStringList keyPaths{
        QStringLiteral("deviceDescriptor"),
        QStringLiteral("imageOffsetBase"),
        QStringLiteral("imageOffset_mm"),
        QStringLiteral("imageSizeForDisplay_mm"),
        QStringLiteral("imageOverflownAmount_mm"),
        QStringLiteral("originalImage"),
        QStringLiteral("imageRepeatXCount"),
        QStringLiteral("imageRepeatYCount"),
        QStringLiteral("imageRepeatXMargin_mm"),
        QStringLiteral("imageRepeatYMargin_mm"),
        QStringLiteral("minimumSeparatedXMargin_mm"),
        QStringLiteral("maximumBlackXLength_mm"),
        QStringLiteral("additionalWhitespaceLength_end_mm"),
    };
    return keyPaths;
}

} // namespace

PrintDocumentInspectorAdapter::PrintDocumentInspectorAdapter(PrintDocument& document,
                                                             QObject* parent)
    : InspectorDocument(parent), m_document(document) {
    for (const QString& keyPath : observedKeyPaths()) {
        m_observations.push_back(document.observe(
            keyPath, platform::Observable::New,
            [this, keyPath](const platform::KeyValueChange&) { Q_EMIT valueChanged(keyPath); }));
    }
}

PrintDocumentInspectorAdapter::~PrintDocumentInspectorAdapter() = default;

std::shared_ptr<const ambrel::DeviceDescriptor>
PrintDocumentInspectorAdapter::deviceDescriptor() const {
    return m_document.deviceDescriptor();
}

ambrel::OffsetBase PrintDocumentInspectorAdapter::imageOffsetBase() const {
    return m_document.imageOffsetBase();
}

void PrintDocumentInspectorAdapter::changeImageOffsetBase(ambrel::OffsetBase base) {
    m_document.setImageOffsetBase(base);
}

ambrel::Point_mm PrintDocumentInspectorAdapter::imageOffset_mm() const {
    return m_document.imageOffset_mm();
}

void PrintDocumentInspectorAdapter::setImageOffset_mm(ambrel::Point_mm offset) {
    m_document.setImageOffset_mm(offset);
}

ambrel::Size_mm PrintDocumentInspectorAdapter::imageSizeForDisplay_mm() const {
    return m_document.imageSizeForDisplay_mm();
}

void PrintDocumentInspectorAdapter::setImageSizeWithWidthForDisplay_mm(double width) {
    m_document.setImageSizeWithWidthForDisplay_mm(width);
}

void PrintDocumentInspectorAdapter::setImageSizeWithHeightForDisplay_mm(double height) {
    m_document.setImageSizeWithHeightForDisplay_mm(height);
}

QMarginsF PrintDocumentInspectorAdapter::imageOverflownAmount_mm() const {
    const EdgeInsets insets = m_document.imageOverflownAmount_mm();
    return QMarginsF(insets.left, insets.top, insets.right, insets.bottom);
}

bool PrintDocumentInspectorAdapter::hasOriginalImage() const {
    return m_document.originalImage() != nullptr;
}

bool PrintDocumentInspectorAdapter::originalImageIsVector() const {
    return m_document.originalImage() && m_document.originalImage()->isVector();
}

void PrintDocumentInspectorAdapter::resizeImageToActualSize() {
    const auto& image = m_document.originalImage();
    const auto& device = m_document.deviceDescriptor();
    if (!image || !device) {
        return;
    }
    m_document.setImageSize_px(image->size_px(device->dpi()));
}

int PrintDocumentInspectorAdapter::imageRepeatXCount() const {
    return int(m_document.imageRepeatXCount());
}

void PrintDocumentInspectorAdapter::setImageRepeatXCount(int count) {
    m_document.setImageRepeatXCount(count);
}

int PrintDocumentInspectorAdapter::imageRepeatYCount() const {
    return int(m_document.imageRepeatYCount());
}

void PrintDocumentInspectorAdapter::setImageRepeatYCount(int count) {
    m_document.setImageRepeatYCount(count);
}

double PrintDocumentInspectorAdapter::imageRepeatXMargin_mm() const {
    return m_document.imageRepeatXMargin_mm();
}

void PrintDocumentInspectorAdapter::setImageRepeatXMargin_mm(double margin) {
    m_document.setImageRepeatXMargin_mm(margin);
}

double PrintDocumentInspectorAdapter::imageRepeatYMargin_mm() const {
    return m_document.imageRepeatYMargin_mm();
}

void PrintDocumentInspectorAdapter::setImageRepeatYMargin_mm(double margin) {
    m_document.setImageRepeatYMargin_mm(margin);
}

void PrintDocumentInspectorAdapter::resetImageRepeatCount() {
    m_document.performUndoGroup(UndoActionName::Case::resettingImageRepeatCount, [this] {
        m_document.setImageRepeatXCount(1);
        m_document.setImageRepeatYCount(1);
    });
}

double PrintDocumentInspectorAdapter::minimumSeparatedXMargin_mm() const {
    return m_document.minimumSeparatedXMargin_mm();
}

void PrintDocumentInspectorAdapter::setMinimumSeparatedXMargin_mm(double margin) {
    m_document.setMinimumSeparatedXMargin_mm(margin);
}

double PrintDocumentInspectorAdapter::maximumBlackXLength_mm() const {
    return m_document.maximumBlackXLength_mm();
}

void PrintDocumentInspectorAdapter::setMaximumBlackXLength_mm(double length) {
    m_document.setMaximumBlackXLength_mm(length);
}

double PrintDocumentInspectorAdapter::additionalWhitespaceLength_end_mm() const {
    return m_document.additionalWhitespaceLength_end_mm();
}

void PrintDocumentInspectorAdapter::setAdditionalWhitespaceLength_end_mm(double length) {
    m_document.setAdditionalWhitespaceLength_end_mm(length);
}

void PrintDocumentInspectorAdapter::resetHorizontalImageSplit() {
    // The end white space keeps its value.
    m_document.performUndoGroup(UndoActionName::Case::resettingHorizontalImageSplit, [this] {
        m_document.setUsesMinimumSeparatedXMargin(true);
        m_document.setUsesMaximumBlackXLength(true);
        m_document.setMinimumSeparatedXMargin_mm(70);
        m_document.setMaximumBlackXLength_mm(150);
    });
}

} // namespace kestrom
