#include "core/canvas/GridViewAccessible.h"

#include "core/canvas/GridView.h"
#include "core/canvas/GridViewImageSelectionView.h"
#include "core/document/job/KestromText.h"

#include <QFileInfo>
#include <QLocale>

namespace kestrom {

namespace {

QAccessibleInterface* canvasFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("kestrom::GridView") && object && object->isWidgetType()) {
        return new GridViewAccessible(static_cast<GridView*>(object));
    }
    return nullptr;
}

// Millimetres as the settings show them: at most two decimals, without
// trailing zeros.
QString millimetres(double value) {
    const QLocale locale;
    QString text = locale.toString(value, 'f', 2);
    const QString point = locale.decimalPoint();
    if (text.contains(point)) {
        while (text.endsWith(u'0')) {
            text.chop(1);
        }
        if (text.endsWith(point)) {
            text.chop(point.size());
        }
    }
    return text;
}

} // namespace

GridViewAccessible::GridViewAccessible(GridView* view)
    : QAccessibleWidget(view, QAccessible::Canvas) {}

void GridViewAccessible::installFactory() {
    static const bool installed = [] {
        QAccessible::installFactory(canvasFactory);
        return true;
    }();
    Q_UNUSED(installed);
}

GridView* GridViewAccessible::view() const {
    return static_cast<GridView*>(widget());
}

QString GridViewAccessible::text(QAccessible::Text t) const {
    switch (t) {
    case QAccessible::Name:
        return widget()->accessibleName().isEmpty() ? KestromText::text("Canvas_AccessibleName")
                                                    : widget()->accessibleName();
    case QAccessible::Description:
        return describe(*view());
    default:
        return QAccessibleWidget::text(t);
    }
}

QAccessible::State GridViewAccessible::state() const {
    QAccessible::State state = QAccessibleWidget::state();
    state.focusable = true;
    state.selectable = view()->originalImage() != nullptr;
    state.selected = state.selectable && view()->imageSelectionView()->isSelected();
    return state;
}

QString GridViewAccessible::describe(const GridView& view) {
    const auto& picture = view.originalImage();
    if (!picture) {
        return KestromText::text("Canvas_AccessibleDescription_NoPicture");
    }
    const QUrl url = picture->fileURL();
    const QString name = url.isEmpty() ? KestromText::text("Canvas_AccessiblePictureWithoutFile")
                                       : QFileInfo(url.path()).fileName();
    const auto size = view.imageSizeForDisplay_mm();
    const auto offset = view.imageOffset_mm();
    return KestromText::text("Canvas_AccessibleDescription_Picture")
        .arg(name, millimetres(size.width), millimetres(size.height), millimetres(offset.x),
             millimetres(offset.y));
}

} // namespace kestrom
