#include <stdexcept>
#include <vector>

#include <gtest/gtest.h>

#include "base/Text.h"
#include "platform/desktop/DesktopFixture.h"
#include "platform/keyboard/KeyCode.h"

namespace qm::test {
namespace {

struct Stroke {
    std::uint16_t keyCode;
    EventFlags modifiers;
    std::u16string text;
};

std::ostream& operator<<(std::ostream& out, const Stroke& stroke)
{
    return out << "{" << stroke.keyCode << ", 0x" << std::hex << stroke.modifiers << std::dec << ", \""
               << text::toUtf8(stroke.text) << "\"}";
}

bool operator==(const Stroke& a, const Stroke& b)
{
    return a.keyCode == b.keyCode && a.modifiers == b.modifiers && a.text == b.text;
}

// The key-downs a tap sees while the keyboard types, as (key code, modifiers, text).
class KeyboardDriverTest : public DesktopFixture {
protected:
    std::vector<Stroke> keyDownsSeenByTap(const std::function<void()>& typing)
    {
        std::vector<Stroke> seen;
        const auto tap = desktop.eventTaps().createTap(
            EventTap::Location::session, EventTap::Placement::headInsert, EventTap::Options::listenOnly,
            eventMaskBit(KeyEventType::keyDown), [&](const KeyEvent& event) -> std::optional<KeyEvent> {
                seen.push_back(
                    {event.keyCode(), event.modifierFlags(), std::u16string(event.unicodeString())});
                return event;
            });
        typing();
        return seen;
    }
};

struct TypingCase {
    const char* text;
    std::vector<Stroke> expected;
};

constexpr EventFlags shift = KeyEventFlags::shift;

TEST_F(KeyboardDriverTest, TypedTextBecomesUsLayoutKeysWithShiftAndText)
{
    const std::vector<TypingCase> cases{
        {"as", {{0, 0, u"a"}, {1, 0, u"s"}}},
        {"A", {{0, shift, u"A"}}},
        {"//note",
         {{44, 0, u"/"}, {44, 0, u"/"}, {45, 0, u"n"}, {31, 0, u"o"}, {17, 0, u"t"}, {14, 0, u"e"}}},
        {"? 5%", {{44, shift, u"?"}, {49, 0, u" "}, {23, 0, u"5"}, {23, shift, u"%"}}},
        {"6^=+-_",
         {{22, 0, u"6"},
          {22, shift, u"^"},
          {24, 0, u"="},
          {24, shift, u"+"},
          {27, 0, u"-"},
          {27, shift, u"_"}}},
        {"[]\\;',.`~",
         {{33, 0, u"["},
          {30, 0, u"]"},
          {42, 0, u"\\"},
          {41, 0, u";"},
          {39, 0, u"'"},
          {43, 0, u","},
          {47, 0, u"."},
          {50, 0, u"`"},
          {50, shift, u"~"}}},
        {"a\nb\tc", {{0, 0, u"a"}, {36, 0, u"\r"}, {11, 0, u"b"}, {48, 0, u"\t"}, {8, 0, u"c"}}},
        // Off the layout: virtual key 0 carrying the whole character.
        {"é", {{0, 0, u"é"}}},
        {"e\u0301x", {{0, 0, u"e\u0301"}, {7, 0, u"x"}}},
        {"😀", {{0, 0, u"😀"}}},
        {"🇫🇷", {{0, 0, u"🇫🇷"}}},
        {"👨‍👩‍👧‍👦", {{0, 0, u"👨‍👩‍👧‍👦"}}},
    };
    for (const TypingCase& c : cases) {
        const auto seen = keyDownsSeenByTap([&] { desktop.keyboard().type(c.text); });
        EXPECT_EQ(seen, c.expected) << "typing \"" << c.text << "\"";
    }
}

struct ChordCase {
    const char* chord;
    Stroke expected;
    EventFlags deviceFlags;
};

TEST_F(KeyboardDriverTest, NamedKeysAndChordsCarryThePlatformsCodesFlagsAndText)
{
    constexpr EventFlags cmd = KeyEventFlags::command;
    constexpr EventFlags ctrl = KeyEventFlags::control;
    constexpr EventFlags opt = KeyEventFlags::alternate;
    constexpr EventFlags arrow = KeyEventFlags::numericPad | KeyEventFlags::secondaryFn;
    const std::vector<ChordCase> cases{
        {"Return", {36, 0, u"\r"}, 0},
        {"enter", {36, 0, u"\r"}, 0},
        {"Tab", {48, 0, u"\t"}, 0},
        {"shift+Tab", {48, shift, u"\x19"}, 0},
        {"Space", {49, 0, u" "}, 0},
        {"Delete", {51, 0, u"\x7f"}, 0},
        {"Esc", {53, 0, u"\x1b"}, 0},
        {"Left", {123, 0, u"\uF702"}, arrow},
        {"Right", {124, 0, u"\uF703"}, arrow},
        {"Down", {125, 0, u"\uF701"}, arrow},
        {"Up", {126, 0, u"\uF700"}, arrow},
        {"cmd+a", {0, cmd, u"a"}, 0},
        {"cmd+shift+a", {0, cmd | shift, u"A"}, 0},
        {"ctrl+a", {0, ctrl, u"\x01"}, 0},
        {"ctrl+space", {49, ctrl, u" "}, 0},
        {"ctrl+shift+Space", {49, ctrl | shift, u" "}, 0},
        {"ctrl+0", {29, ctrl, u"0"}, 0},
        {"control+option+1", {18, ctrl | opt, u"1"}, 0},
        {"CMD+Z", {6, cmd | shift, u"Z"}, 0},
        {"cmd++", {24, cmd | shift, u"+"}, 0},
        {"/", {44, 0, u"/"}, 0},
    };
    for (const ChordCase& c : cases) {
        const auto events = KeyboardDriver::eventsForChord(c.chord);
        std::vector<KeyEvent> downs;
        std::copy_if(events.begin(), events.end(), std::back_inserter(downs),
                     [](const KeyEvent& e) { return e.type() == KeyEventType::keyDown; });
        ASSERT_EQ(downs.size(), 1u) << c.chord;
        const KeyEvent& down = downs.front();
        EXPECT_EQ((Stroke{down.keyCode(), down.modifierFlags(), std::u16string(down.unicodeString())}),
                  c.expected)
            << c.chord;
        EXPECT_EQ(down.flags() & ~KeyEventFlags::modifiers, c.deviceFlags) << c.chord;
    }
}

TEST_F(KeyboardDriverTest, ModifiersAreFramedByFlagsChangedEventsAndEveryKeyGoesUpAgain)
{
    const auto events = KeyboardDriver::eventsForChord("cmd+shift+a");
    constexpr EventFlags cmd = KeyEventFlags::command;
    const std::vector<std::tuple<KeyEventType, std::uint16_t, EventFlags>> expected{
        {KeyEventType::flagsChanged, KeyCode::command, cmd},
        {KeyEventType::flagsChanged, KeyCode::shift, cmd | shift},
        {KeyEventType::keyDown, KeyCode::a, cmd | shift},
        {KeyEventType::keyUp, KeyCode::a, cmd | shift},
        {KeyEventType::flagsChanged, KeyCode::shift, cmd},
        {KeyEventType::flagsChanged, KeyCode::command, 0},
    };
    ASSERT_EQ(events.size(), expected.size());
    for (std::size_t i = 0; i < events.size(); ++i) {
        EXPECT_EQ(std::make_tuple(events[i].type(), events[i].keyCode(), events[i].flags()), expected[i])
            << i;
        EXPECT_FALSE(events[i].isOurs());
        EXPECT_EQ(events[i].sourcePid(), 0);
    }
}

TEST_F(KeyboardDriverTest, TapMaskDecidesWhichEventTypesTheCallbackSees)
{
    std::vector<KeyEventType> seen;
    const auto tap = desktop.eventTaps().createTap(
        EventTap::Location::session, EventTap::Placement::headInsert, EventTap::Options::defaultTap,
        eventMaskBit(KeyEventType::keyUp) | eventMaskBit(KeyEventType::flagsChanged),
        [&](const KeyEvent& event) -> std::optional<KeyEvent> {
            seen.push_back(event.type());
            return event;
        });
    desktop.keyboard().type("A");
    EXPECT_EQ(seen,
              (std::vector{KeyEventType::flagsChanged, KeyEventType::keyUp, KeyEventType::flagsChanged}));
    EXPECT_EQ(line.value(), "A");
}

TEST_F(KeyboardDriverTest, ACharacterLongerThanOneEventIsSentInChunksThatTogetherTypeIt)
{
    // One user-perceived character of 26 UTF-16 units: "e" with 25 combining accents.
    std::string stacked = "e";
    for (int i = 0; i < 25; ++i) {
        stacked += "\u0301";
    }
    const auto seen =
        keyDownsSeenByTap([&] { desktop.keyboard().type(stacked + "👨‍👩‍👧‍👦"); });
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].text.size(), KeyEvent::maxTextLength);
    EXPECT_EQ(seen[1].text.size(), 6u);
    EXPECT_EQ(seen[2].text, u"👨‍👩‍👧‍👦");  // 11 units: one event
    for (const Stroke& stroke : seen) {
        EXPECT_EQ(stroke.keyCode, KeyCode::a);
    }
    EXPECT_EQ(line.value(), stacked + "👨‍👩‍👧‍👦");
}

