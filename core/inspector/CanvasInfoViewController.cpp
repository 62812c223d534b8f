#include "core/inspector/CanvasInfoViewController.h"

#include "core/document/job/KestromText.h"
#include "core/inspector/InspectorImageSplitInfo.h"

#include <QComboBox>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QLabel>

namespace kestrom {

namespace {

bool sameCanvas(const std::shared_ptr<const ambrel::Canvas>& a,
                const std::shared_ptr<const ambrel::Canvas>& b) {
    if (!a || !b) {
        return !a && !b;
    }
    return a == b || *a == *b;
}

} // namespace

CanvasInfoViewController::CanvasInfoViewController(QWidget* parent) : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 4, 8, 4);
    // Keeps the pop-up clear of the text before it.
    layout->setSpacing(12);
    m_figure = new QLabel(this);
    auto* dim = new QGraphicsOpacityEffect(m_figure);
    dim->setOpacity(0.7);
    m_figure->setGraphicsEffect(dim);
    // Room after the figure that goes away with it.
    m_figure->setContentsMargins(0, 0, 8, 0);
    m_figure->hide();
    layout->addWidget(m_figure);
    m_maxSizeLabel = new QLabel(this);
    m_maxSizeLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_maxSizeLabel->setWordWrap(true);
    m_maxSizeLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_maxSizeLabel, 1);
    m_canvasPopUpButton = new QComboBox(this);
    m_canvasPopUpButton->setToolTip(
        KestromText::requiredText(QStringLiteral("Toolbar_CanvasButton_ToolTip")));
    // The window shows the pop-up in its toolbar, never here.
    m_canvasPopUpButton->hide();
    layout->addWidget(m_canvasPopUpButton);
}

void CanvasInfoViewController::setDeviceDescriptor(
    std::shared_ptr<const ambrel::DeviceDescriptor> device) {
    const bool same = device == m_deviceDescriptor;
    m_deviceDescriptor = std::move(device);
    if (!same) {
        updateMaxSizeLabel();
    }
}

void CanvasInfoViewController::setCanvas(std::shared_ptr<const ambrel::Canvas> canvas) {
    const bool same = sameCanvas(canvas, m_canvas);
    m_canvas = std::move(canvas);
    if (same) {
        return;
    }
    if (!m_canvas) {
        m_figure->clear();
        m_figure->hide();
    } else if (const auto& figure = m_canvas->figureImage()) {
        m_figure->setPixmap(QPixmap::fromImage(*figure));
        m_figure->show();
    } else {
        m_figure->clear();
        m_figure->hide();
    }
    updateMaxSizeLabel();
}

void CanvasInfoViewController::updateMaxSizeLabel() {
    QStringList pieces;
    if (m_deviceDescriptor && m_canvas) {
        const auto& size = m_canvas->size_mm();
        bool canMoveHead = false;
        try {
            canMoveHead = m_deviceDescriptor->additionalInfos()
                              .value<InspectorImageSplitInfo>()
                              .canMoveHeadYPosition;
        } catch (const platform::Error&) {
            canMoveHead = false;
        }
        if (canMoveHead) {
            const double head = m_deviceDescriptor->dpi().mm(m_deviceDescriptor->headDotCount());
            pieces.append(
                KestromText::requiredText(QStringLiteral("Preview_areaDescriptionFormat_XYDevice"),
                                          {size.width, size.height, head}));
        } else {
            pieces.append(
                KestromText::requiredText(QStringLiteral("Preview_areaDescriptionFormat_XDevice"),
                                          {size.width, size.height}));
        }
        if (!m_deviceDescriptor->hidesDpi()) {
            pieces.append(m_deviceDescriptor->dpi().description());
        }
    }
    m_maxSizeLabel->setText(pieces.join(QStringLiteral("    ")));
}

} // namespace kestrom
