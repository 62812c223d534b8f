#pragma once

#include <QPointer>
#include <QWidget>

namespace kestrom {

class GridViewController;

// The canvas controller's view: holds the canvas view, takes dropped
// pictures anywhere over it, inside or beside the canvas, and hands keys the
// canvas does not use, clicks beside the canvas and its size changes to the
// controller.
class GridViewContainerView : public QWidget {
    Q_OBJECT

public:
    explicit GridViewContainerView(QWidget* parent = nullptr);

    // Held weakly.
    void setDelegate(GridViewController* delegate) { m_delegate = delegate; }
    GridViewController* delegate() const { return m_delegate; }

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QPointer<GridViewController> m_delegate;
};

} // namespace kestrom
