#include "core/canvas/GridViewImageView.h"

#include "core/canvas/CanvasAnimation.h"
#include "core/canvas/preview/PreviewPassRenderer.h"
#include "core/canvas/preview/PreviewRenderState.h"
#include "core/canvas/preview/PreviewTileRenderer.h"
#include "platform/MainThread.h"
#include "platform/graphics/OrientedImageCache.h"

#include <QCoreApplication>
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

GridViewImageView::GridViewImageView(QGraphicsItem* parent)
    : CanvasItem(parent), m_state(std::make_shared<State>()) {
    m_forgetDrawnPicture.setSingleShot(true);
    m_forgetDrawnPicture.setInterval(30000);
    connect(&m_forgetDrawnPicture, &QTimer::timeout, this, [state = m_state] {
        {
            // A pass that took it already keeps its own reference.
            std::lock_guard guard(previewPassLock());
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
    std::lock_guard guard(previewPassLock());
    return !m_state->drawnPicture.isNull() || m_state->tileDots.bytes() > 0;
}

qint64 GridViewImageView::keptPixelBytes() const {
    std::lock_guard guard(previewPassLock());
    return m_state->drawnPicture.sizeInBytes() + m_state->cachedPreviewImage.sizeInBytes() +
           m_state->tileDots.bytes();
}

GridViewImageView::~GridViewImageView() {
    std::lock_guard guard(previewPassLock());
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
    m_drawingError.reset();
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
        std::lock_guard guard(previewPassLock());
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
    std::lock_guard guard(previewPassLock());
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
        std::lock_guard guard(previewPassLock());
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
        std::lock_guard guard(previewPassLock());
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
        std::lock_guard guard(previewPassLock());
        pass = makeAsyncDrawingContext();
        publishDrawingState();
    }
    if (!pass) {
        return;
    }
    // Results reach the main thread queued and are dropped when the view is
    // gone or the pass outdated.
    const QPointer<GridViewImageView> view(this);
    PreviewPassRenderer::Delivery delivery;
    delivery.thumbnail = [view, pass](const QImage& thumbnail) {
        platform::MainThread::post([view, pass, thumbnail] {
            if (view) {
                view->deliverThumbnail(pass, thumbnail);
            }
        });
    };
    delivery.tiles = [view, pass](std::vector<std::pair<int, QImage>> tiles) {
        platform::MainThread::post([view, pass, tiles = std::move(tiles)] {
            for (const auto& [index, image] : tiles) {
                if (!view) {
                    return;
                }
                view->deliverTile(pass, index, image);
            }
        });
    };
    delivery.failed = [view, pass](std::shared_ptr<const platform::Error> error) {
        platform::MainThread::post([view, pass, error] {
            if (view) {
                view->deliverFailure(pass, error);
            }
        });
    };
    tileImageQueue().run([state = m_state, pass, delivery = std::move(delivery)] {
        PreviewPassRenderer::run(state, pass, delivery);
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

void GridViewImageView::deliverThumbnail(const std::shared_ptr<Pass>& pass,
                                         const QImage& thumbnail) {
    {
        std::lock_guard guard(previewPassLock());
        if (m_state->current != pass) {
            return;
        }
    }
    m_forgetDrawnPicture.start();
    m_drawingError.reset();
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
        std::lock_guard guard(previewPassLock());
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
            m_drawingError.reset();
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

void GridViewImageView::deliverFailure(const std::shared_ptr<Pass>& pass,
                                       const std::shared_ptr<const platform::Error>& error) {
    {
        std::lock_guard guard(previewPassLock());
        if (m_state->current != pass) {
            pass->status = Pass::Status::cancelled;
            return;
        }
        pass->status = Pass::Status::completed;
        m_state->current.reset();
        publishDrawingState();
    }
    // What shows of the picture goes: none of it is what would print.
    m_drawingError = error;
    m_thumbnail = QImage();
    m_thumbnailPixmap = QPixmap();
    for (TileView& tile : m_tileViews) {
        tile.contents = QPixmap();
    }
    update();
    emit contentsChanged();
}

// MARK: painting

void GridViewImageView::paintError(QPainter* painter, const QRectF& target) const {
    painter->fillRect(target, QColor(0xf2, 0xf2, 0xf2));
    painter->setPen(QColor(0x99, 0x99, 0x99));
    painter->drawRect(target.adjusted(0.5, 0.5, -0.5, -0.5));
    const double margin = std::min(12.0, target.width() / 8);
    painter->setPen(QColor(0x40, 0x40, 0x40));
    painter->drawText(target.adjusted(margin, margin, -margin, -margin),
                      Qt::AlignCenter | Qt::TextWordWrap, m_drawingError->localizedDescription());
}

void GridViewImageView::paintContents(QPainter* painter, const QRectF& target) const {
    const QSizeF size = bounds().size();
    if (target.isEmpty() || size.isEmpty()) {
        return;
    }
    painter->save();
    painter->setClipRect(target, Qt::IntersectClip);
    painter->setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter->setRenderHint(QPainter::Antialiasing, false);
    if (m_drawingError) {
        paintError(painter, target);
        painter->restore();
        return;
    }
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
