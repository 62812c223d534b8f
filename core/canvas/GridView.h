#pragma once

#include "core/canvas/CanvasShadow.h"
#include "core/canvas/GridViewChangeRecord.h"
#include "core/canvas/GridViewDrag.h"
#include "core/canvas/GridViewImageSelectionViewDelegate.h"
#include "core/canvas/GridViewLayout.h"
#include "core/canvas/GridViewModel.h"
#include "core/document/job/CurrentBlackConversionReadonlyWrapper.h"
#include "model/pictures/OriginalImage.h"
#include "model/pictures/OriginalImageDrawingOptions.h"

#include <QGraphicsView>
#include <QList>
#include <QMarginsF>

#include <optional>

namespace kestrom {

class GridViewChangeAnimator;
class GridViewDelegate;
class GridViewDrawingView;
class GridViewDropHintView;
class GridViewImageSelectionView;
class GridViewImageView;
class GridViewOffsetLineTimer;
class GridViewOffsetLineView;
class GridViewOverflownAreaView;
class GridViewRepeatView;
class GridViewSequenceView;
class GridViewShadowBorderView;

// The canvas of a document window: the device's printable area as a
// millimetre grid, the placed picture with its repeats, the tint under the
// whole repeated picture, offset lines while the picture is placed, the
// selection frame and, without a picture, a drop prompt.
//
// Scene coordinates are the canvas's points: the canvas is (0, 0, width,
// height), y downward; shadows, the frame, the overflow tint and the
// selection reach beyond it into the rest of the widget. The canvas holds
// its model in millimetres and never writes the document: drags go to its
// delegate.
class GridView : public QGraphicsView, private GridViewImageSelectionViewDelegate {
    Q_OBJECT
    // The faces the controller binds to the document's key paths; the
    // placement comes as one value (setImagePlacement).
    Q_PROPERTY(QString colorAbility READ colorAbility WRITE setColorAbility)
    Q_PROPERTY(ImagePointer originalImage READ originalImage WRITE setOriginalImage)
    Q_PROPERTY(BlackConversionPointer blackConversion READ blackConversion WRITE setBlackConversion)
    Q_PROPERTY(bool imageIsResizable READ imageIsResizable WRITE setImageIsResizable)
    Q_PROPERTY(bool canvasEnabled READ isCanvasEnabled WRITE setCanvasEnabled)
    Q_PROPERTY(bool showsOffsetLines READ showsOffsetLines WRITE setShowsOffsetLines NOTIFY
                   showsOffsetLinesChanged)

public:
    using ImagePointer = ambrel::OriginalImage::Pointer;
    using BlackConversionPointer = std::shared_ptr<const CurrentBlackConversionReadonlyWrapper>;

    static constexpr double gridWidth_pt = 30.0;
    static constexpr int MIN_WIDTH = 100;
    // Room around the canvas when it places itself in the widget.
    static constexpr QMarginsF defaultCanvasMargins{16, 16, 16, 16};

    explicit GridView(QWidget* parent = nullptr);
    ~GridView() override;

    // Held weakly; the controller outlives the canvas.
    void setDelegate(GridViewDelegate* delegate) { m_delegate = delegate; }
    GridViewDelegate* delegate() const { return m_delegate; }

    // The picture's placement as the document holds it (anchor, offset,
    // turn, mirroring, repeats) and its size as shown; each part that
    // changed since the last placement given is set as its own setter sets it.
    void setImagePlacement(const ambrel::OriginalImageDrawingOptions& options,
                           const ambrel::Size_mm& imageSizeForDisplay_mm);

