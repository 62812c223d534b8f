#pragma once

#include "core/canvas/preview/PreviewPass.h"
#include "core/canvas/preview/PreviewTileCache.h"
#include "model/pictures/OriginalImage.h"

#include <QImage>

#include <memory>

namespace platform {
class OrientedImageCache;
}

namespace kestrom {

// What a picture view's passes share: the pass in force and what was drawn
// before conversion, kept so that a new conversion need not draw again.
// Guarded by previewPassLock(), but for the tile cache, which guards itself.
struct PreviewRenderState {
    // The drawn dots kept for conversions to come, at most.
    static constexpr qint64 tileDotsByteLimit = 256ll * 1024 * 1024;

    std::shared_ptr<PreviewPass> current;
    // The picture as last drawn at the budget, before conversion: a change
    // of the conversion alone converts it again without drawing.
    QImage drawnPicture;
    ambrel::OriginalImage::Pointer drawnFrom;
    bool drawnInColor = false;
    QImage cachedPreviewImage;
    // The cached preview came from the picture's smaller first decode.
    bool cachedPreviewIsScaledDecode = false;
    bool shouldInvalidateCachedPreviewImageOnNextDrawing = false;
    // The tiles' dots as drawn for the print, before conversion, and the
    // picture turned as the print turns it, shared by the tiles that draw.
    PreviewTileCache tileDots{tileDotsByteLimit};
    std::shared_ptr<platform::OrientedImageCache> orientedImages;
    ambrel::OriginalImage::Pointer orientedFrom;
    // The thumbnail's small drawing of the picture, made once a picture.
    QImage drawnSmall;
    ambrel::OriginalImage::Pointer drawnSmallFrom;
};

} // namespace kestrom
