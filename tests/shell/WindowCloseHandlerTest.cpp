#include "shell/WindowCloseHandler.h"

#include <memory>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/sim/runtime/SimClock.h"
#include "platform/sim/runtime/SimMainLoop.h"
#include "platform/storage/UserDefaults.h"

namespace qm {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Window = WindowCloseHandler::ClosingWindow;

class WindowCloseHandlerTest : public ::testing::Test {
protected:
    WindowCloseHandlerTest() { makeHandler(); }

    void makeHandler()
    {
        auto note = [this](std::string call) { return [this, call] { calls.push_back(call); }; };
        handler =
            std::make_unique<WindowCloseHandler>(loop, defaults,
                                                 WindowCloseHandler::Hooks{
                                                     .switchToAccessoryPolicy = note("accessory"),
                                                     .replaceStatusItem = note("status item"),
                                                     .forgetOnboardingWindow = note("forget onboarding"),
                                                     .activateMenuBarAgentAndStartServices = note("agent"),
                                                 });
    }

    SimClock clock;
    SimMainLoop loop{clock};
    UserDefaults defaults{""};
    std::vector<std::string> calls;
    std::unique_ptr<WindowCloseHandler> handler;
};

TEST_F(WindowCloseHandlerTest, ClosingTheSettingsWindowLaterMakesAnAgentWithAFreshStatusItem)
{
    handler->windowWillClose(Window::settings);
    EXPECT_THAT(calls, IsEmpty());
    loop.runUntilIdle();
    EXPECT_THAT(calls, ElementsAre("accessory", "status item"));
}

TEST_F(WindowCloseHandlerTest, ClosingOnboardingBeforeItsEndStillStartsTheAgent)
{
    struct Case {
        const char* name;
        bool completed;
        std::vector<std::string> now;
        std::vector<std::string> later;
    };
    const Case cases[] = {
        {"closed before the end", false, {"forget onboarding"}, {"forget onboarding", "agent"}},
        {"closed after the end", true, {"forget onboarding"}, {"forget onboarding"}},
    };
    for (const Case& c : cases) {
        calls.clear();
        defaults.set("hasCompletedOnboarding", c.completed);
        handler->windowWillClose(Window::onboarding);
        EXPECT_EQ(calls, c.now) << c.name;
        loop.runUntilIdle();
        EXPECT_EQ(calls, c.later) << c.name;
    }
}

TEST_F(WindowCloseHandlerTest, OtherWindowsAndAHandlerThatIsGoneDoNothing)
{
    handler->windowWillClose(Window::other);
    handler->windowWillClose(Window::settings);
    handler->windowWillClose(Window::onboarding);
    calls.clear();
    handler.reset();
    loop.runUntilIdle();
    EXPECT_THAT(calls, IsEmpty());
}

}  // namespace
}  // namespace qm
