#pragma once

#include "core/window/MaintenancePaneViewController.h"

#include <QMetaObject>

class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;

namespace kestrom {

// The machine's status as a table, with reload, cancel and copy. The pane
// cannot close while a read runs.
class MaintenancePaneViewController_Status : public MaintenancePaneViewController {
    Q_OBJECT
public:
    explicit MaintenancePaneViewController_Status(QWidget* parent = nullptr);

    QProgressBar* progressIndicator() const { return m_progressIndicator; }
    QPushButton* cancelButton() const { return m_cancelButton; }
    QPushButton* reloadButton() const { return m_reloadButton; }
    QPushButton* copyButton() const { return m_copyButton; }
    QLabel* errorLabel() const { return m_errorLabel; }
    QTableWidget* tableView() const { return m_tableView; }

    void setStatusManager(MachineStatusManager* manager) override;
    bool canClose() const override;

    void reload();
    void cancel();
    // The lines "label<separator>value" of a finished read on the
    // clipboard; nothing in any other state or without lines.
    void copy();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void viewStatusDidChange();
    void refresh();
    void fillTable();

    QProgressBar* m_progressIndicator;
    QPushButton* m_cancelButton;
    QPushButton* m_reloadButton;
    QPushButton* m_copyButton;
    QLabel* m_errorLabel;
    QTableWidget* m_tableView;
    QMetaObject::Connection m_statusConnection;
};

} // namespace kestrom
