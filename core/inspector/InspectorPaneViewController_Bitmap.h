#pragma once

#include "core/inspector/InspectorPaneViewController.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QVBoxLayout;

namespace kestrom {

class InspectorSegmentedControl;
class InspectorValueSlider;

// How the gray picture becomes black and white: by a threshold (with an
// optional widening of black) or by a halftone screen. Only the rows of the
// chosen kind show, and the expansion row only where the model offers it.
// Sliders write the document while they move, so the canvas follows live;
// a whole drag is one undo step.
class InspectorPaneViewController_Bitmap : public InspectorPaneViewController {
    Q_OBJECT
public:
    explicit InspectorPaneViewController_Bitmap(QWidget* parent = nullptr);

    InspectorSegmentedControl* kindSegmentedControl() const { return m_kind; }
    QCheckBox* binarizationCheckBox() const { return m_binarization; }
    InspectorValueSlider* thresholdSlider() const { return m_threshold; }
    InspectorValueSlider* expansionSlider() const { return m_expansion; }
    InspectorValueSlider* halftoneBlackSlider() const { return m_halftoneBlack; }
    InspectorValueSlider* halftoneWhiteSlider() const { return m_halftoneWhite; }
    InspectorValueSlider* halftoneBrightnessSlider() const { return m_halftoneBrightness; }
    QLabel* thresholdNumberLabel() const { return m_thresholdLabel; }
    QPushButton* revertButton() const { return m_revert; }
    // The rows of the pane's stack, top to bottom.
    QList<QWidget*> rows() const;
    // The row that holds a control.
    QWidget* rowOf(const QWidget* control) const;

    void changeBlackConversionType(int segment);
    void changeBinarizes(bool binarizes);
    // The current kind's options back to their defaults; the sliders that
    // moved bounce.
    void revertToDefault();

protected:
    void documentDidChange() override;
    void observeDocument(PrintDocument& document) override;

private:
    InspectorValueSlider* addSliderRow(const QString& captionKey, double minimum, double maximum,
                                       int tickMarks, bool wholeNumbers, QLabel** valueLabel);
    void typeChanged();
    void layoutRows();
    void showOptions();
    void revealPane();

    QVBoxLayout* m_stackView;
    InspectorSegmentedControl* m_kind;
    QCheckBox* m_binarization;
    InspectorValueSlider* m_threshold;
    InspectorValueSlider* m_expansion;
    InspectorValueSlider* m_halftoneBlack;
    InspectorValueSlider* m_halftoneWhite;
    InspectorValueSlider* m_halftoneBrightness;
    QLabel* m_thresholdLabel;
    QLabel* m_expansionLabel;
    QLabel* m_halftoneBlackLabel;
    QLabel* m_halftoneWhiteLabel;
    QLabel* m_halftoneBrightnessLabel;
    QPushButton* m_revert;
};

} // namespace kestrom
