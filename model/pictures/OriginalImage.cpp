#include "model/pictures/OriginalImage.h"

#include "model/pictures/FullDecode.h"
#include "model/pictures/GraphicsExtensions.h"
#include "model/pictures/OrientationApplyingInfo.h"
#include "model/pictures/OriginalImageError.h"
#include "model/texts/LocalizedStringTable.h"
#include "platform/Log.h"
#include "platform/WorkQueue.h"
#include "platform/graphics/DecodingRows.h"
#include "platform/graphics/FileType.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/graphics/ImageDecoder.h"
#include "platform/graphics/ItemProvider.h"
#include "platform/graphics/OrientedImageCache.h"
#include "platform/graphics/PageRenderings.h"
#include "platform/graphics/PdfPage.h"
#include "platform/worker/PictureWorkerError.h"

#include <QFile>
#include <QScopeGuard>
#include <QUuid>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace ambrel {

namespace {

// Half away from zero, the rounding of every size here.
double roundHalfAway(double value) {
    return std::round(value);
}

qint64 pixelsFromMillimetres(double mm, double dpi) {
    const double px = roundHalfAway(dpi * (mm / 25.4));
    // 2^63 as a double is the first value out of range.
    if (!std::isfinite(px) || px >= 9223372036854775808.0 || px < -9223372036854775808.0) {
        platform::Log::fatal(
            QStringLiteral("OriginalImage: %1 mm at %2 dpi is no pixel count").arg(mm).arg(dpi));
    }
    return qint64(px);
}

// The picture's size once its stored orientation is applied: orientations
// 5 to 8 turn it a quarter.
QSize uprightSize(const platform::ImageDecoder::StoredSize& stored) {
    const quint32 orientation = stored.exifOrientation;
    return orientation >= 5 && orientation <= 8 ? stored.size.transposed() : stored.size;
}

} // namespace

OriginalImage::Pointer OriginalImage::fromData(const QByteArray& data, const QUrl& fileURL,
                                               platform::PictureRefusal* why) {
    using platform::PictureRefusal;
    if (why) {
        *why = PictureRefusal::noPicture;
    }
    if (data.isEmpty()) {
        return nullptr;
    }
    PictureRefusal raster = PictureRefusal::noPicture;
    if (const auto decoded = platform::ImageDecoder::decode(data, &raster)) {
        return fromImage(decoded->image, data, fileURL, decoded->exifOrientation);
    }
    PictureRefusal page = PictureRefusal::noPicture;
    if (const auto pdf = platform::PdfPage::firstPage(data, &page)) {
        return fromPdfPage(pdf, data, fileURL);
    }
    if (why) {
        *why = page != PictureRefusal::noPicture ? page : raster;
    }
    return nullptr;
}

OriginalImage::Pointer OriginalImage::fromDataOrThrow(const QByteArray& data, const QUrl& fileURL,
                                                      const QString& name) {
    platform::PictureRefusal why = platform::PictureRefusal::noPicture;
    if (auto image = fromData(data, fileURL, &why)) {
        return image;
    }
    throw OriginalImageError::refusal(why, name);
}

