#include "core/canvas/GridView.h"

#include "core/canvas/CanvasAnimation.h"
#include "core/canvas/CanvasShadow.h"
#include "core/canvas/GridLineList.h"
#include "core/canvas/GridViewAccessible.h"
#include "core/canvas/GridViewChangeAnimator.h"
#include "core/canvas/GridViewDelegate.h"
#include "core/canvas/GridViewDrawingView.h"
#include "core/canvas/GridViewDropHintView.h"
#include "core/canvas/GridViewImageSelectionView.h"
#include "core/canvas/GridViewImageView.h"
#include "core/canvas/GridViewOffsetLineTimer.h"
#include "core/canvas/GridViewOffsetLineView.h"
#include "core/canvas/GridViewOverflownAreaView.h"
#include "core/canvas/GridViewRepeatView.h"
#include "core/canvas/GridViewSequenceView.h"
#include "core/canvas/GridViewShadowBorderView.h"
#include "core/canvas/GridViewTransform.h"
#include "core/canvas/PixelAlignment.h"
#include "core/document/job/KestromText.h"
#include "model/descriptions/ColorAbility.h"

#include <QAccessible>
#include <QApplication>
#include <QFocusEvent>
#include <QGraphicsScene>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmapCache>
#include <QWindow>

#include <algorithm>
#include <climits>
#include <cmath>
#include <functional>
#include <utility>

