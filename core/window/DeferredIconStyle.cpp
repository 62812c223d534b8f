#include "core/window/DeferredIconStyle.h"

#include "core/window/DeferredIconEngine.h"

#include <QPointer>
#include <QStyleOption>

#include <optional>

namespace kestrom {

DeferredIconStyle::DeferredIconStyle(QStyle* base) : QProxyStyle(base) {}

QIcon DeferredIconStyle::standardIcon(StandardPixmap standardIcon, const QStyleOption* option,
                                      const QWidget* widget) const {
    if (standardIcon != SP_ToolBarHorizontalExtensionButton &&
        standardIcon != SP_ToolBarVerticalExtensionButton) {
        return QProxyStyle::standardIcon(standardIcon, option, widget);
    }
    // The option only tells the direction of the text, which the arrow
    // follows; the widget may be gone by the time the arrow is drawn.
    std::optional<QStyleOption> copied;
    if (option) {
        copied.emplace(*option);
    }
    QPointer<const QStyle> style(baseStyle());
    return QIcon(new DeferredIconEngine([style, standardIcon, copied] {
        return style ? style->standardIcon(standardIcon, copied ? &*copied : nullptr) : QIcon();
    }));
}

} // namespace kestrom
