#include "core/inspector/InspectorSlidableLabel.h"
#include "core/inspector/InspectorNumberTextField.h"
#include "core/inspector/tests/InspectorTestSupport.h"

#include <QHBoxLayout>
#include <QMouseEvent>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace kestrom;
using namespace kestrom::test;

namespace {

struct LabelWindow {
    QWidget window;
    InspectorSlidableLabel* label = new InspectorSlidableLabel(QStringLiteral("Width"));
    InspectorNumberTextField* field = new InspectorNumberTextField;

    LabelWindow() {
        auto* layout = new QHBoxLayout(&window);
        layout->addWidget(label);
        layout->addWidget(field);
        NumberFormatter formatter(QLocale(QLocale::English, QLocale::UnitedStates));
        formatter.setMinimum(5);
        formatter.setMaximum(100);
        field->setFormatter(formatter);
        label->setTargetTextField(field);
        field->setDoubleValue(10);
        showAndActivate(&window);
    }

    void send(QEvent::Type type, QPointF at, Qt::MouseButtons buttons) {
        QMouseEvent event(type, at, label->mapToGlobal(at), Qt::LeftButton, buttons,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(label, &event);
    }
    void press(QPointF at) { send(QEvent::MouseButtonPress, at, Qt::LeftButton); }
    void move(QPointF at) { send(QEvent::MouseMove, at, Qt::LeftButton); }
    void release(QPointF at) { send(QEvent::MouseButtonRelease, at, Qt::NoButton); }
};

} // namespace

TEST(InspectorSlidableLabelTest, DraggingChangesTheValueOneUnitPerFivePixels) {
    LabelWindow w;
    const QPointF start(20, 5);
    w.press(start);
    ASSERT_TRUE(w.label->isTracking());
    EXPECT_TRUE(w.field->hasFocus());
    w.move(start + QPointF(12, 0));
    EXPECT_EQ(w.field->text(), QStringLiteral("12"));
    w.move(start + QPointF(13, 0));
    EXPECT_EQ(w.field->text(), QStringLiteral("13"));
    w.move(start + QPointF(12.5, 0));
    EXPECT_EQ(w.field->text(), QStringLiteral("13"));
    w.release(start + QPointF(12.5, 0));

    // From the new start value of 13, far to the left stops at the minimum.
    w.press(start);
    w.move(start + QPointF(-100, 0));
    EXPECT_EQ(w.field->text(), QStringLiteral("5"));
}

TEST(InspectorSlidableLabelTest, CrossingTheStartSnapsToTheStartValue) {
    LabelWindow w;
    const QPointF start(20, 5);
    w.press(start);
    w.move(start + QPointF(-9, 0));
    EXPECT_EQ(w.field->text(), QStringLiteral("8"));
    w.move(start + QPointF(4, 0));
    EXPECT_EQ(w.field->text(), QStringLiteral("10"));
    w.move(start + QPointF(0, 0));
    EXPECT_EQ(w.field->text(), QStringLiteral("10"));
}

TEST(InspectorSlidableLabelTest, ReleasingCommitsWhatIsShown) {
    LabelWindow w;
    QSignalSpy committed(w.field, &InspectorNumberTextField::committed);
    const QPointF start(20, 5);
    w.press(start);
    w.move(start + QPointF(26, 0));
    EXPECT_EQ(committed.count(), 0);
    w.release(start + QPointF(26, 0));
    EXPECT_FALSE(w.label->isTracking());
    EXPECT_EQ(committed.count(), 1);
    EXPECT_EQ(w.field->doubleValue(), 15);

    // A press and release without moving commits the start value.
    w.press(start);
    w.release(start);
    EXPECT_EQ(committed.count(), 2);
    EXPECT_EQ(w.field->doubleValue(), 15);
}

TEST(InspectorSlidableLabelTest, ADragCutShortPutsTheStartValueBackAndCommitsNothing) {
    LabelWindow w;
    QSignalSpy committed(w.field, &InspectorNumberTextField::committed);
    const QPointF start(20, 5);
    w.press(start);
    w.move(start + QPointF(26, 0));
    EXPECT_EQ(w.field->text(), QStringLiteral("15"));
    w.label->setEnabled(false);
    EXPECT_FALSE(w.label->isTracking());
    EXPECT_EQ(w.field->text(), QStringLiteral("10"));
    w.release(start + QPointF(26, 0));
    EXPECT_EQ(committed.count(), 0);

    w.label->setEnabled(true);
    w.press(start);
    w.move(start + QPointF(-10, 0));
    w.label->hide();
    EXPECT_FALSE(w.label->isTracking());
    EXPECT_EQ(w.field->text(), QStringLiteral("10"));
    EXPECT_EQ(committed.count(), 0);
}

TEST(InspectorSlidableLabelTest, TextThatIsNoNumberStartsNoDrag) {
    LabelWindow w;
    w.field->setText(QStringLiteral("abc"));
    w.press(QPointF(20, 5));
    EXPECT_FALSE(w.label->isTracking());
    EXPECT_TRUE(w.field->hasFocus());
    EXPECT_FALSE(InspectorAnimations::wasRecorded(w.field, QStringLiteral("invalid")));
}

TEST(InspectorSlidableLabelTest, ShowsTheResizeCursorOnlyWhenBothAreEnabled) {
    LabelWindow w;
    QEvent enter(QEvent::Enter);
    QCoreApplication::sendEvent(w.label, &enter);
    EXPECT_EQ(w.label->cursor().shape(), Qt::SizeHorCursor);
    w.field->setEnabled(false);
    QCoreApplication::sendEvent(w.label, &enter);
    EXPECT_EQ(w.label->cursor().shape(), Qt::ArrowCursor);
    w.press(QPointF(20, 5));
    EXPECT_FALSE(w.label->isTracking());
}
