#include "core/inspector/InspectorNumberTextField.h"

#include "core/document/job/KestromText.h"
#include "core/inspector/InspectorAnimations.h"
#include "core/mathparser/Evaluator.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QPainter>

#include <cmath>

namespace kestrom {

InspectorNumberTextField::InspectorNumberTextField(QWidget* parent) : QLineEdit(parent) {
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    connect(this, &QLineEdit::textChanged, this, [this] {
        if (!hasFocus()) {
            m_committedText = text();
        }
        // The mark goes once the text gives a number or the value in force
        // is shown again.
        if (m_invalid && (text() == m_committedText || evaluate(text(), formatter()))) {
            setMarkedInvalid(false);
        }
    });
}

void InspectorNumberTextField::setMarkedInvalid(bool invalid) {
    // Screen readers hear of it in the description: the toolkit's states
    // have no word for an entry that was refused.
    if (invalid) {
        if (!m_invalid) {
            m_plainDescription = accessibleDescription();
        }
        setAccessibleDescription(KestromText::text(QStringLiteral("Inspector_NumberField_Invalid"))
                                     .arg(text(), m_committedText));
    } else if (m_invalid) {
        setAccessibleDescription(m_plainDescription);
    }
    if (m_invalid == invalid) {
        return;
    }
    m_invalid = invalid;
    update();
}

const NumberFormatter& InspectorNumberTextField::formatter() const {
    static const NumberFormatter defaultFormatter;
    return m_formatter ? *m_formatter : defaultFormatter;
}

void InspectorNumberTextField::setFormatter(const NumberFormatter& formatter) {
    m_formatter = formatter;
}

double InspectorNumberTextField::doubleValue() const {
    return formatter().number(text()).value_or(0.0);
}

int InspectorNumberTextField::intValue() const {
    const double value = doubleValue();
    if (value >= double(std::numeric_limits<int>::max())) {
        return std::numeric_limits<int>::max();
    }
    if (value <= double(std::numeric_limits<int>::min())) {
        return std::numeric_limits<int>::min();
    }
    return int(value);
}

void InspectorNumberTextField::setDoubleValue(double value) {
    const QString shown = format(value);
    m_committedText = shown;
    if (text() != shown) {
        setText(shown);
    }
}

std::optional<double> InspectorNumberTextField::evaluate(const QString& text,
                                                         const NumberFormatter& formatter) {
    // The locale's reading comes first: "1,000" is a thousand in English,
    // never an expression with a comma in it.
    if (auto number = formatter.number(text)) {
        return number;
    }
    try {
        const double value = Evaluator::defaultEvaluator().evaluate(text);
        if (std::isfinite(value)) {
            return value;
        }
    } catch (...) {
        // Anything the evaluator refuses is invalid input; why does not matter.
    }
    return std::nullopt;
}

double InspectorNumberTextField::clamp(double value) const {
    return formatter().clamp(value);
}

QString InspectorNumberTextField::format(double value) const {
    return formatter().string(value).value_or(QString());
}

bool InspectorNumberTextField::commitEditing(bool always) {
    const auto value = evaluate(text(), formatter());
    if (!value) {
        // Nothing is taken; the typed text stays for the user to correct,
        // marked until it is.
        shakeForInvalidInput();
        setMarkedInvalid(true);
        return false;
    }
    const QString shown = format(clamp(*value));
    // Passing through a field (Tab, Return on the same text) writes nothing,
    // so it leaves no undo step behind.
    const bool changed = shown != m_committedText;
    m_committedText = shown;
    // Setting the text, even the same, ends the field's own undo history:
    // once committed, Undo belongs to the document.
    setText(shown);
    if (changed || always) {
        Q_EMIT committed();
    }
    return true;
}

void InspectorNumberTextField::replaceText(const QString& newText) {
    if (isReadOnly() || !isEnabled()) {
        return;
    }
    setText(newText);
    if (commitEditing(true) && hasFocus()) {
        selectAll();
    }
}

double InspectorNumberTextField::actualIncreaseAmount(bool isLarge) const {
    if (!isLarge) {
        return m_incrementSmall.value_or(1.0);
    }
    if (m_incrementLarge) {
        return *m_incrementLarge;
    }
    const auto& minimum = formatter().minimum();
    return minimum && std::trunc(*minimum) == 1.0 ? 10.0 : 5.0;
}

bool InspectorNumberTextField::step(double s) {
    const auto parsed = formatter().number(text());
    if (!parsed || s == 0) {
        return false;
    }
    double x = *parsed;
    const double size = std::abs(s);
    double r = std::remainder(x, size);
    if (r != 0) {
        if (s > 0 && r < 0) {
            r += s;
        } else if (s < 0 && r > 0) {
            r += s;
        }
        x -= r;
    }
    x += s;
    const QString shown = format(clamp(x));
    if (!shown.isEmpty()) {
        replaceText(shown);
    }
    return true;
}

void InspectorNumberTextField::plusMinusBySegmentedControl(int selectedSegment, bool shift) {
    if (!hasFocus()) {
        setFocus(Qt::OtherFocusReason);
    }
    const double amount = actualIncreaseAmount(shift);
    step(selectedSegment < 1 ? -amount : amount);
}

void InspectorNumberTextField::shakeForInvalidInput() {
    InspectorAnimations::shake(this, QStringLiteral("invalid"));
}

bool InspectorNumberTextField::event(QEvent* event) {
    // With no typing of its own to undo or redo, the field lets the keys go
    // to the document's Undo and Redo.
    if (event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        if ((key->matches(QKeySequence::Undo) && !isUndoAvailable()) ||
            (key->matches(QKeySequence::Redo) && !isRedoAvailable())) {
            event->ignore();
            return false;
        }
    }
    // Tab would move the focus before keyPressEvent sees it; text that gives
    // no number keeps the focus here, so the shake is seen where it happened.
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) &&
            !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            if (!commitEditing()) {
                return true;
            }
        }
    }
    return QLineEdit::event(event);
}

