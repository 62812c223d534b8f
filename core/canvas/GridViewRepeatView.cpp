#include "core/canvas/GridViewRepeatView.h"

#include "core/canvas/CanvasAnimation.h"
#include "core/canvas/GridViewImageView.h"

#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionGraphicsItem>
#include <QVariantAnimation>

#include <algorithm>
#include <cmath>

namespace kestrom {

GridViewRepeatView::GridViewRepeatView(GridViewImageView* imageView, QGraphicsItem* parent)
    : CanvasItem(parent), m_imageView(imageView) {
    setFlag(QGraphicsItem::ItemClipsChildrenToShape, true);
    imageView->setParentItem(this);
    // The copies show what the picture shows, as translucent as it is.
    connect(imageView, &GridViewImageView::contentsChanged, this,
            &GridViewRepeatView::updateCopies);
    connect(imageView, &CanvasItem::alphaValueChanged, this, &GridViewRepeatView::updateCopies);
    connect(imageView, &QGraphicsObject::visibleChanged, this, &GridViewRepeatView::updateCopies);
}

bool GridViewRepeatView::showsCopies() const {
    return m_placement.countX >= 2 || m_placement.countY >= 2;
}

// A lone picture draws itself, and only what changed in it: repainting the
// whole canvas for each new preview tile would cost a large window most of
// its time.
void GridViewRepeatView::updateCopies() {
    if (showsCopies()) {
        update();
    }
}

void GridViewRepeatView::setPlacement(const Placement& placement) {
    if (m_placement == placement) {
        return;
    }
    m_placement = placement;
    m_imageView->setPaintsItself(!showsCopies());
    prepareGeometryChange(); // the clip changes with the row
    // The picture learns what shows before its new size lays out its tiles,
    // so that a huge frame is never tiled whole.
    updateImageVisibleArea();
    m_imageView->setFrame(placement.imageFrame.translated(placement.stripRect.topLeft()));
    update();
}

void GridViewRepeatView::sizeChanged() {
    updateImageVisibleArea();
}

void GridViewRepeatView::updateImageVisibleArea() {
    const Placement& p = m_placement;
    const QRectF area = visibleArea();
    const QRectF first = p.imageFrame.translated(p.stripRect.topLeft());
    const qint64 countX = std::max<qint64>(1, p.countX);
    const qint64 countY = std::max<qint64>(1, p.countY);
    const Range across =
        visibleCopies(first.left(), first.width(), p.stepX, countX, area.left(), area.right());
    const Range down =
        visibleCopies(first.top(), first.height(), p.stepY, countY, area.top(), area.bottom());
    if (across.first >= across.end || down.first >= down.end) {
        m_imageView->setVisibleArea(QRectF());
        return;
    }
    // What copy k shows moves steadily with k, so the copies at the ends of
    // the visible range bound what all of them show.
    const auto shown = [](double origin, double size, double step, Range range, double low,
                          double high) {
        double from = size;
        double to = 0;
        for (const qint64 k : {range.first, range.end - 1}) {
            const double start = origin + double(k) * step;
            from = std::min(from, std::clamp(low - start, 0.0, size));
            to = std::max(to, std::clamp(high - start, 0.0, size));
        }
        return std::pair{from, to};
    };
    const auto [left, right] =
        shown(first.left(), first.width(), p.stepX, across, area.left(), area.right());
    const auto [top, bottom] =
        shown(first.top(), first.height(), p.stepY, down, area.top(), area.bottom());
    m_imageView->setVisibleArea(QRectF(QPointF(left, top), QPointF(right, bottom)));
}

QRectF GridViewRepeatView::visibleArea() const {
    return bounds().intersected(m_placement.stripRect);
}

QPainterPath GridViewRepeatView::shape() const {
    QPainterPath path;
    path.addRect(visibleArea());
    return path;
}

GridViewRepeatView::Range GridViewRepeatView::visibleCopies(double origin, double size, double step,
                                                            qint64 count, double low, double high) {
    if (count < 1 || !std::isfinite(origin) || !std::isfinite(step)) {
        return {};
    }
    if (step == 0) {
        const bool visible = origin < high && origin + size > low;
        return visible ? Range{0, 1} : Range{};
    }
    // Copy k covers [origin + k step, origin + k step + size).
    double a = (low - size - origin) / step;
    double b = (high - origin) / step;
    if (step < 0) {
        std::swap(a, b);
    }
    const double first = std::max(0.0, std::floor(a) + 1);
    const double end = std::min(double(count), std::ceil(b));
    if (!(first < end)) {
        return {};
    }
    return {qint64(first), qint64(end)};
}

void GridViewRepeatView::paint(QPainter* painter, const QStyleOptionGraphicsItem* option,
                               QWidget*) {
    painter->save();
    applyAlphaValue(painter);
    if (!m_kept.isNull()) {
        painter->save();
        painter->setOpacity(painter->opacity() * m_keptAlpha);
        painter->drawImage(m_keptRect, m_kept);
        painter->restore();
    }
    // A hidden picture (none, or no usable size) hides its copies too.
    if (showsCopies() && m_imageView->isVisible()) {
        paintCopies(painter, visibleArea().intersected(option->exposedRect));
    }
    painter->restore();
}

void GridViewRepeatView::paintCopies(QPainter* painter, const QRectF& area) const {
    const Placement& p = m_placement;
    const QRectF first = p.imageFrame.translated(p.stripRect.topLeft());
    const Range across =
        visibleCopies(first.left(), first.width(), p.stepX, p.countX, area.left(), area.right());
    const Range down =
        visibleCopies(first.top(), first.height(), p.stepY, p.countY, area.top(), area.bottom());
    painter->save();
    painter->setClipRect(visibleArea());
    painter->setOpacity(painter->opacity() * m_imageView->alphaValue());
    // Columns from the left (the copies step leftward from a right anchor),
    // each from the top.
    const bool leftward = p.stepX < 0;
    for (qint64 k = across.first; k < across.end; ++k) {
        const qint64 i = leftward ? across.end - 1 - (k - across.first) : k;
        for (qint64 j = down.first; j < down.end; ++j) {
            if (i == 0 && j == 0) {
                painter->save();
                painter->setTransform(m_imageView->itemTransform(this), true);
                m_imageView->paintContents(painter, m_imageView->bounds());
                painter->restore();
                continue;
            }
            const QRectF copy = first.translated(double(i) * p.stepX, double(j) * p.stepY);
            m_imageView->paintContents(painter, copy);
        }
    }
    painter->restore();
}

void GridViewRepeatView::keepContentsForFadeOut() {
    dropKeptContents();
    const QRectF area = visibleArea();
    if (!m_imageView->isVisible() || area.isEmpty()) {
        return;
    }
    const double scale = std::max(1.0, m_imageView->backingScale());
    QImage image((area.size() * scale).toSize(), QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) {
        return;
    }
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.scale(scale, scale);
        painter.translate(-area.topLeft());
        paintCopies(&painter, area);
    }
    m_kept = image;
    m_keptRect = area;
    m_keptAlpha = 1.0;
}

