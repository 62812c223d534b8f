#pragma once

#include "core/inspector/InspectorPaneViewController.h"

namespace kestrom {

class InspectorPaneParameterStackViewController;

// The model's settings of the pane "PrinterOptions", under the model's
// title for them.
class InspectorPaneViewController_PrinterOptions : public InspectorPaneViewController {
    Q_OBJECT
public:
    explicit InspectorPaneViewController_PrinterOptions(QWidget* parent = nullptr);

    InspectorPaneParameterStackViewController* parameterStack() const { return m_parameters; }

protected:
    void childEvent(QChildEvent* event) override;

private:
    InspectorPaneParameterStackViewController* m_parameters;
};

} // namespace kestrom
