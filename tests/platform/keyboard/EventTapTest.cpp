#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/desktop/DesktopFixture.h"
#include "platform/keyboard/EventTapRunLoop.h"
#include "platform/keyboard/KeyCode.h"

namespace qm::test {
namespace {

class EventTapTest : public DesktopFixture {
protected:
    std::shared_ptr<EventTap> keyDownTap(EventTap::Callback callback,
                                         EventTap::Placement placement = EventTap::Placement::headInsert,
                                         EventTap::Location location = EventTap::Location::session)
    {
        return desktop.eventTaps().createTap(location, placement, EventTap::Options::defaultTap,
                                             eventMaskBit(KeyEventType::keyDown), std::move(callback));
    }

    std::vector<KeyEvent> deliveredKeyDowns()
    {
        std::vector<KeyEvent> downs;
        for (const auto& delivery : desktop.eventTaps().deliveries()) {
            if (delivery.event.type() == KeyEventType::keyDown) {
                downs.push_back(delivery.event);
            }
        }
        return downs;
    }

    static KeyEvent synthetic(std::uint16_t keyCode, bool down, std::u16string_view text = {})
    {
        KeyEvent event = KeyEvent::keyboardEvent(KeyEventSourceState::hidSystemState, keyCode, down);
        event.setUnicodeString(text);
        return event;
    }

