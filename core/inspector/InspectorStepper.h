#pragma once

#include <QWidget>

class QToolButton;

namespace kestrom {

class InspectorNumberTextField;

// A minus and a plus button beside a numeric field; each press steps the
// field as its arrow keys do (Shift for the large step) and commits.
class InspectorStepper : public QWidget {
    Q_OBJECT
public:
    explicit InspectorStepper(InspectorNumberTextField* field, QWidget* parent = nullptr);

    QToolButton* minusButton() const { return m_minus; }
    QToolButton* plusButton() const { return m_plus; }

private:
    QToolButton* m_minus;
    QToolButton* m_plus;
};

} // namespace kestrom
