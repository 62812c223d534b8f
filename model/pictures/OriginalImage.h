#pragma once

#include "model/pictures/Drawing.h"
#include "model/pictures/ImageRotation.h"
#include "model/pictures/OriginalImageDrawingOptions.h"
#include "model/pictures/OriginalSizeInfo.h"
#include "model/units/Dpi.h"
#include "platform/graphics/PictureRefusal.h"

#include <QByteArray>
#include <QImage>
#include <QRectF>
#include <QSize>
#include <QStringList>
#include <QUrl>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

namespace platform {
class DecodingRows;
class GraphicsContext;
class ItemProvider;
class PageRenderings;
class PdfPage;
} // namespace platform

namespace ambrel {

class FullDecode;

// The picture a print document holds: the bytes of the file as the user gave
// them, where they came from, and how to draw the picture at any size. A
// raster picture (PNG, JPEG, GIF, BMP, TIFF, HEIC) is turned upright by its
// EXIF orientation; a vector picture is the first page of a PDF or
// Illustrator file. Immutable and shared: a copy is the same object, and two
// pictures are the same only as the same object.
//
// A large JPEG may first be decoded at the size of the view that shows it;
// its whole pixels are then decoded behind it (decodeFully). Everything that
// needs the pixels (cgImage, draw, and so the print) waits for them; only
// drawOnScreen shows the smaller decode meanwhile.
class OriginalImage {
public:
    using Pointer = std::shared_ptr<const OriginalImage>;

    // The longest side of a page, in points: PDF's own limit of 200 inches,
    // many times any device's canvas.
    static constexpr double maximumPageSide_pt = 14400;

    // File bytes from a location: a raster picture when a raster decoder
    // takes the bytes, otherwise the first page of a PDF document. Nothing
    // for empty bytes, bytes that are no picture, a raster picture without
    // pixels, a page whose trim box is empty or a page with a side longer
    // than maximumPageSide_pt. `why` tells a picture too large to decode or
    // draw within the system's limits, and one the memory ran out for.
    static Pointer fromData(const QByteArray& data, const QUrl& fileURL,
                            platform::PictureRefusal* why = nullptr);
    // As fromData, but throws OriginalImageError for bytes that make no
    // picture, naming the picture by `name`.
    static Pointer fromDataOrThrow(const QByteArray& data, const QUrl& fileURL,
                                   const QString& name);
    // The whole file at the location; nothing when it cannot be read.
    static Pointer fromContentsOfURL(const QUrl& url);
    // The file's bytes decoded at once only to cover the bound (upright, in
    // pixels), the whole picture left for decodeFully(). Nothing where that
    // gains no time: formats other than JPEG, a bound that does not halve
    // the picture, and bytes fromData() refuses. With `grayPrint`, the turn
    // and mirror the picture will be printed with, its gray for the print is
    // prepared (prepareForGrayPrint) from the whole decode's first rows.
    // `standIn`, when given, gives another JPEG of the same upright picture
    // at its own size (a saved package's thumbnail): where it decodes to the
    // bound quicker (ImageDecoder::scalesQuicker), what shows meanwhile is
    // decoded from it.
    static Pointer
    fromDataDecodingBehind(const QByteArray& data, const QUrl& fileURL, const QSize& bound,
                           platform::PictureRefusal* why = nullptr,
                           const std::optional<OriginalImageDrawingOptions>& grayPrint = {},
                           const std::function<std::optional<QByteArray>()>& standIn = {});
    // As fromDataDecodingBehind, for any raster file whose header tells its
    // size: what shows meanwhile is another JPEG of the same upright picture
    // at its own size (a saved package's thumbnail), decoded at once only to
    // cover the bound. Nothing when the header does not tell the size, the
    // stand-in is of another size or does not halve to the bound; `why`
    // tells a picture whose header announces more than the limits admit.
    static Pointer fromDataShownFromStandIn(const QByteArray& data, const QUrl& fileURL,
                                            const QByteArray& standIn, const QSize& bound,
                                            platform::PictureRefusal* why = nullptr);
    // An already decoded picture that the orientation value (1 to 8) turns.
    static Pointer fromImage(const QImage& image, const QByteArray& data, const QUrl& fileURL,
                             quint32 exifOrientation);
    static Pointer fromPdfPage(const std::shared_ptr<const platform::PdfPage>& page,
                               const QByteArray& data, const QUrl& fileURL);
    // A dropped or pasted item. Throws OriginalImageError::containsNoValidImage
    // when it offers no accepted type or its data is no picture, and the
    // item's own error when its data cannot be loaded.
    static Pointer make(platform::ItemProvider& item);

    // Type identifiers the open panel and the pasteboard accept: the raster
    // types the decoders read, PDF, then "com.adobe.illustrator.ai-image".
    static const QStringList& imageFileTypes();
    // The types a dropped item is read as, in order of preference.
    static const QStringList& imageFileUTTypes();

