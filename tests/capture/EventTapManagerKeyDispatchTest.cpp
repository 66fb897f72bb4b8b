#include <gtest/gtest.h>

#include "EventTapRig.h"
#include "base/Log.h"
#include "capture/CaptureNotifications.h"
#include "platform/keyboard/KeyCode.h"
#include "platform/sim/keyboard/KeyboardDriver.h"

namespace qm::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// --- Suggestion, AI prompt and placeholder keys ---

struct SuggestionKeyCase {
    const char* name;
    const char* chord;
    // Any of "overlay", "placeholder", "prompt": the overlay is visible,
    // placeholder mode and AI prompt mode are on.
    std::string state;
    EventFlags shortcut;
    bool swallowed;
    std::vector<std::string> notifications;
    std::vector<std::string> delegateCalls;
};

void PrintTo(const SuggestionKeyCase& c, std::ostream* out)
{
    *out << c.name;
}

class SuggestionKeyTest : public EventTapRig, public ::testing::WithParamInterface<SuggestionKeyCase> {};

TEST_P(SuggestionKeyTest, KeyIsSwallowedOrPassedWithItsEffects)
{
    const SuggestionKeyCase& c = GetParam();
    startTap();
    manager->setSuggestionsOverlayVisible(c.state.find("overlay") != std::string::npos);
    manager->setPlaceholderModeActive(c.state.find("placeholder") != std::string::npos);
    manager->setAIPromptMode(c.state.find("prompt") != std::string::npos);
    manager->setShortcutModifiers(c.shortcut);
    clearRecords();

    press(c.chord);
    settle();

    EXPECT_EQ(deliveredKeyDowns().empty(), c.swallowed)
        << "delivered: " << ::testing::PrintToString(deliveredKeyDowns());
    EXPECT_EQ(postedNames(), c.notifications);
    EXPECT_EQ(delegate.calls, c.delegateCalls);
}

const auto control = KeyEventFlags::control;
const auto option = KeyEventFlags::alternate;

