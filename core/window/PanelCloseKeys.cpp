#include "core/window/PanelCloseKeys.h"

#include <QKeyEvent>
#include <QWidget>

namespace kestrom {

namespace {

bool closesPanel(const QKeyEvent& key) {
    return key.matches(QKeySequence::Cancel) || key.matches(QKeySequence::Close);
}

} // namespace

PanelCloseKeys::PanelCloseKeys(QWidget& panel) : QObject(&panel), m_panel(panel) {
    panel.installEventFilter(this);
}

void PanelCloseKeys::install(QWidget& panel) {
    new PanelCloseKeys(panel);
}

bool PanelCloseKeys::eventFilter(QObject* watched, QEvent* event) {
    if (watched != &m_panel ||
        (event->type() != QEvent::ShortcutOverride && event->type() != QEvent::KeyPress)) {
        return false;
    }
    auto* key = static_cast<QKeyEvent*>(event);
    if (!closesPanel(*key)) {
        return false;
    }
    // Claiming the override turns the key into a key press for the panel
    // instead of a shortcut of some window behind it.
    key->accept();
    if (event->type() == QEvent::KeyPress) {
        m_panel.close();
    }
    return true;
}

} // namespace kestrom
