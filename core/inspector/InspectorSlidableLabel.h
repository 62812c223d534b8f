#pragma once

#include <QLabel>
#include <QPointF>
#include <QPointer>

namespace kestrom {

class InspectorNumberTextField;
class InspectorPaneViewController;

// The caption beside a numeric field: pressing on it and dragging sideways
// changes the field's number by one for every 5 px of travel. The field
// shows the live value; it is committed, like a typed value, on release.
// Coming back across the start point snaps to the start value. The pane
// the label sits in takes the drag as one continuous edit.
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
    // Ends the drag: a release commits the value shown, anything else puts
    // the start value back.
    void endTracking(bool commits);

    QPointer<InspectorNumberTextField> m_target;
    QPointer<InspectorPaneViewController> m_pane;
    bool m_tracking = false;
    double m_startValue = 0;
    QPointF m_startPoint;
    QPointF m_previousPoint;
};

} // namespace kestrom
