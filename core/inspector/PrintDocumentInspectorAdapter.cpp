#include "core/inspector/PrintDocumentInspectorAdapter.h"

#include "core/document/DocumentActions.h"
#include "core/document/ImageImport.h"
#include "core/document/PrintDocument.h"
#include "platform/graphics/GraphicsContext.h"

#include <QPainter>

#include <cstdlib>

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
        QStringLiteral("imageOrientation"),
        QStringLiteral("flipsImageHorizontal"),
        QStringLiteral("imageOriginalSizeDescription"),
        QStringLiteral("inViewingMode"),
        QStringLiteral("currentDeviceSetting"),
        QStringLiteral("blackConversionType"),
        QStringLiteral("blackConversionOptions.threshold.threshold"),
        QStringLiteral("blackConversionOptions.threshold.expansionLevel"),
        QStringLiteral("blackConversionOptions.halftone.blackClampFactor"),
        QStringLiteral("blackConversionOptions.halftone.whiteClampFactor"),
        QStringLiteral("blackConversionOptions.halftone.brightnessFactor"),
        QStringLiteral("blackConversionOptions.halftone.linesPerInch"),
        QStringLiteral("blackConversionOptions.halftone.angle_deg"),
    };
    return keyPaths;
}

} // namespace

PrintDocumentInspectorAdapter::PrintDocumentInspectorAdapter(PrintDocument& document,
                                                             QObject* parent)
    : InspectorDocument(parent), m_document(document) {
    for (const QString& keyPath : observedKeyPaths()) {
        m_observations.push_back(document.observe(
            keyPath, platform::Observable::New, [this, keyPath](const platform::KeyValueChange&) {
                if (keyPath == QLatin1String("deviceDescriptor")) {
                    observeDeviceSettings();
                }
                Q_EMIT valueChanged(keyPath);
            }));
    }
    observeDeviceSettings();
}

PrintDocumentInspectorAdapter::~PrintDocumentInspectorAdapter() = default;

void PrintDocumentInspectorAdapter::observeDeviceSettings() {
    m_settingObservations.clear();
    const auto& device = m_document.deviceDescriptor();
    if (!device) {
        return;
    }
    for (const auto& parameter : device->parameterProperties()) {
        const QString keyPath = QStringLiteral("currentDeviceSetting.") + parameter->identifier();
        m_settingObservations.push_back(m_document.observe(
            keyPath, platform::Observable::New,
            [this, keyPath](const platform::KeyValueChange&) { Q_EMIT valueChanged(keyPath); }));
    }
}

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
    DocumentActions::resizeImageToActualSize(m_document);
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

QUrl PrintDocumentInspectorAdapter::originalImageFileURL() const {
    const auto& image = m_document.originalImage();
    return image ? image->fileURL() : QUrl();
}

QByteArray PrintDocumentInspectorAdapter::originalImageData() const {
    const auto& image = m_document.originalImage();
    return image ? image->data() : QByteArray();
}

QString PrintDocumentInspectorAdapter::imageOriginalSizeDescription() const {
    return m_document.originalImage() ? m_document.imageOriginalSizeDescription() : QString();
}

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

void PrintDocumentInspectorAdapter::rotateImage(int quarterTurns) {
    for (int turn = 0; turn < std::abs(quarterTurns); ++turn) {
        if (quarterTurns > 0) {
            DocumentActions::rotateRight(m_document);
        } else {
            DocumentActions::rotateLeft(m_document);
        }
    }
}

bool PrintDocumentInspectorAdapter::flipsImageHorizontal() const {
    return m_document.flipsImageHorizontal();
}

void PrintDocumentInspectorAdapter::setFlipsImageHorizontal(bool flips) {
    if (m_document.originalImage()) {
        m_document.setFlipsImageHorizontal(flips);
    }
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

bool PrintDocumentInspectorAdapter::inViewingMode() const {
    return m_document.inViewingMode();
}

void PrintDocumentInspectorAdapter::printDocument() {
    if (m_printAction) {
        m_printAction();
    }
}

bool PrintDocumentInspectorAdapter::hasCurrentDeviceSetting() const {
    return m_document.currentDeviceSetting() != nullptr;
}

QVariant PrintDocumentInspectorAdapter::deviceSettingValue(const QString& identifier) const {
    return m_document.valueForKeyPath(QStringLiteral("currentDeviceSetting.") + identifier);
}

void PrintDocumentInspectorAdapter::setDeviceSettingValue(const QString& identifier,
                                                          const QVariant& value) {
    m_document.setValueForKeyPath(QStringLiteral("currentDeviceSetting.") + identifier, value);
}

ambrel::BlackConversionType PrintDocumentInspectorAdapter::blackConversionType() const {
    return m_document.blackConversionType();
}

void PrintDocumentInspectorAdapter::changeBlackConversionType(ambrel::BlackConversionType type) {
    m_document.changeBlackConversionType(type);
}

double PrintDocumentInspectorAdapter::blackConversionOption(const QString& keyPath) const {
    return m_document.valueForKeyPath(QStringLiteral("blackConversionOptions.") + keyPath)
        .toDouble();
}

void PrintDocumentInspectorAdapter::setBlackConversionOption(const QString& keyPath, double value) {
    m_document.setValueForKeyPath(QStringLiteral("blackConversionOptions.") + keyPath, value);
}

void PrintDocumentInspectorAdapter::resetBlackConversionProperties(
    const QList<ambrel::BlackConversionType>& types) {
    m_document.resetBlackConversionProperties(types);
}

platform::UndoManager* PrintDocumentInspectorAdapter::undoManager() const {
    return m_document.undoManager();
}

} // namespace kestrom
