#pragma once

#include "core/canvas/CanvasItem.h"

namespace kestrom {

class GridViewImageView;

// The repeated copies of the picture: a grid of copies a fixed step apart,
// cut off at the canvas's edges and above the first row. Where copies overlap
// they lie as the print draws them: column by column from the left, each
// column from the top, a later copy over the earlier ones. The first copy is
// the picture view itself, a child of this one; with further copies it is
// drawn here among them, as that view shows it (moved, turned, faded).
class GridViewRepeatView : public CanvasItem {
    Q_OBJECT

public:
    struct Placement {
        QRectF stripRect;  // the first row, in canvas coordinates
        QRectF imageFrame; // the first copy within the row
        double stepX = 0;
        double stepY = 0;
        qint64 countX = 1; // copies shown across
        qint64 countY = 1; // and down
        bool operator==(const Placement&) const = default;
    };

    struct Range {
        qint64 first = 0;
        qint64 end = 0; // one past the last
    };

    explicit GridViewRepeatView(GridViewImageView* imageView, QGraphicsItem* parent = nullptr);

    void setPlacement(const Placement& placement);
    const Placement& placement() const { return m_placement; }

    // The copies of a row (or column) that reach into [low, high).
    static Range visibleCopies(double origin, double size, double step, qint64 count, double low,
                               double high);

    QPainterPath shape() const override;
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

protected:
    void sizeChanged() override;

private:
    QRectF visibleArea() const;
    // Tells the picture which part of it shows, itself or through a copy.
    void updateImageVisibleArea();

    GridViewImageView* m_imageView;
    Placement m_placement;
};

} // namespace kestrom
