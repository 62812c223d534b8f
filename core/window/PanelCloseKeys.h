#pragma once

#include <QObject>

class QWidget;

namespace kestrom {

// Escape and the Close shortcut close a panel window (About, help) while it
// has the keyboard: the keys never reach the main menu, whose Close would
// act on a document behind the panel.
class PanelCloseKeys : public QObject {
    Q_OBJECT
public:
    // Watches the panel's keys for as long as the panel lives.
    static void install(QWidget& panel);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit PanelCloseKeys(QWidget& panel);

    QWidget& m_panel;
};

} // namespace kestrom