INSTANTIATE_TEST_SUITE_P(
    KeyDispatch, SuggestionKeyTest,
    ::testing::Values(
        SuggestionKeyCase{"ControlSpaceSummons",
                          "ctrl+space",
                          "",
                          control,
                          true,
                          {CaptureNotifications::triggerManualSuggestions},
                          {}},
        SuggestionKeyCase{"ControlShiftSpaceOpensAIPrompt",
                          "ctrl+shift+space",
                          "",
                          control,
                          true,
                          {CaptureNotifications::triggerAIQuickActions},
                          {}},
        SuggestionKeyCase{"ControlOptionSpaceIsNoTrigger", "ctrl+opt+space", "", control, false, {}, {}},
        SuggestionKeyCase{"ControlCommandSpaceIsNoTrigger", "ctrl+cmd+space", "", control, false, {}, {}},
        SuggestionKeyCase{"ControlSpaceWorksInAIPromptMode",
                          "ctrl+space",
                          "prompt",
                          control,
                          true,
                          {CaptureNotifications::triggerManualSuggestions},
                          {}},
        SuggestionKeyCase{"PromptReturnCommits",
                          "return",
                          "prompt",
                          control,
                          true,
                          {CaptureNotifications::commitAIPrompt},
                          {}},
        SuggestionKeyCase{"PromptDeleteRemovesChar",
                          "delete",
                          "prompt",
                          control,
                          true,
                          {CaptureNotifications::deleteAIPromptChar},
                          {}},
        SuggestionKeyCase{"PromptEscapeCancels",
                          "esc",
                          "prompt",
                          control,
                          true,
                          {CaptureNotifications::cancelAIPrompt},
                          {}},
        SuggestionKeyCase{"PromptLeftCycles",
                          "left",
                          "prompt",
                          control,
                          true,
                          {CaptureNotifications::cycleAIActionLeft},
                          {}},
        SuggestionKeyCase{"PromptRightCycles",
                          "right",
                          "prompt",
                          control,
                          true,
                          {CaptureNotifications::cycleAIActionRight},
                          {}},
        SuggestionKeyCase{"PromptTakesTypedText",
                          "x",
                          "prompt",
                          control,
                          true,
                          {CaptureNotifications::appendAIPromptChar},
                          {}},
        SuggestionKeyCase{"PromptTakesTabWhileOverlayShows",
                          "tab",
                          "overlay prompt",
                          control,
                          true,
                          {CaptureNotifications::appendAIPromptChar},
                          {}},
        SuggestionKeyCase{"OverlayTabCycles", "tab", "overlay", control, true, {}, {"cycle"}},
        SuggestionKeyCase{"PlaceholderTabMovesOnEvenWithOverlay",
                          "tab",
                          "overlay placeholder",
                          control,
                          true,
                          {CaptureNotifications::tabPlaceholderPressed},
                          {}},
        SuggestionKeyCase{"PlaceholderTabMovesOn",
                          "tab",
                          "placeholder",
                          control,
                          true,
                          {CaptureNotifications::tabPlaceholderPressed},
                          {}},
        SuggestionKeyCase{"OverlayReturnCommits", "return", "overlay", control, true, {}, {"commit"}},
        SuggestionKeyCase{"ShortcutOneSelectsFirst", "ctrl+1", "overlay", control, true, {}, {"select 0"}},
        SuggestionKeyCase{"ShortcutFiveSelectsFifth", "ctrl+5", "overlay", control, true, {}, {"select 4"}},
        SuggestionKeyCase{"ShortcutSixSelectsSixth", "ctrl+6", "overlay", control, true, {}, {"select 5"}},
        SuggestionKeyCase{"ShortcutSevenIsNoSelection", "ctrl+7", "overlay", control, false, {}, {}},
        SuggestionKeyCase{"ExtraShiftIsNoSelection", "ctrl+shift+1", "overlay", control, false, {}, {}},
        SuggestionKeyCase{"ShortcutWithOverlayHiddenPasses", "ctrl+1", "", control, false, {}, {}},
        SuggestionKeyCase{
            "TwoModifierShortcutSelects", "ctrl+opt+2", "overlay", control | option, true, {}, {"select 1"}},
        SuggestionKeyCase{"OptionDigitWithOverlayHiddenIsTyping", "opt+1", "", option, false, {}, {"update"}},
        SuggestionKeyCase{"EscapeWithOverlayHiddenClears",
                          "esc",
                          "",
                          control,
                          false,
                          {CaptureNotifications::escapePlaceholderPressed},
                          {"clear"}},
        SuggestionKeyCase{"EscapeWithOverlayShownClears",
                          "esc",
                          "overlay",
                          control,
                          false,
                          {CaptureNotifications::escapePlaceholderPressed},
                          {"clear"}},
        SuggestionKeyCase{"PlainLetterIsTyping", "x", "overlay", control, false, {}, {"update"}},
        SuggestionKeyCase{"ControlShiftZeroIsNoMute", "ctrl+shift+0", "", control, false, {}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(EventTapRig, PromptTextTravelsInUserInfo)
{
    startTap();
    manager->setAIPromptMode(true);
    clearRecords();
    type("é");
    settle();
    const auto appended = posted(CaptureNotifications::appendAIPromptChar);
    ASSERT_EQ(appended.size(), 1u);
    EXPECT_EQ(appended[0].userInfo.get<std::string>("text"), "é");
}

TEST_F(EventTapRig, PromptSwallowsSilentKeysAndPassesModifierKeys)
{
    startTap();
    manager->setAIPromptMode(true);
    clearRecords();

    sendKey(122, u"");  // a function key that types nothing
    EXPECT_THAT(deliveredKeyDowns(), IsEmpty());
    for (const std::uint16_t modifierKey :
         {KeyCode::command, KeyCode::shift, KeyCode::option, KeyCode::control, KeyCode::rightOption}) {
        sendKey(modifierKey, u"");
    }
    settle();
    EXPECT_EQ(deliveredKeyDowns().size(), 5u);
    EXPECT_THAT(postedNames(), IsEmpty());
}

TEST_F(EventTapRig, PromptModeFollowsThePromptNotifications)
{
    startTap();
    press("ctrl+shift+space");
    settle();
    EXPECT_TRUE(manager->isAIPromptMode());
    press("esc");
    settle();
    EXPECT_FALSE(manager->isAIPromptMode());
    center.post(CaptureNotifications::triggerAIQuickActions);
    EXPECT_TRUE(manager->isAIPromptMode());
    center.post(CaptureNotifications::commitAIPrompt);
    EXPECT_FALSE(manager->isAIPromptMode());
}

// --- The space an inserted suggestion ended with ---

struct TrailingSpaceCase {
    const char* name;
    const char* typed;
    const char* fieldAfter;
    bool flagAfter;
};

void PrintTo(const TrailingSpaceCase& c, std::ostream* out)
{
    *out << c.name;
}

class TrailingSpaceTest : public EventTapRig, public ::testing::WithParamInterface<TrailingSpaceCase> {};

TEST_P(TrailingSpaceTest, KeyAfterSuggestionSpace)
{
    const TrailingSpaceCase& c = GetParam();
    startTap();
    type("hello ");
    settle();
    manager->setLastActionWasSuggestionWithTrailingSpace(true);

    type(c.typed);
    settle();

    EXPECT_EQ(field.value(), c.fieldAfter);
    EXPECT_EQ(manager->lastActionWasSuggestionWithTrailingSpace(), c.flagAfter);
}

INSTANTIATE_TEST_SUITE_P(
    KeyDispatch, TrailingSpaceTest,
    ::testing::Values(TrailingSpaceCase{"SpaceIsSwallowedOnce", " ", "hello ", false},
                      TrailingSpaceCase{"SecondSpaceIsTyped", "  ", "hello  ", false},
                      TrailingSpaceCase{"CommaReplacesTheSpace", ",", "hello,", false},
                      TrailingSpaceCase{"QuestionMarkReplacesTheSpace", "?", "hello?", false},
                      TrailingSpaceCase{"LetterTypesNormally", "w", "hello w", false},
                      TrailingSpaceCase{"DashIsNoSentencePunctuation", "-", "hello -", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(EventTapRig, PunctuationAfterSuggestionSpaceIsRetypedAfterTheDelete)
{
    startTap();
    type("hello ");
    settle();
    manager->setLastActionWasSuggestionWithTrailingSpace(true);
    clearRecords();
    Log::Capture log;

    type(",");
    settle();

    // The comma the user typed never reaches the application itself: our Delete
    // does, then our copy of the comma, with its flags and text.
    EXPECT_THAT(deliveredKeyDowns(true), ElementsAre("ours #51", "ours ,"));
    const auto deliveries = desktop.eventTaps().deliveries();
    const auto comma = std::find_if(deliveries.begin(), deliveries.end(), [](const auto& delivery) {
        return delivery.event.type() == KeyEventType::keyDown && delivery.event.text() == ",";
    });
    ASSERT_NE(comma, deliveries.end());
    const KeyEvent typed = KeyboardDriver::eventsForText(",").front();
    EXPECT_EQ(comma->event.keyCode(), typed.keyCode());
    EXPECT_EQ(comma->event.flags(), typed.flags());
    EXPECT_TRUE(log.contains("🔍 PredictiveOverlay EventTap: Deleted trailing space before punctuation ','"));
    // The comma still counts as typed, and the typing context holds what the
    // field holds: the space our Delete removed is gone from it too.
    EXPECT_EQ(field.value(), "hello,");
    EXPECT_EQ(manager->slidingBuffer(), "hello,");
    ASSERT_FALSE(delegate.updates.empty());
    EXPECT_EQ(delegate.updates.back().fullBuffer, "hello,");
    EXPECT_EQ(manager->recentWords(), (std::vector<std::string>{"hello"}));
}

TEST_F(EventTapRig, ModifierKeyDownKeepsTheSuggestionSpaceFlag)
{
    startTap();
    manager->setLastActionWasSuggestionWithTrailingSpace(true);
    sendKey(KeyCode::shift, u"");
    EXPECT_TRUE(manager->lastActionWasSuggestionWithTrailingSpace());
    sendKey(122, u"");
    EXPECT_FALSE(manager->lastActionWasSuggestionWithTrailingSpace());
}

}  // namespace
}  // namespace qm::test
