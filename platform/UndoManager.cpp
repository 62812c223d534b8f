#include "platform/UndoManager.h"

#include "platform/Log.h"
#include "platform/PlatformText.h"
#include "platform/StringFormat.h"

#include <QCoreApplication>

#include <algorithm>

namespace platform {

namespace {

const QStringList observableKeys = {
    QStringLiteral("canUndo"),           QStringLiteral("canRedo"),
    QStringLiteral("undoActionName"),    QStringLiteral("redoActionName"),
    QStringLiteral("undoMenuItemTitle"), QStringLiteral("redoMenuItemTitle"),
    QStringLiteral("changeCount"),       QStringLiteral("isUndoing"),
    QStringLiteral("isRedoing")};

QString menuItemTitle(const char* key, const QString& name) {
    if (name.isEmpty()) {
        return PlatformText::text(QString::fromLatin1(key));
    }
    return StringFormat::format(
        PlatformText::text(QString::fromLatin1(key) + QStringLiteral("WithName")), {name});
}

// Clears a flag however the undo handlers leave.
struct FlagScope {
    bool& flag;
    explicit FlagScope(bool& f) : flag(f) { flag = true; }
    ~FlagScope() { flag = false; }
};

} // namespace

UndoManager::UndoManager() : m_alive(std::make_shared<bool>(true)) {}

UndoManager::~UndoManager() = default;

int UndoManager::groupingLevel() const {
    return int(m_openGroups.size());
}

bool UndoManager::openEventGroupIfNeeded() {
    if (!m_openGroups.empty() || !m_groupsByEvent || m_continuousEdits > 0 || m_undoing ||
        m_redoing || !QCoreApplication::instance()) {
        return false;
    }
    // The outermost group of this event, closed when control returns to the
    // event loop.
    m_openGroups.push_back(Group{{}, {}, m_nextIdentifier++});
    m_eventGroupOpen = true;
    scheduleEventGroupClose();
    return true;
}

void UndoManager::scheduleEventGroupClose() {
    std::weak_ptr<bool> alive = m_alive;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [this, alive] {
            if (alive.lock()) {
                closeEventGroup();
            }
        },
        Qt::QueuedConnection);
}

void UndoManager::beginUndoGrouping() {
    openEventGroupIfNeeded();
    Group group;
    if (m_openGroups.empty()) {
        group.identifier = m_nextIdentifier++;
    }
    m_openGroups.push_back(std::move(group));
}

void UndoManager::endUndoGrouping() {
    if (m_openGroups.empty() || (m_eventGroupOpen && m_openGroups.size() == 1)) {
        Log::line(QStringLiteral("An undo group was closed that was never opened."));
        return;
    }
    Group group = std::move(m_openGroups.back());
    m_openGroups.pop_back();
    if (m_openGroups.empty()) {
        pushStep(std::move(group));
        return;
    }
    if (becomesPendingStep(!group.actions.empty())) {
        changeStacks([&] { mergeIntoOpenGroup(std::move(group)); });
    } else {
        mergeIntoOpenGroup(std::move(group));
    }
}

void UndoManager::mergeIntoOpenGroup(Group group) {
    // The outer group's name wins; an unnamed one takes its first inner name.
    Group& parent = m_openGroups.back();
    if (parent.name.isEmpty()) {
        parent.name = group.name;
    }
    for (Action& action : group.actions) {
        parent.actions.push_back(std::move(action));
    }
}

bool UndoManager::becomesPendingStep(bool adding) const {
    return adding && m_eventGroupOpen && m_openGroups.size() == 1 && !hasPendingStep();
}

void UndoManager::beginContinuousEdit() {
    ++m_continuousEdits;
    beginUndoGrouping();
}

void UndoManager::endContinuousEdit() {
    if (m_continuousEdits == 0) {
        Log::line(QStringLiteral("A continuous edit was ended that never began."));
        return;
    }
    --m_continuousEdits;
    endUndoGrouping();
    if (m_continuousEdits > 0 || !m_eventGroupHeld) {
        return;
    }
    m_eventGroupHeld = false;
    if (m_openGroups.size() == 1) {
        Group group = std::move(m_openGroups.back());
        m_openGroups.pop_back();
        pushStep(std::move(group));
    } else if (!m_openGroups.empty()) {
        // A caller's own group is still open inside the held one: it closes
        // at the end of this event again.
        m_eventGroupOpen = true;
        scheduleEventGroupClose();
    }
}

