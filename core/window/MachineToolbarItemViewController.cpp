#include "core/window/MachineToolbarItemViewController.h"

#include "core/document/job/KestromText.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QToolButton>

namespace kestrom {

MachineToolbarItemViewController::MachineToolbarItemViewController(QWidget* parent)
    : QWidget(parent), m_stackView(new QHBoxLayout(this)), m_modelPopUpButton(new QComboBox(this)),
      m_transportTypePopUpButton(new QComboBox(this)), m_maintenanceButton(new QToolButton(this)) {
    setObjectName(QStringLiteral("ModelToolbarItemView"));
    m_stackView->setContentsMargins(0, 0, 0, 0);
    m_stackView->setSpacing(6);
    m_modelPopUpButton->setObjectName(QStringLiteral("ModelPopUpButton"));
    m_modelPopUpButton->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_transportTypePopUpButton->setObjectName(QStringLiteral("TransportTypePopUpButton"));
    m_transportTypePopUpButton->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_maintenanceButton->setObjectName(QStringLiteral("MaintenanceButton"));
    m_maintenanceButton->setAutoRaise(true);
    m_maintenanceButton->setIconSize(QSize(20, 20));
    m_stackView->addWidget(m_modelPopUpButton);
    m_stackView->addWidget(m_transportTypePopUpButton);
    m_stackView->addWidget(m_maintenanceButton);

    m_modelPopUpButton->setToolTip(KestromText::text("Toolbar_ModelButton_ToolTip"));
    m_transportTypePopUpButton->setToolTip(
        KestromText::text("Toolbar_TransportTypeButton_ToolTip"));
    m_maintenanceButton->setToolTip(KestromText::text("Toolbar_MaintenanceButton_ToolTip"));
    // A screen reader names the controls; the tool tips describe them.
    m_modelPopUpButton->setAccessibleName(KestromText::text("Toolbar_Model"));
    m_transportTypePopUpButton->setAccessibleName(KestromText::text("Toolbar_TransportType"));
    m_maintenanceButton->setAccessibleName(KestromText::text("Toolbar_Maintenance"));
}

} // namespace kestrom
