#include "core/canvas/CanvasAnimation.h"

#include "core/canvas/CanvasItem.h"

#include <QPropertyAnimation>

namespace kestrom {

namespace {

bool atOnce = false;

} // namespace

bool CanvasAnimation::completesAtOnce() {
    return atOnce;
}

void CanvasAnimation::setCompletesAtOnce(bool completes) {
    atOnce = completes;
}

void CanvasAnimation::fadeTo(CanvasItem* item, qreal alpha, int duration_ms,
                             QEasingCurve::Type curve, std::function<void()> completion) {
    const auto running = item->findChildren<QPropertyAnimation*>(Qt::FindDirectChildrenOnly);
    for (QPropertyAnimation* earlier : running) {
        if (earlier->propertyName() == "alphaValue") {
            earlier->disconnect();
            earlier->stop();
            earlier->deleteLater();
        }
    }
    if (atOnce || duration_ms <= 0) {
        item->setAlphaValue(alpha);
        if (completion) {
            completion();
        }
        return;
    }
    // Owned by the item, so that it ends with it.
    auto* animation = new QPropertyAnimation(item, "alphaValue", item);
    if (completion) {
        QObject::connect(animation, &QPropertyAnimation::finished, item, std::move(completion));
    }
    animation->setDuration(duration_ms);
    animation->setEasingCurve(curve);
    animation->setEndValue(alpha);
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

} // namespace kestrom
