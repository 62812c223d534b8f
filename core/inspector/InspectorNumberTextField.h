#pragma once

#include "core/inspector/NumberFormatter.h"

#include <QLineEdit>

#include <optional>

namespace kestrom {

// The numeric entry field of the inspector. What the user types is read as
// a number of the user's locale or, failing that, evaluated as arithmetic
// when editing ends; the result is held inside the formatter's bounds and
// shown formatted. Text that gives no finite number shakes the field,
// commits nothing and stays to be corrected; the value in force comes back
// only when the focus leaves the field. The arrow keys step the value (Shift
// for the large step), Escape may put back a default. Text that was refused
// stays marked as invalid, on the screen and to assistive technology, until
// it gives a number or the value in force comes back.
class InspectorNumberTextField : public QLineEdit {
    Q_OBJECT
public:
    explicit InspectorNumberTextField(QWidget* parent = nullptr);

    // The formatter in force: the one set, else a default one.
    const NumberFormatter& formatter() const;
    void setFormatter(const NumberFormatter& formatter);

    const std::optional<double>& incrementAmount_small() const { return m_incrementSmall; }
    void setIncrementAmount_small(std::optional<double> amount) { m_incrementSmall = amount; }
    const std::optional<double>& incrementAmount_large() const { return m_incrementLarge; }
    void setIncrementAmount_large(std::optional<double> amount) { m_incrementLarge = amount; }
    double defaultValue() const { return m_defaultValue; }
    void setDefaultValue(double value) { m_defaultValue = value; }
    bool resetsToDefaultValueOnCancelOperation() const { return m_resetsOnCancel; }
    void setResetsToDefaultValueOnCancelOperation(bool resets) { m_resetsOnCancel = resets; }

    // The value of the shown text (0 when it is not a number), as a control
    // reads its value.
    double doubleValue() const;
    float floatValue() const { return float(doubleValue()); }
    int intValue() const;
    // Shows a value, formatted, without committing it.
    void setDoubleValue(double value);

    // The number a text stands for: a number of the formatter's locale
    // first, else the value of the expression; nothing when neither gives a
    // finite number. Bounds are not applied.
    static std::optional<double> evaluate(const QString& text, const NumberFormatter& formatter);

    virtual double clamp(double value) const;
    // Puts the text in and commits it; editing goes on with the text selected.
    virtual void replaceText(const QString& text);
    // Segment 0 steps down, any other up; with Shift the large step.
    virtual void plusMinusBySegmentedControl(int selectedSegment, bool shift = false);
    virtual double actualIncreaseAmount(bool isLarge) const;
    virtual void shakeForInvalidInput();

    // Ends editing: shows the evaluated, clamped, formatted value, or shakes
    // and keeps the text when it gives none.
    // committed() is sent when the value shown changed, or always when asked.
    // Returns whether it took.
    bool commitEditing(bool always = false);

    // Whether the text shown was refused as giving no number.
    bool isMarkedInvalid() const { return m_invalid; }

Q_SIGNALS:
    // A value was committed (the field's action).
    void committed();

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void setMarkedInvalid(bool invalid);
    bool step(double amount);
    QString format(double value) const;

    std::optional<NumberFormatter> m_formatter;
    std::optional<double> m_incrementSmall;
    std::optional<double> m_incrementLarge;
    double m_defaultValue = 0.0;
    bool m_resetsOnCancel = false;
    // The text as it was last committed or shown (the owner shows the stored
    // value after each commit), put back for text that gives no number.
    QString m_committedText;
    bool m_invalid = false;
    // The accessible description the field had before it was marked.
    QString m_plainDescription;
};

} // namespace kestrom
