#pragma once

#include "core/canvas/CanvasItem.h"

namespace kestrom {

// A light tint under the whole repeated picture, so that the part beyond the
// canvas shows against the window.
class GridViewOverflownAreaView : public CanvasItem {
    Q_OBJECT

public:
    explicit GridViewOverflownAreaView(QGraphicsItem* parent = nullptr);

    void setDark(bool dark);
    bool isDark() const { return m_dark; }
    QColor tint() const;

    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

private:
    bool m_dark = false;
};

} // namespace kestrom
