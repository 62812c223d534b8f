#pragma once

#include <QByteArray>
#include <QImage>
#include <QMargins>
#include <QRect>

#include <optional>

namespace quenta {

// Digests of data and pictures, and cutting pictures or framing them with
// white.
class ImageExtensions {
public:
    // The 16-byte MD5 digest of the bytes.
    static QByteArray md5Hash(const QByteArray& data);
    // The digest of the picture's pixels, row by row in its own format,
    // without the padding at the rows' ends; none for a picture without
    // pixels.
    static std::optional<QByteArray> md5Hash(const QImage& image);

    // The part of the picture inside the rectangle (pixels, rows counted from
    // the top). The whole picture's rectangle gives the picture itself; a
    // rectangle inside it a crop in the picture's format; a rectangle
    // reaching beyond it an 8-bit gray picture of the rectangle's size with
    // white where the picture is not. None for an empty rectangle or when
    // the white picture cannot be made.
    static std::optional<QImage> croppingOrAddingWhitespace(const QImage& image,
                                                            const QRect& croppingRect);
    // Positive margins shave the picture's edges, negative ones add white.
    static std::optional<QImage> shavingOrAddingEdges(const QImage& image, const QMargins& edges);
};

} // namespace quenta
