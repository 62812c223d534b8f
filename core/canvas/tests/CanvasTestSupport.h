#pragma once

#include "core/canvas/CanvasAnimation.h"
#include "core/canvas/GridView.h"
#include "core/canvas/GridViewDelegate.h"
#include "core/canvas/GridViewImageView.h"
#include "model/pictures/OriginalImage.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QTest>

#include <QElapsedTimer>

#include <algorithm>
#include <cmath>
#include <functional>

namespace kestrom::testing {

// Lets the canvas animate while it lives (the tests otherwise make every
// change land at once).
struct LiveAnimations {
    LiveAnimations() { CanvasAnimation::setCompletesAtOnce(false); }
    ~LiveAnimations() { CanvasAnimation::setCompletesAtOnce(true); }
    LiveAnimations(const LiveAnimations&) = delete;
    LiveAnimations& operator=(const LiveAnimations&) = delete;
};

// Runs the event loop until the picture's preview has no drawing pending
// (at most ten seconds); false when it never settled.
inline bool waitForPreview(const GridViewImageView& view) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 10000) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
        if (!view.hasPendingDrawing()) {
            QApplication::processEvents();
            return true;
        }
    }
    return false;
}

// A picture of the given pixels: a white field with a dark frame and a
// dark diagonal, so that orientation and placement show.
inline ambrel::OriginalImage::Pointer makePicture(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter p(&image);
        const int border = std::max(1, width / 40);
        p.setPen(QPen(QColor(40, 40, 40), border));
        p.drawRect(border / 2, border / 2, width - border, height - border);
        p.drawLine(0, 0, width, height);
        p.fillRect(QRect(0, 0, width / 4, height / 4), QColor(200, 60, 60));
    }
    return ambrel::OriginalImage::fromImage(image, {}, {}, 1);
}

// Answers the canvas's drag requests as the document does: one undo step
// per drag, opened at the first change, and the picture fitted into the
// requested size keeping its proportions.
class RecordingDelegate : public GridViewDelegate {
public:
    int begins = 0;
    int ends = 0;
    int offsetChanges = 0;
    int sizeChanges = 0;
    int undoSteps = 0;
    bool groupOpen = false;
    ambrel::Size_mm lastMaxSize;
    double widthPerHeight = 1.5;

    void gridViewWillBeginResizingOperation(GridView&) override {
        ++begins;
        groupOpen = false;
    }
    void gridViewChangeImageSizeWithMaxSize_mm(GridView& view,
                                               const ambrel::Size_mm& maxSize) override {
        openGroup();
        ++sizeChanges;
        lastMaxSize = maxSize;
        ambrel::Size_mm fitted{maxSize.width, maxSize.width / widthPerHeight};
        if (fitted.height > maxSize.height) {
            fitted = {maxSize.height * widthPerHeight, maxSize.height};
        }
        view.setImageSizeForDisplay_mm(fitted);
    }
    void gridViewChangeImageOffset_mm(GridView& view, const ambrel::Point_mm& offset) override {
        openGroup();
        ++offsetChanges;
        view.setImageOffset_mm(offset);
    }
    void gridViewDidEndResizingOperation(GridView&) override {
        ++ends;
        groupOpen = false;
    }

private:
    void openGroup() {
        if (!groupOpen) {
            groupOpen = true;
            ++undoSteps;
        }
    }
};

// Runs the event loop until the condition holds or the time is up.
inline bool waitUntil(const std::function<bool()>& condition, int timeout_ms = 5000) {
    return QTest::qWaitFor(condition, timeout_ms);
}

inline void sendMouse(QWidget* viewport, QEvent::Type type, QPoint pos, Qt::MouseButton button,
                      Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers = {}) {
    QMouseEvent event(type, QPointF(pos), QPointF(viewport->mapToGlobal(pos)), button, buttons,
                      modifiers);
    QApplication::sendEvent(viewport, &event);
}

// Presses at one point, moves through the steps and releases at the last,
// the event loop running between the events as it does for a user's.
inline void dragThrough(QWidget* viewport, QPoint from, QPoint to, int steps = 8,
                        Qt::KeyboardModifiers modifiers = {}) {
    sendMouse(viewport, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton, modifiers);
    QCoreApplication::processEvents();
    for (int i = 1; i <= steps; ++i) {
        const QPoint p = from + (to - from) * i / steps;
        sendMouse(viewport, QEvent::MouseMove, p, Qt::NoButton, Qt::LeftButton, modifiers);
        QCoreApplication::processEvents();
    }
    sendMouse(viewport, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton, modifiers);
    QCoreApplication::processEvents();
}

} // namespace kestrom::testing
