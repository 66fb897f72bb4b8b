#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>
#include <unicode/utf16.h>

#include "base/Text.h"
#include "capture/CaptureRouterController.h"
#include "capture/PassiveTriggerDetector.h"
#include "platform/keyboard/KeyCode.h"
#include "platform/sim/keyboard/KeyboardDriver.h"
#include "support/StandInRecords.h"

namespace qm {
namespace {

constexpr std::size_t kLimit = CaptureRouterController::passiveBufferLimit;

KeyEvent keyDown(std::uint16_t keyCode, EventFlags flags = 0, std::u16string_view text = {})
{
    KeyEvent event;
    event.setType(KeyEventType::keyDown);
    event.setKeyCode(keyCode);
    event.setFlags(flags);
    event.setUnicodeString(text);
    return event;
}

class PassiveTriggerDetectorTest : public ::testing::Test {
protected:
    // The app's table of targets, for its command words and their order.
    test::StandInRecords stage;

    PassiveOutcome feed(const KeyEvent& event)
    {
        return detector.handleKey(buffer, event.keyCode(), event.flags(), event.unicodeString());
    }

    // Types `utf8` as the stand-in keyboard would (key-downs only reach the detector).
    PassiveOutcome type(std::string_view utf8)
    {
        PassiveOutcome last;
        for (const auto& event : KeyboardDriver::eventsForText(utf8)) {
            if (event.type() == KeyEventType::keyDown) {
                last = feed(event);
            }
        }
        return last;
    }

    PassiveOutcome press(std::string_view chord)
    {
        PassiveOutcome last;
        for (const auto& event : KeyboardDriver::eventsForChord(chord)) {
            if (event.type() == KeyEventType::keyDown) {
                last = feed(event);
            }
        }
        return last;
    }

