#pragma once

#include "core/inspector/InspectorPaneParameterViewController.h"

#include "model/parameters/BoolParameter.h"

class QCheckBox;

namespace kestrom {

// A switch setting: a check box, which shows the inverse of the stored value
// when the parameter negates.
class InspectorPaneBoolParameterViewController : public InspectorPaneParameterViewController {
    Q_OBJECT
public:
    explicit InspectorPaneBoolParameterViewController(
        std::shared_ptr<const ambrel::BoolParameter> parameter);

    const ambrel::BoolParameter& boolParameter() const { return *m_boolParameter; }
    QCheckBox* checkbox() const { return m_checkbox; }

protected:
    void showValue() override;

private:
    std::shared_ptr<const ambrel::BoolParameter> m_boolParameter;
    QCheckBox* m_checkbox;
};

} // namespace kestrom