    const ambrel::Size_mm& printableSize_mm() const { return m_model.printableSize_mm; }
    void setPrintableSize_mm(const ambrel::Size_mm& size);
    const ambrel::Point_mm& imageOffset_mm() const { return m_model.imageOffset_mm; }
    void setImageOffset_mm(const ambrel::Point_mm& offset);
    const ambrel::Size_mm& imageSizeForDisplay_mm() const { return m_model.imageSizeForDisplay_mm; }
    void setImageSizeForDisplay_mm(const ambrel::Size_mm& size);
    // The anchor's string form; a string that names no anchor is ignored.
    QString imageOffsetBase() const { return m_model.imageOffsetBase.rawValue(); }
    void setImageOffsetBase(const QString& rawValue);
    ambrel::OffsetBase offsetBase() const { return m_model.imageOffsetBase; }
    bool flipsImage() const { return m_model.flipsImage; }
    void setFlipsImage(bool flips);
    // 0 to 3; other values are ignored.
    int imageOrientation() const { return m_model.imageOrientation.rawValue(); }
    void setImageOrientation(qint64 rawValue);
    // "fullColor", else "blackWhite".
    QString colorAbility() const;
    void setColorAbility(const QString& rawValue);
    const ambrel::OriginalImage::Pointer& originalImage() const { return m_originalImage; }
    void setOriginalImage(const ambrel::OriginalImage::Pointer& image);
    // The conversion the preview shows; none shows a threshold at one half.
    const BlackConversionPointer& blackConversion() const;
    void setBlackConversion(const BlackConversionPointer& conversion);
    bool imageIsResizable() const;
    void setImageIsResizable(bool resizable);
    qint64 imageRepeatXCount() const { return m_model.imageRepeatXCount; }
    void setImageRepeatXCount(qint64 count);
    qint64 imageRepeatYCount() const { return m_model.imageRepeatYCount; }
    void setImageRepeatYCount(qint64 count);
    double imageRepeatXMargin_mm() const { return m_model.imageRepeatXMargin_mm; }
    void setImageRepeatXMargin_mm(double margin);
    double imageRepeatYMargin_mm() const { return m_model.imageRepeatYMargin_mm; }
    void setImageRepeatYMargin_mm(double margin);
    const QList<ambrel::Rect_mm>& splittedImageSourceRects_mm() const {
        return m_model.splittedImageSourceRects_mm;
    }
    void setSplittedImageSourceRects_mm(const QList<ambrel::Rect_mm>& rects);
    const std::optional<QColor>& backgroundColor() const { return m_backgroundColor; }
    void setBackgroundColor(const std::optional<QColor>& color);
    // Whether the canvas takes part in input (false while the document is
    // shown read-only).
    bool isCanvasEnabled() const { return m_enabled; }
    void setCanvasEnabled(bool enabled);
    bool showsOffsetLines() const { return m_model.showsOffsetLines; }
    void setShowsOffsetLines(bool shows);

    ambrel::Size_mm allImageSize_mm() const { return m_model.allImageSize_mm(); }
    const GridViewModel& model() const { return m_model; }

    void deselectImage();
    void hideOffsetLines();
    void showOffsetLinesTemporarily();
    const GridViewOffsetLineTimer& offsetLineTimer() const { return *m_offsetLineTimer; }

    // Nothing while the canvas has no usable size.
    std::optional<QTransform> makeMmToPtTransform(bool includesTranslation) const;

    // The canvas's size in points.
    QSizeF bounds() const { return m_canvasRect.size(); }
    // Where the canvas lies in the widget. Unless set, the canvas takes the
    // printable area's proportions and centres itself within the margins.
    QRectF canvasRect() const { return m_canvasRect; }
    void setCanvasRect(const std::optional<QRectF>& rect);
    QPointF canvasPoint(const QPoint& viewportPoint) const;
    QPoint viewportPoint(const QPointF& canvasPoint) const;

    // Device pixels per point: the screen's, unless drawing for another.
    double backingScaleFactor() const;
    void setBackingScaleFactorOverride(std::optional<double> scale);

    const GridViewChangeRecord& changedPropertyValuesBeforeLayout() const { return m_changes; }
    bool needsLayout() const { return m_layoutRequested; }
    // Runs a pending layout pass now.
    void layoutSubtreeIfNeeded();
    // One complete layout pass.
    void layout();
    const GridViewLayout::Result& lastLayout() const { return m_lastLayout; }
    const GridViewDrag& drag() const { return m_drag; }
    // Whether the canvas shows the ring of a focus that came by keyboard.
    bool showsKeyboardFocus() const { return m_showsKeyboardFocus && hasFocus(); }

    // The whole widget drawn at the given scale, as the screen would show it.
    QImage renderImage(double scale);

