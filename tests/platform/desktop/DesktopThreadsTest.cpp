#include <atomic>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "platform/accessibility/AXAttribute.h"
#include "platform/accessibility/AXNotification.h"
#include "platform/desktop/DesktopFixture.h"

namespace qm::test {
namespace {

using DesktopThreadsTest = DesktopFixture;

// The event tap's shape: the callback runs on the keyboard's thread, asks the
// workspace and secure input, and hands its work to the main loop, while the
// main thread reads the field through Accessibility and hears its observer.
TEST_F(DesktopThreadsTest, TapOnTheKeyboardThreadAndObserversOnTheMainLoopRunTogether)
{
    constexpr int keys = 300;
    std::atomic<int> tapCalls{0};
    std::atomic<int> postedToMain{0};
    int ranOnMain = 0;
    int heard = 0;
    bool allOnMain = true;

    const auto tap = desktop.eventTaps().createTap(
        EventTap::Location::session, EventTap::Placement::headInsert, EventTap::Options::defaultTap,
        eventMaskBit(KeyEventType::keyDown), [&](const KeyEvent& event) -> std::optional<KeyEvent> {
            ++tapCalls;
            if (event.isOurs() || desktop.secureInput().isSecureEventInputEnabled() ||
                !desktop.workspace().frontmostApplication()) {
                return event;
            }
            ++postedToMain;
            loop.post([&] {
                ++ranOnMain;
                allOnMain = allOnMain && loop.isMainThread();
            });
            return event;
        });
    std::shared_ptr<AXObserver> observer;
    ASSERT_EQ(desktop.accessibility().createObserver(
                  editor.pid(),
                  [&](const AXUIElement&, std::string_view) {
                      ++heard;
                      allOnMain = allOnMain && loop.isMainThread();
                  },
                  observer),
              AXError::success);
    observer->addNotification(editor.axElement(), AXNotification::valueChanged);
    observer->addToMainLoop();

    std::atomic<bool> typed{false};
    std::thread keyboard([&] {
        for (int i = 0; i < keys; ++i) {
            desktop.keyboard().type(i % 10 == 9 ? "\n" : "k");
        }
        typed = true;
    });
    std::thread poster([&] {
        KeyEvent fix = KeyEvent::keyboardEvent(KeyEventSourceState::combinedSessionState, 0, true);
        fix.setUnicodeString(u"!");
        for (int i = 0; i < 20; ++i) {
            desktop.syntheticEvents().post(EventTap::Location::hid, fix);
        }
    });
    const AXUIElement field = line.axElement();
    std::size_t longest = 0;
    const bool finished = loop.runUntil([&] {
        AXValue value;
        if (field.copyAttributeValue(AXAttribute::value, value) == AXError::success) {
            longest = std::max(longest, value.asString().value_or("").size());
        }
        return typed.load() && ranOnMain == postedToMain.load();
    });
    keyboard.join();
    poster.join();
    loop.runUntilIdle();

    ASSERT_TRUE(finished);
    EXPECT_EQ(tapCalls.load(), keys + 20);
    EXPECT_EQ(ranOnMain, keys);
    EXPECT_TRUE(allOnMain);
    // A one-line field: Return types nothing, so 270 letters and 20 posted marks.
    EXPECT_EQ(line.value().size(), 290u);
    EXPECT_EQ(heard, 290);
    EXPECT_LE(longest, 290u);
}

}  // namespace
}  // namespace qm::test