OriginalImage::Pointer
OriginalImage::fromDataDecodingBehind(const QByteArray& data, const QUrl& fileURL,
                                      const QSize& bound, platform::PictureRefusal* why,
                                      const std::optional<OriginalImageDrawingOptions>& grayPrint,
                                      const std::function<std::optional<QByteArray>()>& standIn) {
    using platform::ImageDecoder;
    if (why) {
        *why = platform::PictureRefusal::noPicture;
    }
    if (data.isEmpty() || bound.isEmpty() || ImageDecoder::sniffFormat(data) != "jpeg") {
        return nullptr;
    }
    QSize full;
    WholeDecode whole;
    const auto startWhole = [&](const ImageDecoder::StoredSize& stored) {
        full = uprightSize(stored);
        // A picture its decode leaves unturned is made gray for the print as
        // its rows come.
        whole = startWholeDecode(data, full.width(), full.height(), stored.exifOrientation == 1);
        if (grayPrint && whole.rows) {
            // From the first rows on, rather than once the picture is taken
            // with most of them waiting; the picture's own request is this
            // one.
            prepareGrayPrint(
                QSizeF(full),
                [decode = whole.decode] { return decode->image().value_or(QImage()); }, whole.rows,
                grayPrint->imageOrientation, grayPrint->flipsImageHorizontal);
        }
    };
    // The scaled decode gains time only for a bound that halves the picture
    // (it tells from the header). Once the header passed, the whole decode
    // starts, to run beside the scaled one: the stand-in's, where it is
    // quicker, else the picture's own.
    const auto quickFromStandIn = [&]() -> std::optional<QImage> {
        const auto other = standIn ? standIn() : std::nullopt;
        if (!other || !ImageDecoder::scalesQuicker(*other, data)) {
            return std::nullopt;
        }
        const auto stored = ImageDecoder::storedSize(data, why);
        if (!stored) {
            return std::nullopt;
        }
        const QSize upright = uprightSize(*stored);
        const auto scaled =
            ImageDecoder::decodeScaled(*other, bound, nullptr, [&](const auto& standInStored) {
                // Drawn over the whole picture's place: of another size it
                // would show another picture.
                if (standInStored.size == upright && standInStored.exifOrientation == 1) {
                    startWhole(*stored);
                }
            });
        if (!scaled || !whole.decode) {
            return std::nullopt;
        }
        return scaled->decoded.image;
    };
    if (const auto quick = quickFromStandIn()) {
        return decodingBehind(data, fileURL, full.width(), full.height(), whole, *quick);
    }
    if (why && *why != platform::PictureRefusal::noPicture) {
        return nullptr;
    }
    const auto scaled =
        ImageDecoder::decodeScaled(data, bound, why, [&](const ImageDecoder::StoredSize& stored) {
            if (!whole.decode) {
                startWhole(stored);
            }
        });
    if (!scaled || !whole.decode) {
        return nullptr;
    }
    const QImage& small = scaled->decoded.image;
    const QImage upright =
        OrientationApplyingInfo::imageApplyingOrientation(small, scaled->decoded.exifOrientation)
            .value_or(small);
    return decodingBehind(data, fileURL, full.width(), full.height(), whole, upright);
}

OriginalImage::Pointer OriginalImage::fromDataShownFromStandIn(const QByteArray& data,
                                                               const QUrl& fileURL,
                                                               const QByteArray& standIn,
                                                               const QSize& bound,
                                                               platform::PictureRefusal* why) {
    if (why) {
        *why = platform::PictureRefusal::noPicture;
    }
    if (data.isEmpty() || standIn.isEmpty()) {
        return nullptr;
    }
    const auto stored = platform::ImageDecoder::storedSize(data, why);
    if (!stored) {
        return nullptr;
    }
    const QSize full = uprightSize(*stored);
    const auto scaled = platform::ImageDecoder::decodeScaled(standIn, bound);
    // The stand-in is drawn over the whole picture's place: of another size
    // it would show another picture.
    if (!scaled || scaled->fullSize != full || scaled->decoded.exifOrientation != 1) {
        return nullptr;
    }
    return decodingBehind(data, fileURL, full.width(), full.height(),
                          startWholeDecode(data, full.width(), full.height()),
                          scaled->decoded.image);
}

namespace {

// The workers that decode whole pictures first shown from a smaller decode.
struct WholeDecodeQueueDescription {
    static platform::WorkQueue::Options options() {
        return {.name = QStringLiteral("whole decodes"),
                .maxThreadCount = 2,
                .dropsQueuedWorkAtExit = true};
    }
};
using WholeDecodeQueue = platform::SharedWorkQueue<WholeDecodeQueueDescription>;

} // namespace

