#include "platform/linux/notifications/DBusDistributedNotificationCenter.h"

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include <QApplication>
#include <QProcess>
#include <gtest/gtest.h>

#include "base/Log.h"
#include "platform/sim/runtime/SimClock.h"
#include "platform/sim/runtime/SimMainLoop.h"
#include "support/PrivateSessionBus.h"
#include "support/QtTestApplication.h"

namespace qm {
namespace {

using namespace std::chrono_literals;
using Notification = DistributedNotificationCenter::Notification;

class DBusDistributedNotificationCenterTest : public ::testing::Test {
protected:
    bool pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = 5000ms)
    {
        return test::pumpQtUntil(
            [&] {
                loop.runUntilIdle();
                return done();
            },
            timeout);
    }
    void settle()
    {
        pumpUntil([] { return false; }, 150ms);
    }

    DistributedNotificationCenter::ObserverToken record(DistributedNotificationCenter& center,
                                                        std::string name, std::vector<Notification>& into,
                                                        std::optional<std::string> object = std::nullopt)
    {
        return center.addObserver(
            std::move(name), std::move(object),
            [&into](const Notification& notification) { into.push_back(notification); });
    }

    QApplication& application = test::qtApplication();
    test::PrivateSessionBus bus;
    SimClock clock;
    SimMainLoop loop{clock};
    // Two processes of the same session, each with its own connection.
    DBusDistributedNotificationCenter here{loop, bus.connect()};
    DBusDistributedNotificationCenter there{loop, bus.connect()};
};

TEST_F(DBusDistributedNotificationCenterTest, APostReachesObserversInEveryProcessWithItsUserInfo)
{
    std::vector<Notification> heardHere;
    std::vector<Notification> heardThere;
    record(here, "com.quillmarker.test", heardHere);
    record(there, "com.quillmarker.test", heardThere);
    std::vector<Notification> otherName;
    record(there, "com.quillmarker.other", otherName);

    UserInfo nested{{"depth", 2}};
    here.postNotification("com.quillmarker.test", "sender",
                          UserInfo{{"flag", true},
                                   {"count", 42},
                                   {"big", std::int64_t{1} << 40},
                                   {"ratio", 0.25},
                                   {"text", "héllo"},
                                   {"list", std::vector<std::string>{"a", "b"}},
                                   {"nested", nested},
                                   {"opaque", UserInfo::Value::opaque(std::vector<int>{1})}});

    ASSERT_TRUE(pumpUntil([&] { return heardHere.size() == 1 && heardThere.size() == 1; }));
    for (const auto* heard : {&heardHere, &heardThere}) {
        const Notification& notification = heard->front();
        EXPECT_EQ(notification.name, "com.quillmarker.test");
        EXPECT_EQ(notification.object, "sender");
        const UserInfo& info = notification.userInfo;
        EXPECT_EQ(info.get<bool>("flag"), true);
        EXPECT_EQ(info.get<int>("count"), 42);
        EXPECT_EQ(info.get<std::int64_t>("big"), std::int64_t{1} << 40);
        EXPECT_EQ(info.get<double>("ratio"), 0.25);
        EXPECT_EQ(info.get<std::string>("text"), "héllo");
        EXPECT_EQ(info.get<std::vector<std::string>>("list"), (std::vector<std::string>{"a", "b"}));
        ASSERT_TRUE(info.get<UserInfo>("nested").has_value());
        EXPECT_EQ(info.get<UserInfo>("nested")->get<int>("depth"), 2);
        EXPECT_FALSE(info.contains("opaque"));
    }
    settle();
    EXPECT_EQ(heardHere.size(), 1u);
    EXPECT_TRUE(otherName.empty());
}

TEST_F(DBusDistributedNotificationCenterTest, ObserversFilterByObjectAndStopWhenRemoved)
{
    std::vector<Notification> anyObject;
    std::vector<Notification> onlyA;
    std::vector<Notification> removed;
    record(there, "n", anyObject);
    record(there, "n", onlyA, "a");
    const auto token = record(there, "n", removed);
    there.removeObserver(token);
    there.removeObserver(DistributedNotificationCenter::ObserverToken(987654321));  // unknown: ignored

    here.postNotification("n", "a");
    here.postNotification("n", "b");
    here.postNotification("n");
    ASSERT_TRUE(pumpUntil([&] { return anyObject.size() == 3; }));
    settle();
    EXPECT_EQ(anyObject[1].object, "b");
    EXPECT_EQ(anyObject[2].object, std::nullopt);
    EXPECT_TRUE(anyObject[2].userInfo.empty());
    ASSERT_EQ(onlyA.size(), 1u);
    EXPECT_EQ(onlyA[0].object, "a");
    EXPECT_TRUE(removed.empty());
}

// The command documented for other programs, run as written.
constexpr const char* kHudCommand =
    "dbus-send --session --type=signal /com/quillmarker/Distributed com.quillmarker.Distributed.Notification "
    "string:com.quillmarker.hud.show string:'Build finished'";

int runShell(const QString& command)
{
    QProcess process;
    process.start("/bin/sh", {"-c", command});
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(1000);
        return -1;
    }
    return process.exitCode();
}

TEST_F(DBusDistributedNotificationCenterTest, AnotherProgramShowsAHudMessageWithDbusSend)
{
    std::vector<Notification> heard;
    record(here, "com.quillmarker.hud.show", heard);
    ASSERT_EQ(runShell(kHudCommand), 0);
    ASSERT_TRUE(pumpUntil([&] { return heard.size() == 1; }));
    EXPECT_EQ(heard[0].object, "Build finished");
    EXPECT_TRUE(heard[0].userInfo.empty());
}

TEST_F(DBusDistributedNotificationCenterTest, SignalsOfAnotherShapeAreIgnored)
{
    std::vector<Notification> heard;
    record(here, "com.quillmarker.hud.show", heard);
    const char* prefix = "dbus-send --session --type=signal /x com.quillmarker.Distributed.Notification ";
    for (const char* arguments : {"int32:5", "", "string:com.quillmarker.hud.show int32:5",
                                  "string:com.quillmarker.hud.show string:a string:b string:c"}) {
        ASSERT_EQ(runShell(QString(prefix) + arguments), 0) << arguments;
    }
    // A well-formed post after them arrives, so the ones before it had their chance.
    ASSERT_EQ(runShell(QString(prefix) + "string:com.quillmarker.hud.show string:last"), 0);
    ASSERT_TRUE(pumpUntil([&] { return !heard.empty(); }));
    settle();
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_EQ(heard[0].object, "last");
}

TEST_F(DBusDistributedNotificationCenterTest, WithoutABusAPostIsLoggedAndDropped)
{
    Log::Capture log;
    auto detached = QDBusConnection::connectToBus("unix:path=/nonexistent/qm-no-bus", "qm-test-detached");
    {
        DBusDistributedNotificationCenter center(loop, detached);
        std::vector<Notification> heard;
        record(center, "n", heard);
        center.postNotification("n", "x");
        settle();
        EXPECT_TRUE(heard.empty());
    }
    QDBusConnection::disconnectFromBus("qm-test-detached");
    EXPECT_TRUE(log.contains("❌ DBusDistributedNotificationCenter: cannot post n"));
}

}  // namespace
}  // namespace qm
