#include "shell/OwnWindowKeyboardGuard.h"

#include <atomic>
#include <memory>
#include <thread>

#include <gtest/gtest.h>

#include "base/Log.h"
#include "platform/display/Window.h"
#include "platform/notifications/NotificationCenter.h"
#include "platform/sim/display/SimApplicationWindows.h"
#include "platform/sim/display/SimWindow.h"
#include "platform/sim/runtime/SimClock.h"
#include "platform/sim/runtime/SimMainLoop.h"

namespace qm {
namespace {

constexpr const char* kHealedStuck =
    "⚠️ OwnWindowKeyboardGuard self-healed a stale key-window state (was stuck: true).";
constexpr const char* kHealedMissed =
    "⚠️ OwnWindowKeyboardGuard self-healed a stale key-window state (was stuck: false).";

class OwnWindowKeyboardGuardTest : public ::testing::Test {
protected:
    std::size_t observers() const
    {
        return center.observerCount(Window::didBecomeKeyNotification) +
               center.observerCount(Window::didResignKeyNotification) +
               center.observerCount(Window::willCloseNotification);
    }

    SimClock clock{0};
    SimMainLoop loop{clock};
    NotificationCenter center;
    SimApplicationWindows windows{center};
    OwnWindowKeyboardGuard guard{loop, center, windows};
    SimWindow overlay{windows, center};
    SimWindow settings{windows, center};
    SimWindow alert{windows, center};  // never registered
};

TEST_F(OwnWindowKeyboardGuardTest, FollowsTheKeyNotificationsOfRegisteredWindows)
{
    guard.registerEditableWindow(overlay);
    guard.registerEditableWindow(settings);
    EXPECT_FALSE(guard.isOwnEditableWindowKey());

    windows.makeKey(overlay.identity());
    EXPECT_TRUE(guard.isOwnEditableWindowKey());
    // Settings becomes key, then the overlay's resign arrives late: the newer one stays.
    windows.makeKey(settings.identity(), false);
    center.post(std::string(Window::didBecomeKeyNotification), settings.identity());
    center.post(std::string(Window::didResignKeyNotification), overlay.identity());
    EXPECT_TRUE(guard.isOwnEditableWindowKey());

    // An alert of this program is not an editable window.
    windows.makeKey(alert.identity());
    EXPECT_FALSE(guard.isOwnEditableWindowKey());
}

TEST_F(OwnWindowKeyboardGuardTest, RegisteringAKeyWindowCountsAtOnceAndTwiceIsOnce)
{
    windows.makeKey(overlay.identity());
    guard.registerEditableWindow(overlay);
    EXPECT_TRUE(guard.isOwnEditableWindowKey());
    guard.registerEditableWindow(overlay);
    EXPECT_EQ(guard.registeredCount(), 1u);
    EXPECT_EQ(observers(), 3u);
    EXPECT_TRUE(guard.isOwnEditableWindowKey());

    guard.unregisterEditableWindow(settings);  // never registered: nothing changes
    EXPECT_EQ(guard.registeredCount(), 1u);
    EXPECT_TRUE(guard.isOwnEditableWindowKey());
}

TEST_F(OwnWindowKeyboardGuardTest, ClosingARegisteredWindowUnregistersIt)
{
    guard.registerEditableWindow(overlay);
    windows.makeKey(overlay.identity());
    ASSERT_TRUE(guard.isOwnEditableWindowKey());
    overlay.close();
    EXPECT_FALSE(guard.isOwnEditableWindowKey());
    EXPECT_EQ(guard.registeredCount(), 0u);
    EXPECT_EQ(observers(), 0u);
    // Its notifications no longer count.
    center.post(std::string(Window::didBecomeKeyNotification), overlay.identity());
    EXPECT_FALSE(guard.isOwnEditableWindowKey());
}

TEST_F(OwnWindowKeyboardGuardTest, SelfHealingCorrectsMissedNotificationsWithinFourSeconds)
{
    guard.registerEditableWindow(overlay);
    guard.startSelfHealing();
    guard.startSelfHealing();  // once only
    Log::Capture log;

    // A lost did-resign-key: stuck true until the next tick.
    windows.makeKey(overlay.identity());
    windows.makeKey(nullptr, false);
    EXPECT_TRUE(guard.isOwnEditableWindowKey());
    loop.advance(3.9);
    EXPECT_TRUE(guard.isOwnEditableWindowKey());
    loop.advance(0.1);
    EXPECT_FALSE(guard.isOwnEditableWindowKey());
    EXPECT_EQ(log.count(kHealedStuck), 1u);

    // A lost did-become-key: set at the next tick, "was stuck: false".
    windows.makeKey(overlay.identity(), false);
    loop.advance(4.0);
    EXPECT_TRUE(guard.isOwnEditableWindowKey());
    EXPECT_EQ(log.count(kHealedMissed), 1u);

    // Nothing stale: no line.
    loop.advance(8.0);
    EXPECT_EQ(log.count("self-healed"), 2u);
}

TEST_F(OwnWindowKeyboardGuardTest, StaleKeyOfAnotherRegisteredWindowHealsAsStuck)
{
    guard.registerEditableWindow(overlay);
    guard.registerEditableWindow(settings);
    guard.startSelfHealing();
    Log::Capture log;
    windows.makeKey(overlay.identity());
    windows.makeKey(settings.identity(), false);
    loop.advance(4.0);
    EXPECT_TRUE(guard.isOwnEditableWindowKey());
    EXPECT_EQ(log.count(kHealedStuck), 1u);
    windows.makeKey(alert.identity(), false);
    loop.advance(4.0);
    EXPECT_FALSE(guard.isOwnEditableWindowKey());
    EXPECT_EQ(log.count(kHealedStuck), 2u);
}

TEST_F(OwnWindowKeyboardGuardTest, TheTapThreadReadsWhileTheMainThreadChanges)
{
    guard.registerEditableWindow(overlay);
    std::atomic<bool> stop{false};
    std::atomic<long> reads{0};
    std::thread tap([&] {
        while (!stop) {
            reads += guard.isOwnEditableWindowKey() ? 1 : 0;
        }
    });
    for (int i = 0; i < 2000; ++i) {
        windows.makeKey(i % 2 == 0 ? overlay.identity() : nullptr);
    }
    stop = true;
    tap.join();
    EXPECT_FALSE(guard.isOwnEditableWindowKey());
}

}  // namespace
}  // namespace qm
