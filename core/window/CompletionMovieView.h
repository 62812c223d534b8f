#pragma once

#include <QImage>
#include <QWidget>

namespace kestrom {

// Shows the completion movie's pictures as the player hands them over,
// painted like any other widget: it needs no video surface of the
// windowing system, so the movie shows wherever the alert does.
class CompletionMovieView : public QWidget {
    Q_OBJECT
public:
    explicit CompletionMovieView(QWidget* parent = nullptr);

    void setFrame(const QImage& frame);
    // The picture shown now; null before the first.
    const QImage& frame() const { return m_frame; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_frame;
};

} // namespace kestrom
