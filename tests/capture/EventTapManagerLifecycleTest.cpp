#include <gtest/gtest.h>

#include "EventTapRig.h"
#include "base/Log.h"
#include "capture/CaptureDefaultsKeys.h"
#include "capture/CaptureNotifications.h"
#include "platform/sim/keyboard/KeyboardDriver.h"

namespace qm::test {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::SizeIs;

class EventTapLifecycleTest : public EventTapRig {
protected:
    void timeOut()
    {
        desktop.eventTaps().disableTap(*manager->eventTap(), KeyEventType::tapDisabledByTimeout);
    }
    void disableByUserInput()
    {
        desktop.eventTaps().disableTap(*manager->eventTap(), KeyEventType::tapDisabledByUserInput);
    }
    bool tapEnabled() { return manager->eventTap() && manager->eventTap()->isEnabled(); }
};

TEST_F(EventTapLifecycleTest, StartInstallsOneTapThatSeesKeys)
{
    Log::Capture log;
    startTap();
    EXPECT_TRUE(log.contains("Event tap successfully started on dedicated background thread."));
    EXPECT_EQ(desktop.eventTaps().tapCount(), 1u);
    EXPECT_TRUE(tapEnabled());

    type("hi ");
    settle();
    EXPECT_EQ(manager->recentWords(), std::vector<std::string>{"hi"});
    EXPECT_EQ(manager->lastKeyPressTime(), clock.now());
}

TEST_F(EventTapLifecycleTest, StartWithoutTrustDoesNothing)
{
    desktop.trust().setTrusted(false);
    Log::Capture log;
    manager->start();
    loop.runUntilIdle();
    EXPECT_TRUE(log.contains("Accessibility not trusted. Skipping event tap creation."));
    EXPECT_EQ(manager->eventTap(), nullptr);
    EXPECT_EQ(desktop.eventTaps().tapCount(), 0u);
    EXPECT_EQ(loop.nextDueTime(), std::nullopt) << "no watchdog either";
}

TEST_F(EventTapLifecycleTest, SecondStartReplacesTheFirstTap)
{
    startTap();
    const auto first = manager->eventTap();
    startTap();
    EXPECT_FALSE(first->isValid());
    EXPECT_NE(manager->eventTap(), first);
    EXPECT_EQ(desktop.eventTaps().tapCount(), 1u);

    // Keys are seen once.
    type("a ");
    settle();
    EXPECT_EQ(manager->recentWords(), std::vector<std::string>{"a"});
    EXPECT_EQ(field.value(), "a ");
}

TEST_F(EventTapLifecycleTest, StopRemovesTheTapAndIsSafeTwice)
{
    manager->stop();
    loop.runUntilIdle();
    startTap();
    manager->stop();
    manager->stop();
    loop.runUntilIdle();
    EXPECT_EQ(manager->eventTap(), nullptr);
    EXPECT_EQ(desktop.eventTaps().tapCount(), 0u);
    EXPECT_EQ(loop.nextDueTime(), std::nullopt) << "the watchdog stopped too";

    manager->setSuggestionsOverlayVisible(true);
    press("tab");
    EXPECT_THAT(deliveredKeyDowns(), Contains("\t"));
}

TEST_F(EventTapLifecycleTest, FailedTapCreationPromptsForPermissions)
{
    desktop.eventTaps().setTapCreationFails(true);
    alerts.answerNextWithButton("Open Settings");
    Log::Capture log;
    manager->start();
    ASSERT_TRUE(waitFor([&] { return !alerts.shownAlerts().empty(); }));

    EXPECT_TRUE(log.contains("Failed to create event tap."));
    const Alert alert = alerts.shownAlerts().front();
    EXPECT_EQ(alert.messageText, "Input Monitoring or Accessibility Permission Required");
    EXPECT_EQ(alert.alertStyle, Alert::Style::critical);
    EXPECT_THAT(alert.buttons, ElementsAre("Open Settings", "Cancel"));
    EXPECT_EQ(
        alert.informativeText,
        "Quillmarker was unable to start its global keyboard listener.\n\n"
        "This usually means that the application lacks 'Input Monitoring' or 'Accessibility' permissions "
        "in System Settings.\n\n"
        "Please open 'System Settings > Privacy & Security' and ensure Quillmarker is toggled ON under both "
        "'Accessibility' and 'Input Monitoring', then restart the app.");
    EXPECT_THAT(desktop.workspace().openedURLs(),
                ElementsAre("x-apple.systempreferences:com.apple.preference.security?Privacy_Accessibility"));
}

// --- Timeouts ---

struct TimeoutCase {
    const char* name;
    // "T" a timeout, "k" a key-down.
    const char* sequence;
    bool disabledForGood;
    int countAfter;
};

void PrintTo(const TimeoutCase& c, std::ostream* out)
{
    *out << c.name;
}

class TimeoutSequenceTest : public EventTapLifecycleTest,
                            public ::testing::WithParamInterface<TimeoutCase> {};

TEST_P(TimeoutSequenceTest, CountsTimeoutsWithoutKeysBetween)
{
    const TimeoutCase& c = GetParam();
    startTap();
    Log::Capture log;
    for (const char step : std::string_view(c.sequence)) {
        if (step == 'T') {
            timeOut();
            loop.advance(EventTapManager::timeoutCooldown);  // the cooldown re-enables the tap
        } else {
            type("k");
        }
        settle();
    }
    EXPECT_EQ(manager->isTapPermanentlyDisabled(), c.disabledForGood);
    EXPECT_EQ(manager->consecutiveTimeouts(), c.countAfter);
    const auto failures = posted(CaptureNotifications::presentCaptureFailure);
    if (!c.disabledForGood) {
        EXPECT_TRUE(tapEnabled());
        EXPECT_THAT(failures, IsEmpty());
        return;
    }
    EXPECT_EQ(manager->eventTap(), nullptr);
    EXPECT_EQ(desktop.eventTaps().tapCount(), 0u);
    EXPECT_TRUE(
        log.contains("Event tap watchdog: Disabling event tap permanently due to multiple timeouts to "
                     "protect system input stream."));
    ASSERT_THAT(failures, SizeIs(1));
    const UserInfo& info = failures[0].userInfo;
    EXPECT_EQ(info.get<std::string>("command"), "capture");
    EXPECT_EQ(
        info.get<std::string>("detail"),
        "The keyboard listener paused after repeated timeouts. Restart Quillmarker from the menu bar, then "
        "type // again.");
    EXPECT_EQ(info.get<bool>("saved"), false);
    EXPECT_EQ(info.get<bool>("informational"), true);
}

INSTANTIATE_TEST_SUITE_P(Watchdog, TimeoutSequenceTest,
                         ::testing::Values(TimeoutCase{"OneTimeout", "T", false, 1},
                                           TimeoutCase{"TwoTimeouts", "TT", false, 2},
                                           TimeoutCase{"KeyRestartsTheCount", "TTkTT", false, 2},
                                           TimeoutCase{"ThreeInARowDisableForGood", "TTT", true, 3},
                                           TimeoutCase{"ThreeAfterAKey", "TkTTT", true, 3}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(EventTapLifecycleTest, TimeoutCancelsCaptureAndReEnablesAfterCooldown)
{
    startTap();
    Log::Capture log;
    timeOut();
    loop.runUntilIdle();
    EXPECT_TRUE(log.contains("Event tap watchdog: Timeout occurred. Count: 1"));
    EXPECT_TRUE(log.contains("⎋ CaptureRouterController: Canceled capture mode"));
    EXPECT_FALSE(tapEnabled());

    loop.advance(EventTapManager::timeoutCooldown - 0.1);
    EXPECT_FALSE(tapEnabled());
    loop.advance(0.1);
    EXPECT_TRUE(tapEnabled());
    EXPECT_TRUE(log.contains("Event tap watchdog: Re-enabled tap after 2s cooldown."));
}

TEST_F(EventTapLifecycleTest, TimeoutClosesAnOpenCaptureEvenWhenTheTapRecovers)
{
    startTap();
    type("//note ");
    ASSERT_TRUE(waitForCaptureMode());
    timeOut();
    loop.runUntilIdle();
    EXPECT_FALSE(router->isCaptureModeActiveThreadSafe());
    loop.advance(EventTapManager::timeoutCooldown);
    EXPECT_TRUE(tapEnabled());
    EXPECT_FALSE(router->isCaptureModeActiveThreadSafe());
}

TEST_F(EventTapLifecycleTest, WatchdogReEnablesADisabledTapButNotDuringACooldown)
{
    startTap();
    Log::Capture log;
    // Switched off without a disable event: the next tick switches it on.
    manager->eventTap()->setEnabled(false);
    loop.advance(EventTapManager::watchdogInterval);
    EXPECT_TRUE(tapEnabled());
    EXPECT_EQ(log.count("⚠️ Watchdog: Event tap was disabled! Re-enabling..."), 1u);

    // A timeout just before the next tick: the tick leaves the tap to the cooldown.
    loop.advance(EventTapManager::watchdogInterval - 0.1);
    timeOut();
    loop.advance(0.1);
    EXPECT_FALSE(tapEnabled());
    EXPECT_EQ(log.count("⚠️ Watchdog: Event tap was disabled! Re-enabling..."), 1u);
    loop.advance(EventTapManager::timeoutCooldown);
    EXPECT_TRUE(tapEnabled());
}

TEST_F(EventTapLifecycleTest, UserInputDisableReEnablesAtOnce)
{
    startTap();
    Log::Capture log;
    disableByUserInput();
    EXPECT_TRUE(tapEnabled());
    loop.advance(EventTapManager::userInputRecheckDelay);
    EXPECT_TRUE(log.contains("⎋ CaptureRouterController: Canceled capture mode"));
    EXPECT_THAT(alerts.shownAlerts(), IsEmpty());
}

TEST_F(EventTapLifecycleTest, UserInputDisableThatSticksPrompts)
{
    startTap();
    Log::Capture log;
    disableByUserInput();
    manager->eventTap()->setEnabled(false);  // the re-enable did not take
    alerts.answerNextWithButton("Cancel");
    loop.advance(EventTapManager::userInputRecheckDelay);
    EXPECT_TRUE(log.contains(
        "⚠️ Event tap disabled by user input and re-enable failed — prompting for permissions."));
    EXPECT_THAT(alerts.shownAlerts(), SizeIs(1));
    EXPECT_THAT(desktop.workspace().openedURLs(), IsEmpty());
}

TEST_F(EventTapLifecycleTest, StartAfterPermanentDisableWorksFully)
{
    startTap();
    for (int i = 0; i < EventTapManager::timeoutsBeforePermanentDisable; ++i) {
        timeOut();
        loop.advance(EventTapManager::timeoutCooldown);
    }
    ASSERT_TRUE(manager->isTapPermanentlyDisabled());

    startTap();
    EXPECT_FALSE(manager->isTapPermanentlyDisabled());
    EXPECT_EQ(manager->consecutiveTimeouts(), 0);
    // The watchdog and the cooldown work again.
    manager->eventTap()->setEnabled(false);
    loop.advance(EventTapManager::watchdogInterval);
    EXPECT_TRUE(tapEnabled());
    timeOut();
    loop.advance(EventTapManager::timeoutCooldown);
    EXPECT_TRUE(tapEnabled());
    EXPECT_FALSE(manager->isTapPermanentlyDisabled());
}

TEST_F(EventTapLifecycleTest, ManagerGoneBeforeItsDelayedWork)
{
    startTap();
    type("alpha beta");
    timeOut();
    destroyApp();
    EXPECT_EQ(desktop.eventTaps().tapCount(), 0u);
    loop.advance(10.0);
    type("more");
    EXPECT_EQ(field.value(), "alpha betamore");
}

// A key answered just before the manager went: what it would have posted on
// the main loop is dropped with the manager, the notifications included.
TEST_F(EventTapLifecycleTest, KeysAnsweredJustBeforeTheManagerWentPostNothing)
{
    startTap();
    manager->setPlaceholderModeActive(true);
    clearRecords();
    press("tab");
    manager->setPlaceholderModeActive(false);
    manager->setAIPromptMode(true);
    press("return");
    press("left");
    ASSERT_GE(loop.pendingCount(), 3u);  // the three posts wait on the main loop
    destroyApp();
    loop.runUntilIdle();
    EXPECT_THAT(postedNames(), IsEmpty());
    EXPECT_THAT(delegate.calls, IsEmpty());
}

// --- Shortcut preferences ---

struct ShortcutCase {
    const char* name;
    std::vector<std::pair<const char*, DefaultsValue>> stored;
    EventFlags expected;
};

void PrintTo(const ShortcutCase& c, std::ostream* out)
{
    *out << c.name;
}

class ShortcutPreferenceTest : public EventTapRig, public ::testing::WithParamInterface<ShortcutCase> {};

TEST_P(ShortcutPreferenceTest, ModifiersFromDefaults)
{
    for (const auto& [key, value] : GetParam().stored) {
        defaults.set(key, value);
    }
    manager->loadShortcutPreferences();
    EXPECT_EQ(manager->shortcutModifiers(), GetParam().expected);
}

using namespace KeyEventFlags;

INSTANTIATE_TEST_SUITE_P(Shortcut, ShortcutPreferenceTest,
                         ::testing::Values(ShortcutCase{"NothingStoredIsControl", {}, control},
                                           ShortcutCase{"AllFalseIsControl",
                                                        {{CaptureDefaultsKeys::shortcutHasControl, false},
                                                         {CaptureDefaultsKeys::shortcutHasOption, false},
                                                         {CaptureDefaultsKeys::shortcutHasShift, false},
                                                         {CaptureDefaultsKeys::shortcutHasCommand, false}},
                                                        control},
                                           ShortcutCase{"OnlyCommand",
                                                        {{CaptureDefaultsKeys::shortcutHasControl, false},
                                                         {CaptureDefaultsKeys::shortcutHasCommand, true}},
                                                        command},
                                           ShortcutCase{"CommandAddsToDefaultControl",
                                                        {{CaptureDefaultsKeys::shortcutHasCommand, true}},
                                                        control | command},
                                           ShortcutCase{"AllFour",
                                                        {{CaptureDefaultsKeys::shortcutHasControl, true},
                                                         {CaptureDefaultsKeys::shortcutHasOption, true},
                                                         {CaptureDefaultsKeys::shortcutHasShift, true},
                                                         {CaptureDefaultsKeys::shortcutHasCommand, true}},
                                                        control | alternate | shift | command},
                                           ShortcutCase{"NonBooleanControlCountsAsTrue",
                                                        {{CaptureDefaultsKeys::shortcutHasControl, 0},
                                                         {CaptureDefaultsKeys::shortcutHasOption, true}},
                                                        control | alternate},
                                           ShortcutCase{"NonBooleanOptionCountsAsFalse",
                                                        {{CaptureDefaultsKeys::shortcutHasOption, "yes"}},
                                                        control}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qm::test