TEST_F(KeyboardDriverTest, UnknownKeysAndModifiersAreRejected)
{
    for (const char* chord : {"hyper+a", "cmd+", "F13", "cmd+é", ""}) {
        EXPECT_THROW(KeyboardDriver::eventsForChord(chord), std::invalid_argument) << chord;
    }
}

TEST(KeyEventTest, UnicodeStringKeepsAtMostTwentyUnitsAndNeverHalfASurrogatePair)
{
    KeyEvent event;
    event.setUnicodeString(u"abcdefghijklmnopqrstuvwxyz");
    EXPECT_EQ(event.unicodeString(), u"abcdefghijklmnopqrst");

    // 19 letters then an emoji: its second half would be unit 21, so both halves go.
    event.setUnicodeString(u"abcdefghijklmnopqrs😀");
    EXPECT_EQ(event.unicodeString(), u"abcdefghijklmnopqrs");

    event.setUnicodeString(u"abcdefghijklmnopqr😀");
    EXPECT_EQ(event.unicodeString(), u"abcdefghijklmnopqr😀");
    EXPECT_EQ(event.text(), "abcdefghijklmnopqr😀");
}

TEST(KeyEventTest, TextTooLongForOneEventGoesInChunksCutBetweenCharacters)
{
    struct Case {
        std::u16string text;
        std::vector<std::u16string> chunks;
    };
    const std::u16string family = u"👨‍👩‍👧‍👦";  // 11 units
    std::u16string stacked = u"e";                               // one character of 26 units
    stacked.append(25, u'\u0301');
    const std::vector<Case> cases{
        {u"", {}},
        {u"short", {u"short"}},
        {u"abcdefghijklmnopqrstuvwxyz", {u"abcdefghijklmnopqrst", u"uvwxyz"}},
        {u"abcdefghijklmnopqrs😀!", {u"abcdefghijklmnopqrs", u"😀!"}},  // the emoji stays whole
        {family + family + family, {family, family, family}},
        {u"ab" + stacked, {u"ab", stacked.substr(0, 20), stacked.substr(20)}},
        {std::u16string(19, u'x') + u"😀😀", {std::u16string(19, u'x'), u"😀😀"}},
    };
    for (const Case& c : cases) {
        const auto chunks = KeyEvent::unicodeStringChunks(c.text);
        EXPECT_EQ(chunks, c.chunks) << text::toUtf8(c.text);
        std::u16string joined;
        for (const auto& chunk : chunks) {
            EXPECT_LE(chunk.size(), KeyEvent::maxTextLength);
            joined += chunk;
        }
        EXPECT_EQ(joined, c.text);
    }
}

}  // namespace
}  // namespace qm::test
