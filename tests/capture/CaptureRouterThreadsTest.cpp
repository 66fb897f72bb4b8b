#include <atomic>
#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "capture/CaptureRouterRig.h"
#include "platform/sim/accessibility/SimTextField.h"

namespace qm::test {
namespace {

// The router is used from the event-tap thread (keys), the main thread (focus
// tracking, transition ends) and the transition queue (removals) at once; the
// sanitizer builds check that its two locks cover everything they share.
TEST_F(CaptureRouterRig, KeysFocusChangesAndClearsFromSeveralThreads)
{
    SimTextField field = addField({}, 400);
    SimTextField other = addField({}, 420, SimTextKind::singleLine, 160);
    field.focus();
    std::atomic<bool> typing{true};

    std::thread tapThread([&] {
        for (int i = 0; i < 40; ++i) {
            desktop.keyboard().type(i % 3 == 0 ? "w//copy " : "x//note ");
        }
        typing = false;
    });
    std::thread clearing([&] {
        int round = 0;
        while (typing) {
            if (++round % 5 == 0) {
                router->clearPassiveBuffer();
            }
            (void)router->isCapturePipelineBusyThreadSafe();
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    });
    while (typing) {
        loop.runUntilIdle();
        router->suspendPassiveBuffer(kEditorBundle, field.axElement());
        router->noteTypingFocus(kEditorBundle, other.axElement());
        router->restorePassiveBufferIfMatching(kEditorBundle, field.axElement());
        std::this_thread::sleep_for(std::chrono::microseconds(300));
    }
    tapThread.join();
    clearing.join();

    // Every transition still in flight ends by its removal, or by its failsafe.
    EXPECT_TRUE(loop.runUntil([&] { return !router->isCaptureTransitionThreadSafe(); }));
    loop.advance(8);
    EXPECT_FALSE(router->isCaptureTransitionThreadSafe());
    // The keys after a trigger went to the capture that opened; Esc ends it.
    desktop.keyboard().press("esc");
    loop.runUntilIdle();
    EXPECT_FALSE(router->isCapturePipelineBusyThreadSafe());
    EXPECT_LE(enteredTargets().size(), 40u);
}

TEST_F(CaptureRouterRig, DestroyingTheRouterWaitsForARunningRemoval)
{
    for (const char* attribute : {"AXSelectedTextRange", "AXSelectedText", "AXValue"}) {
        accessibility->refuseWrites(attribute);
    }
    SimTextField field = addField();
    field.focus();
    poster.close();
    desktop.keyboard().type("//note ");
    for (int i = 0; i < 2000 && !poster.hasWaiter(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_TRUE(poster.hasWaiter());
    // A second trigger cannot start during the transition; queue a removal
    // behind the running one by releasing the keyboard first.
    loop.advance(7.5);
    desktop.keyboard().type("//copy ");

    std::thread opener([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        poster.open();
    });
    routerInUse.store(nullptr);
    stage.app.reset();
    opener.join();

    loop.runUntilIdle();
    EXPECT_TRUE(enteredTargets().empty());
    // The running removal finished (its Delete keys take the newer trigger at the caret); the queued
    // one did nothing.
    EXPECT_EQ(field.value(), "//note");
}

}  // namespace
}  // namespace qm::test
