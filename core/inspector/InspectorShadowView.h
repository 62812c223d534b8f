#pragma once

#include <QWidget>

namespace kestrom {

// A shadow along one edge of the panes' scroll area: a hairline and a
// gradient, darkest at the edge and fading out towards the panes.
class InspectorShadowView : public QWidget {
    Q_OBJECT
    Q_PROPERTY(qreal opacity READ opacity WRITE setOpacity)
public:
    enum class Edge { top, bottom };
    explicit InspectorShadowView(Edge edge, QWidget* parent = nullptr);

    Edge edge() const { return m_edge; }
    qreal opacity() const { return m_opacity; }
    void setOpacity(qreal opacity);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Edge m_edge;
    qreal m_opacity = 0;
};

} // namespace kestrom