    void postKey(std::uint16_t keyCode, std::u16string_view text = {},
                 EventTap::Location location = EventTap::Location::hid)
    {
        desktop.syntheticEvents().post(location, synthetic(keyCode, true, text));
        desktop.syntheticEvents().post(location, synthetic(keyCode, false, text));
    }
};

TEST_F(EventTapTest, SwallowedKeyNeverReachesTheFieldOrTheApplication)
{
    const auto tap = keyDownTap([](const KeyEvent& event) -> std::optional<KeyEvent> {
        if (event.keyCode() == 7) {  // x
            return std::nullopt;
        }
        return event;
    });
    desktop.keyboard().type("axbx");
    EXPECT_EQ(line.value(), "ab");
    for (const KeyEvent& event : deliveredKeyDowns()) {
        EXPECT_NE(event.keyCode(), 7);
    }
}

TEST_F(EventTapTest, ReplacedEventIsWhatTheFieldGets)
{
    const auto tap = keyDownTap([](const KeyEvent& event) -> std::optional<KeyEvent> {
        KeyEvent replaced = event;
        if (event.text() == "a") {
            replaced.setUnicodeString(u"ä");
        }
        return replaced;
    });
    desktop.keyboard().type("bab");
    EXPECT_EQ(line.value(), "bäb");
}

TEST_F(EventTapTest, ListenOnlyTapCannotSwallow)
{
    int seen = 0;
    const auto tap = desktop.eventTaps().createTap(
        EventTap::Location::session, EventTap::Placement::headInsert, EventTap::Options::listenOnly,
        eventMaskBit(KeyEventType::keyDown), [&](const KeyEvent&) -> std::optional<KeyEvent> {
            ++seen;
            return std::nullopt;
        });
    desktop.keyboard().type("ok");
    EXPECT_EQ(seen, 2);
    EXPECT_EQ(line.value(), "ok");
}

TEST_F(EventTapTest, HeadInsertedTapSeesEventsFirstAndItsSwallowHidesThemFromLaterTaps)
{
    std::vector<std::string> order;
    const auto tail = keyDownTap(
        [&](const KeyEvent& event) -> std::optional<KeyEvent> {
            order.push_back("tail " + event.text());
            return event;
        },
        EventTap::Placement::tailAppend);
    const auto head = keyDownTap([&](const KeyEvent& event) -> std::optional<KeyEvent> {
        order.push_back("head " + event.text());
        if (event.text() == "q") {
            return std::nullopt;
        }
        return event;
    });
    desktop.keyboard().type("pq");
    EXPECT_EQ(order, (std::vector<std::string>{"head p", "tail p", "head q"}));
    EXPECT_EQ(line.value(), "p");
}

TEST_F(EventTapTest, DisabledTapIsBypassedUntilEnabledAgain)
{
    const auto tap = keyDownTap([](const KeyEvent&) -> std::optional<KeyEvent> { return std::nullopt; });
    ASSERT_TRUE(tap->isEnabled());  // new taps start enabled
    desktop.keyboard().type("a");
    tap->setEnabled(false);
    EXPECT_FALSE(tap->isEnabled());
    desktop.keyboard().type("b");
    tap->setEnabled(true);
    desktop.keyboard().type("c");
    EXPECT_EQ(line.value(), "b");
}

TEST_F(EventTapTest, SystemDisablingTheTapTellsTheCallbackWithTheReason)
{
    for (const KeyEventType reason :
         {KeyEventType::tapDisabledByTimeout, KeyEventType::tapDisabledByUserInput}) {
        std::vector<KeyEventType> seen;
        const auto tap = keyDownTap([&](const KeyEvent& event) -> std::optional<KeyEvent> {
            seen.push_back(event.type());
            return std::nullopt;
        });
        desktop.eventTaps().disableTap(*tap, reason);
        EXPECT_EQ(seen, std::vector<KeyEventType>{reason});
        EXPECT_FALSE(tap->isEnabled());
        EXPECT_TRUE(tap->isValid());

        line.setValue("");
        desktop.keyboard().type("z");  // passes the switched-off tap
        EXPECT_EQ(line.value(), "z");
        tap->setEnabled(true);
        desktop.keyboard().type("z");  // swallowed again
        EXPECT_EQ(line.value(), "z");
        EXPECT_EQ(seen.size(), 2u);
    }
}

TEST_F(EventTapTest, InvalidatedOrDroppedTapIsNeverCalledAgain)
{
    int calls = 0;
    auto tap = keyDownTap([&](const KeyEvent& event) -> std::optional<KeyEvent> {
        ++calls;
        return event;
    });
    EXPECT_EQ(desktop.eventTaps().tapCount(), 1u);
    tap->invalidate();
    EXPECT_FALSE(tap->isValid());
    tap->setEnabled(true);
    EXPECT_FALSE(tap->isEnabled());
    desktop.keyboard().type("a");
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(desktop.eventTaps().tapCount(), 0u);

    auto second = keyDownTap([&](const KeyEvent& event) -> std::optional<KeyEvent> {
        ++calls;
        return event;
    });
    second.reset();
    desktop.keyboard().type("b");
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(line.value(), "ab");
}

TEST_F(EventTapTest, CreationFailsWithoutTrustOrWhenTheSystemRefuses)
{
    const auto pass = [](const KeyEvent& event) -> std::optional<KeyEvent> { return event; };
    desktop.trust().setTrusted(false);
    EXPECT_EQ(keyDownTap(pass), nullptr);
    desktop.trust().setTrusted(true);
    desktop.eventTaps().setTapCreationFails(true);
    EXPECT_EQ(keyDownTap(pass), nullptr);
    desktop.eventTaps().setTapCreationFails(false);
    EXPECT_NE(keyDownTap(pass), nullptr);
}

TEST_F(EventTapTest, PostedEventsAreTaggedAsOursKeyboardEventsAreNot)
{
    std::vector<KeyEvent> seen;
    const auto tap = keyDownTap([&](const KeyEvent& event) -> std::optional<KeyEvent> {
        seen.push_back(event);
        return event;
    });
    desktop.keyboard().type("a");
    postKey(KeyCode::a, u"b", EventTap::Location::session);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_FALSE(seen[0].isOurs());
    EXPECT_EQ(seen[0].sourcePid(), 0);
    EXPECT_TRUE(seen[1].isOurs());
    EXPECT_EQ(seen[1].sourcePid(), desktop.workspace().currentApplication().processIdentifier);
    EXPECT_EQ(seen[1].sourceState(), KeyEventSourceState::hidSystemState);
    EXPECT_EQ(line.value(), "ab");
}

TEST_F(EventTapTest, TaggedEventsPassASwallowingTapInPostingOrder)
{
    // As during a trigger's removal: the tap swallows every key-down but our own.
    const auto tap = keyDownTap([](const KeyEvent& event) -> std::optional<KeyEvent> {
        if (event.isOurs()) {
            return event;
        }
        return std::nullopt;
    });
    line.setValue("buy milk //note");
    for (int i = 0; i < 6; ++i) {
        postKey(KeyCode::deleteKey);
    }
    desktop.keyboard().type("zz");  // the user keeps typing: swallowed
    postKey(KeyCode::a, u"bread");
    EXPECT_EQ(line.value(), "buy milk bread");

    std::vector<std::uint16_t> codes;
    for (const KeyEvent& event : deliveredKeyDowns()) {
        EXPECT_TRUE(event.isOurs());
        codes.push_back(event.keyCode());
    }
    EXPECT_EQ(codes, (std::vector<std::uint16_t>{51, 51, 51, 51, 51, 51, 0}));
}

TEST_F(EventTapTest, EventsPostedFromAnotherThreadKeepTheirOrder)
{
    const auto tap = keyDownTap([](const KeyEvent& event) -> std::optional<KeyEvent> { return event; });
    std::thread poster([&] {
        for (char16_t c = u'a'; c <= u'z'; ++c) {
            const char16_t text[] = {c, 0};
            postKey(KeyCode::a, text);
        }
    });
    for (int i = 0; i < 26; ++i) {
        desktop.keyboard().type("1");
    }
    poster.join();
    std::string letters;
    for (char c : line.value()) {
        if (c != '1') {
            letters += c;
        }
    }
    EXPECT_EQ(letters, "abcdefghijklmnopqrstuvwxyz");
    EXPECT_EQ(line.value().size(), 52u);
}

TEST_F(EventTapTest, EventPostedInsideTheCallbackArrivesAheadOfTheEventInHand)
{
    // A comma right after an inserted "word ": the tap deletes the space first.
    line.setValue("word ");
    const auto tap = keyDownTap([&](const KeyEvent& event) -> std::optional<KeyEvent> {
        if (!event.isOurs() && event.text() == ",") {
            postKey(KeyCode::deleteKey);
        }
        return event;
    });
    desktop.keyboard().type(",");
    EXPECT_EQ(line.value(), "word,");
}

TEST_F(EventTapTest, SessionPostsSkipHidTapsHidPostsPassBoth)
{
    std::vector<std::string> seen;
    const auto hidTap = keyDownTap(
        [&](const KeyEvent& event) -> std::optional<KeyEvent> {
            seen.push_back("hid " + event.text());
            return event;
        },
        EventTap::Placement::headInsert, EventTap::Location::hid);
    const auto sessionTap = keyDownTap([&](const KeyEvent& event) -> std::optional<KeyEvent> {
        seen.push_back("session " + event.text());
        return event;
    });
    postKey(KeyCode::a, u"s", EventTap::Location::session);
    postKey(KeyCode::a, u"h", EventTap::Location::hid);
    desktop.keyboard().type("k");
    EXPECT_EQ(seen, (std::vector<std::string>{"session s", "hid h", "session h", "hid k", "session k"}));
}

TEST_F(EventTapTest, KeysGoOnlyToTheFrontmostApplication)
{
    SimApplication other = desktop.addApplication("com.example.other", "Other");
    SimTextField otherField = other.addWindow("Other").addTextField({});
    otherField.focus();
    desktop.keyboard().type("a");
    other.activate();
    desktop.keyboard().type("b");
    EXPECT_EQ(line.value(), "a");
    EXPECT_EQ(otherField.value(), "b");

    const auto deliveries = desktop.eventTaps().deliveries();
    ASSERT_FALSE(deliveries.empty());
    EXPECT_EQ(deliveries.back().pid, other.pid());
}

// The log of delivered keys keeps the newest up to its limit; with none,
// keys still reach the field and nothing of them is kept.
TEST_F(EventTapTest, TheDeliveryLogKeepsTheNewestUpToItsLimit)
{
    desktop.eventTaps().setDeliveryLogLimit(4);
    desktop.keyboard().type("abc");
    EXPECT_EQ(desktop.eventTaps().deliveries().size(), 4u) << "three keys down and up, the last four kept";
    EXPECT_EQ(deliveredKeyDowns().back().text(), "c");

    desktop.eventTaps().setDeliveryLogLimit(0);
    EXPECT_TRUE(desktop.eventTaps().deliveries().empty());
    desktop.keyboard().type("de");
    EXPECT_TRUE(desktop.eventTaps().deliveries().empty());
    EXPECT_EQ(line.value(), "abcde");
}

TEST_F(EventTapTest, ApplicationWithAKeyHandlerGetsEveryEventInsteadOfItsFields)
{
    std::vector<KeyEventType> handled;
    desktop.ownApplication().setKeyHandler([&](const KeyEvent& event) { handled.push_back(event.type()); });
    desktop.ownApplication().activate();
    desktop.keyboard().type("a");
    EXPECT_EQ(handled, (std::vector{KeyEventType::keyDown, KeyEventType::keyUp}));
    EXPECT_EQ(line.value(), "");
}

TEST_F(EventTapTest, AfterEventBlocksRunOnTheSendingThreadOnceTheKeyIsAnsweredInOrder)
{
    struct Case {
        bool swallow;
        std::string fieldSeen;  // by the blocks
    };
    for (const Case& c : {Case{false, "a"}, Case{true, ""}}) {
        SCOPED_TRACE(c.swallow ? "swallowed" : "passed");
        line.setValue("");
        std::vector<std::string> ran;
        std::vector<std::thread::id> threads;
        const auto tap = keyDownTap([&](const KeyEvent& event) -> std::optional<KeyEvent> {
            for (const std::string name : {"first", "second"}) {
                desktop.eventTaps().performAfterEvent([&, name] {
                    ran.push_back(name + " sees '" + line.value() + "'");
                    threads.push_back(std::this_thread::get_id());
                });
            }
            ran.push_back("callback returns");
            if (c.swallow) {
                return std::nullopt;
            }
            return event;
        });
        std::thread::id sender;
        std::thread typist([&] {
            sender = std::this_thread::get_id();
            desktop.keyboard().type("a");
            ran.push_back("send returned");
        });
        typist.join();
        const std::string seen = "'" + c.fieldSeen + "'";
        EXPECT_EQ(ran, (std::vector<std::string>{"callback returns", "first sees " + seen,
                                                 "second sees " + seen, "send returned"}));
        EXPECT_EQ(threads, (std::vector<std::thread::id>{sender, sender}));
    }
}

TEST_F(EventTapTest, AfterEventBlockOutsideACallbackRunsAtOnce)
{
    bool ran = false;
    desktop.eventTaps().performAfterEvent([&] { ran = true; });
    EXPECT_TRUE(ran);
}

TEST_F(EventTapTest, AfterEventBlocksOfANestedPostRunOnceTheNestedEventIsAnswered)
{
    // The outer key posts one of ours from its callback, as the tap does before
    // punctuation. The nested event's blocks run as soon as it reached the
    // field, inside the outer callback; one they schedule waits for the outer key.
    std::vector<std::string> ran;
    const auto record = [&](const std::string& what) { ran.push_back(what + " '" + line.value() + "'"); };
    const auto tap = keyDownTap([&](const KeyEvent& event) -> std::optional<KeyEvent> {
        if (event.isOurs()) {
            desktop.eventTaps().performAfterEvent([&] {
                record("inner");
                desktop.eventTaps().performAfterEvent([&] { record("scheduled by inner"); });
            });
            return event;
        }
        desktop.eventTaps().performAfterEvent([&] { record("outer"); });
        postKey(KeyCode::a, u"y");
        record("post returned");
        return event;
    });
    desktop.keyboard().type("x");
    EXPECT_EQ(ran, (std::vector<std::string>{"inner 'y'", "post returned 'y'", "outer 'yx'",
                                             "scheduled by inner 'yx'"}));
}

TEST_F(EventTapTest, AfterEventBlocksKeepTheOrderOfKeysSentFromSeveralThreads)
{
    // Work handed on from the blocks must arrive in key order: a block runs
    // before the next event, from any thread, goes through.
    std::mutex mutex;
    std::string blockOrder;
    const auto tap = keyDownTap([&](const KeyEvent& event) -> std::optional<KeyEvent> {
        desktop.eventTaps().performAfterEvent([&, text = event.text()] {
            std::this_thread::yield();  // gives the other sender its chance to overtake
            std::lock_guard lock(mutex);
            blockOrder += text;
        });
        return event;
    });
    std::thread other([&] {
        for (int i = 0; i < 200; ++i) {
            desktop.keyboard().type("b");
        }
    });
    for (int i = 0; i < 200; ++i) {
        desktop.keyboard().type("a");
    }
    other.join();
    std::string delivered;
    for (const KeyEvent& event : deliveredKeyDowns()) {
        delivered += event.text();
    }
    EXPECT_EQ(delivered.size(), 400u);
    EXPECT_EQ(blockOrder, delivered);
}

TEST(EventTapRunLoopTest, StopEndsRunFromAnotherThreadAndAStopBeforeRunIsKept)
{
    EventTapRunLoop early;
    early.stop();
    early.run();  // returns at once
    EXPECT_TRUE(early.isStopped());

    EventTapRunLoop loop;
    std::atomic<bool> returned{false};
    std::thread tapThread([&] {
        loop.run();
        returned = true;
    });
    loop.stop();
    tapThread.join();
    EXPECT_TRUE(returned);
}

}  // namespace
}  // namespace qm::test
