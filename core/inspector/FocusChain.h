#pragma once

#include <QList>

class QWidget;

namespace kestrom {

// Tab order set from the widget tree rather than from the order widgets were
// made in or moved between windows: panes and editors built later than their
// neighbours would otherwise be reached last.
class FocusChain {
public:
    // The widgets under root that Tab stops at, in the order of the tree
    // (each parent's children in turn, depth first), root itself left out.
    static QList<QWidget*> stopsIn(const QWidget* root);
    // Tab goes from each stop to the next, Shift+Tab back.
    static void link(const QList<QWidget*>& stops);
};

} // namespace kestrom