OriginalImage::WholeDecode OriginalImage::startWholeDecode(const QByteArray& data, qint64 w,
                                                           qint64 h, bool followsRows) {
    auto refusal = std::make_shared<std::atomic<platform::PictureRefusal>>(
        platform::PictureRefusal::noPicture);
    auto rows = followsRows ? std::make_shared<platform::DecodingRows>() : nullptr;
    const auto decoder = [data, w, h, refusal, rows]() -> std::optional<QImage> {
        platform::PictureRefusal why = platform::PictureRefusal::noPicture;
        const auto decoded = platform::ImageDecoder::decode(data, &why, rows.get());
        if (!decoded) {
            refusal->store(why);
            return std::nullopt;
        }
        QImage image = OrientationApplyingInfo::imageApplyingOrientation(decoded->image,
                                                                         decoded->exifOrientation)
                           .value_or(decoded->image);
        // Sizes were announced from the header: pixels of another size
        // would be placed wrongly, so they count as none.
        if (image.width() != w || image.height() != h) {
            return std::nullopt;
        }
        return image;
    };
    auto decode = std::make_shared<FullDecode>(decoder, QImage());
    // Whoever needs the pixels first decodes them; a picture let go before
    // the worker came to it is not decoded at all.
    WholeDecodeQueue::run([weak = std::weak_ptr<FullDecode>(decode)] {
        if (const auto decode = weak.lock()) {
            decode->image();
        }
    });
    return {decode, refusal, rows};
}

OriginalImage::Pointer OriginalImage::decodingBehind(const QByteArray& data, const QUrl& fileURL,
                                                     qint64 w, qint64 h, const WholeDecode& whole,
                                                     const QImage& standIn) {
    if (standIn.isNull() || w < 1 || h < 1) {
        return nullptr;
    }
    const auto& decode = whole.decode;
    decode->setStandIn(standIn);
    std::shared_ptr<OriginalImage> result(new OriginalImage());
    result->m_data = data;
    result->m_fileURL = fileURL;
    result->m_fullDecode = decode;
    result->m_fullDecodeRefusal = whole.refusal;
    result->m_decodingRows = whole.rows;
    result->m_drawing =
        Drawing{QSizeF(double(w), double(h)), [decode, w, h](platform::GraphicsContext& context) {
                    if (const auto& image = decode->image()) {
                        context.drawImage(QRectF(0, 0, double(w), double(h)), *image);
                    }
                }};
    result->m_sizeInfo = OriginalSizeInfo::px({w, h});
    result->m_widthPerHeight = double(w) / double(h);
    result->m_isVector = false;
    return result;
}

OriginalImage::Pointer OriginalImage::fromContentsOfURL(const QUrl& url) {
    QFile file(url.toLocalFile());
    if (!file.open(QIODevice::ReadOnly)) {
        return nullptr;
    }
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        return nullptr;
    }
    return fromData(data, url);
}

OriginalImage::Pointer OriginalImage::fromImage(const QImage& image, const QByteArray& data,
                                                const QUrl& fileURL, quint32 exifOrientation) {
    const QImage upright =
        OrientationApplyingInfo::imageApplyingOrientation(image, exifOrientation).value_or(image);
    const qint64 w = upright.width();
    const qint64 h = upright.height();
    if (upright.isNull() || w < 1 || h < 1) {
        return nullptr;
    }
    std::shared_ptr<OriginalImage> result(new OriginalImage());
    result->m_data = data;
    result->m_fileURL = fileURL;
    result->m_cgImage = upright;
    result->m_drawing =
        Drawing{QSizeF(double(w), double(h)), [upright, w, h](platform::GraphicsContext& context) {
                    context.drawImage(QRectF(0, 0, double(w), double(h)), upright);
                }};
    result->m_sizeInfo = OriginalSizeInfo::px({w, h});
    result->m_widthPerHeight = double(w) / double(h);
    result->m_isVector = false;
    return result;
}

