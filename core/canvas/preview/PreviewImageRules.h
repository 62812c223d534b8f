#pragma once

#include "imaging/print/DeviceBlackConversionInfo.h"
#include "model/descriptions/ColorAbility.h"
#include "model/pictures/BlackConversion.h"
#include "model/pictures/ImageRotation.h"
#include "model/pictures/OriginalImage.h"

#include <QImage>
#include <QList>
#include <QRectF>
#include <QSize>
#include <QSizeF>

#include <optional>

namespace kestrom {

// The picture view's image rules that need no view: how the whole picture is
// drawn and converted at the preview's budget (for full-colour models, for a
// picture still being decoded, and for the thumbnail), how tiles are cut,
// and how a tile is sampled from such a preview.
class PreviewImageRules {
public:
    static constexpr double tileWidth = 250.0;
    static constexpr int thumbnailSide = 128;
    static constexpr double previewPixelBudget = 6'000'000;
    static constexpr double previewDpi = 600;
    static constexpr qint64 maximumTileSpan = 256;

    // The preview's pixel size for a picture's width per height at a pixel
    // budget; a ratio that is zero, infinite or not a number gives nothing.
    static std::optional<QSize> previewSize(double widthPerHeight,
                                            double budget = previewPixelBudget);
    // The tile frames of a view of the size that meet the area (the whole
    // view without one), row by row; at most maximumTileSpan across and down.
    static QList<QRectF> tileFrames(const QSizeF& size, const std::optional<QRectF>& area = {});
    // The upright picture mirrored left to right (before turning) and turned
    // clockwise, as the picture is drawn for the print.
    static QImage orientedImage(const QImage& upright, ambrel::ImageRotation orientation,
                                bool flipsHorizontal);

    // The picture drawn at the size (gray, or RGB for full colour), or the
    // smaller decode given instead; white without a picture. Null when there
    // is no memory for it.
    static QImage drawPicture(const ambrel::OriginalImage::Pointer& image,
                              ambrel::ColorAbility colorAbility, const std::optional<QSize>& size,
                              const QImage& scaled = {});
    // A converted copy of a drawn gray picture, as the canvas shows a picture
    // it cannot yet show from the print's dots: the threshold alone, or the
    // halftone's tone without its screen. Null when there is no memory.
    static QImage convertPreview(const QImage& drawn, const ambrel::BlackConversion& conversion,
                                 const std::optional<quenta::DeviceBlackConversionInfo>& info,
                                 ambrel::ImageRotation orientation, double dpi = previewDpi);
    // A preview of only black and white at one bit a pixel (set for white);
    // any other as it is.
    static QImage packedIfBlackAndWhite(const QImage& preview);
    // The upright preview sampled into a tile of a view of the size, turned
    // and mirrored as shown: nearest pixels, so that dots stay crisp.
    static QImage sampleTile(const QImage& preview, const QRectF& frame, const QSizeF& viewSize,
                             double scale, ambrel::ImageRotation orientation, bool flips,
                             bool fullColor);
    // The thumbnail of an upright preview, turned and mirrored as shown.
    static QImage thumbnail(const QImage& preview, ambrel::ImageRotation orientation, bool flips,
                            bool fullColor);
};

} // namespace kestrom