void InspectorNumberTextField::keyPressEvent(QKeyEvent* event) {
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (commitEditing()) {
            selectAll();
        }
        return;
    case Qt::Key_Up:
        if (step(actualIncreaseAmount(shift))) {
            return;
        }
        break;
    case Qt::Key_Down:
        if (step(-actualIncreaseAmount(shift))) {
            return;
        }
        break;
    case Qt::Key_Escape:
        if (m_resetsOnCancel) {
            const auto x = formatter().number(text());
            if (x && *x != m_defaultValue) {
                const QString shown = format(m_defaultValue);
                if (!shown.isEmpty()) {
                    replaceText(shown);
                }
                return;
            }
        }
        break;
    default:
        break;
    }
    QLineEdit::keyPressEvent(event);
}

void InspectorNumberTextField::paintEvent(QPaintEvent* event) {
    QLineEdit::paintEvent(event);
    if (!m_invalid) {
        return;
    }
    // A red frame inside the field's own, in light and dark palettes alike.
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0xd9, 0x30, 0x25), 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 3, 3);
}

void InspectorNumberTextField::focusInEvent(QFocusEvent* event) {
    // Text refused before the focus left is still what the field shows.
    if (!m_invalid) {
        m_committedText = text();
    }
    QLineEdit::focusInEvent(event);
}

void InspectorNumberTextField::focusOutEvent(QFocusEvent* event) {
    // Focus taken away by a click elsewhere cannot be refused: the text is
    // committed, or shakes and gives way to the value in force. When only
    // the window goes to the background or a menu opens, text that gives no
    // number waits for the user's return.
    const bool leaves =
        event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason;
    if (text() != m_committedText) {
        if (evaluate(text(), formatter())) {
            commitEditing();
        } else if (leaves) {
            shakeForInvalidInput();
            setText(m_committedText);
        }
    }
    QLineEdit::focusOutEvent(event);
}

} // namespace kestrom
