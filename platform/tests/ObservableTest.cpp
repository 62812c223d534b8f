#include "platform/Observable.h"

#include <gtest/gtest.h>

#include <memory>

using platform::KeyValueChange;
using platform::Observable;
using platform::Observation;

namespace {

// A small object tree: a node holds a number, a name and an optional child.
class Node : public Observable {
public:
    Node(int number = 0) : m_number(number) {
        setKeyPathsAffectingKey("twice", {"number"});
        setKeyPathsAffectingKey("label", {"twice", "child.number"});
    }
    void setNumber(int n) {
        notifyChangingValue("number", [&] { m_number = n; });
    }
    void setChild(std::unique_ptr<Node> child) {
        notifyChangingValue("child", [&] { m_child = std::move(child); });
    }
    Node* child() const { return m_child.get(); }
    QVariant valueForKey(const QString& key) const override {
        if (key == "number") {
            return m_number;
        }
        if (key == "twice") {
            return m_number * 2;
        }
        if (key == "label") {
            return QString::number(m_number * 2) + "/" +
                   (m_child ? QString::number(m_child->m_number) : QString("-"));
        }
        return Observable::valueForKey(key);
    }
    void setValueForKey(const QString& key, const QVariant& value) override {
        if (key == "number") {
            return setNumber(value.toInt());
        }
        Observable::setValueForKey(key, value);
    }
    Observable* objectForKey(const QString& key) const override {
        return key == "child" ? m_child.get() : nullptr;
    }

private:
    int m_number;
    std::unique_ptr<Node> m_child;
};

std::unique_ptr<Node> chain(int a, int b, int c) {
    auto root = std::make_unique<Node>(a);
    auto middle = std::make_unique<Node>(b);
    middle->setChild(std::make_unique<Node>(c));
    root->setChild(std::move(middle));
    return root;
}

TEST(Observable, keyPathIsReadAndWrittenThroughOwnedObjects) {
    auto root = chain(1, 2, 3);
    EXPECT_EQ(root->valueForKeyPath("child.child.number").toInt(), 3);
    root->setValueForKeyPath("child.child.number", 7);
    EXPECT_EQ(root->child()->child()->valueForKey("number").toInt(), 7);
    root->child()->setChild(nullptr);
    EXPECT_FALSE(root->valueForKeyPath("child.child.number").isValid());
    root->setValueForKeyPath("child.child.number", 9); // a missing link writes nothing
}

TEST(Observable, dottedPathObserverFollowsReplacedLinks) {
    auto root = chain(1, 2, 3);
    std::vector<KeyValueChange> seen;
    Observation o =
        root->observe("child.child.number", Observable::Initial | Observable::Old | Observable::New,
                      [&](const KeyValueChange& c) { seen.push_back(c); });
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_TRUE(seen[0].isInitial);
    EXPECT_EQ(seen[0].newValue.toInt(), 3);

    // Replace the object at "child.child" ...
    root->child()->setChild(std::make_unique<Node>(10));
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[1].oldValue.toInt(), 3);
    EXPECT_EQ(seen[1].newValue.toInt(), 10);
    // ... then its number changes: once per change, from the new object.
    root->child()->child()->setNumber(11);
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[2].newValue.toInt(), 11);
    EXPECT_FALSE(seen[2].isInitial);

    // Replacing the middle link re-attaches the rest of the path too.
    Node* oldMiddle = root->child();
    root->setChild(std::make_unique<Node>(20));
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_FALSE(seen[3].newValue.isValid());
    root->child()->setChild(std::make_unique<Node>(30));
    ASSERT_EQ(seen.size(), 5u);
    EXPECT_EQ(seen[4].newValue.toInt(), 30);
    (void)oldMiddle; // destroyed with its replacement: must not be reached
    root->child()->child()->setNumber(31);
    EXPECT_EQ(seen.size(), 6u);
}

TEST(Observable, dependentKeysNotifyOnceThroughChains) {
    auto root = chain(1, 2, 3);
    int twice = 0;
    int label = 0;
    QVariant lastLabel;
    Observation a = root->observe("twice", [&](const KeyValueChange&) { ++twice; });
    Observation b = root->observe("label", Observable::New, [&](const KeyValueChange& c) {
        ++label;
        lastLabel = c.newValue;
    });
    root->setNumber(5);
    EXPECT_EQ(twice, 1);
    EXPECT_EQ(label, 1); // through "twice", and only once
    EXPECT_EQ(lastLabel.toString(), "10/2");
    root->child()->setNumber(4); // dependent on a dotted path
    EXPECT_EQ(label, 2);
    EXPECT_EQ(twice, 1);
    EXPECT_EQ(lastLabel.toString(), "10/4");
    root->setChild(nullptr);
    EXPECT_EQ(label, 3);
    EXPECT_EQ(lastLabel.toString(), "10/-");
}

TEST(Observable, nestedChangesReachTheObserverOnce) {
    Node node(1);
    int calls = 0;
    Observation o = node.observe("label", [&](const KeyValueChange&) { ++calls; });
    node.willChangeValueForKey("number");
    node.setNumber(2);
    node.setNumber(3);
    node.didChangeValueForKey("number");
    EXPECT_EQ(calls, 1);
}

TEST(Observable, endingObservationsStopsCallsAndReleasesRegistrations) {
    auto root = chain(1, 2, 3);
    int calls = 0;
    {
        Observation o = root->observe("child.number", [&](const KeyValueChange&) { ++calls; });
        EXPECT_EQ(root->observationCount("child"), 1);
        EXPECT_EQ(root->child()->observationCount("number"), 1);
    }
    EXPECT_EQ(root->observationCount("child"), 0);
    EXPECT_EQ(root->child()->observationCount("number"), 0);
    root->child()->setNumber(9);
    EXPECT_EQ(calls, 0);

    // A callback may end its own observation and another one.
    Observation second;
    Observation first = root->observe("number", [&](const KeyValueChange&) {
        ++calls;
        first.invalidate();
        second.invalidate();
    });
    second = root->observe("number", [&](const KeyValueChange&) { ++calls; });
    root->setNumber(2);
    root->setNumber(3);
    EXPECT_EQ(calls, 1);
}

TEST(Observable, observedObjectsMayBeDestroyedFirst) {
    auto root = chain(1, 2, 3);
    int calls = 0;
    Observation o = root->observe("child.child.number", [&](const KeyValueChange&) { ++calls; });
    Observation dependent = root->observe("label", [&](const KeyValueChange&) { ++calls; });
    root.reset();
    EXPECT_FALSE(o.value().isValid());
    o.setValue(4); // nothing to write to
    o.invalidate();
    EXPECT_EQ(calls, 0);
}

// A copyable observable value.
class Counter : public Observable {
public:
    Counter() { setKeyPathsAffectingKey("twice", {"count"}); }
    void bump() {
        notifyChangingValue("count", [&] { ++m_count; });
    }

private:
    int m_count = 0;
};

TEST(Observable, copiesKeepDependenciesButNotObservers) {
    Counter counter;
    int calls = 0;
    Observation o = counter.observe("twice", [&](const KeyValueChange&) { ++calls; });
    Counter copy = counter;
    EXPECT_EQ(copy.observationCount("count"), 0);
    EXPECT_EQ(copy.keyPathsAffectingKey("twice"), QStringList{"count"});
    copy.bump();
    EXPECT_EQ(calls, 0);
    counter.bump();
    EXPECT_EQ(calls, 1);
}

} // namespace
