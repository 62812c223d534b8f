// One frame of a hand drag on the canvas: the pointer event through the
// view's hit testing, the new offset (or size) written back, the layout pass
// and a full repaint of an 1100 x 700 view showing 12 copies of a
// 6000 x 4000 picture.

#include "BenchmarkApp.h"

#include "core/canvas/GridView.h"
#include "core/canvas/GridViewDelegate.h"
#include "core/canvas/GridViewHandle.h"
#include "core/canvas/GridViewImageSelectionView.h"
#include "model/pictures/OriginalImage.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <benchmark/benchmark.h>

using namespace kestrom;

namespace {

class WritingDelegate : public GridViewDelegate {
public:
    void gridViewWillBeginResizingOperation(GridView&) override {}
    void gridViewChangeImageSizeWithMaxSize_mm(GridView& view,
                                               const ambrel::Size_mm& box) override {
        const double ratio = 1.5;
        ambrel::Size_mm size{box.width, box.width / ratio};
        if (size.height > box.height) {
            size = {box.height * ratio, box.height};
        }
        view.setImageSizeForDisplay_mm(size);
    }
    void gridViewChangeImageOffset_mm(GridView& view, const ambrel::Point_mm& offset) override {
        view.setImageOffset_mm(offset);
    }
    void gridViewDidEndResizingOperation(GridView&) override {}
};

ambrel::OriginalImage::Pointer bigPicture() {
    QImage image(6000, 4000, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setPen(QPen(Qt::black, 40));
    for (int i = 0; i < 6000; i += 500) {
        p.drawLine(i, 0, 6000 - i, 4000);
    }
    p.end();
    return ambrel::OriginalImage::fromImage(image, {}, {}, 1);
}

void send(QWidget* viewport, QEvent::Type type, QPoint pos, Qt::MouseButton button,
          Qt::MouseButtons buttons) {
    QMouseEvent event(type, QPointF(pos), QPointF(viewport->mapToGlobal(pos)), button, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(viewport, &event);
}

struct Canvas {
    WritingDelegate delegate;
    GridView view;

    Canvas() {
        view.resize(1100, 700);
        view.setDelegate(&delegate);
        view.setPrintableSize_mm({420, 297});
        view.setCanvasEnabled(true);
        view.setImageIsResizable(true);
        view.setImageOffsetBase(QStringLiteral("topLeft"));
        static const ambrel::OriginalImage::Pointer picture = bigPicture();
        view.setOriginalImage(picture);
        view.setImageSizeForDisplay_mm({75, 50});
        view.setImageOffset_mm({20, 20});
        view.setImageRepeatXCount(4);
        view.setImageRepeatYCount(3);
        view.setImageRepeatXMargin_mm(8);
        view.setImageRepeatYMargin_mm(6);
        view.show();
        QApplication::processEvents();
        view.layoutSubtreeIfNeeded();
        view.viewport()->repaint(); // the picture's working copy is made once
    }

    QPoint pictureCentre() const {
        return view.viewportPoint(view.lastLayout().imageRect_pt.center());
    }
};

void BM_CanvasMoveDragFrame(benchmark::State& state) {
    Canvas canvas;
    QWidget* viewport = canvas.view.viewport();
    const QPoint start = canvas.pictureCentre();
    send(viewport, QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::LeftButton);
    int step = 0;
    for (auto _ : state) {
        // Back and forth over 60 points, so that every frame moves the picture.
        const int dx = (step++ % 60) - 30;
        send(viewport, QEvent::MouseMove, start + QPoint(dx * 3, dx), Qt::NoButton, Qt::LeftButton);
        canvas.view.layoutSubtreeIfNeeded();
        viewport->repaint();
    }
    send(viewport, QEvent::MouseButtonRelease, start, Qt::LeftButton, Qt::NoButton);
}

void BM_CanvasResizeDragFrame(benchmark::State& state) {
    Canvas canvas;
    QWidget* viewport = canvas.view.viewport();
    const QPoint inside = canvas.pictureCentre();
    send(viewport, QEvent::MouseButtonPress, inside, Qt::LeftButton, Qt::LeftButton);
    send(viewport, QEvent::MouseButtonRelease, inside, Qt::LeftButton, Qt::NoButton);
    canvas.view.layoutSubtreeIfNeeded();
    auto* selection = canvas.view.imageSelectionView();
    const QPoint corner = canvas.view.viewportPoint(
        selection->mapToScene(selection->handleRect(GridViewHandle::bottomRight).center()));
    send(viewport, QEvent::MouseButtonPress, corner, Qt::LeftButton, Qt::LeftButton);
    int step = 0;
    for (auto _ : state) {
        const int d = (step++ % 40) - 20;
        send(viewport, QEvent::MouseMove, corner + QPoint(d, d), Qt::NoButton, Qt::LeftButton);
        canvas.view.layoutSubtreeIfNeeded();
        viewport->repaint();
    }
    send(viewport, QEvent::MouseButtonRelease, corner, Qt::LeftButton, Qt::NoButton);
}

// The first frame after a new picture arrives: its working copy is made.
void BM_CanvasNewPictureFrame(benchmark::State& state) {
    Canvas canvas;
    bool flip = false;
    for (auto _ : state) {
        flip = !flip;
        canvas.view.setFlipsImage(flip); // a new working copy, like a new picture
        canvas.view.layoutSubtreeIfNeeded();
        canvas.view.viewport()->repaint();
    }
}

} // namespace

BENCHMARK(BM_CanvasNewPictureFrame)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CanvasMoveDragFrame)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CanvasResizeDragFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
    return bench::BenchmarkApp::run(argc, argv);
}
