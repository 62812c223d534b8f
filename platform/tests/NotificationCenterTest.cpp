#include "platform/NotificationCenter.h"

#include <gtest/gtest.h>

#include <thread>

using platform::Notification;
using platform::NotificationCenter;

namespace {

TEST(NotificationCenter, deliversByNameAndSenderInOrder) {
    NotificationCenter center;
    int document = 0;
    int other = 0;
    QStringList seen;
    auto byName = center.addObserver("Changed", nullptr, [&](const Notification& n) {
        seen << "name:" + n.userInfo.value("what").toString();
    });
    auto bySender =
        center.addObserver("Changed", &document, [&](const Notification&) { seen << "sender"; });
    auto all =
        center.addObserver({}, nullptr, [&](const Notification& n) { seen << "all:" + n.name; });
    center.post("Changed", &document, {{"what", "size"}});
    center.post("Changed", &other, {{"what", "name"}});
    center.post("Closed", &document);
    EXPECT_EQ(seen, (QStringList{"name:size", "sender", "all:Changed", "name:name", "all:Changed",
                                 "all:Closed"}));
}

TEST(NotificationCenter, observersEndWithTheirHandleEvenDuringADelivery) {
    NotificationCenter center;
    int first = 0;
    int second = 0;
    NotificationCenter::Observer later;
    NotificationCenter::Observer early = center.addObserver("N", nullptr, [&](const Notification&) {
        ++first;
        later.remove(); // removed before its turn in this very delivery
    });
    later = center.addObserver("N", nullptr, [&](const Notification&) { ++second; });
    center.post("N");
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 0);
    {
        NotificationCenter::Observer moved = std::move(early);
        EXPECT_FALSE(early.isActive());
        EXPECT_TRUE(moved.isActive());
    }
    center.post("N");
    EXPECT_EQ(first, 1);
}

TEST(NotificationCenter, deliversOnThePostingThread) {
    NotificationCenter center;
    std::thread::id deliveredOn;
    auto observer = center.addObserver(
        "N", nullptr, [&](const Notification&) { deliveredOn = std::this_thread::get_id(); });
    std::thread::id postedOn;
    std::thread worker([&] {
        postedOn = std::this_thread::get_id();
        center.post("N");
    });
    worker.join();
    EXPECT_EQ(deliveredOn, postedOn);
}

TEST(NotificationCenter, handlesMayOutliveTheirCenter) {
    NotificationCenter::Observer observer;
    {
        NotificationCenter center;
        observer = center.addObserver("N", nullptr, [](const Notification&) {});
    }
    observer.remove();
    EXPECT_FALSE(observer.isActive());
}

} // namespace