void UndoManager::closeEventGroup() {
    if (!m_eventGroupOpen) {
        return;
    }
    if (m_continuousEdits > 0 && m_openGroups.size() > 1) {
        // The edit goes on past this event; its step takes in what the
        // event did before it began, and closes with it.
        m_eventGroupOpen = false;
        m_eventGroupHeld = true;
        return;
    }
    if (m_openGroups.size() > 1) {
        Log::line(
            QStringLiteral("Undo groups were left open at the end of an event; closing them."));
        while (m_openGroups.size() > 1) {
            Group group = std::move(m_openGroups.back());
            m_openGroups.pop_back();
            mergeIntoOpenGroup(std::move(group));
        }
    }
    m_eventGroupOpen = false;
    Group group = std::move(m_openGroups.back());
    m_openGroups.pop_back();
    if (!group.actions.empty()) {
        // Already shown as the pending step: no observable value changes,
        // and trimming leaves the newest step and its name.
        m_undoStack.push_back(std::move(group));
        ++m_changeCount;
        trim(m_undoStack);
    }
}

void UndoManager::pushStep(Group group) {
    if (group.actions.empty()) {
        return;
    }
    changeStacks([&] {
        m_undoStack.push_back(std::move(group));
        ++m_changeCount;
        trim(m_undoStack);
    });
}

void UndoManager::registerUndo(std::function<void()> handler, const void* target, qint64 cost) {
    if (!isUndoRegistrationEnabled()) {
        return;
    }
    Action action{std::move(handler), target, std::max<qint64>(cost, 0)};
    if (!m_undoing && !m_redoing && !m_redoStack.empty()) {
        changeStacks([&] { m_redoStack.clear(); });
    }
    if (m_openGroups.empty()) {
        if (openEventGroupIfNeeded()) {
            changeStacks([&] { m_openGroups.back().actions.push_back(std::move(action)); });
        } else {
            Group step{{}, {}, m_nextIdentifier++};
            step.actions.push_back(std::move(action));
            pushStep(std::move(step));
        }
        return;
    }
    auto append = [&] { m_openGroups.back().actions.push_back(std::move(action)); };
    if (becomesPendingStep(true)) {
        changeStacks(append);
    } else {
        append();
    }
}

void UndoManager::setActionName(const QString& name) {
    if (!m_openGroups.empty()) {
        m_openGroups.back().name = name;
    } else if (!m_undoStack.empty()) {
        changeStacks([&] { m_undoStack.back().name = name; });
    }
}

qint64 UndoManager::Group::cost() const {
    qint64 total = 0;
    for (const Action& action : actions) {
        total += action.cost;
    }
    return total;
}

void UndoManager::setLevelsOfUndo(int levels) {
    m_levelsOfUndo = std::max(levels, 0);
    changeStacks([&] {
        trim(m_undoStack);
        trim(m_redoStack);
    });
}

void UndoManager::setMaximumUndoMemory(qint64 bytes) {
    m_maximumUndoMemory = std::max<qint64>(bytes, 0);
    changeStacks([&] {
        trim(m_undoStack);
        trim(m_redoStack);
    });
}

qint64 UndoManager::undoMemory() const {
    qint64 total = 0;
    for (const auto* stack : {&m_undoStack, &m_redoStack}) {
        for (const Group& group : *stack) {
            total += group.cost();
        }
    }
    return total;
}

void UndoManager::trim(std::vector<Group>& stack) const {
    if (stack.size() < 2) {
        return;
    }
    // Walks from the newest step down and keeps what fits; the newest step
    // stays whatever it costs.
    qint64 kept = stack.back().cost();
    std::size_t first = stack.size() - 1;
    while (first > 0) {
        const std::size_t count = stack.size() - first + 1;
        const qint64 cost = kept + stack[first - 1].cost();
        if ((m_levelsOfUndo > 0 && count > std::size_t(m_levelsOfUndo)) ||
            (m_maximumUndoMemory > 0 && cost > m_maximumUndoMemory)) {
            break;
        }
        kept = cost;
        --first;
    }
    if (first > 0) {
        stack.erase(stack.begin(), stack.begin() + std::ptrdiff_t(first));
    }
}

void UndoManager::disableUndoRegistration() {
    ++m_disableCount;
}

void UndoManager::enableUndoRegistration() {
    if (m_disableCount == 0) {
        Log::line(QStringLiteral("Undo registration was enabled more often than disabled."));
        return;
    }
    --m_disableCount;
}

bool UndoManager::canUndo() const {
    return hasPendingStep() || !m_undoStack.empty();
}

bool UndoManager::canRedo() const {
    return !m_redoStack.empty();
}

void UndoManager::undo() {
    perform(m_undoStack, true);
}

void UndoManager::redo() {
    perform(m_redoStack, false);
}

