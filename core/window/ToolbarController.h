#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QStringList>

class QAction;
class QSplitter;
class QToolBar;
class QToolButton;

namespace kestrom {

class MachineToolbarItemViewController;

// Builds the document window's toolbar: the machine item, a separator that
// follows the split's divider, help, a flexible space and the inspector
// toggle. The window takes the controls and wires their actions.
class ToolbarController : public QObject {
    Q_OBJECT
public:
    enum class ItemKind { help, machine, separate1, canvas, inspector };

    explicit ToolbarController(QSplitter* splitViewController, QObject* parent = nullptr);
    ~ToolbarController() override;

    static const QString flexibleSpaceIdentifier;
    static QStringList allowedItemIdentifiers();
    static QStringList defaultItemIdentifiers();

    QToolBar* toolbar() const { return m_toolbar; }
    MachineToolbarItemViewController* machineViewController() const { return m_machine; }
    QToolButton* toggleInspectorButton() const { return m_toggleInspectorButton; }
    QToolButton* helpButton() const { return m_helpButton; }

    // The item of the identifier, made once per toolbar; an unknown
    // identifier gives a plain item of that name.
    QAction* item(const QString& identifier);
    // Repaints the symbols in the toolbar's current text colour.
    void updateIcons();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void updateSeparatorWidth();

    QToolBar* m_toolbar;
    MachineToolbarItemViewController* m_machine;
    QToolButton* m_toggleInspectorButton;
    QToolButton* m_helpButton;
    QPointer<QSplitter> m_splitViewController;
    QWidget* m_trackingSeparator = nullptr;
    QHash<QString, QAction*> m_items;
};

} // namespace kestrom
