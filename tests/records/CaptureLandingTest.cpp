#include "records/CaptureLanding.h"

#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "records/OpenLoopRig.h"

namespace qm {
namespace {

using test::HudMessage;

class CaptureLandingTest : public ::testing::Test {
protected:
    std::unique_ptr<CaptureLanding> makeLanding()
    {
        return std::make_unique<CaptureLanding>(
            rig.loop, *rig.store, rig.quietWindow,
            [this] {
                contextReadOnMainThread = contextReadOnMainThread && rig.loop.isMainThread();
                return host;
            },
            [this](const std::string& message, const std::optional<std::string>& image) {
                rig.hud.push_back({message, image});
            });
    }

    test::OpenLoopRig rig;
    HostCaptureContext host{"Slack", "com.tinyspeck.slackmacgap", "standup notes"};
    bool contextReadOnMainThread = true;
    std::unique_ptr<CaptureLanding> landing = makeLanding();
};

struct LandingCase {
    std::string target;
    std::string text;
    std::string receipt;
    std::optional<std::string> revealPath;
    std::optional<std::string> systemImage;
    bool parksLoop;
    // What is parked, if anything.
    std::optional<std::string> action;
    std::vector<std::string> cueTokens;
};

TEST_F(CaptureLandingTest, ParksWhenLinesAndTargetsThatAskAndOtherwiseOnlyNotesTheReceipt)
{
    // clang-format off
    const LandingCase cases[] = {
        {"copy", "when standup, ask about the release", "Copied", std::nullopt, std::nullopt, false,
         "ask about the release", {"standup"}},
        {"note", "buy milk", "Quick Capture.md", "/home/me/Documents/Quick Capture.md", std::nullopt, true,
         "buy milk", {}},
        {"timer", "tea 25m", "Timer set \u2014 fires at 3:25\u202FPM", std::nullopt, "timer", false,
         std::nullopt, {}},
        {"calc", "2+2", "= 4", std::nullopt, "function", false, std::nullopt, {}},
        {"calendar", "standup tomorrow 9am", "Calendar \u00B7 standup \u00B7 Tue 9:00",
         "/System/Applications/Calendar.app", "calendar", true, "standup tomorrow 9am", {}},
        {"slack", "when deploy then ping ops", "Slack \u00B7 #ops", std::nullopt, std::nullopt, true,
         "ping ops", {"deploy"}},
        {"reminders", "when the app, do it", "Reminders \u00B7 when the app, do it",
         "/System/Applications/Reminders.app", std::nullopt, true, "when the app, do it", {}},
        {"copy", "when the app, do it", "Copied", std::nullopt, std::nullopt, false, std::nullopt, {}},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.target + ": " + c.text);
        test::OpenLoopRig caseRig;
        CaptureLanding caseLanding(
            caseRig.loop, *caseRig.store, caseRig.quietWindow, [this] { return host; },
            [&](const std::string& message, const std::optional<std::string>& image) {
                caseRig.hud.push_back({message, image});
            });
        caseRig.store->noteReceipt("earlier", "/tmp/earlier.md");

        caseLanding.announce(c.target, c.text, c.receipt, c.revealPath, c.systemImage, c.parksLoop);

        EXPECT_EQ(caseRig.hud, (std::vector<HudMessage>{{c.receipt, c.systemImage}}));
        EXPECT_TRUE(caseRig.quietWindow.isActive());
        EXPECT_EQ(caseRig.store->lastReceipt(), c.receipt);
        EXPECT_EQ(caseRig.store->lastRevealPath(), c.revealPath);
        if (!c.action) {
            EXPECT_TRUE(caseRig.store->loops().empty());
            continue;
        }
        ASSERT_EQ(caseRig.store->loops().size(), 1u);
        const OpenLoop& loop = caseRig.store->loops()[0];
        EXPECT_EQ(loop.text, c.text);
        EXPECT_EQ(loop.action, *c.action);
        EXPECT_EQ(loop.cueTokens, c.cueTokens);
        EXPECT_EQ(loop.target, c.target);
        EXPECT_EQ(loop.receipt, c.receipt);
        EXPECT_EQ(loop.revealPath, c.revealPath);
        EXPECT_EQ(loop.appName, host.appName);
        EXPECT_EQ(loop.bundleId, host.bundleId);
        EXPECT_EQ(loop.windowTitle, host.windowTitle);
    }
}

TEST_F(CaptureLandingTest, EveryReceiptIsShownEvenWithinTheQuietWindow)
{
    landing->announce("copy", "one", "Copied", std::nullopt, std::nullopt, false);
    rig.clock.advance(15);
    landing->announce("calc", "1+1", "= 2", std::nullopt, "function", false);
    rig.clock.advance(19);

    EXPECT_EQ(rig.hud, (std::vector<HudMessage>{{"Copied", std::nullopt}, {"= 2", "function"}}));
    EXPECT_TRUE(rig.quietWindow.isActive());
    rig.clock.advance(1);
    EXPECT_FALSE(rig.quietWindow.isActive());
}

TEST_F(CaptureLandingTest, TheHostContextIsReadWhenTheCaptureLands)
{
    host = HostCaptureContext{"Numbers", "com.example.numbers", "Q3"};
    landing->announce("note", "first", "Quick Capture.md", std::nullopt, std::nullopt, true);
    host = HostCaptureContext{};
    landing->announce("note", "second", "Quick Capture.md", std::nullopt, std::nullopt, true);

    ASSERT_EQ(rig.store->loops().size(), 2u);
    EXPECT_EQ(rig.store->loops()[1].appName, "Numbers");
    EXPECT_EQ(rig.store->loops()[0].appName, "this Mac");
    EXPECT_EQ(rig.store->loops()[0].bundleId, std::nullopt);
}

TEST_F(CaptureLandingTest, FromABackgroundThreadTheWorkFollowsOnTheMainThreadInCallOrder)
{
    std::thread target([this] {
        landing->announce("note", "first", "r1", std::nullopt, std::nullopt, true);
        landing->announce("copy", "second", "r2", std::nullopt, std::nullopt, false);
        landing->announce("note", "third", "r3", "/tmp/third.md", std::nullopt, true);
    });
    target.join();

    EXPECT_TRUE(rig.hud.empty());
    EXPECT_TRUE(rig.store->loops().empty());
    EXPECT_FALSE(rig.quietWindow.isActive());

    rig.loop.runUntilIdle();
    EXPECT_EQ(rig.hud,
              (std::vector<HudMessage>{{"r1", std::nullopt}, {"r2", std::nullopt}, {"r3", std::nullopt}}));
    ASSERT_EQ(rig.store->loops().size(), 2u);
    EXPECT_EQ(rig.store->loops()[0].text, "third");
    EXPECT_EQ(rig.store->loops()[1].text, "first");
    EXPECT_EQ(rig.store->lastReceipt(), "r3");
    EXPECT_EQ(rig.store->lastRevealPath(), "/tmp/third.md");
    EXPECT_TRUE(rig.quietWindow.isActive());
    EXPECT_TRUE(contextReadOnMainThread);
}

TEST_F(CaptureLandingTest, WorkHandedToTheMainLoopIsDroppedOnceTheLandingIsGone)
{
    std::thread target([this] { landing->announce("note", "late", "r", std::nullopt, std::nullopt, true); });
    target.join();
    landing.reset();
    rig.loop.runUntilIdle();

    EXPECT_TRUE(rig.hud.empty());
    EXPECT_TRUE(rig.store->loops().empty());
}

}  // namespace
}  // namespace qm
