#include "imaging/print/ImageSplittable_px.h"

#include "imaging/print/ImageSplitter_px.h"
#include "imaging/print/SplittingConnection.h"
#include "model/errors/ConnectionError.h"
#include "platform/Progress.h"

#include <QThreadPool>

#include <chrono>
#include <thread>

namespace quenta {

ImageSplittable_px::~ImageSplittable_px() = default;

QList<XYBitmapInfo_px>
ImageSplittable_px::generateBitmaps_px(const ambrel::PrintTask& task,
                                       const std::shared_ptr<platform::Progress>& progress,
                                       bool isDebugMode) {
    return ImageSplitter_px::generateBitmaps_px(SplittingConnection::deviceDescriptor(this), task,
                                                progress, isDebugMode);
}

QList<QRectF> ImageSplittable_px::sequenceAreas(const QList<XYBitmapInfo_px>& records,
                                                ambrel::Dpi dpi) {
    QList<QRectF> areas;
    areas.reserve(records.size());
    for (const XYBitmapInfo_px& record : records) {
        const ambrel::Rect_px r = record.sourceRect_px();
        areas.append(QRectF(dpi.mm(r.origin.x), dpi.mm(r.origin.y), dpi.mm(r.size.width),
                            dpi.mm(r.size.height)));
    }
    return areas;
}

void ImageSplittable_px::getSplittedSequenceAreas_mm(const ambrel::PrintTask& task,
                                                     bool isRapidlyRepeated,
                                                     std::shared_ptr<platform::Progress> progress,
                                                     SequenceAreasHandler handler) {
    const ambrel::Dpi dpi = SplittingConnection::deviceDescriptor(this).dpi();
    QThreadPool::globalInstance()->start([this, task, isRapidlyRepeated, progress, handler, dpi] {
        if (isRapidlyRepeated) {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            if (progress && progress->isCancelled()) {
                handler(std::nullopt);
                return;
            }
        }
        QList<XYBitmapInfo_px> records;
        try {
            records = generateBitmaps_px(task, progress, false);
        } catch (const ambrel::ConnectionError& error) {
            if (error.errorCase() == ambrel::ConnectionError::Case::userCancelled) {
                handler(std::nullopt);
            } else {
                handler(QList<QRectF>());
            }
            return;
        } catch (const platform::Error&) {
            handler(QList<QRectF>());
            return;
        }
        handler(sequenceAreas(records, dpi));
    });
}

} // namespace quenta
