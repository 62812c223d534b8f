#include "core/canvas/GridViewImageView.h"

#include "core/canvas/CanvasAnimation.h"
#include "core/canvas/preview/PreviewTileCache.h"
#include "core/canvas/preview/PreviewTileRenderer.h"
#include "platform/MainThread.h"
#include "platform/compute/Device.h"
#include "platform/graphics/OrientedImageCache.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMetaObject>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <algorithm>
#include <cmath>
#include <functional>
#include <mutex>
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

// The thumbnail of a pass made from the print's dots is drawn at this many
// pixels: it shows only until the tiles come.
constexpr double thumbnailPixelBudget =
    4.0 * GridViewImageView::thumbnailSide * GridViewImageView::thumbnailSide;

// Tiles made within this of the last ones shown are shown with them.
constexpr qint64 batchInterval_ms = 25;

// The drawn dots kept for conversions to come, at most.
constexpr qint64 tileDotsByteLimit = 256ll * 1024 * 1024;

// The shared serial worker that starts the passes: work queued for views
// that are gone is dropped at exit, and idle, it keeps its thread.
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

struct GridViewImageView::State {
    std::shared_ptr<Pass> current;
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
            state->orientedImages.reset();
            state->orientedFrom.reset();
        }
        state->tileDots.clear();
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
    return !m_state->drawnPicture.isNull() || m_state->tileDots.bytes() > 0;
}