    GridViewDrawingView* drawingView() const { return m_drawingView; }
    GridViewOverflownAreaView* overflownAreaView() const { return m_overflownAreaView; }
    GridViewShadowBorderView* shadowBorderView() const { return m_shadowBorderView; }
    GridViewDropHintView* dragHereLabel() const { return m_dragHereLabel; }
    GridViewImageView* imageView() const { return m_imageView; }
    GridViewRepeatView* repeatView() const { return m_repeatView; }
    GridViewImageSelectionView* imageSelectionView() const { return m_imageSelectionView; }
    GridViewOffsetLineView* xOffsetFitLineView() const { return m_xOffsetFitLineView; }
    GridViewOffsetLineView* yOffsetFitLineView() const { return m_yOffsetFitLineView; }
    GridViewOffsetLineView* resizingOffsetFitLineView() const { return m_resizingLineView; }
    GridViewOffsetLineView* resizingFlippedOffsetFitLineView() const {
        return m_resizingFlippedLineView;
    }
    const QList<GridViewSequenceView*>& sequenceViews() const { return m_sequenceViews; }
    GridViewChangeAnimator* changeAnimator() const { return m_animator; }

signals:
    void imageOffsetBaseChanged(const QString& rawValue);
    void imageOrientationChanged(int rawValue);
    void showsOffsetLinesChanged(bool shows);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void drawBackground(QPainter* painter, const QRectF& rect) override;
    void drawForeground(QPainter* painter, const QRectF& rect) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void imageSelectionViewMouseDown(GridViewImageSelectionView& view, const QPointF& canvasPoint,
                                     Qt::KeyboardModifiers modifiers,
                                     GridViewHandle handle) override;
    void imageSelectionViewMouseDragged(GridViewImageSelectionView& view,
                                        const QPointF& canvasPoint,
                                        Qt::KeyboardModifiers modifiers) override;
    void imageSelectionViewMouseUp(GridViewImageSelectionView& view) override;

    void requestLayout();
    void announceDescription();
    void invalidateGrid();
    void placeCanvas();
    void applyLayout(const GridViewLayout::Result& result);
    void rebuildSequenceViews();
    void updateSequenceHover(std::optional<QPointF> canvasPoint);
    void applyLine(GridViewOffsetLineView* view, const GridViewLayout::Line& line);
    QColor canvasBackground() const;

    struct Placement {
        ambrel::OriginalImageDrawingOptions options;
        ambrel::Size_mm imageSizeForDisplay_mm;
    };

    GridViewModel m_model;
    // The placement given last, to set only what changes.
    std::optional<Placement> m_placement;
    GridViewChangeRecord m_changes;
    GridViewDrag m_drag;
    GridViewLayout::Result m_lastLayout;
    ambrel::OriginalImage::Pointer m_originalImage;
    std::optional<QColor> m_backgroundColor;
    bool m_enabled = false;
    // Focus came by Tab: the canvas draws a ring until it goes.
    bool m_showsKeyboardFocus = false;
    GridViewDelegate* m_delegate = nullptr;

    std::optional<QRectF> m_fixedCanvasRect;
    QRectF m_canvasRect;
    std::optional<double> m_scaleOverride;
    double m_gridScale = 0;
    bool m_gridDirty = true;
    bool m_layoutRequested = false;
    // The still parts are kept as pixmaps from the turn after the first
    // frame.
    bool m_keepsStillParts = false;
    QMetaObject::Connection m_screenConnection;

    QGraphicsScene* m_scene;
    GridViewOffsetLineTimer* m_offsetLineTimer;
    GridViewOverflownAreaView* m_overflownAreaView;
    GridViewDrawingView* m_drawingView;
    GridViewImageView* m_imageView;
    GridViewRepeatView* m_repeatView;
    GridViewShadowBorderView* m_shadowBorderView;
    GridViewImageSelectionView* m_imageSelectionView;
    GridViewDropHintView* m_dragHereLabel;
    GridViewOffsetLineView* m_xOffsetFitLineView;
    GridViewOffsetLineView* m_yOffsetFitLineView;
    GridViewOffsetLineView* m_resizingLineView;
    GridViewOffsetLineView* m_resizingFlippedLineView;
    QList<GridViewSequenceView*> m_sequenceViews;
    GridViewChangeAnimator* m_animator;
    QSizeF m_lastLayoutBounds;
    CanvasShadow m_shadow;
};

} // namespace kestrom
