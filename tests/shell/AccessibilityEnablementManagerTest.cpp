#include "shell/AccessibilityEnablementManager.h"

#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "base/Log.h"
#include "platform/sim/desktop/StandInDesktop.h"
#include "platform/sim/runtime/SimClock.h"
#include "platform/sim/runtime/SimMainLoop.h"

namespace qm {
namespace {

using Result = AccessibilityEnablementManager::EnablementResult;

constexpr const char* kSetManual = "🔍 AccessibilityEnablementManager: Set attribute 'AXManualAccessibility' "
                                   "on application element. Result: ";
constexpr const char* kSetEnhanced = "🔍 AccessibilityEnablementManager: Set attribute "
                                     "'AXEnhancedUserInterface' on application element. Result: ";

class AccessibilityEnablementManagerTest : public ::testing::Test {
protected:
    // An application with a focused text field, whose tree answers as `tree` says.
    SimApplication addApplication(std::optional<std::string> bundleID, SimTreeAvailability tree)
    {
        SimApplication application = desktop.addApplication(std::move(bundleID), "App");
        application.addWindow("Draft").addTextField({}).focus();
        application.setTreeAvailability(tree);
        return application;
    }

    std::size_t attributeSets() const { return log.count(kSetManual) + log.count(kSetEnhanced); }

    SimClock clock;
    SimMainLoop loop{clock};
    StandInDesktop desktop{loop};
    AccessibilityEnablementManager manager{loop, desktop.accessibility()};
    Log::Capture log;
};

TEST_F(AccessibilityEnablementManagerTest, AnApplicationThatAnswersIsEnhancedAtTheFirstCheck)
{
    const SimApplication editor = addApplication("com.example.editor", SimTreeAvailability::afterEnablement);
    editor.setAcceptsManualAccessibility(true);
    manager.onAppActivated(editor.runningApplication());
    EXPECT_TRUE(editor.manualAccessibility());
    EXPECT_TRUE(editor.enhancedUserInterface());
    EXPECT_TRUE(log.contains(std::string(kSetManual) + "0"));
    EXPECT_TRUE(log.contains(std::string(kSetEnhanced) + "0"));
    EXPECT_EQ(manager.currentStrategy("com.example.editor"), Result::fallbackOnly) << "not checked yet";

    loop.advance(0.04);
    EXPECT_EQ(manager.currentStrategy("com.example.editor"), Result::fallbackOnly);
    loop.advance(0.02);
    EXPECT_EQ(manager.currentStrategy("com.example.editor"), Result::enhanced);
    EXPECT_TRUE(log.contains("✅ AX tree confirmed for com.example.editor after 0.05s"));
    EXPECT_EQ(loop.pendingCount(), 0u) << "no further check";
}

TEST_F(AccessibilityEnablementManagerTest, ACheckReportsItsOwnDelayNotTheTimeSinceActivation)
{
    const SimApplication slow = addApplication("com.example.slow", SimTreeAvailability::never);
    manager.onAppActivated(slow.runningApplication());
    loop.advance(0.1);
    slow.setTreeAvailability(SimTreeAvailability::ready);
    loop.advance(0.15);
    EXPECT_EQ(manager.currentStrategy("com.example.slow"), Result::enhanced);
    EXPECT_TRUE(log.contains("✅ AX tree confirmed for com.example.slow after 0.15s"));
}

TEST_F(AccessibilityEnablementManagerTest, AnApplicationThatNeverAnswersFallsBackAfterTheFourthCheck)
{
    const SimApplication game = addApplication("com.example.game", SimTreeAvailability::never);
    // An application without the manual attribute refuses it: only logged.
    manager.onAppActivated(game.runningApplication());
    EXPECT_TRUE(log.contains(std::string(kSetManual) + "-25205"));
    loop.advance(1.28);
    EXPECT_FALSE(log.contains("⚠️ AX enhancement failed"));
    loop.advance(0.03);
    EXPECT_EQ(manager.currentStrategy("com.example.game"), Result::fallbackOnly);
    EXPECT_EQ(log.count("⚠️ AX enhancement failed for com.example.game, using bounding-box fallback"),
              1u);
    EXPECT_EQ(loop.pendingCount(), 0u);

    // Never asked again in this process.
    const std::size_t setsBefore = attributeSets();
    manager.onAppActivated(game.runningApplication());
    EXPECT_EQ(attributeSets(), setsBefore);
    EXPECT_EQ(loop.pendingCount(), 0u);
}

TEST_F(AccessibilityEnablementManagerTest, AnEnhancedApplicationIsAskedAgainWithoutChecks)
{
    const SimApplication editor = addApplication("com.example.editor", SimTreeAvailability::ready);
    manager.onAppActivated(editor.runningApplication());
    loop.advance(2);
    ASSERT_EQ(manager.currentStrategy("com.example.editor"), Result::enhanced);
    EXPECT_EQ(attributeSets(), 2u);

    manager.onAppActivated(editor.runningApplication());
    EXPECT_EQ(attributeSets(), 4u);
    EXPECT_EQ(loop.pendingCount(), 0u);
}

TEST_F(AccessibilityEnablementManagerTest, ThePlatformMakersApplicationsAndNamelessOnesAreNeverAsked)
{
    const SimApplication finder = addApplication("com.apple.finder", SimTreeAvailability::never);
    const SimApplication helper = addApplication(std::nullopt, SimTreeAvailability::never);
    manager.onAppActivated(finder.runningApplication());
    manager.onAppActivated(helper.runningApplication());
    EXPECT_EQ(manager.currentStrategy("com.apple.finder"), Result::enhanced);
    EXPECT_EQ(attributeSets(), 0u);
    EXPECT_FALSE(finder.enhancedUserInterface());
    EXPECT_EQ(loop.pendingCount(), 0u);
    EXPECT_EQ(manager.currentStrategy("com.example.never-seen"), Result::fallbackOnly);
}

TEST_F(AccessibilityEnablementManagerTest, TwoActivationsDuringTheChecksRunTwoChainsAndTheLastDecides)
{
    const SimApplication app = addApplication("com.example.flaky", SimTreeAvailability::never);
    manager.onAppActivated(app.runningApplication());
    loop.advance(0.5);
    manager.onAppActivated(app.runningApplication());
    // The first chain gives up at 1.30 s; the second, begun at 0.50 s, answers at its last check (1.80 s).
    loop.advance(0.85);
    EXPECT_EQ(log.count("⚠️ AX enhancement failed for com.example.flaky"), 1u);
    EXPECT_EQ(manager.currentStrategy("com.example.flaky"), Result::fallbackOnly);
    app.setTreeAvailability(SimTreeAvailability::ready);
    loop.advance(0.5);
    EXPECT_EQ(manager.currentStrategy("com.example.flaky"), Result::enhanced);
    EXPECT_TRUE(log.contains("✅ AX tree confirmed for com.example.flaky after 0.75s"));
}

TEST_F(AccessibilityEnablementManagerTest, ChecksOfAManagerThatIsGoneStop)
{
    const SimApplication app = addApplication("com.example.app", SimTreeAvailability::never);
    {
        AccessibilityEnablementManager shortLived{loop, desktop.accessibility()};
        shortLived.onAppActivated(app.runningApplication());
    }
    loop.advance(2);
    EXPECT_FALSE(log.contains("⚠️ AX enhancement failed"));
    EXPECT_EQ(loop.pendingCount(), 0u);
}

}  // namespace
}  // namespace qm
