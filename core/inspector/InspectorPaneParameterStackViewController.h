#pragma once

#include "core/inspector/InspectorPaneViewController.h"

#include "model/parameters/DeviceSettingParameter.h"

#include <QList>

#include <memory>

class QVBoxLayout;

namespace kestrom {

class InspectorPaneParameterViewController;

// The editors of the model's own settings that belong to one pane ("Print"
// or "PrinterOptions"), in the model's order. They are made again whenever
// the document's model changes.
class InspectorPaneParameterStackViewController : public InspectorPaneViewController {
    Q_OBJECT
public:
    explicit InspectorPaneParameterStackViewController(QWidget* parent = nullptr);

    const QString& paneIdentifier() const { return m_paneIdentifier; }
    // Takes effect at the next update.
    void setPaneIdentifier(const QString& identifier) { m_paneIdentifier = identifier; }

    const QList<std::shared_ptr<const ambrel::DeviceSettingParameter>>& parameters() const {
        return m_parameters;
    }
    void setParameters(QList<std::shared_ptr<const ambrel::DeviceSettingParameter>> parameters);
    QList<InspectorPaneParameterViewController*> parameterViewControllers() const {
        return m_parameterViewControllers;
    }

    // Makes one editor per parameter of this pane, when the document has a
    // current device setting; otherwise the stack stays empty.
    void updateParameterViewControllers();

protected:
    void documentDidChange() override;
    void documentValueChanged(const QString& keyPath) override;

private:
    void takeParametersFromDocument();
    void setViews(const QList<InspectorPaneParameterViewController*>& controllers);

    QString m_paneIdentifier = QStringLiteral("Print");
    QList<std::shared_ptr<const ambrel::DeviceSettingParameter>> m_parameters;
    QList<InspectorPaneParameterViewController*> m_parameterViewControllers;
    QVBoxLayout* m_stackView;
    bool m_builtWithSetting = false;
};

} // namespace kestrom
