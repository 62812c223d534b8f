#pragma once

#include <QWidget>

namespace kestrom {

class AboutViewController;

// The About window. One exists at a time: closing it discards it, and the
// next About command builds a fresh one that reads every text again.
class AboutPanelController : public QWidget {
    Q_OBJECT
public:
    static AboutPanelController& shared();
    // Whether a panel exists now (tests).
    static bool hasShared();

    AboutViewController* aboutViewController() const { return m_content; }
    // Shows, raises and centres the panel on its screen.
    void showWindow();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    AboutPanelController();

    AboutViewController* m_content;
};

} // namespace kestrom
