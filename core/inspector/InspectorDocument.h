#pragma once

#include "model/BlackConversionType.h"
#include "model/DeviceDescriptor.h"
#include "model/OffsetBase.h"
#include "model/Point_mm.h"
#include "model/Size_mm.h"

#include <QByteArray>
#include <QImage>
#include <QMarginsF>
#include <QObject>
#include <QUrl>
#include <QVariant>

#include <memory>

class QMimeData;

namespace platform {
class UndoManager;
}

namespace kestrom {

// The print document as the inspector's panes see it: the values they show,
// the setters they write through (each registers its own undo step in the
// document) and one change signal per key path rooted at the document, sent
// for every real change, undo and redo included.
//
// This is the seam between the panes and the print document; an adapter
// over the document implements it.
class InspectorDocument : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    virtual std::shared_ptr<const ambrel::DeviceDescriptor> deviceDescriptor() const = 0;

    // Placement of the picture.
    virtual ambrel::OffsetBase imageOffsetBase() const = 0;
    virtual void changeImageOffsetBase(ambrel::OffsetBase base) = 0;
    virtual ambrel::Point_mm imageOffset_mm() const = 0;
    virtual void setImageOffset_mm(ambrel::Point_mm offset) = 0;
    virtual ambrel::Size_mm imageSizeForDisplay_mm() const = 0;
    virtual void setImageSizeWithWidthForDisplay_mm(double width) = 0;
    virtual void setImageSizeWithHeightForDisplay_mm(double height) = 0;
    // How far the placed picture runs over each canvas edge.
    virtual QMarginsF imageOverflownAmount_mm() const = 0;
    virtual bool hasOriginalImage() const = 0;
    virtual bool originalImageIsVector() const = 0;
    virtual void resizeImageToActualSize() = 0;

    // Repeats.
    virtual int imageRepeatXCount() const = 0;
    virtual void setImageRepeatXCount(int count) = 0;
    virtual int imageRepeatYCount() const = 0;
    virtual void setImageRepeatYCount(int count) = 0;
    virtual double imageRepeatXMargin_mm() const = 0;
    virtual void setImageRepeatXMargin_mm(double margin) = 0;
    virtual double imageRepeatYMargin_mm() const = 0;
    virtual void setImageRepeatYMargin_mm(double margin) = 0;
    virtual void resetImageRepeatCount() = 0;

    // Splitting along X.
    virtual double minimumSeparatedXMargin_mm() const = 0;
    virtual void setMinimumSeparatedXMargin_mm(double margin) = 0;
    virtual double maximumBlackXLength_mm() const = 0;
    virtual void setMaximumBlackXLength_mm(double length) = 0;
    virtual double additionalWhitespaceLength_end_mm() const = 0;
    virtual void setAdditionalWhitespaceLength_end_mm(double length) = 0;
    virtual void resetHorizontalImageSplit() = 0;

    // The picture itself: where its file is, its bytes, its size as text,
    // a small picture of it, and turning and mirroring it.
    virtual QUrl originalImageFileURL() const = 0;
    virtual QByteArray originalImageData() const = 0;
    virtual QString imageOriginalSizeDescription() const = 0;
    // The picture drawn upright into at most the given size; null without one.
    virtual QImage originalImageThumbnail(const QSize& maximumSize) const = 0;
    // Quarter turns clockwise (negative: counter-clockwise).
    virtual void rotateImage(int quarterTurns) = 0;
    virtual bool flipsImageHorizontal() const = 0;
    virtual void setFlipsImageHorizontal(bool flips) = 0;

    // Pictures coming in. A drag started in this application is refused.
    virtual bool acceptsImageDrop(const QMimeData* data, bool fromThisApplication) const = 0;
    // Starts the import and returns at once; the picture arrives later.
    virtual void importImageDrop(const QMimeData* data, bool fromThisApplication) = 0;
    // The open panel, starting near the current picture's file.
    virtual void presentImageOpenPanel() = 0;

    // The document's state.
    virtual bool inViewingMode() const = 0;
    // Starts the print of the job (behind the window's progress sheet).
    virtual void printDocument() = 0;

    // The model's own settings ("currentDeviceSetting.<identifier>").
    virtual bool hasCurrentDeviceSetting() const = 0;
    virtual QVariant deviceSettingValue(const QString& identifier) const = 0;
    virtual void setDeviceSettingValue(const QString& identifier, const QVariant& value) = 0;

    // Gray to black: the kind and the options of both kinds, by their key
    // path below "blackConversionOptions" ("threshold.threshold",
    // "halftone.brightnessFactor", ...), clamped by the document.
    virtual ambrel::BlackConversionType blackConversionType() const = 0;
    virtual void changeBlackConversionType(ambrel::BlackConversionType type) = 0;
    virtual double blackConversionOption(const QString& keyPath) const = 0;
    virtual void setBlackConversionOption(const QString& keyPath, double value) = 0;
    virtual void
    resetBlackConversionProperties(const QList<ambrel::BlackConversionType>& types) = 0;

    // The undo stacks the setters register on; a pane holds a drag of its
    // controls open there as one step.
    virtual platform::UndoManager* undoManager() const = 0;

Q_SIGNALS:
    // The key path below the document, e.g. "imageOffset_mm",
    // "deviceDescriptor.allowedOffsetBases", "currentDeviceSetting.speed" or
    // "blackConversionOptions.threshold.threshold".
    void valueChanged(const QString& keyPath);
};

} // namespace kestrom
