#pragma once

#include <QImage>

#include <optional>

namespace ambrel {

// How to turn a raster picture upright for its EXIF orientation value
// (TIFF tag 274): an optional reflection, then a number of quarter turns.
// Quarter turns are counted as vImageRotation: 0 none, 1 a quarter turn
// counter-clockwise, 2 a half turn, 3 a quarter turn clockwise, row 0 at the
// top.
struct OrientationApplyingInfo {
    enum class FlipType { vertical, horizontal };

    std::optional<FlipType> flipType;
    int vImageRotation = 0;

    // Values 2 to 8; nothing for 1 (already upright) and for values outside
    // the standard, which are drawn as stored.
    static std::optional<OrientationApplyingInfo> forOrientation(quint32 exifOrientation);

    // The picture turned upright: one gray byte per pixel for a monochrome
    // picture, otherwise 8-bit RGBA with alpha last, or RGBX when it has no
    // alpha. Reflection comes before the turn. Nothing for orientation 1 or a
    // failure; a failure is logged.
    static std::optional<QImage> imageApplyingOrientation(const QImage& image,
                                                          quint32 exifOrientation);

    // Whether the picture counts as monochrome: a gray format, or a colour
    // table of grays only.
    static bool isMonochrome(const QImage& image);
};

} // namespace ambrel