namespace kestrom {

namespace {

// Back to front.
enum Layer : int {
    overflowLayer,
    drawingLayer,
    repeatLayer,
    borderLayer,
    selectionLayer,
    dropHintLayer,
    lineLayer,
    sequenceLayer,
};

// The grid and the canvas's border are kept as device pixmaps in the shared
// pixmap cache. Qt keeps no pixmap larger than the cache's limit: the item is
// then drawn again, whole, on every repaint it touches, which on a large
// window was most of each repaint while preview tiles came in. The limit
// grows so that both fit beside what the cache held before; it never shrinks.
void reservePixmapCacheForCanvas(const QSizeF& canvas, double scale) {
    static const int baseLimit_kb = QPixmapCache::cacheLimit();
    const double w = std::ceil((canvas.width() + 2) * scale);
    const double h = std::ceil((canvas.height() + 2) * scale);
    const double needed_kb = baseLimit_kb + 2 * w * h * 4 / 1024;
    const int limit_kb = int(std::min<double>(needed_kb, INT_MAX));
    if (QPixmapCache::cacheLimit() < limit_kb) {
        QPixmapCache::setCacheLimit(limit_kb);
    }
}

QVariant rectsVariant(const QList<ambrel::Rect_mm>& rects) {
    QVariantList list;
    for (const ambrel::Rect_mm& r : rects) {
        list.append(r.toQRectF());
    }
    return list;
}

} // namespace

GridView::GridView(QWidget* parent)
    : QGraphicsView(parent), m_scene(new QGraphicsScene(this)),
      m_offsetLineTimer(new GridViewOffsetLineTimer(this)),
      m_overflownAreaView(new GridViewOverflownAreaView), m_drawingView(new GridViewDrawingView),
      m_imageView(new GridViewImageView), m_repeatView(new GridViewRepeatView(m_imageView)),
      m_shadowBorderView(new GridViewShadowBorderView),
      m_imageSelectionView(new GridViewImageSelectionView),
      m_dragHereLabel(new GridViewDropHintView(
          KestromText::requiredCanvasText(QStringLiteral("Preview_DropImageHere")))),
      m_xOffsetFitLineView(new GridViewOffsetLineView),
      m_yOffsetFitLineView(new GridViewOffsetLineView),
      m_resizingLineView(new GridViewOffsetLineView),
      m_resizingFlippedLineView(new GridViewOffsetLineView),
      m_animator(new GridViewChangeAnimator(m_repeatView, m_imageView, m_imageSelectionView,
                                            m_overflownAreaView, this)) {
    setScene(m_scene);
    setFrameShape(QFrame::NoFrame);
    // Only the canvas and its shadow are drawn: around them the window's
    // background and its dim layer show through, in light and dark alike.
    viewport()->setAutoFillBackground(false);
    QPalette clear = viewport()->palette();
    clear.setBrush(viewport()->backgroundRole(), Qt::transparent);
    viewport()->setPalette(clear);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setTransformationAnchor(QGraphicsView::NoAnchor);
    setResizeAnchor(QGraphicsView::NoAnchor);
    setViewportUpdateMode(QGraphicsView::MinimalViewportUpdate);
    setRenderHint(QPainter::SmoothPixmapTransform, true);
    setMouseTracking(true);
    // A click on the picture or Tab gives the canvas the keys that move the
    // picture; the selected picture, or a ring around the canvas, shows it.
    setFocusPolicy(Qt::StrongFocus);
    GridViewAccessible::installFactory();

    const std::pair<QGraphicsItem*, Layer> items[] = {
        {m_overflownAreaView, overflowLayer},
        {m_drawingView, drawingLayer},
        {m_repeatView, repeatLayer},
        {m_shadowBorderView, borderLayer},
        {m_imageSelectionView, selectionLayer},
        {m_dragHereLabel, dropHintLayer},
        {m_xOffsetFitLineView, lineLayer},
        {m_yOffsetFitLineView, lineLayer},
        {m_resizingLineView, lineLayer},
        {m_resizingFlippedLineView, lineLayer},
    };
    for (const auto& [item, layer] : items) {
        item->setZValue(layer);
        m_scene->addItem(item);
    }
    m_overflownAreaView->setVisible(false);
    m_imageView->setVisible(false);
    m_imageSelectionView->setVisible(false);
    m_imageSelectionView->setDelegate(this);
    connect(m_imageSelectionView, &GridViewImageSelectionView::selectedChanged, m_imageView,
            &GridViewImageView::setSelected);
    m_imageSelectionView->setImageOffsetBase(m_model.imageOffsetBase);

    connect(m_offsetLineTimer, &GridViewOffsetLineTimer::showingChanged, this,
            [this](bool showing) {
                m_model.showsOffsetLines = showing;
                requestLayout();
                emit showsOffsetLinesChanged(showing);
            });
    placeCanvas();
}

GridView::~GridView() {
    m_imageSelectionView->setDelegate(nullptr);
}

// MARK: properties

void GridView::setImagePlacement(const ambrel::OriginalImageDrawingOptions& options,
                                 const ambrel::Size_mm& imageSizeForDisplay_mm) {
    // Only what differs from the placement given last is set, as if each
    // part were bound on its own: a part set on the canvas directly stays
    // until the document changes that part.
    const auto given = std::exchange(m_placement, Placement{options, imageSizeForDisplay_mm});
    const auto changed = [&](auto part) {
        return !given || std::invoke(part, given->options) != std::invoke(part, options);
    };
    using Options = ambrel::OriginalImageDrawingOptions;
    if (!given || given->imageSizeForDisplay_mm != imageSizeForDisplay_mm) {
        setImageSizeForDisplay_mm(imageSizeForDisplay_mm);
    }
    if (changed(&Options::imageOrientation)) {
        setImageOrientation(options.imageOrientation.rawValue());
    }
    if (changed(&Options::imageOffset_mm)) {
        setImageOffset_mm(options.imageOffset_mm);
    }
    if (changed(&Options::imageOffsetBase)) {
        setImageOffsetBase(options.imageOffsetBase.rawValue());
    }
    if (changed(&Options::flipsImageHorizontal)) {
        setFlipsImage(options.flipsImageHorizontal);
    }
    if (changed(&Options::imageRepeatXCount)) {
        setImageRepeatXCount(options.imageRepeatXCount);
    }
    if (changed(&Options::imageRepeatYCount)) {
        setImageRepeatYCount(options.imageRepeatYCount);
    }
    if (changed(&Options::imageRepeatXMargin_mm)) {
        setImageRepeatXMargin_mm(options.imageRepeatXMargin_mm);
    }
    if (changed(&Options::imageRepeatYMargin_mm)) {
        setImageRepeatYMargin_mm(options.imageRepeatYMargin_mm);
    }
    announceDescription();
}

void GridView::announceDescription() {
    // A screen reader hears where the picture went.
    if (QAccessible::isActive()) {
        QAccessibleEvent event(this, QAccessible::DescriptionChanged);
        QAccessible::updateAccessibility(&event);
    }
}

void GridView::setPrintableSize_mm(const ambrel::Size_mm& size) {
    if (m_model.printableSize_mm == size) {
        return;
    }
    m_model.printableSize_mm = size;
    invalidateGrid();
    if (!m_fixedCanvasRect) {
        placeCanvas();
    }
    requestLayout();
}

void GridView::setImageOffset_mm(const ambrel::Point_mm& offset) {
    if (m_model.imageOffset_mm == offset) {
        return;
    }
    m_model.imageOffset_mm = offset;
    requestLayout();
}

void GridView::setImageSizeForDisplay_mm(const ambrel::Size_mm& size) {
    if (m_model.imageSizeForDisplay_mm == size) {
        return;
    }
    m_model.imageSizeForDisplay_mm = size;
    requestLayout();
}

void GridView::setImageOffsetBase(const QString& rawValue) {
    const auto anchor = ambrel::OffsetBase::fromRawValue(rawValue);
    if (!anchor || *anchor == m_model.imageOffsetBase) {
        return;
    }
    m_model.imageOffsetBase = *anchor;
    m_imageSelectionView->setImageOffsetBase(*anchor);
    invalidateGrid();
    requestLayout();
    emit imageOffsetBaseChanged(rawValue);
}

void GridView::setFlipsImage(bool flips) {
    if (m_model.flipsImage == flips) {
        return;
    }
    m_changes.record(GridViewChangedProperty::flipsImage, m_model.flipsImage, flips);
    m_model.flipsImage = flips;
    m_imageView->setFlipsHorizontal(flips);
    requestLayout();
}

void GridView::setImageOrientation(qint64 rawValue) {
    const auto orientation = ambrel::ImageRotation::fromRawValue(rawValue);
    if (!orientation || *orientation == m_model.imageOrientation) {
        return;
    }
    m_changes.record(GridViewChangedProperty::imageOrientation, m_model.imageOrientation.rawValue(),
                     orientation->rawValue());
    m_model.imageOrientation = *orientation;
    m_imageView->setOrientation(*orientation);
    requestLayout();
    emit imageOrientationChanged(orientation->rawValue());
}

QString GridView::colorAbility() const {
    return m_imageView->colorAbility().rawValue();
}

void GridView::setColorAbility(const QString& rawValue) {
    m_imageView->setColorAbility(
        ambrel::ColorAbility::fromRawValue(rawValue).value_or(ambrel::ColorAbility::blackWhite));
}

const GridView::BlackConversionPointer& GridView::blackConversion() const {
    return m_imageView->blackConversion();
}

void GridView::setBlackConversion(const BlackConversionPointer& conversion) {
    m_imageView->setBlackConversion(conversion);
}

void GridView::setOriginalImage(const ambrel::OriginalImage::Pointer& image) {
    if (m_originalImage == image) {
        return;
    }
    if (!image && m_imageSelectionView->hasFocus()) {
        m_imageSelectionView->clearFocus();
    }
    m_changes.record(GridViewChangedProperty::image,
                     QVariant::fromValue(static_cast<const void*>(m_originalImage.get())),
                     QVariant::fromValue(static_cast<const void*>(image.get())));
    if (!image) {
        // What is shown now, to fade out once the layout takes it away.
        m_repeatView->keepContentsForFadeOut();
    }
    m_originalImage = image;
    m_model.hasPicture = image != nullptr;
    m_imageView->setOriginalImage(image);
    m_imageSelectionView->setSelected(false);
    requestLayout();
    announceDescription();
}

bool GridView::imageIsResizable() const {
    return m_imageSelectionView->isResizable();
}

void GridView::setImageIsResizable(bool resizable) {
    m_imageSelectionView->setResizable(resizable);
}

void GridView::setImageRepeatXCount(qint64 count) {
    if (m_model.imageRepeatXCount == count) {
        return;
    }
    m_changes.record(GridViewChangedProperty::imageRepeatXCount, m_model.imageRepeatXCount, count);
    m_model.imageRepeatXCount = count;
    requestLayout();
}

void GridView::setImageRepeatYCount(qint64 count) {
    if (m_model.imageRepeatYCount == count) {
        return;
    }
    m_changes.record(GridViewChangedProperty::imageRepeatYCount, m_model.imageRepeatYCount, count);
    m_model.imageRepeatYCount = count;
    requestLayout();
}

void GridView::setImageRepeatXMargin_mm(double margin) {
    if (m_model.imageRepeatXMargin_mm == margin) {
        return;
    }
    m_model.imageRepeatXMargin_mm = margin;
    requestLayout();
}

void GridView::setImageRepeatYMargin_mm(double margin) {
    if (m_model.imageRepeatYMargin_mm == margin) {
        return;
    }
    m_model.imageRepeatYMargin_mm = margin;
    requestLayout();
}

void GridView::setSplittedImageSourceRects_mm(const QList<ambrel::Rect_mm>& rects) {
    if (m_model.splittedImageSourceRects_mm == rects) {
        return;
    }
    m_changes.record(GridViewChangedProperty::splittedImageSourceRects_mm,
                     rectsVariant(m_model.splittedImageSourceRects_mm), rectsVariant(rects));
    m_model.splittedImageSourceRects_mm = rects;
    requestLayout();
}

void GridView::setBackgroundColor(const std::optional<QColor>& color) {
    if (m_backgroundColor == color) {
        return;
    }
    m_backgroundColor = color;
    m_dragHereLabel->setBackground(canvasBackground());
    invalidateGrid();
    requestLayout();
}

QColor GridView::canvasBackground() const {
    return m_backgroundColor.value_or(QColor(Qt::white));
}

void GridView::setCanvasEnabled(bool enabled) {
    if (m_enabled == enabled) {
        return;
    }
    m_enabled = enabled;
    m_imageSelectionView->setEnabled(enabled);
    if (!enabled) {
        // A resize or hand cursor left by the picture would promise a drag
        // that cannot happen.
        viewport()->setCursor(Qt::ArrowCursor);
    }
}

void GridView::setShowsOffsetLines(bool shows) {
    m_offsetLineTimer->setShowing(shows);
}

void GridView::deselectImage() {
    m_imageSelectionView->setSelected(false);
}

void GridView::hideOffsetLines() {
    m_offsetLineTimer->hide();
}

void GridView::showOffsetLinesTemporarily() {
    m_offsetLineTimer->showTemporarily();
}

std::optional<QTransform> GridView::makeMmToPtTransform(bool includesTranslation) const {
    return GridViewTransform::makeMmToPt(bounds(), m_model.printableSize_mm,
                                         m_model.imageOffsetBase, includesTranslation);
}

// MARK: placement in the widget

void GridView::setCanvasRect(const std::optional<QRectF>& rect) {
    m_fixedCanvasRect = rect;
    placeCanvas();
}

void GridView::placeCanvas() {
    QRectF rect;
    const QRectF area = QRectF(viewport()->rect()).marginsRemoved(defaultCanvasMargins);
    if (m_fixedCanvasRect) {
        rect = *m_fixedCanvasRect;
    } else if (area.width() > 0 && area.height() > 0) {
        const ambrel::Size_mm p = m_model.printableSize_mm;
        double ratio = p.width / p.height;
        if (!std::isfinite(ratio) || ratio <= 0 || !(p.width > 0)) {
            ratio = 1.0;
        }
        QSizeF size(area.width(), area.width() / ratio);
        if (size.height() > area.height()) {
            size = QSizeF(area.height() * ratio, area.height());
        }
        rect =
            QRectF(area.left() + (area.width() - size.width()) / 2,
                   area.top() + (area.height() - size.height()) / 2, size.width(), size.height());
    }
    // Whole points, so that the canvas's edges fall on pixel edges.
    rect = QRectF(std::round(rect.left()), std::round(rect.top()), std::round(rect.width()),
                  std::round(rect.height()));
    if (rect.size() != m_canvasRect.size()) {
        invalidateGrid();
    }
    m_canvasRect = rect;
    const QSize viewportSize = viewport()->size();
    setSceneRect(-rect.left(), -rect.top(), viewportSize.width(), viewportSize.height());
    resetCachedContent();
    requestLayout();
}

QPointF GridView::canvasPoint(const QPoint& viewportPoint) const {
    return mapToScene(viewportPoint);
}

QPoint GridView::viewportPoint(const QPointF& canvasPoint) const {
    return mapFromScene(canvasPoint);
}

double GridView::backingScaleFactor() const {
    if (m_scaleOverride) {
        return *m_scaleOverride;
    }
    const double screen = viewport()->devicePixelRatioF();
    return screen > 1.0 ? screen : 1.0;
}

void GridView::setBackingScaleFactorOverride(std::optional<double> scale) {
    m_scaleOverride = scale;
    invalidateGrid();
    resetCachedContent();
    requestLayout();
}

// MARK: layout

void GridView::requestLayout() {
    if (m_layoutRequested) {
        return;
    }
    m_layoutRequested = true;
    QMetaObject::invokeMethod(this, &GridView::layoutSubtreeIfNeeded, Qt::QueuedConnection);
}

void GridView::layoutSubtreeIfNeeded() {
    if (m_layoutRequested) {
        layout();
    }
}

void GridView::invalidateGrid() {
    m_gridDirty = true;
}

void GridView::layout() {
    m_layoutRequested = false;
    const QSizeF B = bounds();
    const double scale = backingScaleFactor();
    reservePixmapCacheForCanvas(B, scale);
    m_shadowBorderView->setFrame(QRectF(QPointF(0, 0), B).adjusted(-1, -1, 1, 1));
    m_drawingView->setFrame(QRectF(QPointF(0, 0), B));
    m_repeatView->setFrame(QRectF(QPointF(0, 0), B));
    if (m_gridDirty || m_gridScale != scale) {
        m_drawingView->setGrid(
            GridLineList::lines(B, m_model.printableSize_mm, m_model.imageOffsetBase, scale),
            canvasBackground());
        m_gridDirty = false;
        m_gridScale = scale;
    }
    m_imageView->setBackingScale(scale);
    m_imageSelectionView->setScale(scale);

    GridViewLayout::Input input;
    input.model = m_model;
    input.bounds = B;
    input.scale = scale;
    input.dropHintSize = m_dragHereLabel->intrinsicSize();
    input.resizeHandle = m_drag.isActive() ? m_drag.handle() : GridViewHandle::image;
    const GridViewLayout::Result result = GridViewLayout::compute(input);
    applyLayout(result);
    m_lastLayout = result;
    m_changes.clear();
}

void GridView::applyLine(GridViewOffsetLineView* view, const GridViewLayout::Line& line) {
    view->setVisible(line.visible);
    if (line.visible) {
        view->setFrame(line.rect);
        view->setColor(line.color);
    }
}

void GridView::applyLayout(const GridViewLayout::Result& r) {
    const bool boundsUnchanged = m_lastLayoutBounds == bounds();
    m_lastLayoutBounds = bounds();
    const bool imageWasHidden = !m_imageView->isVisible();
    m_dragHereLabel->setVisible(r.showsDropHint);
    if (r.showsDropHint) {
        m_dragHereLabel->setFrame(r.dropHintRect);
    }
    m_imageView->setVisible(r.showsPicture);
    m_overflownAreaView->setVisible(r.showsPicture);
    m_imageSelectionView->setVisible(r.showsPicture);
    if (r.showsPicture) {
        const GridViewChangeAnimator::Frames frames{{r.repeatStripRect, r.imageFrame, r.copyStepX,
                                                     r.copyStepY,
                                                     r.showsFurtherCopiesX ? r.instanceCountX : 1,
                                                     r.showsFurtherCopiesY ? r.instanceCountY : 1},
                                                    r.selectionRect,
                                                    r.allImageRect_pt};
        // Changes move on screen unless a new or mirrored picture arrives,
        // the canvas changed size, the picture was hidden, or the user is
        // dragging the picture or a handle (the frames then follow the
        // pointer).
        const bool animates = !m_changes.contains(GridViewChangedProperty::image) &&
                              !m_changes.contains(GridViewChangedProperty::flipsImage) &&
                              boundsUnchanged && !imageWasHidden &&
                              !m_imageSelectionView->isTrackingResizeHandle() &&
                              !m_imageView->windowIsInLiveResize();
        if (animates) {
            m_animator->animate(frames, m_changes);
        } else {
            m_animator->applyImmediately(frames, m_changes, m_enabled);
        }
        m_repeatView->dropKeptContents();
    } else {
        m_overflownAreaView->setFrame(QRectF());
        if (!imageWasHidden && m_changes.contains(GridViewChangedProperty::image)) {
            m_repeatView->fadeOutKeptContents(GridViewChangeAnimator::removalFadeDuration_ms);
        } else if (!m_repeatView->isFadingOut()) {
            m_repeatView->dropKeptContents();
        }
    }
    applyLine(m_xOffsetFitLineView, r.xOffsetLine);
    applyLine(m_yOffsetFitLineView, r.yOffsetLine);
    applyLine(m_resizingLineView, r.resizingLine);
    applyLine(m_resizingFlippedLineView, r.resizingFlippedLine);

    if (m_changes.contains(GridViewChangedProperty::splittedImageSourceRects_mm)) {
        rebuildSequenceViews();
    }
    if (r.sequenceFrames) {
        const double scale = backingScaleFactor();
        for (GridViewSequenceView* view : m_sequenceViews) {
            const qint64 i = view->sequence();
            if (i >= 0 && i < r.sequenceFrames->size()) {
                view->setScale(scale);
                view->setFrame(r.sequenceFrames->at(i));
            }
        }
    }
}

void GridView::rebuildSequenceViews() {
    qDeleteAll(m_sequenceViews);
    m_sequenceViews.clear();
    const QList<ambrel::Rect_mm>& rects = m_model.splittedImageSourceRects_mm;
    for (qsizetype i = 0; i < rects.size(); ++i) {
        auto* view = new GridViewSequenceView;
        view->setSequence(i);
        view->setSourceRect_mm(rects[i]);
        view->setZValue(sequenceLayer);
        m_scene->addItem(view);
        m_sequenceViews.append(view);
        // The outlines appear one after another.
        view->setAlphaValue(0.2);
        CanvasAnimation::fadeTo(view, 1.0, 100 + 20 * int(std::min<qsizetype>(i, 1000)),
                                QEasingCurve::InQuad);
    }
}

// MARK: drawing

void GridView::drawBackground(QPainter* painter, const QRectF&) {
    // Under an opaque canvas only the band around it shows.
    if (canvasBackground().alpha() == 255) {
        m_shadow.draw(*painter, bounds());
    } else {
        CanvasShadow::drawLayers(*painter, bounds());
    }
}

QImage GridView::renderImage(double scale) {
    const std::optional<double> saved = m_scaleOverride;
    setBackingScaleFactorOverride(scale);
    layout();
    const QSize size = viewport()->size();
    QImage image(size * scale, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        render(&painter, QRectF(QPointF(0, 0), QSizeF(size)), viewport()->rect());
    }
    setBackingScaleFactorOverride(saved);
    return image;
}

// MARK: events

void GridView::paintEvent(QPaintEvent* event) {
    QGraphicsView::paintEvent(event);
    if (m_keepsStillParts) {
        return;
    }
    // The grid and the ring around the canvas change rarely, and a drag only
    // moves what lies above them, so they are kept as pixmaps; filling those
    // costs more than drawing them once, so the first frame draws them
    // directly and they are kept from the next turn on.
    m_keepsStillParts = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_drawingView->setCacheMode(QGraphicsItem::DeviceCoordinateCache);
            m_shadowBorderView->setCacheMode(QGraphicsItem::DeviceCoordinateCache);
        },
        Qt::QueuedConnection);
}

