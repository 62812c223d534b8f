#pragma once

#include "core/document/application/DocumentActions.h"

#include <QList>
#include <QPointer>
#include <QString>

class QAction;

namespace kestrom {

class DocumentWindow;

// Main menu items that run a command of the document in front: each item
// carries its command and takes its enabling, check mark and title from
// the document's own validation.
class DocumentCommandItems {
public:
    // The item's text is its title whenever the validation gives none.
    void add(QAction* item, DocumentActions::Action action);
    // Without a window every item is disabled and keeps its own title.
    void refresh(const DocumentWindow* window) const;

private:
    struct Entry {
        QPointer<QAction> item;
        DocumentActions::Action action;
        QString title;
    };
    QList<Entry> m_entries;
};

} // namespace kestrom
