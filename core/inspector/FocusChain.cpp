#include "core/inspector/FocusChain.h"

#include <QWidget>

namespace kestrom {

namespace {

void collectStops(const QWidget* parent, const QWidget* window, QList<QWidget*>& stops) {
    for (QObject* object : parent->children()) {
        auto* widget = qobject_cast<QWidget*>(object);
        // Pop-ups and other windows of their own keep their own order.
        if (!widget || widget->isWindow()) {
            continue;
        }
        if ((widget->focusPolicy() & Qt::TabFocus) && !widget->focusProxy() &&
            widget->window() == window) {
            stops.append(widget);
        }
        collectStops(widget, window, stops);
    }
}

} // namespace

QList<QWidget*> FocusChain::stopsIn(const QWidget* root) {
    QList<QWidget*> stops;
    if (root) {
        collectStops(root, root->window(), stops);
    }
    return stops;
}

void FocusChain::link(const QList<QWidget*>& stops) {
    for (qsizetype i = 1; i < stops.size(); ++i) {
        QWidget::setTabOrder(stops[i - 1], stops[i]);
    }
}

} // namespace kestrom