OriginalImage::Pointer
OriginalImage::fromPdfPage(const std::shared_ptr<const platform::PdfPage>& page,
                           const QByteArray& data, const QUrl& fileURL) {
    if (!page) {
        return nullptr;
    }
    const QSizeF points = page->size();
    // Beyond PDF's own page limit is no page any device images; refused
    // here, no size derived from it can leave the range of its numbers.
    if (!(points.width() <= maximumPageSide_pt) || !(points.height() <= maximumPageSide_pt)) {
        return nullptr;
    }
    std::shared_ptr<OriginalImage> result(new OriginalImage());
    result->m_data = data;
    result->m_fileURL = fileURL;
    // A page whose worker failed fails the drawing with the error that
    // names the picture.
    result->m_drawing =
        Drawing{points, [page, name = fileURL.fileName()](platform::GraphicsContext& context) {
                    context.saveGState();
                    const auto restore = qScopeGuard([&] { context.restoreGState(); });
                    try {
                        page->draw(context);
                    } catch (const platform::PictureWorkerError&) {
                        throw OriginalImageError::cannotBeDrawn(name);
                    }
                }};
    auto mm = [](double pt) { return roundHalfAway(pt / 72.0 * 25.4 * 10.0) / 10.0; };
    const Size_mm size{mm(points.width()), mm(points.height())};
    if (!(size.width > 0) || !(size.height > 0)) {
        return nullptr;
    }
    result->m_sizeInfo = OriginalSizeInfo::mm(size);
    result->m_widthPerHeight = size.width / size.height;
    result->m_isVector = true;
    // An earlier placement is seldom drawn again once another is: only the
    // latest rendering is kept.
    result->m_pageRenderings = std::make_shared<platform::PageRenderings>(
        platform::PageRenderings::defaultByteBudget, platform::PageRenderings::Keeping::latestOnly);
    return result;
}

OriginalImage::Pointer OriginalImage::make(platform::ItemProvider& item) {
    QString name = item.suggestedName().value_or(QStringLiteral("Dropped"));
    if (name.isEmpty()) {
        name = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    } else {
        name.replace(QLatin1Char('/'), QLatin1Char('-'));
    }
    QString type;
    for (const QString& candidate : imageFileUTTypes()) {
        if (item.hasItemConformingToTypeIdentifier(candidate)) {
            type = candidate;
            break;
        }
    }
    if (type.isEmpty()) {
        throw OriginalImageError::containsNoValidImage(name);
    }
    const QByteArray data = item.loadDataRepresentation(type);
    QString path = name;
    const auto fileType = platform::FileType::withIdentifier(type);
    if (const auto extension = fileType ? fileType->preferredFilenameExtension() : std::nullopt) {
        if (!name.endsWith(QLatin1Char('.') + *extension)) {
            path = name + QLatin1Char('.') + *extension;
        }
    }
    const QUrl fileURL = QUrl::fromLocalFile(path);
    return fromDataOrThrow(data, fileURL, name);
}

const QStringList& OriginalImage::imageFileTypes() {
    using platform::FileType;
    static const QStringList types{FileType::png,  FileType::jpeg, FileType::gif,
                                   FileType::bmp,  FileType::tiff, FileType::heic,
                                   FileType::heif, FileType::pdf,  FileType::illustrator};
    return types;
}

const QStringList& OriginalImage::imageFileUTTypes() {
    using platform::FileType;
    static const QStringList types{FileType::bmp,        FileType::heic, FileType::jpeg,
                                   FileType::png,        FileType::gif,  FileType::pdf,
                                   FileType::illustrator};
    return types;
}

const std::optional<QImage>& OriginalImage::cgImage() const {
    return m_fullDecode ? m_fullDecode->image() : m_cgImage;
}

bool OriginalImage::decodeFully() const {
    return m_isVector || cgImage().has_value();
}

platform::PictureRefusal OriginalImage::fullDecodeRefusal() const {
    return m_fullDecodeRefusal ? m_fullDecodeRefusal->load() : platform::PictureRefusal::noPicture;
}

QImage OriginalImage::scaledDecode() const {
    return m_fullDecode ? m_fullDecode->standIn() : QImage();
}

