#include "platform/notifications/DistributedNotificationCenter.h"
#include "platform/sim/notifications/SimDistributedNotificationCenter.h"

#include <stdexcept>

#include <gtest/gtest.h>

#include "platform/sim/runtime/SimClock.h"
#include "platform/sim/runtime/SimMainLoop.h"

namespace qm {
namespace {

using Notification = DistributedNotificationCenter::Notification;

class DistributedNotificationCenterTest : public testing::Test {
protected:
    SimClock clock;
    SimMainLoop loop{clock};
    SimDistributedNotificationCenter center{loop};
};

TEST_F(DistributedNotificationCenterTest, APostReachesObserversOfItsNameLaterOnTheMainLoop)
{
    std::vector<Notification> heard;
    int otherName = 0;
    center.addObserver("com.quillmarker.hud.show", std::nullopt,
                       [&](const Notification& n) { heard.push_back(n); });
    center.addObserver("com.quillmarker.mcp.toggle", std::nullopt, [&](const Notification&) { ++otherName; });

    center.postNotification("com.quillmarker.hud.show", "Build finished", UserInfo{{"count", 3}});
    EXPECT_TRUE(heard.empty()) << "delivery between processes is never synchronous";
    loop.runUntilIdle();

    ASSERT_EQ(heard.size(), 1u);
    EXPECT_EQ(heard[0].name, "com.quillmarker.hud.show");
    EXPECT_EQ(heard[0].object, "Build finished");
    EXPECT_EQ(heard[0].userInfo.get<int>("count"), 3);
    EXPECT_EQ(otherName, 0);
}

TEST_F(DistributedNotificationCenterTest, AnObserverWithAnObjectHearsOnlyThatObject)
{
    struct Case {
        std::optional<std::string> observed;
        std::optional<std::string> posted;
        bool heard;
    };
    const Case cases[] = {
        {std::nullopt, "any", true}, {std::nullopt, std::nullopt, true}, {"on", "on", true},
        {"on", "off", false},        {"on", std::nullopt, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.observed.value_or("(any)") << " / " << c.posted.value_or("(none)"));
        int calls = 0;
        const auto token = center.addObserver("N", c.observed, [&](const Notification&) { ++calls; });
        center.postNotification("N", c.posted);
        loop.runUntilIdle();
        EXPECT_EQ(calls, c.heard ? 1 : 0);
        center.removeObserver(token);
    }
}

TEST_F(DistributedNotificationCenterTest, AnotherProcessOnTheSessionIsHeardOnItsOwnLoop)
{
    SimMainLoop otherLoop(clock);
    SimDistributedNotificationCenter otherProcess(otherLoop, center);
    std::vector<std::string> heardHere;
    std::vector<std::string> heardThere;
    center.addObserver("N", std::nullopt, [&](const Notification& n) { heardHere.push_back(*n.object); });
    otherProcess.addObserver("N", std::nullopt,
                             [&](const Notification& n) { heardThere.push_back(*n.object); });

    otherProcess.postNotification("N", "from the other process");
    loop.runUntilIdle();
    EXPECT_EQ(heardHere, std::vector<std::string>{"from the other process"});
    EXPECT_TRUE(heardThere.empty()) << "the other process's loop has not run";
    otherLoop.runUntilIdle();
    EXPECT_EQ(heardThere, std::vector<std::string>{"from the other process"})
        << "the poster hears itself too";
    EXPECT_EQ(center.sessionPosts().size(), 1u);

    SimDistributedNotificationCenter unrelated(loop);
    unrelated.postNotification("N", "another session");
    loop.runUntilIdle();
    EXPECT_EQ(heardHere.size(), 1u);
}

TEST_F(DistributedNotificationCenterTest, ARemovedObserverIsNotCalledEvenWithinTheSameDelivery)
{
    int first = 0;
    int second = 0;
    DistributedNotificationCenter::ObserverToken secondToken;
    center.addObserver("N", std::nullopt, [&](const Notification&) {
        ++first;
        center.removeObserver(secondToken);
    });
    secondToken = center.addObserver("N", std::nullopt, [&](const Notification&) { ++second; });
    center.postNotification("N");
    loop.runUntilIdle();
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 0);

    center.postNotification("N");
    center.removeObserver(DistributedNotificationCenter::ObserverToken(999'999));
    loop.runUntilIdle();
    EXPECT_EQ(first, 2);
}

TEST_F(DistributedNotificationCenterTest, APostToAProcessThatEndedIsDropped)
{
    SimMainLoop otherLoop(clock);
    int heard = 0;
    {
        SimDistributedNotificationCenter otherProcess(otherLoop, center);
        otherProcess.addObserver("N", std::nullopt, [&](const Notification&) { ++heard; });
        center.postNotification("N");
    }
    otherLoop.runUntilIdle();
    EXPECT_EQ(heard, 0);
}

}  // namespace
}  // namespace qm
