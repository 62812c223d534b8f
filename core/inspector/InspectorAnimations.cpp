#include "core/inspector/InspectorAnimations.h"

#include "core/inspector/SpringCurve.h"

#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QPropertyAnimation>
#include <QVariantAnimation>

#include <cmath>

namespace kestrom {

namespace {

bool g_testMode = false;

QList<InspectorAnimations::Record>& recordList() {
    static QList<InspectorAnimations::Record> list;
    return list;
}

QString animationName(const QString& key) {
    return QStringLiteral("InspectorAnimation_") + key;
}

// Runs a spring on the widget's position; a running spring of the same key
// is stopped first so the widget returns to its place.
void runSpring(QWidget* widget, const QString& key, const SpringCurve& curve, bool horizontal) {
    if (auto* running =
            widget->findChild<QVariantAnimation*>(animationName(key), Qt::FindDirectChildrenOnly)) {
        running->stop();
        delete running;
    }
    const QPoint origin = widget->pos();
    auto* animation = new QVariantAnimation(widget);
    animation->setObjectName(animationName(key));
    const double duration = curve.settlingDuration();
    animation->setDuration(qMax(1, int(std::lround(duration * 1000))));
    animation->setStartValue(0.0);
    animation->setEndValue(duration);
    QObject::connect(animation, &QVariantAnimation::valueChanged, widget,
                     [widget, origin, curve, horizontal](const QVariant& t) {
                         const int offset = int(std::lround(curve.displacement(t.toDouble())));
                         widget->move(origin +
                                      (horizontal ? QPoint(offset, 0) : QPoint(0, offset)));
                     });
    QObject::connect(animation, &QVariantAnimation::finished, widget,
                     [widget, origin] { widget->move(origin); });
    QObject::connect(animation, &QObject::destroyed, widget,
                     [widget, origin] { widget->move(origin); });
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

} // namespace

void InspectorAnimations::setTestMode(bool testMode) {
    g_testMode = testMode;
    clearRecords();
}

bool InspectorAnimations::testMode() {
    return g_testMode;
}

const QList<InspectorAnimations::Record>& InspectorAnimations::records() {
    return recordList();
}

void InspectorAnimations::clearRecords() {
    recordList().clear();
}

bool InspectorAnimations::wasRecorded(const QObject* target, const QString& key) {
    for (const Record& r : recordList()) {
        if (r.target == target && r.key == key) {
            return true;
        }
    }
    return false;
}

void InspectorAnimations::record(QObject* target, const QString& key) {
    recordList().append({target, key});
}

void InspectorAnimations::shake(QWidget* widget, const QString& key) {
    if (!widget) {
        return;
    }
    if (g_testMode) {
        record(widget, key);
        return;
    }
    runSpring(widget, key, SpringCurve{2.0, 2000.0, 50.0, 20.0, -20.0}, true);
}

void InspectorAnimations::bounce(QWidget* widget, const QString& key) {
    if (!widget) {
        return;
    }
    if (g_testMode) {
        record(widget, key);
        return;
    }
    // Widgets do not turn; a few pixels of vertical spring read the same way.
    runSpring(widget, key, SpringCurve{2.0, 6000.0, 50.0, -20.0, 6.0}, false);
}

void InspectorAnimations::addTransition(QWidget* view, TransitionType type,
                                        TransitionSubtype subtype) {
    if (!view) {
        return;
    }
    removeTransition(view);
    if (g_testMode) {
        record(view, QStringLiteral("transition"));
        return;
    }
    if (!view->isVisible() || view->size().isEmpty()) {
        return;
    }
    if (type == TransitionType::fade) {
        // The view's new content fades in.
        auto* effect = new QGraphicsOpacityEffect(view);
        effect->setObjectName(animationName(QStringLiteral("transition")));
        effect->setOpacity(0);
        view->setGraphicsEffect(effect);
        auto* fade = new QPropertyAnimation(effect, "opacity", effect);
        fade->setDuration(100);
        fade->setEndValue(1.0);
        fade->setEasingCurve(QEasingCurve::InOutQuad);
        QObject::connect(fade, &QAbstractAnimation::finished, view,
                         [view] { view->setGraphicsEffect(nullptr); });
        fade->start();
        return;
    }
    QWidget* host = view->parentWidget();
    if (!host) {
        return;
    }
    // A picture of what the view shows now, laid over it and slid away.
    auto* overlay = new QLabel(host);
    overlay->setObjectName(animationName(QStringLiteral("transition")));
    overlay->setAttribute(Qt::WA_TransparentForMouseEvents);
    overlay->setAutoFillBackground(true);
    overlay->setPixmap(view->grab());
    overlay->setGeometry(view->geometry());
    overlay->show();
    overlay->raise();
    const int direction = subtype == TransitionSubtype::fromLeft ? 1 : -1;
    auto* slide = new QPropertyAnimation(overlay, "pos", overlay);
    slide->setDuration(300);
    slide->setStartValue(view->pos());
    slide->setEndValue(view->pos() + QPoint(direction * view->width(), 0));
    slide->setEasingCurve(QEasingCurve::InOutQuad);
    QObject::connect(slide, &QAbstractAnimation::finished, overlay, &QObject::deleteLater);
    slide->start();
}

void InspectorAnimations::removeTransition(QWidget* view) {
    if (!view) {
        return;
    }
    const QString key = QStringLiteral("transition");
    recordList().removeIf(
        [view, &key](const Record& r) { return r.target == view && r.key == key; });
    if (QWidget* host = view->parentWidget()) {
        const auto overlays =
            host->findChildren<QLabel*>(animationName(key), Qt::FindDirectChildrenOnly);
        for (QLabel* overlay : overlays) {
            delete overlay;
        }
    }
    if (auto* effect = view->graphicsEffect();
        effect && effect->objectName() == animationName(key)) {
        view->setGraphicsEffect(nullptr);
    }
}

void InspectorAnimations::fadeOpacity(QObject* target, qreal to) {
    if (!target) {
        return;
    }
    const QString name = animationName(QStringLiteral("opacity"));
    if (auto* running = target->findChild<QPropertyAnimation*>(name, Qt::FindDirectChildrenOnly)) {
        running->stop();
        delete running;
    }
    if (g_testMode) {
        target->setProperty("opacity", to);
        return;
    }
    auto* animation = new QPropertyAnimation(target, "opacity", target);
    animation->setObjectName(name);
    animation->setDuration(200);
    animation->setEndValue(to);
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

} // namespace kestrom
