#include "shell/HUDRequestHandler.h"

#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "base/Log.h"
#include "platform/sim/notifications/SimDistributedNotificationCenter.h"
#include "platform/sim/runtime/SimClock.h"
#include "platform/sim/runtime/SimMainLoop.h"
#include "shell/ShellNotifications.h"

namespace qm {
namespace {

struct Shown {
    std::string message;
    std::optional<std::string> systemImage;
    bool onMainThread;
    bool operator==(const Shown&) const = default;
};

class HUDRequestHandlerTest : public ::testing::Test {
protected:
    HUDRequestHandlerTest() { makeHandler(); }

    void makeHandler()
    {
        handler = std::make_unique<HUDRequestHandler>(
            HUDRequestHandler::Services{loop, center, distributed}, [this] { return quiet; },
            [this](const std::string& message, const std::optional<std::string>& image) {
                shown.push_back({message, image, loop.isMainThread()});
            });
    }

    void request(UserInfo userInfo)
    {
        center.post(ShellNotifications::showHUDMessage, nullptr, std::move(userInfo));
    }
    // Another process on the same session posts the cross-process request.
    void requestFromAnotherProcess(std::optional<std::string> object)
    {
        otherProcess.postNotification(ShellNotifications::distributedHUDShow, std::move(object));
        loop.runUntilIdle();
    }

    SimClock clock;
    SimMainLoop loop{clock};
    NotificationCenter center;
    SimDistributedNotificationCenter distributed{loop};
    SimMainLoop otherLoop{clock};
    SimDistributedNotificationCenter otherProcess{otherLoop, distributed};
    bool quiet = false;
    std::vector<Shown> shown;
    std::unique_ptr<HUDRequestHandler> handler;
};

TEST_F(HUDRequestHandlerTest, ShowsWellFormedRequestsAndDropsTheRest)
{
    struct Case {
        const char* name;
        UserInfo userInfo;
        std::optional<Shown> expected;
    };
    const Case cases[] = {
        {"message and symbol",
         {{"message", "Capture is ready. Type //note in any app."}, {"systemImage", "checkmark.circle.fill"}},
         Shown{"Capture is ready. Type //note in any app.", "checkmark.circle.fill", true}},
        {"message alone",
         {{"message", "Suggestions Disabled"}},
         Shown{"Suggestions Disabled", std::nullopt, true}},
        {"a symbol that is no string is left out",
         {{"message", "Copied"}, {"systemImage", 3}},
         Shown{"Copied", std::nullopt, true}},
        {"no userInfo", {}, std::nullopt},
        {"no message", {{"systemImage", "star"}}, std::nullopt},
        {"a message that is no string", {{"message", 42}}, std::nullopt},
    };
    for (const Case& c : cases) {
        shown.clear();
        request(c.userInfo);
        if (c.expected) {
            ASSERT_EQ(shown.size(), 1u) << c.name;
            EXPECT_EQ(shown[0], *c.expected) << c.name;
        } else {
            EXPECT_TRUE(shown.empty()) << c.name;
        }
    }
}

TEST_F(HUDRequestHandlerTest, TheQuietWindowHoldsBackOnlyRequestsFromThisProgram)
{
    quiet = true;
    request({{"message", "Saved"}});
    EXPECT_TRUE(shown.empty());
    requestFromAnotherProcess("Build finished");
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], (Shown{"Build finished", std::nullopt, true}));

    quiet = false;
    request({{"message", "Saved"}});
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].message, "Saved");
}

TEST_F(HUDRequestHandlerTest, AMessageFromAnotherProcessIsLoggedWithoutItsControlCharacters)
{
    Log::Capture log;
    requestFromAnotherProcess("Build finished\n✅ forged line");
    requestFromAnotherProcess(std::nullopt);
    ASSERT_EQ(shown.size(), 1u) << "a post without a message shows nothing";
    EXPECT_EQ(shown[0].message, "Build finished\n✅ forged line");
    EXPECT_EQ(log.count("💬 HUDRequestHandler: message from another process: Build finished ✅ forged line"),
              1u);
}

TEST_F(HUDRequestHandlerTest, ARequestFromAnotherThreadIsShownOnTheMainThread)
{
    std::thread poster([this] { request({{"message", "From a worker"}}); });
    poster.join();
    EXPECT_TRUE(shown.empty());
    loop.runUntilIdle();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], (Shown{"From a worker", std::nullopt, true}));

    // The quiet window is read on the main thread, when the request is handled.
    std::thread late([this] { request({{"message", "Late"}}); });
    late.join();
    quiet = true;
    loop.runUntilIdle();
    EXPECT_EQ(shown.size(), 1u);
}

TEST_F(HUDRequestHandlerTest, AHandlerThatIsGoneShowsNothing)
{
    std::thread poster([this] { request({{"message", "Pending"}}); });
    poster.join();
    otherProcess.postNotification(ShellNotifications::distributedHUDShow, std::string("Pending too"));
    handler.reset();
    loop.runUntilIdle();
    request({{"message", "After"}});
    requestFromAnotherProcess("After too");
    EXPECT_TRUE(shown.empty());
}

}  // namespace
}  // namespace qm
