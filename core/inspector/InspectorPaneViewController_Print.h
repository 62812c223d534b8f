#pragma once

#include "core/inspector/InspectorPaneViewController.h"

class QLabel;
class QPushButton;

namespace kestrom {

class InspectorPaneParameterStackViewController;

// The print button with the model's settings of the pane "Print" above it
// and a way to the "advanced" page below. The button is enabled only while
// printing is possible: a picture, not viewing an earlier version, and the
// window's maintenance popover not busy.
//
// The window controller tells whether its maintenance popover can close by
// its property "maintenanceCanClose" (a bool, dynamic or declared with a
// change signal); without the property it counts as true.
class InspectorPaneViewController_Print : public InspectorPaneViewController {
    Q_OBJECT
public:
    explicit InspectorPaneViewController_Print(QWidget* parent = nullptr);

    QLabel* titleLabel() const { return m_titleLabel; }
    QPushButton* printButton() const { return m_printButton; }
    QPushButton* goToAdvancedButton() const { return m_goToAdvancedButton; }
    InspectorPaneParameterStackViewController* parameterStack() const { return m_parameters; }

    bool canPrint() const;
    bool shouldShowAdvancedButtonForTab() const;
    void setPageDescriptor(std::shared_ptr<const InspectorPageDescriptor> page) override;

    void print();
    // Pushes the inspector's "advanced" page; nothing without an inspector.
    void goToAdvanced();
    // A mainly horizontal swipe to the left opens the advanced page while its
    // button is shown and enabled. Returns whether it was taken.
    bool swipe(double deltaX, double deltaY);

Q_SIGNALS:
    void canPrintChanged(bool canPrint);

protected:
    void documentDidChange() override;
    void observeDocument(PrintDocument& document) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void updateLayoutForDevice();
    void updateAdvancedButton();
    void watchWindowController();

private Q_SLOTS:
    void updateCanPrint();

private:
    QLabel* m_titleLabel;
    InspectorPaneParameterStackViewController* m_parameters;
    QPushButton* m_printButton;
    QPushButton* m_goToAdvancedButton;
    QPointer<QWidget> m_watchedWindowController;
    bool m_canPrint = false;
};

} // namespace kestrom
