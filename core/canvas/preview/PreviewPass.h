#pragma once

#include "core/canvas/preview/PreviewGeometry.h"
#include "imaging/print/DeviceBlackConversionInfo.h"
#include "model/descriptions/ColorAbility.h"
#include "model/pictures/BlackConversion.h"
#include "model/pictures/ImageRotation.h"
#include "model/pictures/OriginalImage.h"

#include <QImage>
#include <QList>
#include <QRectF>
#include <QSizeF>

#include <mutex>
#include <optional>

namespace kestrom {

// One pass of a picture view's preview: what it was asked to make (a new
// preview or only tiles), the inputs it took, and how far it has come. Its
// fields are read and written under lock() only.
struct PreviewPass {
    enum class Status {
        ready,
        processingPreview,
        completedPreview,
        processingTile,
        completed,
        cancelled
    };
    struct PreviewTask {
        ambrel::OriginalImage::Pointer originalImage;
    };
    struct TileTask {
        QSizeF viewSize;
        QList<QRectF> tileRects;
        double scale = 1;
    };

    Status status = Status::ready;
    std::optional<PreviewTask> previewTask;
    TileTask tileTask;
    QImage previewImage;
    ambrel::OriginalImage::Pointer originalImage;
    ambrel::BlackConversion blackConversion = ambrel::BlackConversion::threshold();
    std::optional<quenta::DeviceBlackConversionInfo> deviceAdditionalInfo;
    ambrel::ColorAbility colorAbility = ambrel::ColorAbility::blackWhite;
    ambrel::ImageRotation imageOrientation = ambrel::ImageRotation::none;
    bool flipsImage = false;
    // Its tiles are made from the print's dots, placed so.
    std::optional<PreviewGeometry> geometry;
    // Its preview came from the picture's smaller first decode.
    bool fromScaledDecode = false;
    // Tiles not yet handed to the view (main thread only): the tiles of a
    // pass arrive in any order.
    qsizetype undelivered = 0;
};

// Guards every pass, every view's pass in force and its cached preview; held
// only for short checks, never while drawing.
std::mutex& previewPassLock();

} // namespace kestrom
