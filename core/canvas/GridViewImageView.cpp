#include "core/canvas/GridViewImageView.h"

#include "platform/graphics/GraphicsContext.h"

#include <QPainter>

#include <cmath>

namespace kestrom {

namespace {

// The largest copy made for the screen, per side; bigger frames stretch it.
constexpr int maximumDisplaySide = 8192;

QImage makeWorkingCopy(const ambrel::OriginalImage& image, ambrel::ImageRotation orientation,
                       bool flips, int longestSide) {
    double ratio = image.widthPerHeight();
    if (!std::isfinite(ratio) || ratio <= 0) {
        return {};
    }
    if (orientation.isWidthHeightFlipped()) {
        ratio = 1 / ratio;
    }
    const QSizeF natural = image.drawing().size;
    const double longest =
        std::min<double>(longestSide, std::max(natural.width(), natural.height()));
    const int width = std::max(1, int(std::lround(ratio >= 1 ? longest : longest * ratio)));
    const int height = std::max(1, int(std::lround(ratio >= 1 ? longest / ratio : longest)));
    auto context = platform::GraphicsContext::makeBitmap(
        platform::GraphicsContext::PixelFormat::rgba8888Premultiplied, width, height);
    if (!context) {
        return {};
    }
    context->setInterpolationQuality(platform::GraphicsContext::InterpolationQuality::high);
    image.draw(QRectF(0, 0, width, height), orientation, flips, *context, false);
    return context->makeImage();
}

} // namespace

GridViewImageView::GridViewImageView(QGraphicsItem* parent) : CanvasItem(parent) {}

void GridViewImageView::setOriginalImage(const ambrel::OriginalImage::Pointer& image) {
    if (m_image == image) {
        return;
    }
    m_image = image;
    dropWorkingCopy();
}

void GridViewImageView::setOrientation(ambrel::ImageRotation orientation) {
    if (m_orientation != orientation) {
        m_orientation = orientation;
        dropWorkingCopy();
    }
}

void GridViewImageView::setFlipsHorizontal(bool flips) {
    if (m_flips != flips) {
        m_flips = flips;
        dropWorkingCopy();
    }
}

void GridViewImageView::setTrackingResizeHandle(bool tracking) {
    if (m_trackingResizeHandle != tracking) {
        m_trackingResizeHandle = tracking;
        update();
    }
}

void GridViewImageView::setScale(double scale) {
    if (m_scale != scale) {
        m_scale = scale;
        update();
    }
}

void GridViewImageView::dropWorkingCopy() {
    m_working = QImage();
    m_workingMade = false;
    m_display = QPixmap();
    m_displaySize = QSize();
    update();
}

const QPixmap& GridViewImageView::displayPixmap() {
    const QSizeF frameSize = bounds().size() * m_scale;
    const QSize wanted(std::clamp(int(std::lround(frameSize.width())), 0, maximumDisplaySide),
                       std::clamp(int(std::lround(frameSize.height())), 0, maximumDisplaySide));
    if (!m_image || wanted.isEmpty()) {
        m_display = QPixmap();
        m_displaySize = QSize();
        return m_display;
    }
    if (!m_workingMade) {
        m_working = makeWorkingCopy(*m_image, m_orientation, m_flips, workingSide);
        m_workingMade = true;
    }
    if (m_working.isNull()) {
        m_display = QPixmap();
        return m_display;
    }
    if (m_displaySize != wanted || m_display.isNull() ||
        (!m_trackingResizeHandle && !m_displayIsSmooth)) {
        // While a handle is dragged the size changes every frame: a quick
        // scaling keeps up with the pointer, the smooth one follows at the end.
        const Qt::TransformationMode mode =
            m_trackingResizeHandle ? Qt::FastTransformation : Qt::SmoothTransformation;
        m_display = QPixmap::fromImage(m_working.scaled(wanted, Qt::IgnoreAspectRatio, mode));
        m_displaySize = wanted;
        m_displayIsSmooth = !m_trackingResizeHandle;
    }
    return m_display;
}

void GridViewImageView::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) {
    const QPixmap& pixmap = displayPixmap();
    if (!pixmap.isNull()) {
        painter->drawPixmap(bounds(), pixmap, QRectF(pixmap.rect()));
    }
}

} // namespace kestrom
