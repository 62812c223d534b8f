#include "core/inspector/InspectorSeparatorViewController.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QPainter>

namespace kestrom {

namespace {

// A faint band across the whole width, lighter than the window in dark
// themes and darker in light ones.
class FloatingBorderView : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const bool dark = palette().color(QPalette::Window).lightness() < 128;
        painter.fillRect(rect(), dark ? QColor(255, 255, 255, 13) : QColor(0, 0, 0, 26));
    }
};

} // namespace

InspectorSeparatorViewController::InspectorSeparatorViewController(QWidget* parent)
    : InspectorPaneViewController(parent) {
    m_layout = new QHBoxLayout(this);
    m_layout->setContentsMargins(8, 0, 8, 0);
    m_layout->setSpacing(0);
    m_separator = new QFrame(this);
    m_separator->setFrameShape(QFrame::HLine);
    m_separator->setFrameShadow(QFrame::Sunken);
    m_separator->setMaximumHeight(4);
    m_layout->addWidget(m_separator);
    m_floatingBorder = new FloatingBorderView(this);
    m_floatingBorder->setFixedHeight(2);
    m_floatingBorder->hide();
    m_layout->addWidget(m_floatingBorder);
    // One height in both states, so that the panes around it do not move by
    // a pixel, and scroll bars do not come and go, as it starts or stops
    // floating.
    setFixedHeight(qMax(m_separator->sizeHint().height(), m_floatingBorder->height()));
}

void InspectorSeparatorViewController::setFloating(bool floating) {
    if (m_isFloating == floating) {
        return;
    }
    m_isFloating = floating;
    m_layout->setContentsMargins(floating ? 0 : 8, 0, floating ? 0 : 8, 0);
    m_separator->setVisible(!floating);
    m_floatingBorder->setVisible(floating);
}

} // namespace kestrom
