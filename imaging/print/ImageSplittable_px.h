#pragma once

#include "imaging/print/XYBitmapInfo_px.h"
#include "model/connections/PrintTask.h"

#include <QList>
#include <QRectF>

#include <functional>
#include <memory>
#include <optional>

namespace platform {
class Progress;
}

namespace quenta {

// Adopted by a device connection (a DeviceConnection that is also
// BlackWhiteSendable) that prints a job as bitmaps placed in pixels; the
// canvas asks it, through a cast, for the areas it prints as separate
// sequences.
class ImageSplittable_px {
public:
    // The areas in millimetres, or none when the run was cancelled.
    using SequenceAreas = std::optional<QList<QRectF>>;
    using SequenceAreasHandler = std::function<void(SequenceAreas)>;

    virtual ~ImageSplittable_px();

    // Returns at once; the splitting runs on a background thread, which
    // calls the handler exactly once: with one rectangle per bitmap (its
    // source rectangle in millimetres at the connection's resolution, in
    // the splitting's order), an empty list when the splitting failed, or
    // none when it was cancelled. A repeated request first waits 0.3 s and
    // gives up when cancelled meanwhile. The connection must outlive the run.
    virtual void getSplittedSequenceAreas_mm(const ambrel::PrintTask& task, bool isRapidlyRepeated,
                                             std::shared_ptr<platform::Progress> progress,
                                             SequenceAreasHandler handler);

    // The job's bitmaps for the connection's own model (see ImageSplitter_px).
    virtual QList<XYBitmapInfo_px>
    generateBitmaps_px(const ambrel::PrintTask& task,
                       const std::shared_ptr<platform::Progress>& progress, bool isDebugMode);

    // Each record's source rectangle in millimetres.
    static QList<QRectF> sequenceAreas(const QList<XYBitmapInfo_px>& records, ambrel::Dpi dpi);
};

} // namespace quenta