bool OriginalImage::isFullyDecoded() const {
    return !m_fullDecode || m_fullDecode->isFinished();
}

void OriginalImage::whenFullyDecoded(std::function<void()> callback) const {
    if (m_fullDecode) {
        m_fullDecode->whenFinished(std::move(callback));
    } else {
        callback();
    }
}

QString OriginalImage::fileName() const {
    return m_fileURL.fileName();
}

QString OriginalImage::filePath() const {
    return m_fileURL.isLocalFile() ? m_fileURL.toLocalFile() : m_fileURL.path();
}

QString OriginalImage::description() const {
    return QStringLiteral("OriginalImage<%1>(%2)")
        .arg(QString::asprintf("%p", static_cast<const void*>(this)), fileName());
}

Size_px OriginalImage::size_px(Dpi dpi) const {
    if (m_sizeInfo.isPx()) {
        return m_sizeInfo.pxSize();
    }
    const Size_mm mm = m_sizeInfo.mmSize();
    return {pixelsFromMillimetres(mm.width, dpi.rawValue()),
            pixelsFromMillimetres(mm.height, dpi.rawValue())};
}

Size_mm OriginalImage::size_mm(Dpi dpi) const {
    if (m_sizeInfo.isMm()) {
        return m_sizeInfo.mmSize();
    }
    return dpi.mm(m_sizeInfo.pxSize());
}

QString OriginalImage::sizeInfoText(std::optional<Dpi> dpi) const {
    if (m_sizeInfo.isMm()) {
        const Size_mm mm = m_sizeInfo.mmSize();
        return QString::asprintf("%.1f × %.1f mm", mm.width, mm.height);
    }
    const Size_px px = m_sizeInfo.pxSize();
    if (!dpi) {
        return QString::asprintf("%lli × %lli px", static_cast<long long>(px.width),
                                 static_cast<long long>(px.height));
    }
    const Size_mm mm = size_mm(*dpi);
    static const QString key = QStringLiteral("OriginalImage_imageSizeDescriptionFormat_pxmm");
    const auto text = LocalizedStringTable::ambrel().getLocalizedStringOrNull(
        key, {px.width, px.height, mm.width, mm.height});
    if (!text) {
        platform::Log::fatal(QStringLiteral("OriginalImage: the string table lacks ") + key);
    }
    return *text;
}

bool OriginalImage::isSameSize(const OriginalImage* other) const {
    return other && m_sizeInfo == other->m_sizeInfo;
}

void OriginalImage::draw(const QRectF& rect, platform::GraphicsContext& context,
                         bool flipContext) const {
    drawInto(m_drawing, rect, context, flipContext);
}

void OriginalImage::drawInto(const Drawing& drawing, const QRectF& rect,
                             platform::GraphicsContext& context, bool flipContext) {
    const QSizeF size = drawing.size;
    if (!(size.width() > 0) || !(size.height() > 0) || !drawing.drawingHandler) {
        return;
    }
    context.saveGState();
    // Restored however the drawing ends: a page that cannot be drawn throws.
    const auto restore = qScopeGuard([&] { context.restoreGState(); });
    // Into the rectangle first, then flip and scale within it, so that a
    // rectangle away from the origin is measured in the context's units.
    context.translateBy(rect.x(), rect.y());
    if (flipContext) {
        context.translateBy(0, rect.height());
        context.scaleBy(1, -1);
    }
    context.scaleBy(rect.width() / size.width(), rect.height() / size.height());
    drawing.drawingHandler(context);
}

void OriginalImage::draw(const QRectF& rect, ImageRotation orientation, bool flipHorizontal,
                         platform::GraphicsContext& context, bool flipContext) const {
    drawTurned(m_drawing, rect, orientation, flipHorizontal, context, flipContext);
}

void OriginalImage::prepareForGrayPrint(const OriginalImageDrawingOptions& placement) const {
    prepareForGrayPrint(placement.imageOrientation, placement.flipsImageHorizontal);
}

