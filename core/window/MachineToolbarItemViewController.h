#pragma once

#include <QWidget>

class QComboBox;
class QHBoxLayout;
class QToolButton;

namespace kestrom {

// The toolbar's machine item: the model and transport pop-ups and the
// maintenance button. The window wires their actions itself.
class MachineToolbarItemViewController : public QWidget {
    Q_OBJECT
public:
    explicit MachineToolbarItemViewController(QWidget* parent = nullptr);

    QHBoxLayout* stackView() const { return m_stackView; }
    QComboBox* modelPopUpButton() const { return m_modelPopUpButton; }
    QComboBox* transportTypePopUpButton() const { return m_transportTypePopUpButton; }
    QToolButton* maintenanceButton() const { return m_maintenanceButton; }

private:
    QHBoxLayout* m_stackView;
    QComboBox* m_modelPopUpButton;
    QComboBox* m_transportTypePopUpButton;
    QToolButton* m_maintenanceButton;
};

} // namespace kestrom
