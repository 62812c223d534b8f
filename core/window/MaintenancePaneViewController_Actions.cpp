#include "core/window/MaintenancePaneViewController_Actions.h"

#include "core/document/job/KestromText.h"
#include "core/window/MaintenanceWindow.h"
#include "model/connections/ConnectPluginManager.h"
#include "model/connections/MaintenanceDialog.h"
#include "platform/KeyboardModifiers.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace kestrom {

MaintenancePaneViewController_Actions::MaintenancePaneViewController_Actions(QWidget* parent)
    : MaintenancePaneViewController(parent), m_buttonsStackView(new QVBoxLayout) {
    setObjectName(QStringLiteral("ActionsPane"));
    auto* title = new QLabel(KestromText::text("Maintenance_ActionsTitle"), this);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(title);
    layout->addLayout(m_buttonsStackView);
}

void MaintenancePaneViewController_Actions::setDeviceDescriptor(
    std::shared_ptr<const ambrel::DeviceDescriptor> descriptor) {
    MaintenancePaneViewController::setDeviceDescriptor(std::move(descriptor));
    rebuildButtons();
}

void MaintenancePaneViewController_Actions::setAllPanesCanClose(bool canClose) {
    MaintenancePaneViewController::setAllPanesCanClose(canClose);
    for (QPushButton* button : m_buttons) {
        button->setEnabled(canClose);
    }
}

QList<QPushButton*> MaintenancePaneViewController_Actions::buttons() const {
    return m_buttons;
}

void MaintenancePaneViewController_Actions::rebuildButtons() {
    using Keys = platform::KeyboardModifiers;
    const Keys::Flags held = Keys::current();
    if (!deviceDescriptor()) {
        return;
    }
    qDeleteAll(m_buttons);
    m_buttons.clear();
    m_maintenanceActionForButtons.clear();
    const bool debug = held.testFlag(Keys::option) && held.testFlag(Keys::command);
    const QList<ambrel::MaintenanceAction>& actions =
        debug ? deviceDescriptor()->visibleMaintenanceActionsIncludingDebug()
              : deviceDescriptor()->visibleMaintenanceActions();
    for (const ambrel::MaintenanceAction& action : actions) {
        auto* button = new QPushButton(action.buttonTitle, this);
        button->setMinimumHeight(32);
        button->setEnabled(allPanesCanClose());
        connect(button, &QPushButton::clicked, this,
                [this, button] { maintenanceActionButtonDidClick(button); });
        m_maintenanceActionForButtons.insert(button, action);
        m_buttons << button;
        m_buttonsStackView->addWidget(button);
    }
}

void MaintenancePaneViewController_Actions::maintenanceActionButtonDidClick(QPushButton* button) {
    MaintenanceWindow* window = maintenanceWindow();
    if (!window) {
        return;
    }
    window->dismissMaintenance();
    const auto found = m_maintenanceActionForButtons.constFind(button);
    if (found == m_maintenanceActionForButtons.constEnd()) {
        return;
    }
    const ambrel::MaintenanceAction action = *found;
    QWidget* sheetParent = window->maintenanceSheetParent();
    if (!sheetParent || !deviceDescriptor() || !transportType()) {
        return;
    }
    if (auto dialog = ambrel::ConnectPluginManager::shared().makeDialog(action, deviceDescriptor(),
                                                                        *transportType())) {
        dialog->present(sheetParent);
        return;
    }
    window->performMaintenanceAction(action);
}

} // namespace kestrom
