#pragma once

#include <QAccessibleWidget>

namespace kestrom {

class GridView;

// The canvas as a screen reader meets it: one focusable element named
// "Canvas", selectable while a picture is placed, whose description tells
// the picture's file, its size and its offset as the settings show them.
class GridViewAccessible : public QAccessibleWidget {
public:
    explicit GridViewAccessible(GridView* view);

    // Makes every canvas answer with this interface; once per process.
    static void installFactory();

    QString text(QAccessible::Text t) const override;
    QAccessible::State state() const override;
    // The canvas is one element; its viewport is no child of its own.
    int childCount() const override { return 0; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }

    // What the description says for the canvas's picture and placement.
    static QString describe(const GridView& view);

private:
    GridView* view() const;
};

} // namespace kestrom
