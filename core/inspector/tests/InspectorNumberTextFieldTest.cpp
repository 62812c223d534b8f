#include "core/inspector/InspectorNumberTextField.h"
#include "core/inspector/InspectorAnimations.h"
#include "core/inspector/tests/InspectorTestSupport.h"

#include <QAccessible>
#include <QFocusEvent>
#include <QSignalSpy>
#include <QVBoxLayout>
#include <QWidget>

#include <gtest/gtest.h>

using namespace kestrom;
using namespace kestrom::test;

namespace {

// A window with the field under test and a neighbour to tab to.
struct FieldWindow {
    QWidget window;
    InspectorNumberTextField* field = new InspectorNumberTextField;
    InspectorNumberTextField* next = new InspectorNumberTextField;

    explicit FieldWindow(std::optional<double> minimum = std::nullopt,
                         std::optional<double> maximum = std::nullopt,
                         QLocale locale = QLocale(QLocale::English, QLocale::UnitedStates)) {
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(field);
        layout->addWidget(next);
        NumberFormatter formatter(locale);
        formatter.setMinimum(minimum);
        formatter.setMaximum(maximum);
        formatter.setMaximumFractionDigits(2);
        field->setFormatter(formatter);
        showAndActivate(&window);
        InspectorAnimations::clearRecords();
    }
    bool shook() const {
        return InspectorAnimations::wasRecorded(field, QStringLiteral("invalid"));
    }
};

} // namespace

TEST(InspectorNumberTextFieldTest, ReturnCommitsTheValueOfAnExpression) {
    FieldWindow w(0, 100);
    QSignalSpy committed(w.field, &InspectorNumberTextField::committed);
    typeAndReturn(w.field, QStringLiteral("3*4"));
    EXPECT_EQ(w.field->text(), QStringLiteral("12"));
    EXPECT_EQ(w.field->doubleValue(), 12);
    EXPECT_EQ(committed.count(), 1);
    EXPECT_TRUE(w.field->hasFocus());

    typeAndReturn(w.field, QStringLiteral("250/2"));
    EXPECT_EQ(w.field->text(), QStringLiteral("100"));
    typeAndReturn(w.field, QStringLiteral("-7"));
    EXPECT_EQ(w.field->text(), QStringLiteral("0"));
}

TEST(InspectorNumberTextFieldTest, ReadsTheLocalesNumbersBeforeExpressions) {
    FieldWindow french(std::nullopt, std::nullopt, QLocale(QLocale::French, QLocale::France));
    typeAndReturn(french.field, QStringLiteral("1 000,5"));
    EXPECT_EQ(french.field->doubleValue(), 1000.5);
    EXPECT_EQ(french.field->text(), QStringLiteral("1000,5"));
    // A point is no decimal separator in French, but the expression reads it.
    typeAndReturn(french.field, QStringLiteral("2.5*2"));
    EXPECT_EQ(french.field->doubleValue(), 5);

    FieldWindow english;
    typeAndReturn(english.field, QStringLiteral("1,000"));
    EXPECT_EQ(english.field->doubleValue(), 1000);
}

TEST(InspectorNumberTextFieldTest, TextWithoutAFiniteValueShakesAndCommitsNothing) {
    FieldWindow w(0, 100);
    w.field->setDoubleValue(42);
    QSignalSpy committed(w.field, &InspectorNumberTextField::committed);
    for (const QString& text : {QStringLiteral("0/0"), QStringLiteral("1e999"),
                                QStringLiteral("abc"), QStringLiteral("3*")}) {
        InspectorAnimations::clearRecords();
        typeAndReturn(w.field, text);
        // The typed text stays in editing, to be corrected.
        EXPECT_EQ(w.field->text(), text) << text.toStdString();
        EXPECT_TRUE(w.field->hasFocus());
        EXPECT_TRUE(w.shook()) << text.toStdString();
    }
    EXPECT_EQ(committed.count(), 0);

    // Tab does not leave on such text, however often it is pressed; the
    // field shakes where it happened.
    typeInto(w.field, QStringLiteral("3*"));
    for (int i = 0; i < 2; ++i) {
        InspectorAnimations::clearRecords();
        QTest::keyClick(w.field, Qt::Key_Tab);
        QCoreApplication::processEvents();
        EXPECT_TRUE(w.field->hasFocus());
        EXPECT_EQ(w.field->text(), QStringLiteral("3*"));
        EXPECT_TRUE(w.shook());
    }
    EXPECT_EQ(committed.count(), 0);
    // Corrected, Tab commits and moves on.
    QTest::keyClick(w.field, Qt::Key_2);
    QTest::keyClick(w.field, Qt::Key_Tab);
    EXPECT_TRUE(w.next->hasFocus());
    EXPECT_EQ(w.field->text(), QStringLiteral("6"));
    EXPECT_EQ(committed.count(), 1);
}

