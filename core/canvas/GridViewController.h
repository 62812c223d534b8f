#pragma once

#include "core/canvas/GridViewDocumentDelegate.h"
#include "core/canvas/preview/PreviewGeometry.h"
#include "core/document/package/DocumentSettings.h"
#include "imaging/print/DeviceBlackConversionInfo.h"
#include "model/descriptions/Canvas.h"
#include "model/descriptions/DeviceDescriptor.h"
#include "model/descriptions/TransportType.h"
#include "model/units/Rect_mm.h"
#include "platform/Observable.h"

#include <QList>
#include <QMarginsF>
#include <QObject>
#include <QPointer>
#include <QSize>
#include <QSizeF>
#include <QVariant>

#include <functional>
#include <memory>
#include <optional>

class QMimeData;

namespace platform {
class Progress;
}

namespace kestrom {

class GridView;
class GridViewContainerView;
class ImageImport;
class PrintDocument;

// The canvas of a document window: builds the container view and the canvas
// view, binds the canvas's properties to "document.<key>", keeps the canvas at
// the canvas's proportions with an optional view above it, turns drags,
// drops and keys into document changes, and keeps the print-sequence
// outlines current in the background. The canvas never writes the document.
// Main thread only.
class GridViewController : public QObject, public platform::Observable, public GridViewDelegate {
    Q_OBJECT
    // Bound to "document.canvas" and "document.deviceDescriptor".
    Q_PROPERTY(QVariant canvas READ canvasValue WRITE setCanvasValue)
    Q_PROPERTY(QVariant deviceDescriptor READ deviceDescriptorValue WRITE setDeviceDescriptorValue)

public:
    using CanvasPointer = std::shared_ptr<const ambrel::Canvas>;
    using DescriptorPointer = std::shared_ptr<const ambrel::DeviceDescriptor>;
    using Token = std::shared_ptr<int>;

    // Nudges, in millimetres.
    static constexpr double nudgeStep_mm = 1;
    static constexpr double largeNudgeStep_mm = 5;

    explicit GridViewController(QObject* parent = nullptr);
    ~GridViewController() override;

    // The size, in device pixels and upright, of one copy of a picture so
    // placed, as a canvas fitted into a view of `view` points with nothing
    // above it shows it at `scale` device pixels a point; nothing when it
    // would not show. Computes only: any thread.
    static std::optional<QSize> pictureSizeShown(const DocumentSettings::Placement& placement,
                                                 const QSizeF& view, double scale);

    // Nothing once a parent widget deleted it.
    GridViewContainerView* view() const;
    GridView* gridView() const { return m_gridView; }

    // Held weakly: the document is unset (or outlives the controller).
    PrintDocument* document() const { return m_document; }
    void setDocument(PrintDocument* document);
    // Drops load pictures through it; held weakly.
    void setImageImport(ImageImport* import) { m_import = import; }
    ImageImport* imageImport() const { return m_import; }

    const CanvasPointer& canvas() const { return m_canvas; }
    void setCanvas(const CanvasPointer& canvas);
    const DescriptorPointer& deviceDescriptor() const { return m_deviceDescriptor; }
    void setDeviceDescriptor(const DescriptorPointer& descriptor);

    // Shown above the canvas, centred; owned by the caller.
    QWidget* topAccessoryView() const { return m_topAccessoryView; }
    void setTopAccessoryView(QWidget* view);
    QMarginsF topAccessoryViewMargin() const { return m_topAccessoryViewMargin; }
    void setTopAccessoryViewMargin(const QMarginsF& margin);
    QMarginsF gridViewMargin() const { return m_gridViewMargin; }
    void setGridViewMargin(const QMarginsF& margin);
    bool needsUpdateConstraints() const { return m_needsUpdateConstraints; }
    // Places the canvas and the accessory view now.
    void updateViewConstraints();
    // The canvas draws light in every appearance; the tint beyond it follows
    // the window's.
    void updateAppearance();
    double gridViewWidthPerHeight() const { return m_widthPerHeight; }

