#include "core/canvas/MainContentSplitItemViewController.h"

#include "core/canvas/GridViewContainerView.h"
#include "core/canvas/GridViewController.h"

#include <QGridLayout>
#include <QImage>
#include <QPaintEvent>
#include <QPainter>
#include <QSplitter>

namespace kestrom {

namespace {

bool isDark(const QWidget& widget) {
    return widget.palette().color(QPalette::Window).lightness() < 128;
}

} // namespace

MainContentSplitItemViewController::View::DimView::DimView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    // It covers the background it dims, and paints the dimmed colour itself.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QColor MainContentSplitItemViewController::View::DimView::dimColor(bool dark) {
    return QColor::fromRgbF(dark ? 0.9f : 0.2f, dark ? 0.9f : 0.2f, dark ? 0.9f : 0.2f, 0.1f);
}

QColor MainContentSplitItemViewController::View::DimView::dimmed(const QColor& background,
                                                                 bool dark) {
    // Blended once, as a fill of the background would blend each pixel; an
    // opaque fill costs a fraction of a translucent one over a large area.
    QImage pixel(1, 1, QImage::Format_ARGB32_Premultiplied);
    pixel.fill(background);
    QPainter(&pixel).fillRect(pixel.rect(), dimColor(dark));
    return pixel.pixelColor(0, 0);
}

void MainContentSplitItemViewController::View::DimView::paintEvent(QPaintEvent* event) {
    const QWidget* under = parentWidget();
    const QColor background =
        under ? under->palette().color(under->backgroundRole()) : palette().color(QPalette::Window);
    QPainter(this).fillRect(event->rect(), dimmed(background, isDark(*this)));
}

MainContentSplitItemViewController::View::View(QWidget* parent)
    : QWidget(parent), m_visualEffectView(new QWidget(this)),
      m_dimView(new DimView(m_visualEffectView)) {
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Mid);
    m_visualEffectView->setAutoFillBackground(true);
    m_visualEffectView->setBackgroundRole(QPalette::Window);
    auto* dimLayout = new QGridLayout(m_visualEffectView);
    dimLayout->setContentsMargins(0, 0, 0, 0);
    dimLayout->addWidget(m_dimView, 0, 0);
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_visualEffectView, 0, 0);
}

MainContentSplitItemViewController::MainContentSplitItemViewController(QObject* parent)
    : QObject(parent), m_gridViewController(new GridViewController(this)), m_view(new View) {
    QWidget* canvas = m_gridViewController->view();
    canvas->setMinimumSize(minimumCanvasWidth, minimumCanvasHeight);
    // Above the background and the dim layer, in the same cell.
    static_cast<QGridLayout*>(m_view->layout())->addWidget(canvas, 0, 0);
    canvas->raise();
}

MainContentSplitItemViewController::~MainContentSplitItemViewController() {
    // The canvas controller deletes its own view.
    if (QWidget* canvas = m_gridViewController->view()) {
        canvas->setParent(nullptr);
    }
    delete m_gridViewController;
    delete m_view.data();
}

void MainContentSplitItemViewController::addTo(QSplitter& splitter) {
    splitter.addWidget(m_view);
    splitter.setStretchFactor(splitter.indexOf(m_view), 1);
    splitter.setCollapsible(splitter.indexOf(m_view), false);
}

} // namespace kestrom
