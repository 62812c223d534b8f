#include "core/canvas/GridViewChangeAnimator.h"

#include "core/canvas/CanvasAnimation.h"
#include "core/canvas/GridViewImageSelectionView.h"
#include "core/canvas/GridViewImageView.h"
#include "core/canvas/GridViewOverflownAreaView.h"

#include <QPropertyAnimation>
#include <QVariantAnimation>

#include <cstdio>

namespace kestrom {

namespace {

double mix(double a, double b, double t) {
    return a + (b - a) * t;
}

QRectF mix(const QRectF& a, const QRectF& b, double t) {
    return QRectF(mix(a.x(), b.x(), t), mix(a.y(), b.y(), t), mix(a.width(), b.width(), t),
                  mix(a.height(), b.height(), t));
}

QString describe(const QSizeF& s) {
    return QStringLiteral("(%1, %2)").arg(s.width()).arg(s.height());
}

// Runs an animation of a property of the item, owned by it, replacing one of
// the same property.
void runOn(QObject* item, const QByteArray& property, const QVariantList& values,
           const QList<double>& keyTimes, int duration_ms, QEasingCurve::Type curve) {
    for (auto* earlier : item->findChildren<QPropertyAnimation*>(Qt::FindDirectChildrenOnly)) {
        if (earlier->propertyName() == property) {
            earlier->stop();
            earlier->deleteLater();
        }
    }
    if (CanvasAnimation::completesAtOnce()) {
        item->setProperty(property, values.last());
        return;
    }
    auto* animation = new QPropertyAnimation(item, property, item);
    animation->setDuration(duration_ms);
    animation->setEasingCurve(curve);
    for (qsizetype i = 0; i < values.size(); ++i) {
        animation->setKeyValueAt(keyTimes.value(i, double(i) / double(values.size() - 1)),
                                 values[i]);
    }
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

} // namespace

GridViewChangeAnimator::GridViewChangeAnimator(GridViewRepeatView* repeatView,
                                               GridViewImageView* imageView,
                                               GridViewImageSelectionView* selectionView,
                                               GridViewOverflownAreaView* overflownAreaView,
                                               QObject* parent)
    : QObject(parent), m_repeatView(repeatView), m_imageView(imageView),
      m_selectionView(selectionView), m_overflownAreaView(overflownAreaView) {}

bool GridViewChangeAnimator::writesDiagnostics() {
    static const bool writes = qEnvironmentVariableIsSet("LUNVIK_DEBUG_CANVAS_ANIMATION");
    return writes;
}

bool GridViewChangeAnimator::areaFlag(const GridViewChangeRecord& changes) {
    if (changes.contains(GridViewChangedProperty::imageOrientation)) {
        return false;
    }
    const auto x = changes.change(GridViewChangedProperty::imageRepeatXCount);
    const auto y = changes.change(GridViewChangedProperty::imageRepeatYCount);
    if (!x && !y) {
        return true;
    }
    const auto touchesOne = [](const std::optional<GridViewChangeRecord::Change>& c) {
        return c && (c->oldValue.toLongLong() == 1 || c->newValue.toLongLong() == 1);
    };
    return touchesOne(x) || touchesOne(y);
}

int GridViewChangeAnimator::quarterTurns(const GridViewChangeRecord& changes) {
    const auto change = changes.change(GridViewChangedProperty::imageOrientation);
    if (!change) {
        return 0;
    }
    const int d = ((change->newValue.toInt() - change->oldValue.toInt()) % 4 + 4) % 4;
    return d == 3 ? -1 : d;
}

bool GridViewChangeAnimator::isAnimating() const {
    return m_move && m_move->state() == QAbstractAnimation::Running;
}

void GridViewChangeAnimator::show(const Frames& frames) {
    m_shown = frames;
    if (m_repeatView) {
        m_repeatView->setPlacement(frames.placement);
    }
    if (m_selectionView) {
        m_selectionView->setImageFrame(frames.selectionFrame);
    }
    if (m_overflownAreaView) {
        m_overflownAreaView->setFrame(frames.overflowFrame);
    }
}

void GridViewChangeAnimator::stopMoving() {
    if (m_move) {
        m_move->stop();
        m_move->deleteLater();
        m_move = nullptr;
    }
}

void GridViewChangeAnimator::applyImmediately(const Frames& frames,
                                              const GridViewChangeRecord& changes, bool enabled) {
    stopMoving();
    m_target = frames;
    show(frames);
    if (m_imageView) {
        m_imageView->setRotation(0);
    }
    if (!enabled) {
        return;
    }
    if (changes.contains(GridViewChangedProperty::image)) {
        bounceIn();
    } else if (changes.contains(GridViewChangedProperty::flipsImage) &&
               frames.placement.countX == 1 && frames.placement.countY == 1 && m_imageView) {
        // The mirrored picture is revealed by a quick fade.
        const qreal alpha = m_imageView->isSelected() ? 0.7 : 1.0;
        runOn(m_imageView, "alphaValue", {0.0, alpha}, {}, mirrorDuration_ms, QEasingCurve::InQuad);
    }
}

void GridViewChangeAnimator::bounceIn() {
    if (!m_imageView) {
        return;
    }
    m_imageView->setTransformOriginPoint(m_imageView->bounds().center());
    const qreal alpha = m_imageView->isSelected() ? 0.7 : 1.0;
    runOn(m_imageView, "alphaValue", {0.0, alpha}, {}, moveDuration_ms, QEasingCurve::Linear);
    runOn(m_imageView, "scale", {1.2, 0.9, 1.03, 1.0}, {0.0, 0.33, 0.6, 1.0}, bounceDuration_ms,
          QEasingCurve::OutQuad);
    for (QObject* item : {static_cast<QObject*>(m_selectionView.data()),
                          static_cast<QObject*>(m_overflownAreaView.data())}) {
        if (item) {
            runOn(item, "alphaValue", {0.0, 0.0, 0.0, 0.0, 1.0}, {}, bounceDuration_ms,
                  QEasingCurve::Linear);
        }
    }
}

void GridViewChangeAnimator::rotateIn(int q) {
    if (!m_imageView) {
        return;
    }
    m_imageView->setTransformOriginPoint(m_imageView->bounds().center());
    // The picture starts as it was turned before and turns into place.
    const double start = q == 2 ? -180.0 : -90.0 * q;
    runOn(m_imageView, "rotation", {start, 0.0}, {}, moveDuration_ms,
          q == 2 ? QEasingCurve::InOutQuad : QEasingCurve::OutQuad);
    for (QObject* item : {static_cast<QObject*>(m_selectionView.data()),
                          static_cast<QObject*>(m_overflownAreaView.data())}) {
        if (item) {
            runOn(item, "alphaValue", {0.0, 0.0, 0.0, 0.0, 1.0}, {}, bounceDuration_ms,
                  QEasingCurve::Linear);
        }
    }
}

void GridViewChangeAnimator::animate(const Frames& frames, const GridViewChangeRecord& changes) {
    const Frames from = m_shown.value_or(frames);
    stopMoving();
    m_target = frames;
    const bool area = areaFlag(changes);
    const int q = quarterTurns(changes);
    if (writesDiagnostics()) {
        std::fprintf(stderr, "%s\n",
                     qPrintable(QStringLiteral("sss ") + describe(from.selectionFrame.size()) +
                                QStringLiteral(" -> ") + describe(frames.selectionFrame.size())));
        std::fprintf(stderr, "ani: %s, %s\n", q != 0 ? "[rotation]" : "[]",
                     area ? "true" : "false");
    }
    if (q != 0) {
        // A turn: everything lands at once and the picture turns into place.
        show(frames);
        rotateIn(q);
        return;
    }
    if (m_imageView) {
        m_imageView->setRotation(0);
    }
    // The tint and the frame jump when only the number of further copies
    // changes; they grow when the picture goes from one copy to more.
    Frames start = from;
    if (!area) {
        start.selectionFrame = frames.selectionFrame;
        start.overflowFrame = frames.overflowFrame;
    }
    start.placement.countX = std::max(from.placement.countX, frames.placement.countX);
    start.placement.countY = std::max(from.placement.countY, frames.placement.countY);
    if (start == frames || CanvasAnimation::completesAtOnce()) {
        show(frames);
        return;
    }
    m_move = new QVariantAnimation(this);
    m_move->setDuration(moveDuration_ms);
    m_move->setEasingCurve(QEasingCurve::OutQuad);
    m_move->setStartValue(0.0);
    m_move->setEndValue(1.0);
    connect(
        m_move, &QVariantAnimation::valueChanged, this, [this, start, frames](const QVariant& v) {
            const double t = v.toDouble();
            if (t >= 1.0) {
                show(frames);
                return;
            }
            Frames f = frames;
            f.placement.stripRect = mix(start.placement.stripRect, frames.placement.stripRect, t);
            f.placement.imageFrame =
                mix(start.placement.imageFrame, frames.placement.imageFrame, t);
            f.placement.stepX = mix(start.placement.stepX, frames.placement.stepX, t);
            f.placement.stepY = mix(start.placement.stepY, frames.placement.stepY, t);
            f.placement.countX = start.placement.countX;
            f.placement.countY = start.placement.countY;
            f.selectionFrame = mix(start.selectionFrame, frames.selectionFrame, t);
            f.overflowFrame = mix(start.overflowFrame, frames.overflowFrame, t);
            show(f);
        });
    connect(m_move, &QVariantAnimation::finished, this, [this, frames] { show(frames); });
    show(start);
    m_move->start();
}

} // namespace kestrom
