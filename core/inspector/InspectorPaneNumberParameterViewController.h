#pragma once

#include "core/inspector/InspectorPaneParameterViewController.h"

#include "model/parameters/NumberParameter.h"

namespace kestrom {

class InspectorNumberTextField;
class InspectorValueSlider;

// A number setting: a slider over the parameter's range and a field that
// shows the value as it is and takes typed numbers and arithmetic.
class InspectorPaneNumberParameterViewController : public InspectorPaneParameterViewController {
    Q_OBJECT
public:
    explicit InspectorPaneNumberParameterViewController(
        std::shared_ptr<const ambrel::NumberParameter> parameter);

    const ambrel::NumberParameter& numberParameter() const { return *m_numberParameter; }
    InspectorValueSlider* slider() const { return m_slider; }
    InspectorNumberTextField* numberLabel() const { return m_numberLabel; }

    // Writes the value held in the parameter's range; a value that is not
    // finite writes nothing.
    void changeValue(double value);

protected:
    void showValue() override;

private:
    std::shared_ptr<const ambrel::NumberParameter> m_numberParameter;
    InspectorValueSlider* m_slider;
    InspectorNumberTextField* m_numberLabel;
};

} // namespace kestrom