// Text that gives no number stays marked, on the screen and to screen
// readers, until it gives one or the value in force comes back.
TEST(InspectorNumberTextFieldTest, RefusedTextStaysMarkedUntilItGivesANumberOrTheValueComesBack) {
    FieldWindow w;
    w.field->setDoubleValue(42);
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(w.field);
    ASSERT_TRUE(accessible);
    const auto description = [&] { return accessible->text(QAccessible::Description); };
    // The frame's colour where the field's edge is drawn.
    const auto edge = [&] {
        const QImage shown = w.field->grab().toImage();
        return shown.pixelColor(1, shown.height() / 2);
    };
    const QColor plainEdge = edge();
    EXPECT_FALSE(w.field->isMarkedInvalid());

    typeAndReturn(w.field, QStringLiteral("abc"));
    EXPECT_TRUE(w.field->isMarkedInvalid());
    EXPECT_EQ(description(), QStringLiteral("“abc” is not a number. The value stays 42."));
    const QColor marked = edge();
    EXPECT_NE(marked, plainEdge);
    EXPECT_GT(marked.red(), 2 * marked.green()) << marked.name().toStdString();
    // Typing on without a number keeps the mark; the words follow the text.
    QTest::keyClicks(w.field, QStringLiteral("+"));
    EXPECT_TRUE(w.field->isMarkedInvalid());
    typeAndReturn(w.field, QStringLiteral("2*(3+"));
    EXPECT_EQ(description(), QStringLiteral("“2*(3+” is not a number. The value stays 42."));

    // Once the text gives a number the mark goes, before it is committed.
    QTest::keyClicks(w.field, QStringLiteral("1)"));
    EXPECT_FALSE(w.field->isMarkedInvalid());
    EXPECT_EQ(description(), QString());
    EXPECT_EQ(edge(), plainEdge);
    QTest::keyClick(w.field, Qt::Key_Return);
    EXPECT_EQ(w.field->text(), QStringLiteral("8"));

    // Refused again, then the focus goes elsewhere: the value in force comes
    // back, unmarked, and a later return to the field starts from it.
    typeAndReturn(w.field, QStringLiteral("1/0"));
    EXPECT_TRUE(w.field->isMarkedInvalid());
    QTest::mouseClick(w.next, Qt::LeftButton);
    EXPECT_EQ(w.field->text(), QStringLiteral("8"));
    EXPECT_FALSE(w.field->isMarkedInvalid());
    EXPECT_EQ(description(), QString());
}

