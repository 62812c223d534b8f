#include "core/inspector/InspectorPaneLayout.h"

#include "core/document/job/KestromText.h"
#include "core/inspector/InspectorNumberTextField.h"
#include "core/inspector/InspectorSlidableLabel.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QLabel>

namespace kestrom {

QGridLayout* InspectorPaneLayout::makeGrid(QWidget* pane, const QString& heading) {
    auto* grid = new QGridLayout(pane);
    grid->setContentsMargins(12, 10, 12, 12);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(6);
    grid->setColumnStretch(1, 1);
    grid->setColumnMinimumWidth(0, 84);
    if (!heading.isEmpty()) {
        auto* title = new QLabel(heading, pane);
        QFont bold = title->font();
        bold.setBold(true);
        title->setFont(bold);
        grid->addWidget(title, 0, 0, 1, 4);
    }
    return grid;
}

int InspectorPaneLayout::nextRow(const QGridLayout* grid) {
    // rowCount() counts at least one row even when the grid is empty.
    return grid->count() == 0 ? 0 : grid->rowCount();
}

QLabel* InspectorPaneLayout::addCaption(QGridLayout* grid, int row, const QString& caption) {
    auto* label = new QLabel(caption, grid->parentWidget());
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    grid->addWidget(label, row, 0);
    return label;
}

InspectorNumberTextField* InspectorPaneLayout::addNumberRow(QGridLayout* grid,
                                                            const QString& caption,
                                                            const QString& unit, double minimum,
                                                            double maximum, int fractionDigits,
                                                            InspectorSlidableLabel** captionOut) {
    QWidget* pane = grid->parentWidget();
    const int row = nextRow(grid);
    auto* label = new InspectorSlidableLabel(caption, pane);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* field = new InspectorNumberTextField(pane);
    NumberFormatter formatter;
    formatter.setMinimum(minimum);
    formatter.setMaximum(maximum);
    formatter.setMaximumFractionDigits(fractionDigits);
    field->setFormatter(formatter);
    field->setMinimumWidth(
        QFontMetrics(field->font()).horizontalAdvance(QStringLiteral("-0000.00")) + 12);
    label->setTargetTextField(field);
    grid->addWidget(label, row, 0);
    grid->addWidget(field, row, 1);
    if (!unit.isEmpty()) {
        grid->addWidget(new QLabel(unit, pane), row, 2);
    }
    if (captionOut) {
        *captionOut = label;
    }
    return field;
}

} // namespace kestrom