void GridViewRepeatView::fadeOutKeptContents(int duration_ms) {
    if (m_kept.isNull() || m_fadeAnimation) {
        return;
    }
    if (CanvasAnimation::completesAtOnce() || duration_ms <= 0) {
        dropKeptContents();
        return;
    }
    m_fadeAnimation = new QVariantAnimation(this);
    m_fadeAnimation->setDuration(duration_ms);
    m_fadeAnimation->setEasingCurve(QEasingCurve::InQuad);
    m_fadeAnimation->setStartValue(1.0);
    m_fadeAnimation->setEndValue(0.0);
    connect(m_fadeAnimation, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
        m_keptAlpha = v.toDouble();
        update(m_keptRect);
    });
    connect(m_fadeAnimation, &QVariantAnimation::finished, this,
            &GridViewRepeatView::dropKeptContents);
    m_fadeAnimation->start();
}

void GridViewRepeatView::dropKeptContents() {
    if (m_fadeAnimation) {
        m_fadeAnimation->disconnect(this);
        m_fadeAnimation->stop();
        m_fadeAnimation->deleteLater();
        m_fadeAnimation = nullptr;
    }
    if (!m_kept.isNull()) {
        update(m_keptRect);
        m_kept = QImage();
    }
}

} // namespace kestrom
