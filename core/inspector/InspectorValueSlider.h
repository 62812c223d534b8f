#pragma once

#include <QSlider>

namespace kestrom {

// A horizontal slider over a range of real numbers. Moving it by hand sends
// valueEdited() for every new value on the way, not only at the release;
// values set by the program send nothing. A drag whose release can no
// longer come (the slider hidden or disabled) is released where it is.
class InspectorValueSlider : public QSlider {
    Q_OBJECT
public:
    explicit InspectorValueSlider(QWidget* parent = nullptr);

    // Tick marks: the number of marks, evenly spread from end to end; below
    // two, none. Whole-number ranges without marks move in steps of one.
    void setDoubleRange(double minimum, double maximum, int numberOfTickMarks = 0,
                        bool wholeNumbers = false);
    double doubleMinimum() const { return m_minimum; }
    double doubleMaximum() const { return m_maximum; }
    double doubleValue() const;
    // Shows the value, held in the range; a value that is not finite shows
    // the minimum.
    void setDoubleValue(double value);

Q_SIGNALS:
    void valueEdited(double value);

protected:
    bool event(QEvent* event) override;

private:
    double m_minimum = 0;
    double m_maximum = 1;
    bool m_setting = false;
};

} // namespace kestrom
