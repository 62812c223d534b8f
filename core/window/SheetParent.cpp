#include "core/window/SheetParent.h"

#include <QApplication>
#include <QWidget>

namespace kestrom {

QWidget* SheetParent::of(QWidget* window) {
    QWidget* modal = QApplication::activeModalWidget();
    if (!window || !modal || modal == window) {
        return window;
    }
    for (const QWidget* owner = modal->parentWidget(); owner; owner = owner->parentWidget()) {
        if (owner == window) {
            return modal;
        }
    }
    return window;
}

} // namespace kestrom
