#pragma once

#include "model/DeviceDescriptor.h"
#include "model/OffsetBase.h"
#include "model/Point_mm.h"
#include "model/Size_mm.h"

#include <QMarginsF>
#include <QObject>

#include <memory>

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

Q_SIGNALS:
    // The key path below the document, e.g. "imageOffset_mm" or
    // "deviceDescriptor.allowedOffsetBases".
    void valueChanged(const QString& keyPath);
};

} // namespace kestrom