// The window going to the background keeps refused text and its mark; the
// value in force comes back when the focus really leaves after the return.
TEST(InspectorNumberTextFieldTest, RefusedTextOutlivesTheWindowGoingToTheBackground) {
    FieldWindow w;
    w.field->setDoubleValue(5);
    typeAndReturn(w.field, QStringLiteral("abc"));
    QFocusEvent away(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QCoreApplication::sendEvent(w.field, &away);
    QFocusEvent back(QEvent::FocusIn, Qt::ActiveWindowFocusReason);
    QCoreApplication::sendEvent(w.field, &back);
    EXPECT_EQ(w.field->text(), QStringLiteral("abc"));
    EXPECT_TRUE(w.field->isMarkedInvalid());
    QTest::mouseClick(w.next, Qt::LeftButton);
    EXPECT_EQ(w.field->text(), QStringLiteral("5"));
    EXPECT_FALSE(w.field->isMarkedInvalid());
}

TEST(InspectorNumberTextFieldTest, TabCommitsAndMovesOn) {
    FieldWindow w;
    QSignalSpy committed(w.field, &InspectorNumberTextField::committed);
    typeInto(w.field, QStringLiteral("2**3"));
    QTest::keyClick(w.field, Qt::Key_Tab);
    EXPECT_EQ(w.field->text(), QStringLiteral("8"));
    EXPECT_TRUE(w.next->hasFocus());
    EXPECT_EQ(committed.count(), 1);
}

TEST(InspectorNumberTextFieldTest, FocusTakenAwayPutsBackTheLastCommittedText) {
    FieldWindow w;
    w.field->setDoubleValue(5);
    typeInto(w.field, QStringLiteral("1/0"));
    QTest::keyClick(w.field, Qt::Key_Return);
    EXPECT_EQ(w.field->text(), QStringLiteral("1/0"));
    // The window going to the background takes nothing away.
    QFocusEvent away(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QCoreApplication::sendEvent(w.field, &away);
    EXPECT_EQ(w.field->text(), QStringLiteral("1/0"));
    InspectorAnimations::clearRecords();
    QTest::mouseClick(w.next, Qt::LeftButton);
    EXPECT_TRUE(w.next->hasFocus());
    EXPECT_EQ(w.field->text(), QStringLiteral("5"));
    EXPECT_TRUE(w.shook());
}

TEST(InspectorNumberTextFieldTest, ArrowKeysStepToTheNextMultiple) {
    FieldWindow w;
    const auto press = [&](const QString& start, Qt::Key key,
                           Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        w.field->setFocus();
        w.field->setText(start);
        QTest::keyClick(w.field, key, modifiers);
        return w.field->text();
    };
    EXPECT_EQ(press(QStringLiteral("2.3"), Qt::Key_Up), QStringLiteral("3"));
    EXPECT_EQ(press(QStringLiteral("2.3"), Qt::Key_Down), QStringLiteral("2"));
    EXPECT_EQ(press(QStringLiteral("7"), Qt::Key_Up), QStringLiteral("8"));
    EXPECT_EQ(press(QStringLiteral("7"), Qt::Key_Down), QStringLiteral("6"));
    EXPECT_EQ(press(QStringLiteral("-2.5"), Qt::Key_Up), QStringLiteral("-2"));
    // An expression not yet evaluated is left alone.
    EXPECT_EQ(press(QStringLiteral("2+3"), Qt::Key_Up), QStringLiteral("2+3"));
    // With no minimum, or one that is not 1, Shift steps by 5.
    EXPECT_EQ(press(QStringLiteral("7"), Qt::Key_Up, Qt::ShiftModifier), QStringLiteral("10"));

    NumberFormatter fromOne = w.field->formatter();
    fromOne.setMinimum(1);
    fromOne.setMaximum(50);
    w.field->setFormatter(fromOne);
    EXPECT_EQ(press(QStringLiteral("7"), Qt::Key_Up, Qt::ShiftModifier), QStringLiteral("10"));
    EXPECT_EQ(press(QStringLiteral("10"), Qt::Key_Up, Qt::ShiftModifier), QStringLiteral("20"));
    EXPECT_EQ(press(QStringLiteral("47"), Qt::Key_Up, Qt::ShiftModifier), QStringLiteral("50"));
    EXPECT_EQ(press(QStringLiteral("1"), Qt::Key_Down), QStringLiteral("1"));

    w.field->setIncrementAmount_small(0.5);
    EXPECT_EQ(press(QStringLiteral("2.3"), Qt::Key_Up), QStringLiteral("2.5"));
    EXPECT_TRUE(w.field->hasFocus());
    EXPECT_EQ(w.field->selectedText(), w.field->text());
}

TEST(InspectorNumberTextFieldTest, PlusMinusControlStepsLikeTheArrows) {
    FieldWindow w(0, std::nullopt);
    QSignalSpy committed(w.field, &InspectorNumberTextField::committed);
    w.field->setDoubleValue(7);
    w.field->plusMinusBySegmentedControl(0);
    EXPECT_EQ(w.field->doubleValue(), 6);
    w.field->plusMinusBySegmentedControl(1);
    EXPECT_EQ(w.field->doubleValue(), 7);
    w.field->plusMinusBySegmentedControl(1, true);
    EXPECT_EQ(w.field->doubleValue(), 10);
    w.field->plusMinusBySegmentedControl(0, true);
    EXPECT_EQ(w.field->doubleValue(), 5);
    EXPECT_EQ(committed.count(), 4);
}

TEST(InspectorNumberTextFieldTest, EscapePutsBackTheDefaultWhenAsked) {
    FieldWindow w;
    QSignalSpy committed(w.field, &InspectorNumberTextField::committed);
    w.field->setFocus();
    w.field->setText(QStringLiteral("9"));
    QTest::keyClick(w.field, Qt::Key_Escape);
    EXPECT_EQ(w.field->text(), QStringLiteral("9"));

    w.field->setResetsToDefaultValueOnCancelOperation(true);
    w.field->setDefaultValue(4);
    QTest::keyClick(w.field, Qt::Key_Escape);
    EXPECT_EQ(w.field->text(), QStringLiteral("4"));
    EXPECT_EQ(committed.count(), 1);
    // Already the default: not handled, nothing committed.
    QTest::keyClick(w.field, Qt::Key_Escape);
    EXPECT_EQ(committed.count(), 1);
}

TEST(InspectorNumberTextFieldTest, ReadsIntegerAndFloatValues) {
    InspectorNumberTextField field;
    field.setText(QStringLiteral("2.7"));
    EXPECT_EQ(field.intValue(), 2);
    EXPECT_FLOAT_EQ(field.floatValue(), 2.7f);
    field.setText(QStringLiteral("junk"));
    EXPECT_EQ(field.intValue(), 0);
    field.setText(QStringLiteral("1e300"));
    EXPECT_EQ(field.intValue(), std::numeric_limits<int>::max());
}
