#include <atomic>
#include <thread>

#include <gtest/gtest.h>

#include "EventTapRig.h"

namespace qm::test {
namespace {

// Keys arrive on a thread of their own, as they do from the tap's thread,
// while the main thread reads and writes the typing state and the tap queue
// builds the context.
TEST_F(EventTapRig, TypingOnAnotherThreadWhileTheMainThreadUsesTheState)
{
    startTap();
    std::atomic<bool> typed{false};
    std::string expected;
    for (int i = 0; i < 60; ++i) {
        expected += i % 7 == 0 ? "word, " : "word ";
    }
    std::thread typist([&] {
        for (int i = 0; i < 60; ++i) {
            type(i % 7 == 0 ? "word, " : "word ");
            if (i % 10 == 0) {
                press("ctrl+space");  // always the tap's, never the field's
            }
        }
        typed = true;
    });
    std::thread clearer([&] {
        for (int i = 0; i < 50 && !typed; ++i) {
            manager->clearContext(std::nullopt, i % 5 == 0);
            manager->setSuggestionsOverlayVisible(i % 2 == 0);
            std::this_thread::yield();
        }
    });
    int round = 0;
    ASSERT_TRUE(waitFor([&] {
        (void)manager->recentWords();
        (void)manager->slidingBuffer();
        if (++round % 50 == 0) {
            manager->setCurrentWordPrefix("");
        }
        return typed.load();
    }));
    typist.join();
    clearer.join();
    settle();
    EXPECT_LE(manager->recentWords().size(), EventTapManager::recentWordsHardLimit);
    EXPECT_EQ(field.value(), expected);
}

TEST_F(EventTapRig, RestartsAndTimeoutsWhileAnotherThreadTypes)
{
    startTap();
    std::atomic<bool> typed{false};
    std::thread typist([&] {
        for (int i = 0; i < 150; ++i) {
            type("ab ");
        }
        typed = true;
    });
    for (int i = 0; i < 6 && !typed; ++i) {
        manager->start();
        ASSERT_TRUE(waitFor([&] { return manager->eventTap() != nullptr; }));
        if (const auto tap = manager->eventTap()) {
            desktop.eventTaps().disableTap(*tap, KeyEventType::tapDisabledByTimeout);
        }
        loop.advance(EventTapManager::timeoutCooldown);
    }
    typist.join();
    settle();
    EXPECT_EQ(desktop.eventTaps().tapCount(), 1u);
    EXPECT_FALSE(manager->isTapPermanentlyDisabled());
    EXPECT_EQ(field.value(), [] {
        std::string all;
        for (int i = 0; i < 150; ++i) {
            all += "ab ";
        }
        return all;
    }());
}

TEST_F(EventTapRig, ManagerReleasedWhileAnotherThreadTypes)
{
    startTap();
    std::atomic<int> keys{0};
    std::thread typist([&] {
        for (int i = 0; i < 100; ++i) {
            type("xy ");
            keys += 3;
        }
    });
    ASSERT_TRUE(waitFor([&] { return keys.load() >= 30; }));
    destroyApp();
    typist.join();
    loop.advance(10.0);
    EXPECT_EQ(desktop.eventTaps().tapCount(), 0u);
    EXPECT_EQ(field.value().size(), 300u) << "no key is lost when the tap goes";
}

}  // namespace
}  // namespace qm::test
