#include <atomic>
#include <chrono>
#include <filesystem>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "capture/CaptureRouterRig.h"
#include "capture/SlowStat.h"
#include "platform/sim/accessibility/SimTextField.h"
#include "support/TempDir.h"
#include "targets/TargetsDefaultsKeys.h"

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

// The event tap cancels on every tap disable, from whatever moment it sees.
// A cancel made once the transition shows as started always stops it: the
// flag and the transition's number are set together, so the cancel can never
// mark the previous transition instead. (The window it guards against is a few
// instructions wide; the sanitizer builds and repetition make it show.)
TEST_F(CaptureRouterRig, ACancelOnceTheTransitionShowsAlwaysStopsIt)
{
    SimTextField field = addField();
    field.focus();
    // Armed once the previous transition is over: the flag it then sees can
    // only be the new transition's.
    std::atomic<bool> armed{false};
    std::jthread tapDisables([&](const std::stop_token& stop) {
        while (!stop.stop_requested()) {
            if (armed.load() && router->isCaptureTransitionThreadSafe()) {
                router->cancelCapture();
                armed = false;
            }
        }
    });

    constexpr int kTriggers = 150;
    for (int i = 0; i < kTriggers; ++i) {
        armed = true;
        desktop.keyboard().type("//note ");
        // The main loop stays still until the cancel is made, so the removal
        // cannot finish the transition before the cancel sees it.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (armed.load() && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::yield();
        }
        ASSERT_FALSE(armed.load()) << "trigger " << i;
        ASSERT_TRUE(loop.runUntil([&] {
            return field.value().empty() && !router->isCaptureTransitionThreadSafe();
        })) << "trigger "
            << i;
        if (!enteredTargets().empty()) {
            break;
        }
    }
    tapDisables.request_stop();
    tapDisables.join();
    loop.runUntilIdle();
    EXPECT_TRUE(enteredTargets().empty()) << "a capture opened after its transition was cancelled";
    EXPECT_FALSE(router->isCaptureModeActive());
}

// The folder pre-check of //obsidian looks at the vault folder. On a mount
// that stalls, that look must not hold the buffer lock, which the main
// thread's focus tracking takes: the main thread keeps going.
TEST_F(CaptureRouterRig, SlowVaultFolderDoesNotHoldUpTheMainThread)
{
    TempDir dir;
    const auto vault = dir / "vault";
    std::filesystem::create_directory(vault);
    defaults.set(TargetsDefaultsKeys::obsidianVaultPath, vault.string());
    SimTextField field = addField();
    field.focus();

    SlowStat slowMount(vault);
    std::jthread typing([&] { desktop.keyboard().type("//obsidian "); });
    if (!loop.runUntil([&] { return slowMount.hasWaiter(); })) {
        slowMount.release();
        FAIL() << "the folder check never looked at the vault";
    }

    auto focusNoted = std::async(std::launch::async, [&] {
        router->noteTypingFocus(kEditorBundle, field.axElement());
        router->suspendPassiveBuffer(kEditorBundle, field.axElement());
    });
    const bool mainThreadWentOn = focusNoted.wait_for(std::chrono::seconds(2)) == std::future_status::ready;
    slowMount.release();
    typing.join();
    focusNoted.wait();
    EXPECT_TRUE(mainThreadWentOn) << "the focus tracking waited for the folder check";

    // Once the folder answers, the trigger goes on as usual.
    EXPECT_TRUE(waitForCaptureMode());
    EXPECT_EQ(enteredTargets(), (std::vector<std::string>{"obsidian"}));
}

}  // namespace
}  // namespace qm::test
