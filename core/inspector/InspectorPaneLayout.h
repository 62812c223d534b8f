#pragma once

#include <QString>

#include <optional>

class QGridLayout;
class QLabel;
class QWidget;

namespace kestrom {

class InspectorNumberTextField;
class InspectorSlidableLabel;

// The common shape of the inspector's panes: a bold heading, then rows of a
// right-aligned caption, a control and a unit, so that the controls of all
// rows line up in one column.
class InspectorPaneLayout {
public:
    // Columns: caption, control, unit (and a fourth for small extra buttons).
    static QGridLayout* makeGrid(QWidget* pane, const QString& heading);
    // A field whose caption can be dragged to change it.
    static InspectorNumberTextField* addNumberRow(QGridLayout* grid, const QString& caption,
                                                  const QString& unit, double minimum,
                                                  double maximum, int fractionDigits,
                                                  InspectorSlidableLabel** captionOut = nullptr);
    static QLabel* addCaption(QGridLayout* grid, int row, const QString& caption);
    static int nextRow(const QGridLayout* grid);
};

} // namespace kestrom
