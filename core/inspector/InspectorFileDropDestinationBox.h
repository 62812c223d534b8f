#pragma once

#include <QFrame>
#include <QPalette>
#include <QPoint>
#include <QPointer>

class QLabel;

namespace kestrom {

class InspectorPaneViewController_Image;

// The picture well: shows the document's picture, takes dropped picture
// files and data, and lets the picture be dragged out as a file.
class InspectorFileDropDestinationBox : public QFrame {
    Q_OBJECT
public:
    explicit InspectorFileDropDestinationBox(QWidget* parent = nullptr);

    bool isDraggingEntered() const { return m_isDraggingEntered; }
    InspectorPaneViewController_Image* delegate() const { return m_delegate; }
    void setDelegate(InspectorPaneViewController_Image* delegate) { m_delegate = delegate; }

    QLabel* pictureView() const { return m_picture; }
    QLabel* nameLabel() const { return m_name; }
    QLabel* sizeLabel() const { return m_size; }

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    bool accepts(const QDropEvent* event) const;
    void setDraggingEntered(bool entered);

    QPointer<InspectorPaneViewController_Image> m_delegate;
    QLabel* m_picture;
    QLabel* m_name;
    QLabel* m_size;
    bool m_isDraggingEntered = false;
    // The look the box has when no drag is over it.
    QPalette::ColorRole m_ownBackgroundRole = QPalette::Window;
    QPoint m_pressPosition;
    bool m_pressed = false;
};

} // namespace kestrom
