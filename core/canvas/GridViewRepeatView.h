#pragma once

#include "core/canvas/CanvasItem.h"

#include <QImage>

class QVariantAnimation;

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

    // A picture taken away fades out: what the copies show is kept before
    // the picture goes, then faded out over the duration, or dropped.
    void keepContentsForFadeOut();
    void fadeOutKeptContents(int duration_ms);
    void dropKeptContents();
    bool isFadingOut() const { return m_fadeAnimation != nullptr; }

    QPainterPath shape() const override;
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

protected:
    void sizeChanged() override;

private:
    QRectF visibleArea() const;
    bool showsCopies() const;
    // Repaints the copies after the picture changed, if there are any.
    void updateCopies();
    // The picture and its copies within the area, as the view shows them.
    void paintCopies(QPainter* painter, const QRectF& area) const;
    // Tells the picture which part of it shows, itself or through a copy.
    void updateImageVisibleArea();

    GridViewImageView* m_imageView;
    Placement m_placement;
    QImage m_kept;
    QRectF m_keptRect;
    qreal m_keptAlpha = 1.0;
    QVariantAnimation* m_fadeAnimation = nullptr;
};

} // namespace kestrom
