#pragma once

#include "platform/Observable.h"

#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace platform {

// The undo and redo stacks of one document.
//
// - Steps are made of groups. Groups nest; only the outermost group becomes
//   a step, and the step is named by the outermost group that has a name.
//   A group that closes with nothing registered leaves no step.
// - While groupsByEvent() holds (the default), a registration outside any
//   group opens one that closes when control returns to the event loop, so
//   everything one event does is one step.
// - A continuous edit (a drag) is one step however many turns of the event
//   loop it spans: between beginContinuousEdit() and endContinuousEdit()
//   nothing is closed at the end of an event, and what the event that began
//   it had done joins its step. Use ContinuousUndoEdit to hold one.
// - Registrations while undoing become the redo step; while redoing, the
//   undo step. A new step outside undo and redo clears the redo stack.
// - disableUndoRegistration()/enableUndoRegistration() nest like a counter;
//   nothing is recorded while the count is above zero.
// - changeCount() counts +1 for each step done or redone and -1 for each
//   undone, for the document's edited flag; stateIdentifier() names the step
//   on top of the undo stack, so a document can tell the saved state apart
//   from a different state with the same count.
// - Each stack holds at most levelsOfUndo() steps and, beyond its newest
//   step, at most maximumUndoMemory() bytes of what the steps keep (the cost
//   given at registration); the oldest steps go first. A step the user can
//   no longer reach costs memory for nothing, and scripts can make steps
//   without end.
//
// Observable keys: "canUndo", "canRedo", "undoActionName", "redoActionName",
// "undoMenuItemTitle", "redoMenuItemTitle", "changeCount", "isUndoing",
// "isRedoing". Main thread only.
class UndoManager : public Observable {
public:
    static constexpr int defaultLevelsOfUndo = 100;
    static constexpr qint64 defaultMaximumUndoMemory = qint64(64) << 20;

    UndoManager();
    ~UndoManager() override;
    UndoManager(const UndoManager&) = delete;
    UndoManager& operator=(const UndoManager&) = delete;

    void beginUndoGrouping();
    // Closing a group that was never opened is reported and ignored.
    void endUndoGrouping();
    int groupingLevel() const;
    bool groupsByEvent() const { return m_groupsByEvent; }
    void setGroupsByEvent(bool groupsByEvent) { m_groupsByEvent = groupsByEvent; }

    // They nest; only the outermost end closes the step. An end without its
    // begin is reported and ignored.
    void beginContinuousEdit();
    void endContinuousEdit();
    bool isInContinuousEdit() const { return m_continuousEdits > 0; }

    // `target` lets removeAllActions(target) drop a closing document's steps;
    // `cost` is the bytes the handler keeps alive.
    void registerUndo(std::function<void()> handler, const void* target = nullptr, qint64 cost = 0);
    void setActionName(const QString& name);

    void disableUndoRegistration();
    void enableUndoRegistration();
    bool isUndoRegistrationEnabled() const { return m_disableCount == 0; }

    // Limits of each stack; 0 means none. A lower limit applies at once.
    int levelsOfUndo() const { return m_levelsOfUndo; }
    void setLevelsOfUndo(int levels);
    qint64 maximumUndoMemory() const { return m_maximumUndoMemory; }
    void setMaximumUndoMemory(qint64 bytes);
    // The cost the steps of both stacks keep, for tests and diagnostics.
    qint64 undoMemory() const;

    bool canUndo() const;
    bool canRedo() const;
    // Undoes the top step; an open group made for the current event is
    // closed first. Refused (reported) while a group of the caller is open.
    void undo();
    void redo();
    bool isUndoing() const { return m_undoing; }
    bool isRedoing() const { return m_redoing; }

    // While a group is open: the name it will have (empty when none was set
    // yet). Otherwise the name of the step on top of the stack.
    QString undoActionName() const;
    QString redoActionName() const;
    // "Undo" or "Undo <name>", "Redo" or "Redo <name>", from the string table.
    QString undoMenuItemTitle() const;
    QString redoMenuItemTitle() const;

    void removeAllActions();
    void removeAllActions(const void* target);

    qint64 changeCount() const;
    qint64 stateIdentifier() const;

    // Gone once the manager is destroyed; lets holders of a raw pointer
    // tell.
    std::weak_ptr<const bool> lifetime() const { return m_alive; }

    QVariant valueForKey(const QString& key) const override;

private:
    struct Action {
        std::function<void()> handler;
        const void* target = nullptr;
        qint64 cost = 0;
    };
    struct Group {
        QString name;
        std::vector<Action> actions;
        qint64 identifier = 0;
        qint64 cost() const;
    };

    bool openEventGroupIfNeeded();
    void scheduleEventGroupClose();
    bool hasPendingStep() const;
    bool becomesPendingStep(bool adding) const;
    void closeEventGroup();
    void mergeIntoOpenGroup(Group group);
    void pushStep(Group group);
    void perform(std::vector<Group>& from, bool undoing);
    void changeStacks(const std::function<void()>& change);
    // Drops the oldest steps of a stack beyond the limits; the newest stays.
    void trim(std::vector<Group>& stack) const;

    std::vector<Group> m_undoStack;
    std::vector<Group> m_redoStack;
    std::vector<Group> m_openGroups;
    bool m_eventGroupOpen = false;
    bool m_groupsByEvent = true;
    int m_continuousEdits = 0;
    // The event's group, kept open past its event for a continuous edit.
    bool m_eventGroupHeld = false;
    int m_disableCount = 0;
    bool m_undoing = false;
    bool m_redoing = false;
    qint64 m_changeCount = 0;
    qint64 m_nextIdentifier = 1;
    int m_levelsOfUndo = defaultLevelsOfUndo;
    qint64 m_maximumUndoMemory = defaultMaximumUndoMemory;
    std::shared_ptr<bool> m_alive;
};

} // namespace platform