    const QByteArray& data() const { return m_data; }
    const QUrl& fileURL() const { return m_fileURL; }
    const Drawing& drawing() const { return m_drawing; }
    // The upright raster picture; absent for a vector page. Waits for the
    // whole picture when it is still being decoded (decodes it when nobody
    // has started to).
    const std::optional<QImage>& cgImage() const;
    // Decodes the whole picture now unless that is done or under way, then
    // waits for it; whether the picture has its pixels.
    bool decodeFully() const;
    // Why the whole picture did not decode, once decodeFully() said so.
    platform::PictureRefusal fullDecodeRefusal() const;
    // Whether the whole picture is there (or was never left for later).
    bool isFullyDecoded() const;
    // Runs once the whole picture is there: at once when it is, otherwise
    // on the thread that decoded it.
    void whenFullyDecoded(std::function<void()> callback) const;
    // The upright picture at the size it was first decoded at, while the
    // whole picture is still being decoded; a null picture otherwise.
    QImage scaledDecode() const;
    bool isVector() const { return m_isVector; }
    // A vector page's rendering for the device it was last drawn for, which
    // every drawing of the page there shares (the print's bands, its copies,
    // the preview's tiles, the next print); null for a raster picture.
    const std::shared_ptr<platform::PageRenderings>& pageRenderings() const {
        return m_pageRenderings;
    }
    double widthPerHeight() const { return m_widthPerHeight; }
    const OriginalSizeInfo& imageOriginalSizeInfo() const { return m_sizeInfo; }

    QString fileName() const;
    QString filePath() const;
    // "OriginalImage<address>(file name)".
    QString description() const;

    // A raster picture's pixels as they are; a vector page's millimetres at
    // the resolution. A pixel count beyond the 64-bit range stops the
    // program: callers pass a positive resolution, and pages are bounded.
    Size_px size_px(Dpi dpi) const;
    // A vector page's millimetres as they are; a raster picture's pixels at
    // the resolution, to a tenth of a millimetre.
    Size_mm size_mm(Dpi dpi) const;
    // "1000 × 500 px", the same with millimetres when a resolution is given,
    // or "210.0 × 297.0 mm" for a vector page.
    QString sizeInfoText(std::optional<Dpi> dpi = std::nullopt) const;
    bool isSameSize(const OriginalImage* other) const;

    // Draws the whole picture scaled into the rectangle; with flipContext the
    // picture is drawn upside down within it. A vector page whose worker
    // fails on it (now or before) throws OriginalImageError::cannotBeDrawn:
    // what drew it must not pass for the picture.
    void draw(const QRectF& rect, platform::GraphicsContext& context, bool flipContext) const;
    // Draws the picture turned by the rotation and, before turning, mirrored
    // left to right, so that the turned picture fills the rectangle. The
    // context's state is as it was afterwards.
    void draw(const QRectF& rect, ImageRotation orientation, bool flipHorizontal,
              platform::GraphicsContext& context, bool flipContext) const;

    // Makes ready in the background what a print on a gray device bitmap
    // needs of a colour raster picture drawn turned and mirrored so, once its
    // whole pixels are there (platform::OrientedImageCache::prepare); a later
    // call supersedes this one. Nothing for a vector page.
    void prepareForGrayPrint(ImageRotation orientation, bool flipHorizontal) const;
    // The same for the turn and mirroring the placement gives the picture.
    void prepareForGrayPrint(const OriginalImageDrawingOptions& placement) const;

    // As draw(), but the smaller decode stands in while the whole picture is
    // still being decoded: for pictures on screen, never for the print.
    void drawOnScreen(const QRectF& rect, ImageRotation orientation, bool flipHorizontal,
                      platform::GraphicsContext& context, bool flipContext) const;

    OriginalImage(const OriginalImage&) = delete;
    OriginalImage& operator=(const OriginalImage&) = delete;

private:
    OriginalImage() = default;

    // The whole upright pixels of a picture, decoded from its bytes on a
    // worker from now on, and why they did not decode.
    struct WholeDecode {
        std::shared_ptr<FullDecode> decode;
        std::shared_ptr<std::atomic<platform::PictureRefusal>> refusal;
        // Its rows as they come, for a picture its decode leaves unturned.
        std::shared_ptr<platform::DecodingRows> rows;
    };
    static WholeDecode startWholeDecode(const QByteArray& data, qint64 width, qint64 height,
                                        bool followsRows = false);
    static void prepareGrayPrint(const QSizeF& size, std::function<QImage()> pixels,
                                 const std::shared_ptr<platform::DecodingRows>& rows,
                                 ImageRotation orientation, bool flipHorizontal);
    // A raster picture of the upright size whose whole pixels the decode
    // gives; the stand-in shows on screen meanwhile.
    static Pointer decodingBehind(const QByteArray& data, const QUrl& fileURL, qint64 width,
                                  qint64 height, const WholeDecode& whole, const QImage& standIn);
    static void drawInto(const Drawing& drawing, const QRectF& rect,
                         platform::GraphicsContext& context, bool flipContext);
    static void drawTurned(const Drawing& drawing, const QRectF& rect, ImageRotation orientation,
                           bool flipHorizontal, platform::GraphicsContext& context,
                           bool flipContext);

    QByteArray m_data;
    QUrl m_fileURL;
    Drawing m_drawing;
    std::optional<QImage> m_cgImage;
    std::shared_ptr<FullDecode> m_fullDecode;
    std::shared_ptr<std::atomic<platform::PictureRefusal>> m_fullDecodeRefusal;
    std::shared_ptr<platform::DecodingRows> m_decodingRows;
    std::shared_ptr<platform::PageRenderings> m_pageRenderings;
    bool m_isVector = false;
    double m_widthPerHeight = 0;
    OriginalSizeInfo m_sizeInfo = OriginalSizeInfo::px({});
};

} // namespace ambrel
