#pragma once

#include "core/canvas/CanvasItem.h"
#include "core/canvas/GridViewHandle.h"

#include <QColor>

namespace kestrom {

// One round resize handle of the selection frame. It only shows; the frame
// does the hit testing.
class GridViewSelectionHandleView : public CanvasItem {
    Q_OBJECT

public:
    // Fades, in milliseconds.
    static constexpr int showDuration_ms = 200;
    static constexpr int hideDuration_ms = 100;

    explicit GridViewSelectionHandleView(GridViewHandle handle, QGraphicsItem* parent = nullptr);

    GridViewHandle handle() const { return m_handle; }
    const QColor& color() const { return m_color; }
    void setColor(const QColor& color);
    // Whether the handle is offered; it fades in or out accordingly.
    bool isShown() const { return m_shown; }
    void setShown(bool shown);

    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

private:
    GridViewHandle m_handle;
    QColor m_color{128, 128, 128};
    bool m_shown = false;
};

} // namespace kestrom
