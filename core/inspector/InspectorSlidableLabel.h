#pragma once

#include <QLabel>
#include <QPointF>
#include <QPointer>

namespace kestrom {

class InspectorNumberTextField;

// The caption beside a numeric field: pressing on it and dragging sideways
// changes the field's number by one for every 5 px of travel. The field
// shows the live value; it is committed, like a typed value, on release.
// Coming back across the start point snaps to the start value.
class InspectorSlidableLabel : public QLabel {
    Q_OBJECT
public:
    explicit InspectorSlidableLabel(const QString& text, QWidget* parent = nullptr);

    InspectorNumberTextField* targetTextField() const { return m_target; }
    void setTargetTextField(InspectorNumberTextField* field);

    bool isTracking() const { return m_tracking; }

protected:
    bool event(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void updateCursor();

    QPointer<InspectorNumberTextField> m_target;
    bool m_tracking = false;
    double m_startValue = 0;
    QPointF m_startPoint;
    QPointF m_previousPoint;
};

} // namespace kestrom
