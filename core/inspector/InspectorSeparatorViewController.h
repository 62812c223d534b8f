#pragma once

#include "core/inspector/InspectorPaneViewController.h"

class QFrame;
class QHBoxLayout;

namespace kestrom {

// The line between two panes: an inset line, or, while content scrolls
// under it, a full-width floating border.
class InspectorSeparatorViewController : public InspectorPaneViewController {
    Q_OBJECT
public:
    explicit InspectorSeparatorViewController(QWidget* parent = nullptr);

    bool isFloating() const { return m_isFloating; }
    void setFloating(bool floating);

    QFrame* separator() const { return m_separator; }
    QWidget* floatingBorder() const { return m_floatingBorder; }

private:
    QHBoxLayout* m_layout;
    QFrame* m_separator;
    QWidget* m_floatingBorder;
    bool m_isFloating = false;
};

} // namespace kestrom
