#include "platform/UndoManager.h"

#include "platform/ContinuousUndoEdit.h"

#include <QCoreApplication>

#include <memory>

#include <gtest/gtest.h>

using platform::KeyValueChange;
using platform::Observable;
using platform::UndoManager;

namespace {

// A value whose setter registers its own undo, as a document's properties do:
// inside a group, naming the group only when it has no name yet.
struct Value {
    UndoManager* undo;
    int value = 0;
    void set(int v, const QString& name) {
        const int old = value;
        value = v;
        if (!undo->isUndoRegistrationEnabled()) {
            return;
        }
        undo->beginUndoGrouping();
        if (undo->undoActionName().isEmpty()) {
            undo->setActionName(name);
        }
        undo->registerUndo([this, old, name] { set(old, name); });
        undo->endUndoGrouping();
    }
};

TEST(UndoManager, outerGroupIsOneStepNamedByItsName) {
    UndoManager undo;
    undo.setGroupsByEvent(false);
    Value a{&undo};
    Value b{&undo};
    undo.beginUndoGrouping();
    undo.setActionName("A");
    a.set(1, "B");
    b.set(2, "C");
    undo.endUndoGrouping();
    EXPECT_EQ(undo.undoActionName(), "A");
    EXPECT_EQ(undo.undoMenuItemTitle(), "Undo A");

    undo.undo();
    EXPECT_EQ(a.value, 0);
    EXPECT_EQ(b.value, 0);
    EXPECT_FALSE(undo.canUndo());
    EXPECT_EQ(undo.redoMenuItemTitle(), "Redo A");

    undo.redo();
    EXPECT_EQ(a.value, 1);
    EXPECT_EQ(b.value, 2);
    EXPECT_EQ(undo.undoActionName(), "A");
    EXPECT_FALSE(undo.canRedo());

    // An outer group named after its inner changes still takes its own name.
    undo.beginUndoGrouping();
    a.set(5, "B");
    undo.setActionName("Outer");
    undo.endUndoGrouping();
    EXPECT_EQ(undo.undoActionName(), "Outer");
}

TEST(UndoManager, emptyGroupsAndDisabledRegistrationLeaveNoStep) {
    UndoManager undo;
    undo.setGroupsByEvent(false);
    undo.beginUndoGrouping();
    undo.setActionName("Nothing");
    undo.beginUndoGrouping();
    undo.endUndoGrouping();
    undo.endUndoGrouping();
    EXPECT_FALSE(undo.canUndo());
    EXPECT_EQ(undo.undoMenuItemTitle(), "Undo");
    EXPECT_EQ(undo.changeCount(), 0);

    Value a{&undo};
    undo.disableUndoRegistration();
    undo.disableUndoRegistration();
    a.set(1, "X");
    undo.enableUndoRegistration();
    undo.registerUndo([] {});
    EXPECT_FALSE(undo.canUndo());
    undo.enableUndoRegistration();
    undo.enableUndoRegistration(); // one too many: reported, counter stays at zero
    a.set(2, "X");
    EXPECT_TRUE(undo.canUndo());
    undo.undo();
    EXPECT_EQ(a.value, 1);
}

TEST(UndoManager, changeCountFollowsDoUndoAndRedo) {
    UndoManager undo;
    undo.setGroupsByEvent(false);
    Value a{&undo};
    a.set(1, "X");
    a.set(2, "X");
    EXPECT_EQ(undo.changeCount(), 2);
    const qint64 saved = undo.stateIdentifier();
    undo.undo();
    EXPECT_EQ(undo.changeCount(), 1);
    undo.redo();
    EXPECT_EQ(undo.changeCount(), 2);
    EXPECT_EQ(undo.stateIdentifier(), saved);
    // Same count on another branch: the state tells them apart.
    undo.undo();
    a.set(7, "X");
    EXPECT_EQ(undo.changeCount(), 2);
    EXPECT_NE(undo.stateIdentifier(), saved);
    EXPECT_FALSE(undo.canRedo()); // a new change clears redo
}

TEST(UndoManager, registrationWhileUndoingBecomesRedo) {
    UndoManager undo;
    undo.setGroupsByEvent(false);
    Value a{&undo};
    a.set(1, "First");
    a.set(2, "Second");
    undo.undo();
    undo.undo();
    EXPECT_EQ(a.value, 0);
    EXPECT_EQ(undo.redoActionName(), "First");
    undo.redo();
    EXPECT_EQ(a.value, 1);
    EXPECT_EQ(undo.redoActionName(), "Second");
    EXPECT_EQ(undo.undoActionName(), "First");
    undo.undo();
    undo.redo();
    undo.redo();
    EXPECT_EQ(a.value, 2);
    EXPECT_FALSE(undo.canRedo());
}

TEST(UndoManager, changesOfOneEventLoopTurnAreOneStep) {
    UndoManager undo;
    Value a{&undo};
    a.set(1, "First");
    a.set(2, "Second");
    EXPECT_TRUE(undo.canUndo());
    EXPECT_EQ(undo.changeCount(), 1);
    QCoreApplication::processEvents();
    EXPECT_EQ(undo.groupingLevel(), 0);
    EXPECT_EQ(undo.undoActionName(), "First");
    a.set(3, "Third");
    // Undo closes the open event group first.
    undo.undo();
    EXPECT_EQ(a.value, 2);
    undo.undo();
    EXPECT_EQ(a.value, 0);
    EXPECT_EQ(undo.changeCount(), 0);
}

// A drag: a press that may already change something, then changes in
// later turns of the event loop, then the release.
TEST(UndoManager, aContinuousEditIsOneStepAcrossEventLoopTurns) {
    UndoManager undo;
    Value a{&undo};
    a.set(1, "Before");
    QCoreApplication::processEvents();

    testing::internal::CaptureStderr();
    a.set(2, "Press"); // the press's own change joins the edit
    platform::ContinuousUndoEdit edit;
    edit.begin(&undo);
    for (int v = 3; v <= 6; ++v) {
        QCoreApplication::processEvents();
        a.set(v, "Drag");
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(undo.changeCount(), 1);
    edit.end();
    edit.end(); // a second end is nothing
    QCoreApplication::processEvents();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(undo.groupingLevel(), 0);
    EXPECT_EQ(undo.changeCount(), 2);
    EXPECT_EQ(undo.undoActionName(), "Press");

    undo.undo();
    EXPECT_EQ(a.value, 1);
    undo.redo();
    EXPECT_EQ(a.value, 6);

    // Begun and ended with nothing in the same turn, or changed in one turn
    // only: no step or one, and what follows in the turn is another.
    edit.begin(&undo);
    edit.end();
    EXPECT_EQ(undo.changeCount(), 2);
    edit.begin(&undo);
    a.set(7, "Drag");
    edit.end();
    a.set(8, "After");
    QCoreApplication::processEvents();
    EXPECT_EQ(undo.changeCount(), 4);
    undo.undo();
    EXPECT_EQ(a.value, 7);
    undo.undo();
    EXPECT_EQ(a.value, 6);
}

TEST(UndoManager, aContinuousEditOutlivesNoManagerAndEndsWithItsHolder) {
    Value* a = nullptr;
    platform::ContinuousUndoEdit edit;
    {
        UndoManager undo;
        Value v{&undo};
        a = &v;
        {
            platform::ContinuousUndoEdit scoped;
            scoped.begin(&undo);
            a->set(1, "Drag");
            QCoreApplication::processEvents();
            a->set(2, "Drag");
        }
        EXPECT_EQ(undo.groupingLevel(), 0);
        EXPECT_EQ(undo.changeCount(), 1);
        edit.begin(&undo);
        a->set(3, "Drag");
    }
    testing::internal::CaptureStderr();
    edit.end(); // the manager is gone: nothing to end
    EXPECT_FALSE(edit.isOpen());
    UndoManager other;
    other.endContinuousEdit(); // never begun: reported and ignored
    EXPECT_NE(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(other.groupingLevel(), 0);
}

TEST(UndoManager, undoIsRefusedInsideAnOpenGroup) {
    UndoManager undo;
    undo.setGroupsByEvent(false);
    Value a{&undo};
    a.set(1, "X");
    testing::internal::CaptureStderr();
    undo.beginUndoGrouping();
    undo.undo();
    EXPECT_EQ(a.value, 1);
    undo.endUndoGrouping();
    undo.endUndoGrouping(); // never opened: reported and ignored
    const std::string reported = testing::internal::GetCapturedStderr();
    EXPECT_NE(reported.find("while an undo group is open"), std::string::npos) << reported;
    EXPECT_NE(reported.find("never opened"), std::string::npos) << reported;
    undo.undo();
    EXPECT_EQ(a.value, 0);
}

TEST(UndoManager, observersSeeTheMenuTitles) {
    UndoManager undo;
    undo.setGroupsByEvent(false);
    QStringList titles;
    auto o = undo.observe("undoMenuItemTitle", Observable::Initial | Observable::New,
                          [&](const KeyValueChange& c) { titles << c.newValue.toString(); });
    Value a{&undo};
    a.set(1, "Move");
    undo.undo();
    EXPECT_EQ(titles, (QStringList{"Undo", "Undo Move", "Undo"}));
}

TEST(UndoManager, removingAllActionsInsideAGroupKeepsTheGroupOpen) {
    UndoManager undo;
    undo.setGroupsByEvent(false);
    Value a{&undo};
    a.set(1, "Old");
    undo.beginUndoGrouping();
    undo.setActionName("Outer");
    a.set(2, "Inner");
    undo.removeAllActions();
    EXPECT_FALSE(undo.canUndo());
    a.set(3, "Inner");
    testing::internal::CaptureStderr();
    undo.endUndoGrouping();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(undo.undoActionName(), "Outer");
    undo.undo();
    EXPECT_EQ(a.value, 2);
    EXPECT_FALSE(undo.canUndo());
}

TEST(UndoManager, removingATargetsActionsDropsStepsLeftEmpty) {
    UndoManager undo;
    undo.setGroupsByEvent(false);
    int x = 0;
    int y = 0;
    undo.registerUndo([&] { x = 1; }, &x);
    undo.beginUndoGrouping();
    undo.registerUndo([&] { x = 2; }, &x);
    undo.registerUndo([&] { y = 2; }, &y);
    undo.endUndoGrouping();
    undo.removeAllActions(&x);
    undo.undo();
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 2);
    EXPECT_FALSE(undo.canUndo());
}

} // namespace

namespace {

// A value whose steps each keep a block of a given size alive; the weak
// pointer tells when the step is gone.
struct Costly {
    UndoManager& undo;
    int value = 0;
    std::weak_ptr<int> set(int next, qint64 cost) {
        auto kept = std::make_shared<int>(value);
        value = next;
        undo.registerUndo([this, kept, cost] { set(*kept, cost); }, nullptr, cost);
        return kept;
    }
};

} // namespace

TEST(UndoManager, eachStackKeepsAtMostTheLevelsOfUndoNewestFirst) {
    UndoManager undo;
    undo.setGroupsByEvent(false);
    EXPECT_EQ(undo.levelsOfUndo(), UndoManager::defaultLevelsOfUndo);
    undo.setLevelsOfUndo(3);
    Value a{&undo};
    for (int v = 1; v <= 6; ++v) {
        a.set(v, "X");
    }
    int undone = 0;
    while (undo.canUndo()) {
        undo.undo();
        ++undone;
    }
    EXPECT_EQ(undone, 3);
    EXPECT_EQ(a.value, 3);
    int redone = 0;
    while (undo.canRedo()) {
        undo.redo();
        ++redone;
    }
    EXPECT_EQ(redone, 3);
    EXPECT_EQ(a.value, 6);

    // A lower limit applies to what is there already; 0 is no limit.
    undo.setLevelsOfUndo(1);
    undo.undo();
    EXPECT_FALSE(undo.canUndo());
    undo.setLevelsOfUndo(0);
    for (int v = 10; v < 150; ++v) {
        a.set(v, "X");
    }
    undone = 0;
    while (undo.canUndo()) {
        undo.undo();
        ++undone;
    }
    EXPECT_EQ(undone, 140);
}

TEST(UndoManager, stepsBeyondTheMemoryLimitAreDroppedOldestFirstAndFreed) {
    UndoManager undo;
    undo.setGroupsByEvent(false);
    EXPECT_EQ(undo.maximumUndoMemory(), UndoManager::defaultMaximumUndoMemory);
    undo.setMaximumUndoMemory(250);
    Costly c{undo};
    const auto first = c.set(1, 100);
    const auto second = c.set(2, 100);
    EXPECT_EQ(undo.undoMemory(), 200);
    const auto third = c.set(3, 100);
    // The oldest step went, and what it kept with it.
    EXPECT_TRUE(first.expired());
    EXPECT_FALSE(second.expired());
    EXPECT_EQ(undo.undoMemory(), 200);

    // A step larger than the limit is still the one step that can be undone.
    c.set(4, 1000);
    EXPECT_TRUE(second.expired());
    EXPECT_TRUE(third.expired());
    EXPECT_EQ(undo.undoMemory(), 1000);
    undo.undo();
    EXPECT_EQ(c.value, 3);
    EXPECT_FALSE(undo.canUndo());
    undo.redo();
    EXPECT_EQ(c.value, 4);

    // Costs of a grouped step add up; a lower limit trims at once.
    undo.setMaximumUndoMemory(0);
    undo.beginUndoGrouping();
    c.set(5, 30);
    c.set(6, 30);
    undo.endUndoGrouping();
    EXPECT_EQ(undo.undoMemory(), 1060);
    undo.setMaximumUndoMemory(100);
    EXPECT_EQ(undo.undoMemory(), 60);
    undo.undo();
    EXPECT_EQ(c.value, 4);
    EXPECT_FALSE(undo.canUndo());
}

TEST(UndoManager, stepsOfEventLoopTurnsAreLimitedToo) {
    UndoManager undo;
    undo.setLevelsOfUndo(2);
    Value a{&undo};
    for (int v = 1; v <= 4; ++v) {
        a.set(v, "X");
        QCoreApplication::processEvents();
    }
    undo.undo();
    undo.undo();
    EXPECT_EQ(a.value, 2);
    EXPECT_FALSE(undo.canUndo());
    EXPECT_EQ(undo.changeCount(), 2);
}