    CaptureTargetRegistry registry = stage.standardTargets();
    PassiveTriggerDetector detector{registry, kLimit};
    PassiveTriggerBuffer buffer;
};

struct TerminatorCase {
    const char* name;
    const char* typed;
    KeyEvent terminator;
    const char* target;  // "" when the key is no trigger
    const char* triggerBody;
    const char* bufferAfter;
    bool hidesSuggestions;
};

void PrintTo(const TerminatorCase& c, std::ostream* os)
{
    *os << c.name;
}

const KeyEvent kSpace = keyDown(KeyCode::space, 0, u" ");
const KeyEvent kReturn = keyDown(KeyCode::returnKey, 0, u"\r");

class TerminatorTest : public PassiveTriggerDetectorTest,
                       public ::testing::WithParamInterface<TerminatorCase> {};

TEST_P(TerminatorTest, DecidesTheTriggerAndLeavesTheBuffer)
{
    const auto& c = GetParam();
    type(c.typed);
    const PassiveOutcome outcome = feed(c.terminator);

    EXPECT_EQ(outcome.isTrigger(), std::string(c.target) != "");
    EXPECT_EQ(outcome.hidesSuggestions, c.hidesSuggestions);
    EXPECT_FALSE(outcome.folderFailure);
    if (outcome.isTrigger()) {
        ASSERT_TRUE(outcome.target);
        EXPECT_EQ(outcome.target->commandName(), c.target);
        EXPECT_EQ(outcome.triggerBody, c.triggerBody);
        EXPECT_EQ(outcome.documentTriggerLength, static_cast<int>(text::graphemeCount(c.triggerBody)));
    }
    EXPECT_EQ(buffer.utf8(), c.bufferAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TerminatorTest,
    ::testing::Values(
        TerminatorCase{"StartOfField", "//note", kSpace, "note", "//note", "", true},
        TerminatorCase{"AfterLetter", "a//note", kSpace, "note", "//note", "", true},
        TerminatorCase{"AfterDigit", "4//timer", kSpace, "timer", "//timer", "", true},
        TerminatorCase{"AfterSpace", "buy milk //note", kSpace, "note", "//note", "", true},
        TerminatorCase{"AfterEmoji", "\xF0\x9F\x98\x80//note", kSpace, "note", "//note", "", true},
        TerminatorCase{"AfterColonRefused", "https://note", kSpace, "", "", "https:", false},
        TerminatorCase{"AfterThirdSlashRefused", "x///note", kSpace, "", "", "x/", false},
        TerminatorCase{"MixedCaseByReturn", "//NoTe", kReturn, "note", "//NoTe", "", true},
        TerminatorCase{"CapitalCopyByReturn", "//Copy", kReturn, "copy", "//Copy", "", true},
        TerminatorCase{"LongestWord", "//reminders", kSpace, "reminders", "//reminders", "", true},
        // Lower-casing reaches the command word through any text before it.
        TerminatorCase{"KelvinSignLowersToK", "//slac\u212A", kSpace, "slack", "//slac\u212A", "", true},
        TerminatorCase{"AfterDottedCapitalI", "\u0130//note", kSpace, "note", "//note", "", true},
        TerminatorCase{"AfterGreekFinalSigma", "\u039F\u03A3//note", kSpace, "note", "//note", "", true},
        TerminatorCase{"AfterLongText", "Ab\u0130\u03A3 and then some more words //Note", kReturn, "note",
                       "//Note", "", true},
        TerminatorCase{"MarkOnTheLastLetterIsNoTrigger", "//note\u0301", kSpace, "", "", "//note\u0301 ",
                       false},
        TerminatorCase{"PickerTarget", "//slack", kSpace, "slack", "//slack", "", true},
        TerminatorCase{"ShiftSpaceEnds", "//calc", keyDown(KeyCode::space, KeyEventFlags::shift, u" "),
                       "calc", "//calc", "", true},
        TerminatorCase{"OptionReturnEnds", "//alarm",
                       keyDown(KeyCode::returnKey, KeyEventFlags::alternate, u"\r"), "alarm", "//alarm", "",
                       true},
        TerminatorCase{"ReturnWithoutTextEnds", "//calendar", keyDown(KeyCode::returnKey), "calendar",
                       "//calendar", "", true},
        TerminatorCase{"LongerWordIsNoTrigger", "//notes", kSpace, "", "", "//notes ", false},
        TerminatorCase{"UnknownWord", "//nope", kSpace, "", "", "//nope ", false},
        TerminatorCase{"TabIsNoTerminator", "//note", keyDown(KeyCode::tab, 0, u"\t"), "", "", "//note\t",
                       false},
        TerminatorCase{"KeypadEnterIsNoTerminator", "//note", keyDown(KeyCode::keypadEnter, 0, u"\x03"), "",
                       "", "//note\x03", false},
        TerminatorCase{"ControlSpaceClears", "//note", keyDown(KeyCode::space, KeyEventFlags::control, u" "),
                       "", "", "", false},
        TerminatorCase{"CommandReturnClears", "//note", keyDown(KeyCode::returnKey, KeyEventFlags::command),
                       "", "", "", false}),
    [](const auto& info) { return std::string(info.param.name); });

// Trigger words are matched against the typed text lower-cased unit by unit,
// without ICU: that holds only while no code point outside ASCII but the
// Kelvin sign lower-cases (root locale) to text that ends in ASCII.
TEST(PassiveTriggerWordCase, OnlyTheKelvinSignLowerCasesToTextEndingInAscii)
{
    std::vector<UChar32> endingInAscii;
    for (UChar32 c = 0x80; c <= 0x10FFFF; ++c) {
        if (U_IS_SURROGATE(c)) {
            continue;
        }
        icu::UnicodeString lowered(c);
        lowered.toLower(icu::Locale::getRoot());
        if (lowered.charAt(lowered.length() - 1) < 0x80) {
            endingInAscii.push_back(c);
        }
    }
    EXPECT_EQ(endingInAscii, std::vector<UChar32>{0x212A});
}

TEST_F(PassiveTriggerDetectorTest, CommandOrControlEmptiesTheBufferButOptionAndShiftDoNot)
{
    type("//no");
    press("opt+t");
    press("shift+e");
    EXPECT_EQ(buffer.utf8(), "//notE");

    for (const char* chord : {"cmd+a", "ctrl+a", "cmd+shift+z"}) {
        type("//no");
        const PassiveOutcome outcome = press(chord);
        EXPECT_FALSE(outcome.isTrigger()) << chord;
        EXPECT_EQ(buffer.utf8(), "") << chord;
    }
}

TEST_F(PassiveTriggerDetectorTest, DeleteRemovesWholeCharacters)
{
    feed(keyDown(KeyCode::deleteKey));
    EXPECT_EQ(buffer.utf8(), "");

    type("//not");
    feed(keyDown(KeyCode::deleteKey, 0, u"\x7f"));
    EXPECT_EQ(buffer.utf8(), "//no");

    // A family of four is one character of eleven UTF-16 units.
    type("x\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x91\xA7\xE2\x80\x8D\xF0\x9F\x91"
         "\xA6");
    feed(keyDown(KeyCode::deleteKey));
    EXPECT_EQ(buffer.utf8(), "//nox");

    type("te");
    feed(keyDown(KeyCode::deleteKey));
    feed(keyDown(KeyCode::deleteKey));
    feed(keyDown(KeyCode::deleteKey));
    type("te");
    EXPECT_TRUE(feed(kSpace).isTrigger());
}

TEST_F(PassiveTriggerDetectorTest, BufferKeepsTheLastHundredCharacters)
{
    std::string typed;
    for (int i = 0; i < 150; ++i) {
        typed.push_back(static_cast<char>('a' + i % 26));
    }
    type(typed);
    EXPECT_EQ(buffer.utf8(), typed.substr(50));

    // Emoji count as one character each and are never split.
    buffer.clear();
    std::string emoji;
    for (int i = 0; i < 150; ++i) {
        emoji += "\xF0\x9F\x98\x80";
    }
    type(emoji);
    EXPECT_EQ(buffer.characterCount(), kLimit);
    EXPECT_EQ(buffer.text().size(), 2 * kLimit);

    // A terminator that matches nothing cuts too.
    type("x");
    feed(kSpace);
    EXPECT_EQ(buffer.characterCount(), kLimit);
    EXPECT_EQ(buffer.lastCharacters(2), u"x ");
}

TEST_F(PassiveTriggerDetectorTest, TriggerStillMatchesAfterTheBufferWasCut)
{
    type(std::string(120, 'q') + "//logseq");
    const PassiveOutcome outcome = feed(kSpace);
    ASSERT_TRUE(outcome.isTrigger());
    EXPECT_EQ(outcome.target->commandName(), "logseq");
}

TEST_F(PassiveTriggerDetectorTest, KeyTextComesFromTheEventElseFromTheKeyCode)
{
    struct Case {
        std::uint16_t keyCode;
        EventFlags flags;
        std::u16string eventText;
        std::u16string expected;
    };
    const std::vector<Case> cases = {
        {0, 0, u"", u"a"},
        {0, KeyEventFlags::shift, u"", u"A"},
        {45, 0, u"", u"n"},
        {46, KeyEventFlags::shift, u"", u"M"},
        {18, KeyEventFlags::shift, u"", u"1"},
        {22, 0, u"", u"6"},
        {23, 0, u"", u"5"},
        {24, 0, u"", u"="},
        {24, KeyEventFlags::shift, u"", u"+"},
        {27, KeyEventFlags::shift, u"", u"_"},
        {44, 0, u"", u"/"},
        {44, KeyEventFlags::shift, u"", u"?"},
        {30, 0, u"", u""},   // "]" is not in the tables
        {47, 0, u"", u""},   // past the punctuation range
        {123, 0, u"", u""},  // an arrow key
        {0, 0, u"é", u"é"},  // the event's own text wins
        {0, 0, u"0123456789abcdefXYZ", u"0123456789abcdef"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PassiveTriggerDetector::keyText(c.keyCode, c.flags, c.eventText), c.expected)
            << "key code " << c.keyCode;
    }
}

}  // namespace
}  // namespace qm
