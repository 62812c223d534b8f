#pragma once

#include "core/window/MaintenancePaneViewController.h"

#include "model/descriptions/MaintenanceAction.h"

#include <QHash>

class QPushButton;
class QVBoxLayout;

namespace kestrom {

// One button per maintenance action of the model; with Alt and the logo key
// held while it is built, the debugging actions too. The buttons are enabled
// only while every pane can close.
class MaintenancePaneViewController_Actions : public MaintenancePaneViewController {
    Q_OBJECT
public:
    explicit MaintenancePaneViewController_Actions(QWidget* parent = nullptr);

    void setDeviceDescriptor(std::shared_ptr<const ambrel::DeviceDescriptor> descriptor) override;
    void setAllPanesCanClose(bool canClose) override;

    QList<QPushButton*> buttons() const;
    void maintenanceActionButtonDidClick(QPushButton* button);

private:
    void rebuildButtons();

    QVBoxLayout* m_buttonsStackView;
    QHash<QPushButton*, ambrel::MaintenanceAction> m_maintenanceActionForButtons;
    QList<QPushButton*> m_buttons;
};

} // namespace kestrom
