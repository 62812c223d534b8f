#pragma once

#include "core/inspector/InspectorPaneViewController.h"

class QPushButton;
class QToolButton;

namespace kestrom {

class InspectorNumberTextField;
class InspectorStepper;

// How a wide picture is cut into passes along X: the smallest white gap that
// separates parts, the longest black run, and white space added at the end.
class InspectorPaneViewController_HorizontalImageSplit : public InspectorPaneViewController {
    Q_OBJECT
public:
    explicit InspectorPaneViewController_HorizontalImageSplit(QWidget* parent = nullptr);

    InspectorNumberTextField* minimumSeparatedXMarginTextField() const { return m_minimumField; }
    InspectorStepper* minimumSeparatedXMarginStepper() const { return m_minimumStepper; }
    InspectorNumberTextField* maximumBlackXLengthTextField() const { return m_maximumField; }
    InspectorStepper* maximumBlackXLengthStepper() const { return m_maximumStepper; }
    InspectorNumberTextField* additionalWhitespaceLength_end_TextField() const {
        return m_endField;
    }
    InspectorStepper* additionalWhitespaceLength_end_Stepper() const { return m_endStepper; }
    QToolButton* additionalWhitespaceLength_end_ClearButton() const { return m_endClear; }
    QPushButton* revertButton() const { return m_revert; }

    void changeMinimumSeparatedXMargin();
    void changeMaximumBlackXLength();
    void changeAdditionalWhitespaceLength_end();
    void clearAdditionalWhitespaceLength_end();
    void revertToDefault();

protected:
    void documentDidChange() override;
    void observeDocument(PrintDocument& document) override;

private:
    void showMinimum();
    void showMaximum();
    void showEnd();

    InspectorNumberTextField* m_minimumField;
    InspectorStepper* m_minimumStepper;
    InspectorNumberTextField* m_maximumField;
    InspectorStepper* m_maximumStepper;
    InspectorNumberTextField* m_endField;
    InspectorStepper* m_endStepper;
    QToolButton* m_endClear;
    QPushButton* m_revert;
};

} // namespace kestrom
