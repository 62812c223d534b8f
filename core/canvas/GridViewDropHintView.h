#pragma once

#include "core/canvas/CanvasItem.h"

#include <QColor>
#include <QFont>
#include <QString>

namespace kestrom {

// The prompt in the middle of a canvas without a picture.
class GridViewDropHintView : public CanvasItem {
    Q_OBJECT

public:
    static constexpr int pointSize = 26;

    explicit GridViewDropHintView(const QString& text, QGraphicsItem* parent = nullptr);

    const QString& text() const { return m_text; }
    void setBackground(const QColor& background);
    // The size the text needs.
    QSizeF intrinsicSize() const;

    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

private:
    QString m_text;
    QFont m_font;
    QColor m_background = Qt::white;
};

} // namespace kestrom
