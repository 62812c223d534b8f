#pragma once

#include "core/inspector/InspectorPaneViewController.h"

#include "model/parameters/DeviceSettingParameter.h"

#include <memory>

class QGridLayout;
class QLabel;

namespace kestrom {

// The editor of one of the model's own settings, chosen by the parameter's
// kind. Every editor reads and writes its value in the document's current
// device setting under the parameter's identifier.
class InspectorPaneParameterViewController : public InspectorPaneViewController {
    Q_OBJECT
public:
    using Parameter = std::shared_ptr<const ambrel::DeviceSettingParameter>;

    // The editor of the parameter's kind.
    static InspectorPaneParameterViewController* instantiateSubclassObject(Parameter parameter);

    const Parameter& parameter() const { return m_parameter; }
    // "document.currentDeviceSetting.<identifier>"
    QString keyPathForValue() const;
    QLabel* titleLabel() const { return m_titleLabel; }

protected:
    explicit InspectorPaneParameterViewController(Parameter parameter);

    // The value, or an empty one without a document.
    QVariant value() const;
    void setValue(const QVariant& value);
    // Caption in the first column, the controls after it.
    QGridLayout* grid() const { return m_grid; }

    // Shows the document's value.
    virtual void showValue() = 0;
    void documentDidChange() override;
    void documentValueChanged(const QString& keyPath) override;

private:
    Parameter m_parameter;
    QGridLayout* m_grid;
    QLabel* m_titleLabel;
};

} // namespace kestrom