void GridView::resizeEvent(QResizeEvent* event) {
    QGraphicsView::resizeEvent(event);
    placeCanvas();
}

void GridView::showEvent(QShowEvent* event) {
    QGraphicsView::showEvent(event);
    // A screen of another scale needs other line widths and pixel edges.
    if (QWindow* handle = window()->windowHandle(); handle && !m_screenConnection) {
        m_screenConnection = connect(handle, &QWindow::screenChanged, this, [this] {
            invalidateGrid();
            resetCachedContent();
            requestLayout();
        });
    }
}

void GridView::changeEvent(QEvent* event) {
    QGraphicsView::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        m_overflownAreaView->setDark(palette().color(QPalette::Window).lightness() < 128);
        resetCachedContent();
    }
}

void GridView::keyPressEvent(QKeyEvent* event) {
    // Keys the canvas's parts leave go to the controller; the view itself
    // never scrolls.
    event->ignore();
    if (m_scene->focusItem()) {
        QApplication::sendEvent(m_scene, event);
    }
}

void GridView::focusInEvent(QFocusEvent* event) {
    QGraphicsView::focusInEvent(event);
    const bool byKeyboard =
        event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason;
    if (!byKeyboard) {
        return;
    }
    m_showsKeyboardFocus = true;
    // The arrow keys move the picture, so it shows as selected.
    if (m_originalImage && m_imageSelectionView->isEnabled()) {
        m_imageSelectionView->setFocus(event->reason());
        m_imageSelectionView->setSelected(true);
    }
    viewport()->update();
}

