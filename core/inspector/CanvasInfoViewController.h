#pragma once

#include "model/descriptions/Canvas.h"
#include "model/descriptions/DeviceDescriptor.h"

#include <QWidget>

#include <memory>

class QComboBox;
class QHBoxLayout;
class QLabel;

namespace kestrom {

// The line above the canvas that says what the chosen canvas allows: the
// figure of its roll direction and the largest printable area, with the
// device's resolution unless the device hides it. It also carries the
// canvas pop-up, which the window takes for its toolbar.
class CanvasInfoViewController : public QWidget {
    Q_OBJECT
public:
    explicit CanvasInfoViewController(QWidget* parent = nullptr);

    QComboBox* canvasPopUpButton() const { return m_canvasPopUpButton; }
    QLabel* rollDirectionFigureView() const { return m_figure; }
    QLabel* maxSizeLabel() const { return m_maxSizeLabel; }

    const std::shared_ptr<const ambrel::DeviceDescriptor>& deviceDescriptor() const {
        return m_deviceDescriptor;
    }
    void setDeviceDescriptor(std::shared_ptr<const ambrel::DeviceDescriptor> device);
    const std::shared_ptr<const ambrel::Canvas>& canvas() const { return m_canvas; }
    void setCanvas(std::shared_ptr<const ambrel::Canvas> canvas);

    virtual void updateMaxSizeLabel();

private:
    QComboBox* m_canvasPopUpButton;
    QLabel* m_figure;
    QLabel* m_maxSizeLabel;
    std::shared_ptr<const ambrel::DeviceDescriptor> m_deviceDescriptor;
    std::shared_ptr<const ambrel::Canvas> m_canvas;
};

} // namespace kestrom