    // An undo step of a canvas drag is open.
    bool hasDragged() const { return m_editor.hasDragged(); }

    // --- Editing --------------------------------------------------------------
    bool acceptsDragOperation(const QMimeData* data, bool hasDraggingSource) const;
    bool performDragOperation(const QMimeData* data, bool hasDraggingSource);
    void deleteBackward();
    void moveLeft() { nudge(-nudgeStep_mm, 0); }
    void moveRight() { nudge(nudgeStep_mm, 0); }
    void moveUp() { nudge(0, nudgeStep_mm); }
    void moveDown() { nudge(0, -nudgeStep_mm); }
    void moveLeftAndModifySelection() { nudge(-largeNudgeStep_mm, 0); }
    void moveRightAndModifySelection() { nudge(largeNudgeStep_mm, 0); }
    void moveUpAndModifySelection() { nudge(0, largeNudgeStep_mm); }
    void moveDownAndModifySelection() { nudge(0, -largeNudgeStep_mm); }
    // Moves the picture by (dx, dy) millimetres as seen on the canvas.
    void nudge(double dx, double dy);
    // Escape: only while the picture is selected.
    bool respondsToCancelOperation() const;
    void cancelOperation();

    // --- Print-sequence outlines ------------------------------------------------
    bool showsSequences() const { return m_showsSequences; }
    void setShowsSequences(bool shows);
    void setNeedsUpdateSequences(bool discardsCurrentOperation);
    void sequenceSplittingOperationDidEnd(const std::optional<QList<QRectF>>& rects_mm,
                                          const Token& token);
    const std::shared_ptr<platform::Progress>& currentSequenceSplittingProgress() const {
        return m_splittingProgress;
    }
    const Token& currentSequenceSplittingIdentifier() const { return m_splittingToken; }
    bool shouldSplitSequenceAgain() const { return m_splitAgain; }

    // --- Key-value faces ----------------------------------------------------------
    QVariant valueForKey(const QString& key) const override;
    void setValueForKey(const QString& key, const QVariant& value) override;
    Observable* objectForKey(const QString& key) const override;

    // --- Canvas drags ---------------------------------------------------------------
    void gridViewWillBeginResizingOperation(GridView& gridView) override;
    void gridViewChangeImageSizeWithMaxSize_mm(GridView& gridView,
                                               const ambrel::Size_mm& maxSize) override;
    void gridViewChangeImageOffset_mm(GridView& gridView, const ambrel::Point_mm& offset) override;
    void gridViewDidEndResizingOperation(GridView& gridView) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QVariant canvasValue() const;
    void setCanvasValue(const QVariant& value);
    QVariant deviceDescriptorValue() const;
    void setDeviceDescriptorValue(const QVariant& value);
    void setNeedsUpdateConstraints();
    // Gives the canvas view the document's placement of the picture.
    // Where the print lays the picture's dots, for the preview.
    void showPrintGeometry();
    void showImagePlacement();
    void startNew(bool isAgain);

    GridViewDocumentDelegate m_editor;
    // Owned; a parent widget that deletes it first leaves the controller inert.
    QPointer<GridViewContainerView> m_view;
    GridView* m_gridView;
    PrintDocument* m_document = nullptr;
    QPointer<QWidget> m_topAccessoryView;
    ImageImport* m_import = nullptr;
    CanvasPointer m_canvas;
    DescriptorPointer m_deviceDescriptor;
    QMarginsF m_topAccessoryViewMargin{8, 0, 8, 20};
    QMarginsF m_gridViewMargin{8, 0, 8, 16};
    double m_widthPerHeight = 1;
    bool m_needsUpdateConstraints = false;

    bool m_showsSequences = true;
    std::shared_ptr<platform::Progress> m_splittingProgress;
    Token m_splittingToken;
    bool m_splitAgain = false;
    std::vector<platform::Observation> m_observations;
};

} // namespace kestrom