qint64 GridViewImageView::keptPixelBytes() const {
    std::lock_guard guard(drawingLock());
    return m_state->drawnPicture.sizeInBytes() + m_state->cachedPreviewImage.sizeInBytes() +
           m_state->tileDots.bytes();
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

void GridViewImageView::setPrintGeometry(const std::optional<PreviewGeometry>& geometry) {
    if (m_geometry == geometry) {
        return;
    }
    const std::optional<PreviewGeometry> before = std::exchange(m_geometry, geometry);
    // Dots moved by an even number keep their pattern: a threshold (its
    // widening included) shows the same tiles, only the screen moves.
    const auto conversion = m_blackConversion ? m_blackConversion->blackConversion()
                                              : ambrel::BlackConversion::threshold({0.5, 0});
    if (before && geometry && before->sameDotsMovedEvenly(*geometry) &&
        !PreviewTileRenderer::dependsOnPosition(conversion)) {
        return;
    }
    invalidateDrawing(RedrawScope::preview);
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
        previewTask = Pass::PreviewTask{m_image};
    }
    QList<QRectF> frames;
    frames.reserve(m_tileViews.size());
    for (const TileView& tile : m_tileViews) {
        frames.append(tile.frame);
    }
    const Pass::TileTask tileTask{bounds().size(), frames, std::max(1.0, m_scale)};
    // The print's dots show once the whole picture is there, for a model
    // that prints black and white.
    const bool printedDots = m_geometry && m_image && m_image->isFullyDecoded() &&
                             m_colorAbility != ambrel::ColorAbility::fullColor;
    const std::shared_ptr<Pass>& inForce = state.current;
    const auto takeOver = [&](Pass& pass) {
        pass.tileTask = tileTask;
        pass.undelivered = tileTask.tileRects.size();
        pass.originalImage = m_image;
        pass.blackConversion = m_blackConversion ? m_blackConversion->blackConversion()
                                                 : ambrel::BlackConversion::threshold({0.5, 0});
        pass.deviceAdditionalInfo = m_deviceInfo;
        pass.colorAbility = m_colorAbility;
        pass.imageOrientation = m_orientation;
        pass.flipsImage = m_flips;
        pass.geometry = printedDots ? m_geometry : std::nullopt;
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

void GridViewImageView::render(const std::shared_ptr<State>& state,
                               const std::shared_ptr<Pass>& pass,
                               QPointer<GridViewImageView> view) {
    makePreview(state, pass, view);
    makeTiles(state, pass, view);
}

void GridViewImageView::makePreview(const std::shared_ptr<State>& state,
                                    const std::shared_ptr<Pass>& pass,
                                    QPointer<GridViewImageView> view) {
    std::optional<Pass::PreviewTask> task;
    ambrel::ColorAbility colorAbility;
    ambrel::ImageRotation orientation;
    bool flips = false;
    bool printedDots = false;
    ambrel::BlackConversion conversion = ambrel::BlackConversion::threshold();
    std::optional<quenta::DeviceBlackConversionInfo> info;
    {
        std::lock_guard guard(drawingLock());
        if (state->current != pass) {
            pass->status = Pass::Status::cancelled;
            return;
        }
        task = pass->previewTask;
        if (!task) {
            return;
        }
        pass->status = Pass::Status::processingPreview;
        colorAbility = pass->colorAbility;
        orientation = pass->imageOrientation;
        flips = pass->flipsImage;
        printedDots = pass->geometry.has_value();
        conversion = pass->blackConversion;
        info = pass->deviceAdditionalInfo;
    }
    const bool fullColor = colorAbility == ambrel::ColorAbility::fullColor;
    const auto& image = task->originalImage;
    // Until all its pixels are there, a picture shows from its smaller
    // first decode; that drawing is not kept for later passes.
    const QImage scaled = image ? image->scaledDecode() : QImage();
    const bool scaledDecode = !scaled.isNull();
    QImage drawn;
    double dpi = previewDpi;
    if (printedDots) {
        // Only the thumbnail comes from here: the tiles come from the dots.
        {
            std::lock_guard guard(drawingLock());
            if (state->drawnSmallFrom == image && !state->drawnSmall.isNull()) {
                drawn = state->drawnSmall;
            }
        }
        if (drawn.isNull()) {
            const auto size = image ? PreviewImageRules::previewSize(image->widthPerHeight(),
                                                                     thumbnailPixelBudget)
                                    : std::nullopt;
            drawn = PreviewImageRules::drawPicture(image, colorAbility, size, scaled);
            std::lock_guard guard(drawingLock());
            state->drawnSmall = drawn;
            state->drawnSmallFrom = image;
        }
        const auto whole = image ? previewSize(image->widthPerHeight()) : std::nullopt;
        dpi = whole && !drawn.isNull() ? previewDpi * double(drawn.width()) / double(whole->width())
                                       : previewDpi;
    } else {
        if (!scaledDecode) {
            std::lock_guard guard(drawingLock());
            if (state->drawnFrom == image && state->drawnInColor == fullColor &&
                !state->drawnPicture.isNull()) {
                drawn = state->drawnPicture;
            }
        }
        if (drawn.isNull() && scaledDecode) {
            drawn = PreviewImageRules::drawPicture(nullptr, colorAbility, scaled.size(), scaled);
        } else if (drawn.isNull()) {
            const auto size = image ? previewSize(image->widthPerHeight()) : std::nullopt;
            drawn = PreviewImageRules::drawPicture(image, colorAbility, size);
            std::lock_guard guard(drawingLock());
            state->drawnPicture = drawn;
            state->drawnFrom = image;
            state->drawnInColor = fullColor;
        }
        // The smaller preview is converted as the whole one would be at its
        // scale: the screen's cells cover the same part of the picture.
        if (scaledDecode && !drawn.isNull()) {
            const std::optional<QSize> whole = previewSize(image->widthPerHeight());
            dpi = whole ? previewDpi * double(drawn.width()) / double(whole->width()) : previewDpi;
        }
    }
    QImage preview =
        fullColor ? drawn
                  : PreviewImageRules::packedIfBlackAndWhite(PreviewImageRules::convertPreview(
                        drawn, conversion, info, orientation, dpi));
    if (preview.isNull()) {
        // No memory for it: a white one pixel, so that the tiles still come.
        preview = QImage(1, 1, QImage::Format_Grayscale8);
        preview.fill(255);
    }
    const QImage thumbnail = PreviewImageRules::thumbnail(preview, orientation, flips, fullColor);
    {
        std::lock_guard guard(drawingLock());
        if (state->current != pass) {
            pass->status = Pass::Status::cancelled;
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

void GridViewImageView::makeTiles(const std::shared_ptr<State>& state,
                                  const std::shared_ptr<Pass>& pass,
                                  QPointer<GridViewImageView> view) {
    Pass::TileTask tiles;
    QImage preview;
    ambrel::OriginalImage::Pointer image;
    std::optional<PreviewGeometry> geometry;
    ambrel::BlackConversion conversion = ambrel::BlackConversion::threshold();
    std::optional<quenta::DeviceBlackConversionInfo> info;
    ambrel::ImageRotation orientation;
    bool flips = false;
    bool fullColor = false;
    {
        std::lock_guard guard(drawingLock());
        if (state->current != pass) {
            pass->status = Pass::Status::cancelled;
            return;
        }
        pass->status = Pass::Status::processingTile;
        tiles = pass->tileTask;
        preview = pass->previewImage;
        image = pass->originalImage;
        geometry = pass->geometry;
        conversion = pass->blackConversion;
        info = pass->deviceAdditionalInfo;
        orientation = pass->imageOrientation;
        flips = pass->flipsImage;
        fullColor = pass->colorAbility == ambrel::ColorAbility::fullColor;
    }
    std::shared_ptr<platform::OrientedImageCache> orientedImages;
    if (geometry && image) {
        state->tileDots.keepOnly(image, *geometry);
        std::lock_guard guard(drawingLock());
        if (state->orientedFrom != image || !state->orientedImages) {
            state->orientedImages = std::make_shared<platform::OrientedImageCache>();
            state->orientedFrom = image;
        }
        orientedImages = state->orientedImages;
    }
    const auto inForce = [&] {
        std::lock_guard guard(drawingLock());
        return state->current == pass;
    };
    struct Batch {
        std::mutex lock;
        std::vector<std::pair<int, QImage>> pending;
        QElapsedTimer sincePost;
        qsizetype remaining = 0;
        bool first = true;
    } batch;
    batch.remaining = tiles.tileRects.size();
    batch.sincePost.start();
    const auto one = [&](std::size_t i) {
        if (!inForce()) {
            return; // a newer pass drops what is left of this one
        }
        const QRectF& frame = tiles.tileRects[qsizetype(i)];
        QImage tile;
        if (geometry && image) {
            const PreviewTileRenderer::Request request{frame, tiles.viewSize, tiles.scale};
            const PreviewTileCache::Key key{image, *geometry, request};
            std::optional<PreviewTileRenderer::Dots> dots = state->tileDots.find(key);
            if (!dots) {
                dots = PreviewTileRenderer::draw(*image, *geometry, request, orientedImages);
                state->tileDots.insert(key, *dots);
            }
            // Dots that could not be drawn (no memory for them) make no tile:
            // a white one would hide what prints there.
            const bool drawn =
                !dots->isNull() || PreviewTileRenderer::dotsShown(*geometry, request).isEmpty();
            tile = drawn ? PreviewTileRenderer::reduce(*dots, conversion, info, *geometry, request)
                         : QImage();
        } else {
            tile = PreviewImageRules::sampleTile(preview, frame, tiles.viewSize, tiles.scale,
                                                 orientation, flips, fullColor);
        }
        // The first tile shows at once; later ones go in batches, each shown
        // in one repaint rather than one a tile.
        std::vector<std::pair<int, QImage>> ready;
        {
            std::lock_guard guard(batch.lock);
            batch.pending.emplace_back(int(i), std::move(tile));
            --batch.remaining;
            if (batch.first || batch.remaining == 0 ||
                batch.sincePost.elapsed() >= batchInterval_ms) {
                batch.first = false;
                batch.sincePost.restart();
                ready.swap(batch.pending);
            }
        }
        if (!ready.empty()) {
            platform::MainThread::post([view, pass, ready = std::move(ready)] {
                for (const auto& [index, image] : ready) {
                    if (!view) {
                        return;
                    }
                    view->deliverTile(pass, index, image);
                }
            });
        }
    };
    const auto device = platform::compute::Device::systemDefault();
    if (device && tiles.tileRects.size() > 1) {
        device->threadPool().parallelFor(std::size_t(tiles.tileRects.size()), one);
    } else {
        for (qsizetype i = 0; i < tiles.tileRects.size(); ++i) {
            one(std::size_t(i));
        }
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
    bool delivered = false;
    {
        std::lock_guard guard(drawingLock());
        if (m_state->current != pass) {
            pass->status = Pass::Status::cancelled;
            return;
        }
        const Pass::TileTask& task = pass->tileTask;
        // A tile that could not be made (no memory) leaves what shows there.
        if (!image.isNull() && bounds().size() == task.viewSize && index < m_tileViews.size() &&
            index < task.tileRects.size() && m_tileViews[index].frame == task.tileRects[index]) {
            QPixmap pixmap = QPixmap::fromImage(image);
            pixmap.setDevicePixelRatio(task.scale);
            m_tileViews[index].contents = pixmap;
            update(m_tileViews[index].frame);
            delivered = true;
            m_showsScaledDecode = pass->fromScaledDecode;
            m_showsPrintedDots = pass->geometry.has_value();
        }
        if (--pass->undelivered <= 0) {
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

void GridViewImageView::paintContents(QPainter* painter, const QRectF& target) const {
    const QSizeF size = bounds().size();
    if (target.isEmpty() || size.isEmpty()) {
        return;
    }
    painter->save();
    painter->setClipRect(target, Qt::IntersectClip);
    painter->setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter->setRenderHint(QPainter::Antialiasing, false);
    const double sx = target.width() / size.width();
    const double sy = target.height() / size.height();
    const auto inTarget = [&](const QRectF& frame) {
        return QRectF(target.left() + frame.left() * sx, target.top() + frame.top() * sy,
                      frame.width() * sx, frame.height() * sy);
    };
    // Every point is drawn once, so that a dimmed picture is dimmed by its
    // alpha alone: the thumbnail shows only where no tile is there yet.
    if (!m_thumbnailPixmap.isNull()) {
        QPainterPath tiled;
        for (const TileView& tile : m_tileViews) {
            if (!tile.contents.isNull()) {
                tiled.addRect(inTarget(tile.frame));
            }
        }
        painter->save();
        if (!tiled.isEmpty()) {
            QPainterPath uncovered;
            uncovered.addRect(target);
            painter->setClipPath(uncovered.subtracted(tiled), Qt::IntersectClip);
        }
        painter->drawPixmap(target, m_thumbnailPixmap, QRectF(m_thumbnailPixmap.rect()));
        painter->restore();
    }
    for (const TileView& tile : m_tileViews) {
        if (!tile.contents.isNull()) {
            painter->drawPixmap(inTarget(tile.frame), tile.contents, QRectF(tile.contents.rect()));
        }
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
