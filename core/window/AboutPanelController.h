#pragma once

#include <QPointer>
#include <QWidget>

namespace kestrom {

// The About window: one for the process, made on first use.
class AboutPanelController {
public:
    static AboutPanelController& shared();

    void showWindow();
    QWidget* window() const { return m_window; }

private:
    QPointer<QWidget> m_window;
};

} // namespace kestrom
