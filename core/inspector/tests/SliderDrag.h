#pragma once

#include <QCoreApplication>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>

namespace kestrom::test {

// Where the slider's handle is now.
inline QPoint sliderHandleCenter(QSlider* slider) {
    QStyleOptionSlider option;
    option.initFrom(slider);
    option.orientation = slider->orientation();
    option.minimum = slider->minimum();
    option.maximum = slider->maximum();
    option.sliderPosition = slider->sliderPosition();
    option.sliderValue = slider->value();
    const QRect handle = slider->style()->subControlRect(QStyle::CC_Slider, &option,
                                                         QStyle::SC_SliderHandle, slider);
    return handle.center();
}

// Presses on the slider's handle and moves it through the given x offsets
// (in pixels from where the handle starts) without letting go; the event
// loop runs between the events, as it does for a user's. Gives the start.
inline QPoint pressAndMoveSlider(QSlider* slider, const QList<int>& offsets) {
    const QPoint start = sliderHandleCenter(slider);
    QTest::mousePress(slider, Qt::LeftButton, {}, start);
    QCoreApplication::processEvents();
    for (int offset : offsets) {
        QTest::mouseMove(slider, start + QPoint(offset, 0));
        QCoreApplication::processEvents();
    }
    return start;
}

// The same, then lets go.
inline void dragSlider(QSlider* slider, const QList<int>& offsets) {
    const QPoint start = pressAndMoveSlider(slider, offsets);
    QTest::mouseRelease(slider, Qt::LeftButton, {},
                        start + QPoint(offsets.isEmpty() ? 0 : offsets.back(), 0));
    QCoreApplication::processEvents();
}

} // namespace kestrom::test