void GridView::focusOutEvent(QFocusEvent* event) {
    QGraphicsView::focusOutEvent(event);
    if (m_showsKeyboardFocus) {
        m_showsKeyboardFocus = false;
        viewport()->update();
    }
}

void GridView::drawForeground(QPainter* painter, const QRectF&) {
    if (!m_showsKeyboardFocus || !hasFocus() || bounds().isEmpty()) {
        return;
    }
    // A ring just outside the canvas, as fields show theirs.
    painter->save();
    QPen pen(palette().color(QPalette::Highlight), 2);
    pen.setCosmetic(true);
    painter->setPen(pen);
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(QRectF(QPointF(), bounds()).adjusted(-3, -3, 3, 3));
    painter->restore();
}

void GridView::mousePressEvent(QMouseEvent* event) {
    if (!m_enabled) {
        event->ignore();
        return;
    }
    QGraphicsView::mousePressEvent(event);
    if (!m_scene->mouseGrabberItem()) {
        // A click beside the picture leaves the selection.
        deselectImage();
        m_scene->setFocusItem(nullptr);
    }
}

void GridView::mouseMoveEvent(QMouseEvent* event) {
    updateSequenceHover(mapToScene(event->position().toPoint()));
    if (!m_enabled) {
        event->ignore();
        return;
    }
    QGraphicsView::mouseMoveEvent(event);
}