void UndoManager::perform(std::vector<Group>& from, bool undoing) {
    if (m_undoing || m_redoing) {
        Log::line(QStringLiteral("Undo or redo was asked for while one is running."));
        return;
    }
    if (!m_openGroups.empty()) {
        if (m_eventGroupOpen && m_openGroups.size() == 1) {
            closeEventGroup();
        } else {
            Log::line(QStringLiteral("Undo or redo was asked for while an undo group is open."));
            return;
        }
    }
    if (from.empty()) {
        return;
    }
    changeStacks([&] {
        Group step = std::move(from.back());
        from.pop_back();
        {
            FlagScope running(undoing ? m_undoing : m_redoing);
            m_openGroups.push_back(Group{step.name, {}, step.identifier});
            for (auto it = step.actions.rbegin(); it != step.actions.rend(); ++it) {
                it->handler();
            }
            while (m_openGroups.size() > 1) {
                endUndoGrouping();
            }
        }
        Group opposite = std::move(m_openGroups.back());
        m_openGroups.pop_back();
        if (!opposite.actions.empty()) {
            std::vector<Group>& to = undoing ? m_redoStack : m_undoStack;
            to.push_back(std::move(opposite));
            trim(to);
        }
        m_changeCount += undoing ? -1 : 1;
    });
}

QString UndoManager::undoActionName() const {
    for (const Group& group : m_openGroups) {
        if (!group.name.isEmpty()) {
            return group.name;
        }
    }
    if (!m_openGroups.empty()) {
        return {};
    }
    return m_undoStack.empty() ? QString() : m_undoStack.back().name;
}

QString UndoManager::redoActionName() const {
    return m_redoStack.empty() ? QString() : m_redoStack.back().name;
}

QString UndoManager::undoMenuItemTitle() const {
    return menuItemTitle("UndoManager_undoMenuItemTitle", canUndo() ? undoActionName() : QString());
}

QString UndoManager::redoMenuItemTitle() const {
    return menuItemTitle("UndoManager_redoMenuItemTitle", redoActionName());
}

void UndoManager::removeAllActions() {
    changeStacks([&] {
        m_undoStack.clear();
        m_redoStack.clear();
        // Groups stay open for the callers that opened them; only what they
        // recorded goes.
        for (Group& group : m_openGroups) {
            group.actions.clear();
        }
    });
}

void UndoManager::removeAllActions(const void* target) {
    changeStacks([&] {
        auto strip = [target](std::vector<Group>& groups, bool dropEmpty) {
            for (Group& group : groups) {
                auto& actions = group.actions;
                actions.erase(
                    std::remove_if(actions.begin(), actions.end(),
                                   [target](const Action& a) { return a.target == target; }),
                    actions.end());
            }
            if (dropEmpty) {
                groups.erase(std::remove_if(groups.begin(), groups.end(),
                                            [](const Group& g) { return g.actions.empty(); }),
                             groups.end());
            }
        };
        strip(m_undoStack, true);
        strip(m_redoStack, true);
        strip(m_openGroups, false);
    });
}

bool UndoManager::hasPendingStep() const {
    return m_eventGroupOpen && m_openGroups.size() == 1 && !m_openGroups.front().actions.empty();
}

qint64 UndoManager::changeCount() const {
    return m_changeCount + (hasPendingStep() ? 1 : 0);
}

qint64 UndoManager::stateIdentifier() const {
    if (hasPendingStep()) {
        return m_openGroups.front().identifier;
    }
    return m_undoStack.empty() ? 0 : m_undoStack.back().identifier;
}

QVariant UndoManager::valueForKey(const QString& key) const {
    if (key == QLatin1String("canUndo")) {
        return canUndo();
    }
    if (key == QLatin1String("canRedo")) {
        return canRedo();
    }
    if (key == QLatin1String("undoActionName")) {
        return undoActionName();
    }
    if (key == QLatin1String("redoActionName")) {
        return redoActionName();
    }
    if (key == QLatin1String("undoMenuItemTitle")) {
        return undoMenuItemTitle();
    }
    if (key == QLatin1String("redoMenuItemTitle")) {
        return redoMenuItemTitle();
    }
    if (key == QLatin1String("changeCount")) {
        return changeCount();
    }
    if (key == QLatin1String("isUndoing")) {
        return isUndoing();
    }
    if (key == QLatin1String("isRedoing")) {
        return isRedoing();
    }
    return Observable::valueForKey(key);
}

void UndoManager::changeStacks(const std::function<void()>& change) {
    for (const QString& key : observableKeys) {
        willChangeValueForKey(key);
    }
    change();
    for (auto it = observableKeys.rbegin(); it != observableKeys.rend(); ++it) {
        didChangeValueForKey(*it);
    }
}

} // namespace platform
