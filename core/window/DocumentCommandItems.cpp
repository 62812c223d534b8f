#include "core/window/DocumentCommandItems.h"

#include "core/window/DocumentWindow.h"

#include <QAction>

namespace kestrom {

void DocumentCommandItems::add(QAction* item, DocumentActions::Action action) {
    m_entries.append({item, action, item->text()});
}

void DocumentCommandItems::refresh(const DocumentWindow* window) const {
    for (const Entry& entry : m_entries) {
        if (!entry.item) {
            continue;
        }
        const DocumentActions::ItemState state =
            window ? window->validateCommand(entry.action) : DocumentActions::ItemState{};
        entry.item->setEnabled(state.enabled);
        if (entry.item->isCheckable()) {
            entry.item->setChecked(state.checked);
        }
        entry.item->setText(state.title.value_or(entry.title));
    }
}

} // namespace kestrom
