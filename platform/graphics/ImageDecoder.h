#pragma once

#include "platform/graphics/DecodedImage.h"
#include "platform/graphics/PictureRefusal.h"
#include "platform/graphics/ScaledDecodedImage.h"

#include <QByteArray>
#include <QImageIOHandler>
#include <QSize>

#include <functional>
#include <optional>

namespace platform {

class DecodingRows;

// Decodes the raster formats the system accepts: PNG, GIF, BMP and TIFF
// through Qt's image readers, JPEG through the JPEG library (JpegDecoder),
// HEIC through libheif. The format is told by the file's leading bytes,
// never by its name.
class ImageDecoder {
public:
    // The file's primary picture (the first frame or directory, the primary
    // item of a HEIC file), not turned by its orientation. Nothing for bytes
    // no decoder accepts, for broken or truncated files, for pictures beyond
    // ImageLimits and for headers announcing more than the file's bytes can
    // hold, which are refused before their pixels are decoded. `why` tells
    // a picture too large for ImageLimits (its pixels, the memory its format
    // or its decoder takes, or a JPEG of more scans than JpegDecoder
    // decodes), and a decode the memory ran out for, from the rest.
    // With `rows`, a reader can follow the rows as they are decoded, where
    // the decoder decodes row by row; it is told when the decode ends.
    static std::optional<DecodedImage> decode(const QByteArray& data, PictureRefusal* why = nullptr,
                                              DecodingRows* rows = nullptr);
    // The size the file stores (not turned) and its orientation value, read
    // from the header after the checks decode() makes before any pixel is
    // decoded. Nothing for HEIC (its size is known only to its decoder) and
    // for every file those checks refuse; `why` as for decode().
    struct StoredSize {
        QSize size;
        quint32 exifOrientation = 1;
    };
    static std::optional<StoredSize> storedSize(const QByteArray& data,
                                                PictureRefusal* why = nullptr);
    // The primary picture decoded straight to a smaller size, for a quick
    // look before the whole picture is decoded: the smallest size JPEG's
    // decoder makes while decoding (a half, a quarter or an eighth) that
    // still covers the bound, the bound taken upright as the orientation
    // turns the picture (the JPEG library's own scaled decode). Nothing for
    // other formats (their decoders decode the whole picture and scale
    // after), for a bound that does not halve
    // the picture, and for every file decode() refuses. `headerRead` is
    // given the stored size once the file passed its checks, while its
    // pixels decode (on another thread when there is one for it): work
    // that needs no more starts beside the decode without the file being
    // checked a second time. It is never told of a file that is refused.
    static std::optional<ScaledDecodedImage>
    decodeScaled(const QByteArray& data, const QSize& bound, PictureRefusal* why = nullptr,
                 const std::function<void(const StoredSize&)>& headerRead = {});

    // Whether `standIn`, another JPEG of the same picture (a saved package's
    // thumbnail), decodes to a smaller size with less work than `data`: a
    // scaled decode reads every scan of a file whatever the scale, so a
    // stand-in of one scan beside a progressive picture, or one of fewer
    // bytes, gives the quick look sooner.
    static bool scalesQuicker(const QByteArray& standIn, const QByteArray& data);

    // The EXIF orientation value (1 to 8) that Qt's readers report as a
    // transformation.
    static quint32 exifOrientation(QImageIOHandler::Transformations transformation);

    // "png", "jpeg", "gif", "bmp", "tiff" or "heic" by the leading bytes;
    // empty for anything else.
    static QByteArray sniffFormat(const QByteArray& data);

    // Whether a JPEG stream runs to its end-of-image marker. Qt's reader
    // returns a truncated JPEG as a picture with a grey lower part.
    static bool jpegIsComplete(const QByteArray& data);
    // Whether a BMP holds every row its header announces (runs followed to
    // their end); Qt's reader leaves missing rows black. Unknown header sizes
    // and compressions are refused.
    static bool bmpIsComplete(const QByteArray& data);
};

} // namespace platform
