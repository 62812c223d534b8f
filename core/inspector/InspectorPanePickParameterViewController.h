#pragma once

#include "core/inspector/InspectorPaneParameterViewController.h"

#include "model/parameters/PickParameter.h"

class QComboBox;

namespace kestrom {

// A pick-list setting: a pop-up of the parameter's items in their order,
// storing the chosen item's identifier.
class InspectorPanePickParameterViewController : public InspectorPaneParameterViewController {
    Q_OBJECT
public:
    explicit InspectorPanePickParameterViewController(
        std::shared_ptr<const ambrel::PickParameter> parameter);

    const ambrel::PickParameter& pickParameter() const { return *m_pickParameter; }
    QComboBox* popUpButton() const { return m_popUpButton; }

    // Writes the identifier of the item at the index; an index that names
    // none of the parameter's items writes nothing.
    void changeValue(int index);

protected:
    void showValue() override;

private:
    std::shared_ptr<const ambrel::PickParameter> m_pickParameter;
    QComboBox* m_popUpButton;
};

} // namespace kestrom
