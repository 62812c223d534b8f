#pragma once

#include "core/canvas/CanvasItem.h"

namespace kestrom {

// The frame around the canvas: a dark outer ring and a light inner ring, one
// point each, with rounded corners.
class GridViewShadowBorderView : public CanvasItem {
    Q_OBJECT

public:
    static constexpr qreal cornerRadius = 4.0;
    static constexpr qreal ringWidth = 1.0;

    explicit GridViewShadowBorderView(QGraphicsItem* parent = nullptr);

    // Pure black outer ring for the increased-contrast setting.
    void setIncreasedContrast(bool on);

    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

private:
    bool m_increasedContrast = false;
};

} // namespace kestrom
