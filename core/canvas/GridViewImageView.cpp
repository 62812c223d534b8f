#include "core/canvas/GridViewImageView.h"

#include "platform/graphics/GraphicsContext.h"

#include <QPainter>

#include <cmath>

namespace kestrom {

namespace {

// The largest copy made for the screen, per side; bigger frames stretch it.
constexpr int maximumDisplaySide = 8192;

QImage makeUprightCopy(const ambrel::OriginalImage& image, int longestSide) {
    const double ratio = image.widthPerHeight();
    if (!std::isfinite(ratio) || ratio <= 0) {
        return {};
    }
    // A raster picture is never enlarged; a vector picture is drawn sharp.
    const QSizeF natural = image.drawing().size;
    const double longest =
        image.isVector()
            ? longestSide
            : std::min<double>(longestSide, std::max(natural.width(), natural.height()));
    const int width = std::max(1, int(std::lround(ratio >= 1 ? longest : longest * ratio)));
    const int height = std::max(1, int(std::lround(ratio >= 1 ? longest / ratio : longest)));
    auto context = platform::GraphicsContext::makeBitmap(
        platform::GraphicsContext::PixelFormat::rgba8888Premultiplied, width, height);
    if (!context) {
        return {};
    }
    context->setInterpolationQuality(platform::GraphicsContext::InterpolationQuality::high);
    image.draw(QRectF(0, 0, width, height), ambrel::ImageRotation::none, false, *context, false);
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

QImage GridViewImageView::orientedImage(const QImage& upright, ambrel::ImageRotation orientation,
                                        bool flipsHorizontal) {
    QImage image = flipsHorizontal ? upright.mirrored(true, false) : upright;
    if (orientation != ambrel::ImageRotation::none) {
        image = image.transformed(QTransform().rotate(orientation.degrees()));
    }
    return image;
}

void GridViewImageView::setOrientation(ambrel::ImageRotation orientation) {
    if (m_orientation != orientation) {
        m_orientation = orientation;
        dropOrientedCopy();
    }
}

void GridViewImageView::setFlipsHorizontal(bool flips) {
    if (m_flips != flips) {
        m_flips = flips;
        dropOrientedCopy();
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
    m_upright = QImage();
    m_uprightMade = false;
    dropOrientedCopy();
}

void GridViewImageView::dropOrientedCopy() {
    m_working = QImage();
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
    if (!m_uprightMade) {
        m_upright = makeUprightCopy(*m_image, workingSide);
        m_uprightMade = true;
    }
    if (m_working.isNull() && !m_upright.isNull()) {
        m_working = orientedImage(m_upright, m_orientation, m_flips);
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
