#pragma once

#include "core/canvas/CanvasItem.h"
#include "model/units/Rect_mm.h"

namespace kestrom {

// One print sequence on the canvas: a translucent coloured box over the
// area the sequence prints, its number in the middle and a tool tip with its
// size.
class GridViewSequenceView : public CanvasItem {
    Q_OBJECT

public:
    static constexpr qreal cornerRadius = 4.0;
    static constexpr int labelPointSize = 20;

    explicit GridViewSequenceView(QGraphicsItem* parent = nullptr);

    qint64 sequence() const { return m_sequence; }
    void setSequence(qint64 sequence);
    const ambrel::Rect_mm& sourceRect_mm() const { return m_sourceRect_mm; }
    // Always refreshes the tool tip.
    void setSourceRect_mm(const ambrel::Rect_mm& rect);
    bool isMouseHover() const { return m_mouseHover; }
    // Set by the canvas, which tracks the pointer over all outlines at once
    // so that they never take hovering away from the picture's handles.
    void setMouseHover(bool hover);
    void setScale(double scale) { m_scale = scale; }

    void updateToolTip();
    QString labelText() const;
    // Where the number goes, centred in the box on device pixels.
    QRectF labelRect() const;

    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

private:
    qint64 m_sequence = -1;
    ambrel::Rect_mm m_sourceRect_mm;
    bool m_mouseHover = false;
    double m_scale = 1;
};

} // namespace kestrom