void GridView::leaveEvent(QEvent* event) {
    updateSequenceHover(std::nullopt);
    QGraphicsView::leaveEvent(event);
}

void GridView::updateSequenceHover(std::optional<QPointF> canvasPoint) {
    for (GridViewSequenceView* view : m_sequenceViews) {
        view->setMouseHover(canvasPoint && view->isVisible() &&
                            view->sceneBoundingRect().contains(*canvasPoint));
    }
}

void GridView::mouseReleaseEvent(QMouseEvent* event) {
    if (!m_enabled) {
        event->ignore();
        return;
    }
    QGraphicsView::mouseReleaseEvent(event);
}

// MARK: dragging

void GridView::imageSelectionViewMouseDown(GridViewImageSelectionView&, const QPointF& canvasPoint,
                                           Qt::KeyboardModifiers, GridViewHandle handle) {
    if (!m_drag.begin(handle, canvasPoint, m_model.imageOffset_mm, bounds(),
                      m_model.printableSize_mm, m_model.imageOffsetBase)) {
        return;
    }
    if (m_delegate) {
        m_delegate->gridViewWillBeginResizingOperation(*this);
    }
    m_offsetLineTimer->showUntilHidden();
    if (handle != GridViewHandle::image) {
        m_imageView->setTrackingResizeHandle(true);
    }
}

void GridView::imageSelectionViewMouseDragged(GridViewImageSelectionView&,
                                              const QPointF& canvasPoint,
                                              Qt::KeyboardModifiers modifiers) {
    if (!m_drag.isActive()) {
        return;
    }
    if (m_drag.isMove()) {
        const ambrel::Point_mm offset =
            m_drag.move(canvasPoint, modifiers.testFlag(Qt::ShiftModifier));
        if (m_delegate) {
            m_delegate->gridViewChangeImageOffset_mm(*this, offset);
        }
    } else {
        const ambrel::Size_mm size = m_drag.resize(canvasPoint, m_model.imageOffset_mm);
        if (m_delegate) {
            m_delegate->gridViewChangeImageSizeWithMaxSize_mm(*this, size);
        }
    }
}

void GridView::imageSelectionViewMouseUp(GridViewImageSelectionView&) {
    if (!m_drag.isActive()) {
        return;
    }
    m_drag.end();
    if (m_delegate) {
        m_delegate->gridViewDidEndResizingOperation(*this);
    }
    hideOffsetLines();
    m_imageView->setTrackingResizeHandle(false);
    layout();
}

} // namespace kestrom
