#pragma once

#include "core/inspector/InspectorDocument.h"

#include "platform/Observation.h"

#include <functional>
#include <vector>

namespace kestrom {

class ImageImport;
class PrintDocument;

// The print document as the panes see it: reads and writes go to the
// document's own setters (each its own named undo step, resets one step
// each), and every change the document announces through the observation
// kit, undo and redo included, reaches the panes as valueChanged().
// The document must outlive the adapter.
class PrintDocumentInspectorAdapter : public InspectorDocument {
    Q_OBJECT
public:
    explicit PrintDocumentInspectorAdapter(PrintDocument& document, QObject* parent = nullptr);
    ~PrintDocumentInspectorAdapter() override;

    PrintDocument& document() const { return m_document; }

    // What the document window adds: its print action (the job printed
    // behind the window's progress sheet) and the document's picture import.
    // Without them printing and importing do nothing.
    void setPrintAction(std::function<void()> action) { m_printAction = std::move(action); }
    void setImageImport(std::shared_ptr<ImageImport> import) { m_imageImport = std::move(import); }

    std::shared_ptr<const ambrel::DeviceDescriptor> deviceDescriptor() const override;
    ambrel::OffsetBase imageOffsetBase() const override;
    void changeImageOffsetBase(ambrel::OffsetBase base) override;
    ambrel::Point_mm imageOffset_mm() const override;
    void setImageOffset_mm(ambrel::Point_mm offset) override;
    ambrel::Size_mm imageSizeForDisplay_mm() const override;
    void setImageSizeWithWidthForDisplay_mm(double width) override;
    void setImageSizeWithHeightForDisplay_mm(double height) override;
    QMarginsF imageOverflownAmount_mm() const override;
    bool hasOriginalImage() const override;
    bool originalImageIsVector() const override;
    // The picture at its own size for the model's resolution: a vector
    // picture at its page size, a bitmap one device dot per pixel.
    void resizeImageToActualSize() override;

    int imageRepeatXCount() const override;
    void setImageRepeatXCount(int count) override;
    int imageRepeatYCount() const override;
    void setImageRepeatYCount(int count) override;
    double imageRepeatXMargin_mm() const override;
    void setImageRepeatXMargin_mm(double margin) override;
    double imageRepeatYMargin_mm() const override;
    void setImageRepeatYMargin_mm(double margin) override;
    void resetImageRepeatCount() override;

    double minimumSeparatedXMargin_mm() const override;
    void setMinimumSeparatedXMargin_mm(double margin) override;
    double maximumBlackXLength_mm() const override;
    void setMaximumBlackXLength_mm(double length) override;
    double additionalWhitespaceLength_end_mm() const override;
    void setAdditionalWhitespaceLength_end_mm(double length) override;
    void resetHorizontalImageSplit() override;

    QUrl originalImageFileURL() const override;
    QByteArray originalImageData() const override;
    QString imageOriginalSizeDescription() const override;
    QImage originalImageThumbnail(const QSize& maximumSize) const override;
    void rotateImage(int quarterTurns) override;
    bool flipsImageHorizontal() const override;
    void setFlipsImageHorizontal(bool flips) override;

    bool acceptsImageDrop(const QMimeData* data, bool fromThisApplication) const override;
    void importImageDrop(const QMimeData* data, bool fromThisApplication) override;
    void presentImageOpenPanel() override;

    bool inViewingMode() const override;
    void printDocument() override;

    bool hasCurrentDeviceSetting() const override;
    QVariant deviceSettingValue(const QString& identifier) const override;
    void setDeviceSettingValue(const QString& identifier, const QVariant& value) override;

    ambrel::BlackConversionType blackConversionType() const override;
    void changeBlackConversionType(ambrel::BlackConversionType type) override;
    double blackConversionOption(const QString& keyPath) const override;
    void setBlackConversionOption(const QString& keyPath, double value) override;
    void resetBlackConversionProperties(const QList<ambrel::BlackConversionType>& types) override;

    platform::UndoManager* undoManager() const override;

private:
    void observeDeviceSettings();

    PrintDocument& m_document;
    std::vector<platform::Observation> m_observations;
    // One per parameter of the current model.
    std::vector<platform::Observation> m_settingObservations;
    std::function<void()> m_printAction;
    std::shared_ptr<ImageImport> m_imageImport;
};

} // namespace kestrom