void OriginalImage::prepareForGrayPrint(ImageRotation orientation, bool flipHorizontal) const {
    if (m_isVector) {
        return;
    }
    prepareGrayPrint(
        m_drawing.size,
        [decode = m_fullDecode, image = m_cgImage] {
            const std::optional<QImage>& pixels = decode ? decode->image() : image;
            return pixels.value_or(QImage());
        },
        m_decodingRows, orientation, flipHorizontal);
}

void OriginalImage::prepareGrayPrint(const QSizeF& size, std::function<QImage()> pixels,
                                     const std::shared_ptr<platform::DecodingRows>& rows,
                                     ImageRotation orientation, bool flipHorizontal) {
    // The turn the print gives the picture, found by drawing it as the print
    // does into a context turned as the print's, with a drawing that only
    // notes how its pixels would be laid.
    auto context = GraphicsExtensions::grayOpaqueContext(nullptr, Size_px{1, 1});
    if (!context) {
        return;
    }
    GraphicsExtensions::turnCanvasToColumns(*context, 1);
    std::optional<QTransform> laid;
    const Drawing probe{size, [&](platform::GraphicsContext& c) {
                            laid = c.imageOrientation(QRectF(QPointF(0, 0), size), size.toSize());
                        }};
    const QSizeF turned = orientation.isWidthHeightFlipped() ? size.transposed() : size;
    drawTurned(probe, QRectF(QPointF(0, 0), turned), orientation, flipHorizontal, *context, true);
    if (!laid) {
        return;
    }
    // The pixels are asked for in the background, where waiting for the
    // whole decode holds nobody up.
    platform::OrientedImageCache::prepare(std::move(pixels), *laid, rows);
}

void OriginalImage::drawOnScreen(const QRectF& rect, ImageRotation orientation, bool flipHorizontal,
                                 platform::GraphicsContext& context, bool flipContext) const {
    const QImage scaled = scaledDecode();
    if (scaled.isNull()) {
        draw(rect, orientation, flipHorizontal, context, flipContext);
        return;
    }
    // The smaller decode covers the same picture: drawn over the whole
    // picture's size, it lands where the whole picture will.
    const QSizeF size = m_drawing.size;
    const Drawing standIn{size, [scaled, size](platform::GraphicsContext& c) {
                              c.drawImage(QRectF(QPointF(0, 0), size), scaled);
                          }};
    drawTurned(standIn, rect, orientation, flipHorizontal, context, flipContext);
}

void OriginalImage::drawTurned(const Drawing& drawing, const QRectF& rect,
                               ImageRotation orientation, bool flipHorizontal,
                               platform::GraphicsContext& context, bool flipContext) {
    const double x = rect.x();
    const double y = rect.y();
    const double w = rect.width();
    const double h = rect.height();
    context.saveGState();
    const auto restore = qScopeGuard([&] { context.restoreGState(); });
    if (flipHorizontal) {
        context.translateBy(x + w, y);
        if (orientation.isWidthHeightFlipped()) {
            context.scaleBy(1, -1);
        } else {
            context.scaleBy(-1, 1);
        }
    } else {
        context.translateBy(x, y);
    }
    QSizeF inner(w, h);
    switch (ImageRotation::Case(orientation)) {
    case ImageRotation::Case::none:
        break;
    case ImageRotation::Case::r90:
        context.translateBy(flipHorizontal ? 0 : w, flipHorizontal ? -h : 0);
        context.rotateBy(std::numbers::pi / 2);
        inner = QSizeF(h, w);
        break;
    case ImageRotation::Case::r180:
        context.translateBy(w, h);
        context.rotateBy(std::numbers::pi);
        break;
    case ImageRotation::Case::r270:
        context.translateBy(flipHorizontal ? -w : 0, flipHorizontal ? 0 : h);
        context.rotateBy(3 * std::numbers::pi / 2);
        inner = QSizeF(h, w);
        break;
    }
    drawInto(drawing, QRectF(QPointF(0, 0), inner), context, flipContext);
}

} // namespace ambrel
