#include "core/canvas/GridViewImageView.h"

#include "core/canvas/CanvasAnimation.h"
#include "imaging/print/BlackConversion.h"
#include "platform/MainThread.h"
#include "platform/graphics/GraphicsContext.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QPainter>
#include <QPointer>

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <algorithm>
#include <cmath>
#include <functional>
#include <mutex>
#include <new>
#include <span>
#include <vector>

namespace kestrom {

namespace {

// Guards every pass, every view's pass in force and its cached preview; held
// only for short checks, never while drawing.
std::mutex& drawingLock() {
    // Never destroyed: the worker may still check a pass while the process ends.
    static auto* lock = new std::mutex;
    return *lock;
}

// For a point of the shown (turned, mirrored) picture, in fractions of its
// size, the point of the upright picture it shows.
QPointF uprightFraction(double a, double b, ambrel::ImageRotation orientation, bool flips) {
    QPointF m;
    switch (orientation.rawValue()) {
    case 1:
        m = QPointF(b, 1 - a);
        break;
    case 2:
        m = QPointF(1 - a, 1 - b);
        break;
    case 3:
        m = QPointF(1 - b, a);
        break;
    default:
        m = QPointF(a, b);
        break;
    }
    return flips ? QPointF(1 - m.x(), m.y()) : m;
}

// The upright picture sampled into a tile: nearest pixels, so that the
// black-and-white dots stay crisp.
QImage renderTile(const QImage& preview, const QRectF& frame, const QSizeF& viewSize, double scale,
                  ambrel::ImageRotation orientation, bool flips, bool fullColor) {
    const int n = int(scale * GridViewImageView::TILE_WIDTH);
    QImage tile(n, n, fullColor ? QImage::Format_RGB32 : QImage::Format_Grayscale8);
    tile.fill(Qt::white);
    const int pw = preview.width();
    const int ph = preview.height();
    if (tile.isNull() || preview.isNull() || viewSize.isEmpty()) {
        return tile; // null without memory for it: the tile stays undrawn
    }
    // A packed preview is read bit by bit below.
    const bool packed = preview.format() == QImage::Format_Mono && !fullColor;
    const bool sameFormat = packed || preview.format() == tile.format();
    const QImage source = sameFormat ? preview : preview.convertToFormat(tile.format());
    if (source.isNull()) {
        return tile;
    }
    // Limited in floating point first: the view may be far larger than an int.
    const auto pixels = [&](double remaining) {
        return int(std::clamp(std::ceil(remaining * scale), 0.0, double(n)));
    };
    const int rows = pixels(viewSize.height() - frame.y());
    const int columns = pixels(viewSize.width() - frame.x());
    std::vector<int> xs(std::max(columns, 0));
    for (int py = 0; py < rows; ++py) {
        const double b = (frame.y() + (py + 0.5) / scale) / viewSize.height();
        for (int px = 0; px < columns; ++px) {
            const double a = (frame.x() + (px + 0.5) / scale) / viewSize.width();
            const QPointF u = uprightFraction(a, b, orientation, flips);
            const int sx = std::clamp(int(u.x() * pw), 0, pw - 1);
            const int sy = std::clamp(int(u.y() * ph), 0, ph - 1);
            if (fullColor) {
                reinterpret_cast<QRgb*>(tile.scanLine(py))[px] =
                    reinterpret_cast<const QRgb*>(source.constScanLine(sy))[sx];
            } else if (packed) {
                const uchar bits = source.constScanLine(sy)[sx >> 3];
                tile.scanLine(py)[px] = bits & (0x80 >> (sx & 7)) ? 255 : 0;
            } else {
                tile.scanLine(py)[px] = source.constScanLine(sy)[sx];
            }
        }
    }
    return tile;
}

// A converted preview that holds only black and white, one bit a pixel
// (set for white): at the preview's budget that is 0.75 MB instead of 6 MB,
// and every open document keeps its preview. Gray values (a conversion that
// could not run) keep their bytes.
QImage packedIfBlackAndWhite(const QImage& preview) {
    if (preview.format() != QImage::Format_Grayscale8) {
        return preview;
    }
    QImage packed(preview.size(), QImage::Format_Mono);
    if (packed.isNull()) {
        return preview;
    }
    packed.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    for (int y = 0; y < preview.height(); ++y) {
        const uchar* row = preview.constScanLine(y);
        uchar* bits = packed.scanLine(y);
        std::fill_n(bits, packed.bytesPerLine(), uchar(0));
        for (int x = 0; x < preview.width(); ++x) {
            if (row[x] == 255) {
                bits[x >> 3] |= uchar(0x80 >> (x & 7));
            } else if (row[x] != 0) {
                return preview;
            }
        }
    }
    return packed;
}

QImage makeThumbnail(const QImage& preview, ambrel::ImageRotation orientation, bool flips,
                     bool fullColor) {
    const int side = GridViewImageView::thumbnailSide;
    const double scale = 1.0;
    return renderTile(preview, QRectF(0, 0, side, side), QSizeF(side, side), scale, orientation,
                      flips, fullColor)
        .copy(0, 0, side, side);
}

// The shared serial worker of the tiles: work queued for views that are gone
// is dropped at exit, and idle, it keeps its thread.
struct TileImageQueueDescription {
    static platform::WorkQueue::Options options() {
        return {.name = QStringLiteral("GridViewImageView_tileImageQueue"),
                .maxThreadCount = 1,
                .priority = QThread::HighestPriority,
                .keepsIdleThreads = true,
                .dropsQueuedWorkAtExit = true};
    }
};

} // namespace

struct GridViewImageView::Pass {
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
        ambrel::BlackConversion blackConversion = ambrel::BlackConversion::threshold();
        std::optional<quenta::DeviceBlackConversionInfo> deviceAdditionalInfo;
        qint64 pixelsPerDeviceDot = 0;
        ambrel::Size_px deviceImageSize{0, 0};
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
    ambrel::ColorAbility colorAbility = ambrel::ColorAbility::blackWhite;
    ambrel::ImageRotation imageOrientation = ambrel::ImageRotation::none;
    bool flipsImage = false;
    // Its preview came from the picture's smaller first decode.
    bool fromScaledDecode = false;
};

struct GridViewImageView::State {
    std::shared_ptr<Pass> current;
    // The picture as last drawn, before conversion: a change of the
    // conversion alone converts it again without drawing.
    QImage drawnPicture;
    ambrel::OriginalImage::Pointer drawnFrom;
    bool drawnInColor = false;
    QImage cachedPreviewImage;
    // The cached preview came from the picture's smaller first decode.
    bool cachedPreviewIsScaledDecode = false;
    bool shouldInvalidateCachedPreviewImageOnNextDrawing = false;
};

GridViewImageView::GridViewImageView(QGraphicsItem* parent)
    : CanvasItem(parent), m_state(std::make_shared<State>()) {
    m_forgetDrawnPicture.setSingleShot(true);
    m_forgetDrawnPicture.setInterval(30000);
    connect(&m_forgetDrawnPicture, &QTimer::timeout, this, [state = m_state] {
        {
            // A pass that took it already keeps its own reference.
            std::lock_guard guard(drawingLock());
            state->drawnPicture = QImage();
            state->drawnFrom.reset();
        }
#ifdef __GLIBC__
        // Blocks of this size may stay with the allocator after they are
        // freed; the point is to give the memory back.
        malloc_trim(0);
#endif
    });
}

void GridViewImageView::setDrawnPictureLifetime(int milliseconds) {
    m_forgetDrawnPicture.setInterval(milliseconds);
}

bool GridViewImageView::keepsDrawnPicture() const {
    std::lock_guard guard(drawingLock());
    return !m_state->drawnPicture.isNull();
}

qint64 GridViewImageView::keptPixelBytes() const {
    std::lock_guard guard(drawingLock());
    return m_state->drawnPicture.sizeInBytes() + m_state->cachedPreviewImage.sizeInBytes();
}

GridViewImageView::~GridViewImageView() {
    std::lock_guard guard(drawingLock());
    if (m_state->current) {
        m_state->current->status = Pass::Status::cancelled;
        m_state->current.reset();
    }
}

platform::WorkQueue& GridViewImageView::tileImageQueue() {
    return platform::SharedWorkQueue<TileImageQueueDescription>::shared();
}

// MARK: properties

void GridViewImageView::setOriginalImage(const ambrel::OriginalImage::Pointer& image) {
    if (m_image == image) {
        return;
    }
    m_image = image;
    m_showsScaledDecode = false;
    invalidateDrawing(RedrawScope::all);
    if (image && !image->isFullyDecoded()) {
        // The tiles of its smaller decode are replaced once all its pixels
        // are there.
        image->whenFullyDecoded(
            [view = QPointer<GridViewImageView>(this), weak = std::weak_ptr(image)] {
                platform::MainThread::post([view, weak] {
                    if (view) {
                        view->fullDecodeArrived(weak.lock());
                    }
                });
            });
    }
}

void GridViewImageView::fullDecodeArrived(const ambrel::OriginalImage::Pointer& image) {
    if (!image || image != m_image) {
        return;
    }
    {
        std::lock_guard guard(drawingLock());
        if (!m_state->cachedPreviewImage.isNull() && !m_state->cachedPreviewIsScaledDecode) {
            return; // already drawn from all the pixels
        }
    }
    invalidateDrawing(RedrawScope::preview);
}

void GridViewImageView::setBlackConversion(const BlackConversionPointer& conversion) {
    if (m_blackConversion == conversion) {
        return;
    }
    m_blackConversion = conversion;
    invalidateDrawing(RedrawScope::preview);
}

void GridViewImageView::setDeviceBlackConversionInfo(
    const std::optional<quenta::DeviceBlackConversionInfo>& info) {
    if (m_deviceInfo == info) {
        return;
    }
    m_deviceInfo = info;
    invalidateDrawing(RedrawScope::preview);
}

void GridViewImageView::setDeviceImageSize_px(const ambrel::Size_px& size) {
    if (m_deviceImageSize_px == size) {
        return;
    }
    const qint64 before = previewPixelsPerDeviceDot();
    m_deviceImageSize_px = size;
    // A resize converts again only when the expansion shows and the dots'
    // share of the preview changes.
    const auto threshold =
        m_blackConversion ? m_blackConversion->blackConversion().thresholdOption() : std::nullopt;
    const bool expands = threshold && threshold->expansionLevel != 0 && m_deviceInfo &&
                         m_deviceInfo->threshold &&
                         m_deviceInfo->threshold->isExpansionAvailable.value_or(false);
    if (expands && previewPixelsPerDeviceDot() != before) {
        invalidateDrawing(RedrawScope::preview);
    }
}

qint64 GridViewImageView::previewPixelsPerDeviceDot() const {
    const std::optional<QSize> size =
        m_image ? previewSize(m_image->widthPerHeight()) : std::nullopt;
    return size ? pixelsPerDeviceDot(*size, m_deviceImageSize_px) : 0;
}

qint64 GridViewImageView::pixelsPerDeviceDot(const QSize& preview, const ambrel::Size_px& dots) {
    if (dots.width <= 0 || dots.height <= 0 || preview.isEmpty()) {
        return 0;
    }
    // The coarser of the two directions; a hair of slack for the rounding of
    // the preview's sides.
    const double across = double(preview.width()) / double(dots.width);
    const double down = double(preview.height()) / double(dots.height);
    return qint64(std::floor(std::min(across, down) + 1e-3));
}

void GridViewImageView::setOrientation(ambrel::ImageRotation orientation) {
    if (m_orientation == orientation) {
        return;
    }
    m_orientation = orientation;
    invalidateDrawing(RedrawScope::all);
}

void GridViewImageView::setFlipsHorizontal(bool flips) {
    if (m_flips == flips) {
        return;
    }
    m_flips = flips;
    invalidateDrawing(RedrawScope::preview);
}

void GridViewImageView::setColorAbility(ambrel::ColorAbility ability) {
    if (m_colorAbility == ability) {
        return;
    }
    m_colorAbility = ability;
    invalidateDrawing(RedrawScope::all);
    updateAlphaValue(false);
}

void GridViewImageView::setSelected(bool selected) {
    if (m_selected == selected) {
        return;
    }
    m_selected = selected;
    updateAlphaValue(true);
}

void GridViewImageView::updateAlphaValue(bool animated) {
    const qreal alpha = m_selected ? 0.7 : 1.0;
    if (animated) {
        CanvasAnimation::fadeTo(this, alpha, 200, QEasingCurve::InOutQuad);
    } else {
        setAlphaValue(alpha);
    }
}

void GridViewImageView::setTrackingResizeHandle(bool tracking) {
    if (m_trackingResizeHandle == tracking) {
        return;
    }
    m_trackingResizeHandle = tracking;
    scheduleDrawing();
}

void GridViewImageView::setWindowIsInLiveResize(bool live) {
    const bool ended = m_liveResize && !live;
    m_liveResize = live;
    if (ended) {
        scheduleDrawing();
    }
}

void GridViewImageView::setBackingScale(double scale) {
    if (m_scale == scale) {
        return;
    }
    m_scale = scale;
    invalidateDrawing(RedrawScope::tiles);
}

bool GridViewImageView::isDrawingInBackground() const {
    return m_isDrawingInBackground;
}

bool GridViewImageView::hasPendingDrawing() const {
    std::lock_guard guard(drawingLock());
    return m_drawingScheduled || m_state->current != nullptr;
}

// MARK: tiles

namespace {

// The tiles along one side of the view that meet [low, high): indices from
// first up to, not including, end, computed in floating point so that no
// size overflows.
std::pair<qint64, qint64> tileSpan(double low, double high, double extent) {
    const double count = std::min(std::ceil(extent / GridViewImageView::TILE_WIDTH), 1e15);
    const double first = std::clamp(std::floor(low / GridViewImageView::TILE_WIDTH), 0.0, count);
    double end = std::clamp(std::ceil(high / GridViewImageView::TILE_WIDTH), first, count);
    end = std::min(end, first + double(GridViewImageView::maximumTileSpan));
    return {qint64(first), qint64(end)};
}

} // namespace

QList<QRectF> GridViewImageView::tileFrames(const QSizeF& size, const std::optional<QRectF>& area) {
    QList<QRectF> frames;
    if (!(size.width() > 0) || !(size.height() > 0) || !std::isfinite(size.width()) ||
        !std::isfinite(size.height())) {
        return frames;
    }
    const QRectF whole(QPointF(0, 0), size);
    const QRectF shown = area ? area->intersected(whole) : whole;
    if (!(shown.width() > 0) || !(shown.height() > 0)) {
        return frames;
    }
    const auto [firstColumn, endColumn] = tileSpan(shown.left(), shown.right(), size.width());
    const auto [firstRow, endRow] = tileSpan(shown.top(), shown.bottom(), size.height());
    frames.reserve((endColumn - firstColumn) * (endRow - firstRow));
    for (qint64 row = firstRow; row < endRow; ++row) {
        for (qint64 column = firstColumn; column < endColumn; ++column) {
            frames.append(QRectF(double(column) * TILE_WIDTH, double(row) * TILE_WIDTH, TILE_WIDTH,
                                 TILE_WIDTH));
        }
    }
    return frames;
}

void GridViewImageView::sizeChanged() {
    layoutTiles();
}

void GridViewImageView::setVisibleArea(const std::optional<QRectF>& area) {
    if (m_visibleArea == area) {
        return;
    }
    m_visibleArea = area;
    // Tiles already there for every part that now shows are kept, so that
    // moving the picture redraws only when it brings new parts into view.
    const QList<QRectF> needed = tileFrames(bounds().size(), m_visibleArea);
    const bool covered = std::all_of(needed.begin(), needed.end(), [&](const QRectF& frame) {
        return std::any_of(m_tileViews.begin(), m_tileViews.end(),
                           [&](const TileView& tile) { return tile.frame == frame; });
    });
    if (!covered) {
        layoutTiles();
    }
}

void GridViewImageView::layoutTiles() {
    const QList<QRectF> frames = tileFrames(bounds().size(), m_visibleArea);
    TileCount count;
    if (!frames.isEmpty()) {
        // Rows of equal length: the first row's length gives the columns.
        const double top = frames.first().top();
        const auto columns = std::count_if(frames.begin(), frames.end(),
                                           [top](const QRectF& f) { return f.top() == top; });
        count = {int(columns), int(frames.size() / columns)};
    }
    if (count != m_lastTileCount) {
        m_tileViews.resize(frames.size());
        m_lastTileCount = count;
    }
    for (qsizetype i = 0; i < frames.size(); ++i) {
        m_tileViews[i].frame = frames[i];
    }
    invalidateDrawing(RedrawScope::tiles);
}

void GridViewImageView::invalidateDrawing(RedrawScope scope) {
    if (scope != RedrawScope::tiles) {
        std::lock_guard guard(drawingLock());
        m_state->cachedPreviewImage = QImage();
        m_state->shouldInvalidateCachedPreviewImageOnNextDrawing = true;
    }
    if (scope == RedrawScope::all) {
        m_thumbnail = QImage();
        m_thumbnailPixmap = QPixmap();
    }
    if (scope != RedrawScope::preview) {
        for (TileView& tile : m_tileViews) {
            tile.contents = QPixmap();
        }
    }
    update();
    emit contentsChanged();
    scheduleDrawing();
}

// MARK: drawing passes

void GridViewImageView::scheduleDrawing() {
    if (m_drawingScheduled) {
        return;
    }
    m_drawingScheduled = true;
    QMetaObject::invokeMethod(this, &GridViewImageView::startDrawing, Qt::QueuedConnection);
}

void GridViewImageView::startDrawing() {
    m_drawingScheduled = false;
    const int n = int(std::max(1.0, m_scale) * TILE_WIDTH);
    if (m_tileViews.isEmpty() || n <= 0) {
        std::lock_guard guard(drawingLock());
        if (m_state->current) {
            m_state->current->status = Pass::Status::cancelled;
            m_state->current.reset();
        }
        m_state->cachedPreviewImage = QImage();
        publishDrawingState();
        return;
    }
    std::shared_ptr<Pass> pass;
    {
        std::lock_guard guard(drawingLock());
        pass = makeAsyncDrawingContext();
        publishDrawingState();
    }
    if (!pass) {
        return;
    }
    tileImageQueue().run([state = m_state, pass, view = QPointer<GridViewImageView>(this)] {
        render(state, pass, view);
    });
}

// Lock held.
std::shared_ptr<GridViewImageView::Pass> GridViewImageView::makeAsyncDrawingContext() {
    State& state = *m_state;
    if (state.shouldInvalidateCachedPreviewImageOnNextDrawing) {
        state.cachedPreviewImage = QImage();
        state.shouldInvalidateCachedPreviewImageOnNextDrawing = false;
    }
    std::optional<Pass::PreviewTask> previewTask;
    if (state.cachedPreviewImage.isNull()) {
        previewTask =
            Pass::PreviewTask{m_image,
                              m_blackConversion ? m_blackConversion->blackConversion()
                                                : ambrel::BlackConversion::threshold({0.5, 0}),
                              m_deviceInfo, previewPixelsPerDeviceDot(), m_deviceImageSize_px};
    }
    QList<QRectF> frames;
    frames.reserve(m_tileViews.size());
    for (const TileView& tile : m_tileViews) {
        frames.append(tile.frame);
    }
    const Pass::TileTask tileTask{bounds().size(), frames, std::max(1.0, m_scale)};
    const std::shared_ptr<Pass>& inForce = state.current;
    const auto takeOver = [&](Pass& pass) {
        pass.tileTask = tileTask;
        pass.colorAbility = m_colorAbility;
        pass.imageOrientation = m_orientation;
        pass.flipsImage = m_flips;
    };
    // A pass that has not started takes the newest inputs, its tiles included,
    // so that a change of size while it waits still gets tiles of the new size.
    if (inForce && inForce->status == Pass::Status::ready) {
        inForce->previewTask = previewTask;
        if (!previewTask) {
            inForce->previewImage = state.cachedPreviewImage;
            inForce->fromScaledDecode = state.cachedPreviewIsScaledDecode;
        }
        takeOver(*inForce);
        return nullptr;
    }
    // One whose preview is still valid only needs the newer tiles.
    if (!previewTask && inForce && inForce->status < Pass::Status::processingTile) {
        takeOver(*inForce);
        return nullptr;
    }
    auto pass = std::make_shared<Pass>();
    pass->previewTask = previewTask;
    if (!previewTask) {
        pass->previewImage = state.cachedPreviewImage;
        pass->fromScaledDecode = state.cachedPreviewIsScaledDecode;
    }
    takeOver(*pass);
    if (inForce) {
        inForce->status = Pass::Status::cancelled;
    }
    state.current = pass;
    return pass;
}

// Lock held.
void GridViewImageView::publishDrawingState() {
    const bool drawing = m_state->current != nullptr;
    QMetaObject::invokeMethod(
        this,
        [this, drawing] {
            if (m_isDrawingInBackground != drawing) {
                m_isDrawingInBackground = drawing;
                emit drawingInBackgroundChanged(drawing);
            }
        },
        Qt::QueuedConnection);
}

std::optional<QSize> GridViewImageView::previewSize(double widthPerHeight) {
    if (!std::isfinite(widthPerHeight) || !(widthPerHeight > 0)) {
        return std::nullopt;
    }
    const double s = std::sqrt(previewPixelBudget / widthPerHeight);
    const auto side = [](double v) {
        return int(std::clamp(std::round(v), 1.0, previewPixelBudget));
    };
    return QSize(side(widthPerHeight * s), side(s));
}

QImage GridViewImageView::makePreviewImage(
    const ambrel::OriginalImage::Pointer& image, const ambrel::BlackConversion& conversion,
    const std::optional<quenta::DeviceBlackConversionInfo>& info, ambrel::ColorAbility colorAbility,
    ambrel::ImageRotation orientation, qint64 pixelsPerDeviceDot) {
    const QImage drawn = drawPreviewPicture(image, colorAbility);
    if (colorAbility == ambrel::ColorAbility::fullColor) {
        return drawn;
    }
    return convertPreview(drawn, conversion, info, orientation, pixelsPerDeviceDot);
}

QImage GridViewImageView::drawPreviewPicture(const ambrel::OriginalImage::Pointer& image,
                                             ambrel::ColorAbility colorAbility) {
    const std::optional<QSize> size = image ? previewSize(image->widthPerHeight()) : std::nullopt;
    return drawPicture(image, colorAbility, size, QImage());
}

QImage GridViewImageView::drawScaledDecode(const QImage& scaled,
                                           ambrel::ColorAbility colorAbility) {
    return drawPicture(nullptr, colorAbility, scaled.size(), scaled);
}

QImage GridViewImageView::drawPicture(const ambrel::OriginalImage::Pointer& image,
                                      ambrel::ColorAbility colorAbility,
                                      const std::optional<QSize>& size, const QImage& scaled) {
    const int width = size ? size->width() : 1;
    const int height = size ? size->height() : 1;
    const bool fullColor = colorAbility == ambrel::ColorAbility::fullColor;
    auto context = platform::GraphicsContext::makeBitmap(
        fullColor ? platform::GraphicsContext::PixelFormat::rgbx8888
                  : platform::GraphicsContext::PixelFormat::gray8,
        width, height);
    if (!context) {
        return {};
    }
    context->setAllowsAntialiasing(false);
    context->setGrayFillColor(1.0, 1.0);
    context->fill(QRectF(0, 0, width, height));
    if (size) {
        context->setInterpolationQuality(platform::GraphicsContext::InterpolationQuality::high);
        const QRectF rect(0, 0, width, height);
        if (!scaled.isNull()) {
            context->drawImage(rect, scaled);
        } else {
            image->draw(rect, ambrel::ImageRotation::none, false, *context, false);
        }
    }
    QImage drawn = context->makeImage();
    return fullColor ? drawn.convertToFormat(QImage::Format_RGB32)
                     : drawn.convertToFormat(QImage::Format_Grayscale8);
}

QImage
GridViewImageView::convertPreview(const QImage& drawn, const ambrel::BlackConversion& conversion,
                                  const std::optional<quenta::DeviceBlackConversionInfo>& info,
                                  ambrel::ImageRotation orientation, qint64 pixelsPerDeviceDot,
                                  bool flipsHorizontal, double dpi) {
    if (drawn.isNull()) {
        return {};
    }
    // Widening by one to three dots leans up and to the right on the canvas:
    // a turned or mirrored picture is widened as it lies there. A threshold
    // has no screen to turn, so the conversion is the same otherwise.
    const auto threshold = conversion.thresholdOption();
    const qint64 level =
        threshold
            ? ambrel::BlackConversion::ThresholdOption::ClampedValueRanges::expansionLevel.clamped(
                  threshold->expansionLevel)
            : 0;
    const bool offered =
        info && info->threshold && info->threshold->isExpansionAvailable.value_or(false);
    const bool leans = offered && pixelsPerDeviceDot >= 1 && level != 0 && std::abs(level) <= 3;
    if (leans && (orientation != ambrel::ImageRotation::none || flipsHorizontal)) {
        const QImage onCanvas = orientedImage(drawn, orientation, flipsHorizontal)
                                    .convertToFormat(QImage::Format_Grayscale8);
        const QImage converted =
            convertPreview(onCanvas, conversion, info, ambrel::ImageRotation::none,
                           pixelsPerDeviceDot, false, dpi);
        const QImage upright = converted.transformed(QTransform().rotate(-orientation.degrees()));
        return (flipsHorizontal ? upright.mirrored(true, false) : upright)
            .convertToFormat(QImage::Format_Grayscale8);
    }
    const int width = drawn.width();
    const int height = drawn.height();
    // The conversion takes packed rows. Without memory for them, or for the
    // preview below, there is no preview this time.
    std::unique_ptr<uchar[]> packed(new (std::nothrow) uchar[size_t(width) * size_t(height)]);
    QImage preview(width, height, QImage::Format_Grayscale8);
    if (!packed || preview.isNull()) {
        return {};
    }
    const std::span<uchar> gray(packed.get(), size_t(width) * size_t(height));
    for (int y = 0; y < height; ++y) {
        std::copy_n(drawn.constScanLine(y), width, gray.data() + size_t(y) * size_t(width));
    }
    quenta::BlackConversion::OutputConfiguration configuration;
    configuration.purpose = quenta::BlackConversion::OutputConfiguration::Purpose::preview;
    configuration.dpi = ambrel::Dpi(dpi);
    configuration.deviceAdditionalInfo = info;
    configuration.filterRotationCount = -qint64(orientation.rawValue());
    configuration.filterOffset = QPointF(0, 0);
    configuration.pixelsPerDeviceDot = pixelsPerDeviceDot;
    quenta::BlackConversion::apply(conversion, gray.data(), ambrel::Size_px{width, height},
                                   configuration);
    for (int y = 0; y < height; ++y) {
        std::copy_n(gray.data() + size_t(y) * size_t(width), width, preview.scanLine(y));
    }
    return preview;
}

void GridViewImageView::render(const std::shared_ptr<State>& state,
                               const std::shared_ptr<Pass>& pass,
                               QPointer<GridViewImageView> view) {
    const auto inForce = [&] {
        if (state->current != pass) {
            pass->status = Pass::Status::cancelled;
            return false;
        }
        return true;
    };
    std::optional<Pass::PreviewTask> task;
    ambrel::ColorAbility colorAbility;
    ambrel::ImageRotation orientation;
    bool flips = false;
    {
        std::lock_guard guard(drawingLock());
        if (!inForce()) {
            return;
        }
        task = pass->previewTask;
        if (task) {
            pass->status = Pass::Status::processingPreview;
        }
        colorAbility = pass->colorAbility;
        orientation = pass->imageOrientation;
        flips = pass->flipsImage;
    }
    const bool fullColor = colorAbility == ambrel::ColorAbility::fullColor;
    if (task) {
        const auto& image = task->originalImage;
        // Until all its pixels are there, a picture shows from its smaller
        // first decode; that drawing is not kept for later passes.
        const QImage scaled = image ? image->scaledDecode() : QImage();
        const bool scaledDecode = !scaled.isNull();
        QImage drawn;
        if (!scaledDecode) {
            std::lock_guard guard(drawingLock());
            if (state->drawnFrom == image && state->drawnInColor == fullColor &&
                !state->drawnPicture.isNull()) {
                drawn = state->drawnPicture;
            }
        }
        if (drawn.isNull() && scaledDecode) {
            drawn = drawScaledDecode(scaled, colorAbility);
        } else if (drawn.isNull()) {
            drawn = drawPreviewPicture(image, colorAbility);
            std::lock_guard guard(drawingLock());
            state->drawnPicture = drawn;
            state->drawnFrom = image;
            state->drawnInColor = fullColor;
        }
        // The smaller preview is converted as the whole one would be at its
        // scale: the screen's cells cover the same part of the picture.
        double dpi = previewDpi;
        qint64 pixelsPerDot = task->pixelsPerDeviceDot;
        if (scaledDecode) {
            const std::optional<QSize> whole = previewSize(image->widthPerHeight());
            dpi = whole ? previewDpi * double(drawn.width()) / double(whole->width()) : previewDpi;
            pixelsPerDot = pixelsPerDeviceDot(drawn.size(), task->deviceImageSize);
        }
        const QImage preview =
            fullColor ? drawn
                      : packedIfBlackAndWhite(
                            convertPreview(drawn, task->blackConversion, task->deviceAdditionalInfo,
                                           orientation, pixelsPerDot, flips, dpi));
        const QImage thumbnail = makeThumbnail(preview, orientation, flips, fullColor);
        {
            std::lock_guard guard(drawingLock());
            if (!inForce()) {
                return;
            }
            state->cachedPreviewImage = preview;
            state->cachedPreviewIsScaledDecode = scaledDecode;
            pass->previewImage = preview;
            pass->fromScaledDecode = scaledDecode;
            pass->status = Pass::Status::completedPreview;
        }
        platform::MainThread::post([view, pass, thumbnail] {
            if (view) {
                view->deliverThumbnail(pass, thumbnail);
            }
        });
    }
    Pass::TileTask tiles;
    QImage preview;
    {
        std::lock_guard guard(drawingLock());
        if (!inForce()) {
            return;
        }
        pass->status = Pass::Status::processingTile;
        tiles = pass->tileTask;
        preview = pass->previewImage;
        orientation = pass->imageOrientation;
        flips = pass->flipsImage;
    }
    for (int i = 0; i < tiles.tileRects.size(); ++i) {
        {
            std::lock_guard guard(drawingLock());
            if (!inForce()) {
                return;
            }
        }
        QImage tile = renderTile(preview, tiles.tileRects[i], tiles.viewSize, tiles.scale,
                                 orientation, flips, fullColor);
        platform::MainThread::post([view, pass, i, tile = std::move(tile)] {
            if (view) {
                view->deliverTile(pass, i, tile);
            }
        });
    }
}

void GridViewImageView::deliverThumbnail(const std::shared_ptr<Pass>& pass,
                                         const QImage& thumbnail) {
    {
        std::lock_guard guard(drawingLock());
        if (m_state->current != pass) {
            return;
        }
    }
    m_forgetDrawnPicture.start();
    m_thumbnail = thumbnail;
    m_thumbnailPixmap = QPixmap::fromImage(thumbnail);
    m_showsScaledDecode = pass->fromScaledDecode;
    update();
    emit thumbnailDelivered();
    emit contentsChanged();
}

void GridViewImageView::deliverTile(const std::shared_ptr<Pass>& pass, int index,
                                    const QImage& image) {
    bool last = false;
    bool delivered = false;
    {
        std::lock_guard guard(drawingLock());
        if (m_state->current != pass) {
            pass->status = Pass::Status::cancelled;
            return;
        }
        const Pass::TileTask& task = pass->tileTask;
        if (bounds().size() == task.viewSize && index < m_tileViews.size() &&
            index < task.tileRects.size() && m_tileViews[index].frame == task.tileRects[index]) {
            QPixmap pixmap = QPixmap::fromImage(image);
            pixmap.setDevicePixelRatio(task.scale);
            m_tileViews[index].contents = pixmap;
            update(m_tileViews[index].frame);
            delivered = true;
            m_showsScaledDecode = pass->fromScaledDecode;
        }
        last = index + 1 >= task.tileRects.size();
        if (last) {
            pass->status = Pass::Status::completed;
            m_state->current.reset();
            publishDrawingState();
        }
    }
    if (delivered) {
        emit tileDelivered(index);
        emit contentsChanged();
    }
}

// MARK: painting

QImage GridViewImageView::orientedImage(const QImage& upright, ambrel::ImageRotation orientation,
                                        bool flipsHorizontal) {
    QImage image = flipsHorizontal ? upright.mirrored(true, false) : upright;
    if (orientation != ambrel::ImageRotation::none) {
        image = image.transformed(QTransform().rotate(orientation.degrees()));
    }
    return image;
}

void GridViewImageView::paintContents(QPainter* painter, const QRectF& target) const {
    const QSizeF size = bounds().size();
    if (target.isEmpty() || size.isEmpty()) {
        return;
    }
    painter->save();
    painter->setClipRect(target, Qt::IntersectClip);
    painter->setRenderHint(QPainter::SmoothPixmapTransform, false);
    if (!m_thumbnailPixmap.isNull()) {
        painter->drawPixmap(target, m_thumbnailPixmap, QRectF(m_thumbnailPixmap.rect()));
    }
    const double sx = target.width() / size.width();
    const double sy = target.height() / size.height();
    for (const TileView& tile : m_tileViews) {
        if (tile.contents.isNull()) {
            continue;
        }
        const QRectF r(target.left() + tile.frame.left() * sx, target.top() + tile.frame.top() * sy,
                       tile.frame.width() * sx, tile.frame.height() * sy);
        painter->drawPixmap(r, tile.contents, QRectF(tile.contents.rect()));
    }
    painter->restore();
}

void GridViewImageView::setPaintsItself(bool paints) {
    if (m_paintsItself == paints) {
        return;
    }
    m_paintsItself = paints;
    update();
}

void GridViewImageView::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) {
    if (m_paintsItself) {
        painter->save();
        applyAlphaValue(painter);
        paintContents(painter, bounds());
        painter->restore();
    }
}

} // namespace kestrom
