// Writing an accepted suggestion into the focused field of another
// application: through Accessibility where the host is native, by synthetic
// keys elsewhere and whenever the edit did not land.

#include <fstream>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "SuggestionRig.h"
#include "base/Text.h"
#include "capture/CaptureNotifications.h"
#include "platform/keyboard/KeyCode.h"
#include "support/TempDir.h"

namespace qm::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// How the host field treats Accessibility edits.
enum class Host {
    accepts,
    misplacesCaret,          // takes the edit, then puts the caret at the start
    refuses,                 // refuses every edit
    refusesText,             // selects the typed prefix, refuses the replacement
    refusesTextKeepsPrefix,  // the same, and refuses to move the selection back
    ignoresWrites,           // answers success and changes nothing
};

struct InsertionCase {
    const char* name;
    bool native;
    std::string value;
    std::optional<std::int64_t> caret;
    std::string prefix;
    std::string action;
    Host host;
    std::string expected;
    int deletes;  // Delete keys we sent
    bool typed;   // whether the text went in by synthetic keys
};

class SuggestionInserterTest : public SuggestionRig {
protected:
    void apply(Host host, SimTextField& field)
    {
        switch (host) {
        case Host::accepts:
            break;
        case Host::misplacesCaret:
            field.setMisplacesSelection(true);
            break;
        case Host::refuses:
            field.refuseWrites();
            break;
        case Host::refusesText:
            accessibility->refuseWrites("AXSelectedText");
            break;
        case Host::refusesTextKeepsPrefix:
            accessibility->refuseWrites("AXSelectedText");
            accessibility->refuseWrites("AXSelectedTextRange", AXError::cannotComplete, 1);
            break;
        case Host::ignoresWrites:
            accessibility->ignoreWrites("AXSelectedText");
            accessibility->ignoreWrites("AXSelectedTextRange");
            break;
        }
    }

    // Our key-downs that reached the application: "⌫" for a Delete, else the text.
    std::vector<std::string> ourKeys()
    {
        std::vector<std::string> keys;
        for (const auto& delivery : desktop.eventTaps().deliveries()) {
            if (delivery.event.type() == KeyEventType::keyDown && delivery.event.isOurs()) {
                keys.push_back(delivery.event.keyCode() == KeyCode::deleteKey ? "⌫" : delivery.event.text());
            }
        }
        return keys;
    }
};

// The caret at the end of the text.
constexpr std::optional<std::int64_t> kEnd;

const InsertionCase kCases[] = {
    {"native: the typed letters and a letter after the caret", true, "helx", 3, "hel", "hello", Host::accepts,
     "hello x", 0, false},
    {"native: at the end of the text", true, "I said hel", kEnd, "hel", "hello", Host::accepts,
     "I said hello ", 0, false},
    {"native: inside brackets", true, "f()", 2, "", "x", Host::accepts, "f(x)", 0, false},
    {"native: after a word with nothing typed", true, "say", kEnd, "", "hello", Host::accepts, "say hello ",
     0, false},
    {"native: before punctuation", true, "I said hel.", 10, "hel", "hello", Host::accepts, "I said hello.", 0,
     false},
    {"native: emoji in the word", true, "hi 👋🏽he", kEnd, "👋🏽he", "👋🏽hello", Host::accepts,
     "hi 👋🏽hello ", 0, false},
    {"native: a combining mark in the word", true, "un cafe\u0301", kEnd, "cafe\u0301", "cafe\u0301s",
     Host::accepts, "un cafe\u0301s ", 0, false},
    {"native: the host misplaces the caret", true, "I said hel", kEnd, "hel", "hello", Host::misplacesCaret,
     "I said hello ", 0, false},
    {"native: the host misplaces the caret after emoji", true, "hi 👋🏽he", kEnd, "👋🏽he",
     "👋🏽hello", Host::misplacesCaret, "hi 👋🏽hello ", 0, false},
    {"native: the host refuses", true, "I said hel", kEnd, "hel", "hello", Host::refuses, "I said hello ", 3,
     true},
    {"native: the host refuses, emoji in the word", true, "hi 👋🏽he", kEnd, "👋🏽he",
     "👋🏽hello", Host::refuses, "hi 👋🏽hello ", 3, true},
    {"native: the host refuses the text only", true, "I said hel", kEnd, "hel", "hello", Host::refusesText,
     "I said hello ", 3, true},
    {"native: the prefix stays selected", true, "I said hel", kEnd, "hel", "hello",
     Host::refusesTextKeepsPrefix, "I said hello ", 1, true},
    {"native: the host reports success and does nothing", true, "I said hel", kEnd, "hel", "hello",
     Host::ignoresWrites, "I said hello ", 3, true},
    {"browser: plain word", false, "I said hel", kEnd, "hel", "hello", Host::accepts, "I said hello ", 3,
     true},
    {"browser: emoji in the word", false, "hi 👋🏽he", kEnd, "👋🏽he", "👋🏽hello", Host::accepts,
     "hi 👋🏽hello ", 3, true},
    {"browser: a combining mark in the word", false, "un cafe\u0301", kEnd, "cafe\u0301", "cafe\u0301s",
     Host::accepts, "un cafe\u0301s ", 4, true},
    {"browser: a long suggestion", false, "see ", kEnd, "", "https://example.com/a/very/long/path/to/a/page",
     Host::accepts, "see https://example.com/a/very/long/path/to/a/page ", 0, true},
};

TEST_F(SuggestionInserterTest, InsertsOnceIntoFieldsThatAcceptRefuseOrMoveTheSelection)
{
    for (const InsertionCase& c : kCases) {
        SCOPED_TRACE(c.name);
        // A fresh host for each case.
        SimApplication app = desktop.addApplication(c.native ? nativeId : browserId, "Host");
        SimTextField field = addField(app);
        app.activate();
        loop.runUntilIdle();
        apply(c.host, field);
        prepare(field, c.value, c.prefix, c.caret);
        desktop.eventTaps().clearDeliveries();
        const auto accepted = counter(SuggestionInserter::acceptedCountKey);
        const auto saved = counter(SuggestionInserter::keystrokesSavedKey);

        inserter->accept(suggestion(SuggestionType::snippet, c.action));
        loop.runUntilIdle();

        EXPECT_EQ(field.value(), c.expected);
        // What stood after the caret still does; the caret is before it.
        const auto length = [](const std::string& s) {
            return static_cast<std::int64_t>(text::utf16Length(s));
        };
        const std::int64_t after = c.caret ? length(c.value) - *c.caret : 0;
        EXPECT_EQ(field.selectedRange().location,
                  c.host == Host::misplacesCaret ? 0 : length(c.expected) - after);
        const auto keys = ourKeys();
        EXPECT_EQ(std::count(keys.begin(), keys.end(), "⌫"), c.deletes);
        EXPECT_EQ(keys.size() > static_cast<std::size_t>(c.deletes), c.typed);
        EXPECT_EQ(counter(SuggestionInserter::acceptedCountKey), accepted + 1);
        EXPECT_EQ(
            counter(SuggestionInserter::keystrokesSavedKey),
            saved + static_cast<std::int64_t>(text::graphemeCount(c.action) - text::graphemeCount(c.prefix)));
        EXPECT_EQ(tap->currentWordPrefix(), "");
        EXPECT_FALSE(panel.isShown());

        field.setMisplacesSelection(false);
        field.acceptWrites();
        accessibility->acceptAllWrites();
    }
}

TEST_F(SuggestionInserterTest, ACriticalMistakeAsksFirstAndIgnoringItInsertsAndCountsNothing)
{
    prepare(nativeField, "I saw teh", "teh");
    SuggestionModel warning = suggestion(SuggestionType::mistake, "the", 0, "Typo");
    warning.body = "teh is not a word";

    stage.platform.alerts.answerNextWithButton("Ignore");
    inserter->accept(warning);
    ASSERT_EQ(stage.platform.alerts.shownAlerts().size(), 1u);
    const Alert shown = stage.platform.alerts.shownAlerts().front();
    EXPECT_EQ(shown.messageText, "Mistake Shield Block");
    EXPECT_EQ(shown.alertStyle, Alert::Style::critical);
    EXPECT_EQ(shown.informativeText,
              "Quillmarker detected a critical issue:\n\nTitle: Typo\nDescription: teh is "
              "not a word\n\nWould you like to apply the correction?");
    EXPECT_THAT(shown.buttons, ElementsAre("Apply Correction", "Ignore"));
    EXPECT_EQ(nativeField.value(), "I saw teh");
    EXPECT_EQ(counter(SuggestionInserter::acceptedCountKey), 0);
    EXPECT_EQ(counter(SuggestionInserter::keystrokesSavedKey), 0);
    EXPECT_EQ(counterChanges, 0);

    stage.platform.alerts.answerNextWithButton("Apply Correction");
    inserter->accept(warning);
    EXPECT_EQ(nativeField.value(), "I saw the ");
    EXPECT_EQ(counter(SuggestionInserter::acceptedCountKey), 1);
    EXPECT_EQ(counterChanges, 1);

    // Only a mistake warns, whatever the priority of anything else.
    prepare(nativeField, "Dear ", "");
    inserter->accept(suggestion(SuggestionType::snippet, "team", 0));
    EXPECT_EQ(stage.platform.alerts.shownAlerts().size(), 2u);
    EXPECT_EQ(nativeField.value(), "Dear team ");
}

TEST_F(SuggestionInserterTest, AKnowledgeNoteGoesInAsItsTextOrAsItsPath)
{
    TempDir notes;
    const std::string path = (notes.path() / "Plan.md").string();
    std::ofstream(path) << "Ship on Friday";
    const std::string broken = (notes.path() / "Broken.md").string();
    std::ofstream(broken) << std::string("\xff\xfe", 2);

    struct Case {
        std::optional<std::string> mode;
        std::string note;
        std::string expected;
    };
    const Case cases[] = {
        {std::nullopt, path, "Ship on Friday "},
        {"content", path, "Ship on Friday "},
        {"path", path, path + " "},
        {std::nullopt, (notes.path() / "Missing.md").string(), (notes.path() / "Missing.md").string() + " "},
        {std::nullopt, broken, broken + " "},
        {std::nullopt, notes.path().string(), notes.path().string() + " "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.note + " / " + c.mode.value_or("absent"));
        if (c.mode) {
            stage.platform.defaults.set(SuggestionInserter::knowledgeInsertModeKey, *c.mode);
        } else {
            stage.platform.defaults.removeObjectForKey(SuggestionInserter::knowledgeInsertModeKey);
        }
        prepare(nativeField, "", "");
        inserter->accept(suggestion(SuggestionType::knowledge, c.note));
        EXPECT_EQ(nativeField.value(), c.expected);
    }
}

TEST_F(SuggestionInserterTest, TheTapsTypingStateFollowsEachAcceptance)
{
    browser.activate();
    tap->setRecentWords({"one", "two", "three", "four"});
    prepare(browserField, "four ", "");
    inserter->accept(suggestion(SuggestionType::live, "five"));
    EXPECT_THAT(tap->recentWords(), ElementsAre("one", "two", "three", "four", "five"));
    EXPECT_TRUE(tap->lastActionWasSuggestionWithTrailingSpace());

    tap->setLastActionWasSuggestionWithTrailingSpace(false);
    prepare(browserField, "five si", "si");
    inserter->accept(suggestion(SuggestionType::live, "six"));
    EXPECT_THAT(tap->recentWords(), ElementsAre("two", "three", "four", "five", "six"));
    EXPECT_EQ(tap->currentWordPrefix(), "");
    EXPECT_TRUE(tap->lastActionWasSuggestionWithTrailingSpace());
    EXPECT_EQ(browserField.value(), "five six ");
}

TEST_F(SuggestionInserterTest, AfterASpaceNoSecondSpaceIsTypedAndNoTrailingOneBeforePunctuation)
{
    browser.activate();
    tap->setRecentWords({"hello"});
    prepare(browserField, "hello ", "");
    inserter->accept(suggestion(SuggestionType::live, "world"));
    EXPECT_EQ(browserField.value(), "hello world ");

    tap->setLastActionWasSuggestionWithTrailingSpace(false);
    prepare(browserField, "hello wor!", "wor", 9);
    inserter->accept(suggestion(SuggestionType::live, "world"));
    EXPECT_EQ(browserField.value(), "hello world!");
    EXPECT_FALSE(tap->lastActionWasSuggestionWithTrailingSpace());
}

TEST_F(SuggestionInserterTest, WithoutAFocusedFieldTheTextIsTypedWithASpaceAfterIt)
{
    SimApplication agent = desktop.addApplication("com.apple.agent", "Agent");
    agent.activate();
    loop.runUntilIdle();
    desktop.eventTaps().clearDeliveries();
    tap->setCurrentWordPrefix("he");
    inserter->accept(suggestion(SuggestionType::live, "hello"));
    EXPECT_THAT(ourKeys(), ElementsAre("⌫", "⌫", "hello "));
    EXPECT_EQ(counter(SuggestionInserter::acceptedCountKey), 1);
}

TEST_F(SuggestionInserterTest, TheDisplaysKeysAndClicksAcceptTheSuggestionShown)
{
    answer = {suggestion(SuggestionType::live, "alpha"), suggestion(SuggestionType::live, "beta"),
              suggestion(SuggestionType::live, "gamma")};
    tap->setSlidingBuffer("x");
    display->executeFetchAndDisplay(std::nullopt, true);
    loop.runUntilIdle();

    prepare(nativeField, "", "");
    display->eventTapManagerDidCycleSuggestion(*tap);
    display->eventTapManagerDidCommitActiveSuggestion(*tap);
    EXPECT_EQ(nativeField.value(), "beta ");

    display->eventTapManagerDidSelectSuggestionIndex(*tap, 2);
    EXPECT_EQ(nativeField.value(), "beta gamma ");

    ASSERT_TRUE(panel.pick(0));
    EXPECT_EQ(nativeField.value(), "beta gamma alpha ");

    // The digit for a sixth suggestion when three are shown.
    display->eventTapManagerDidSelectSuggestionIndex(*tap, 5);
    display->acceptSuggestionIndex(-1);
    EXPECT_EQ(nativeField.value(), "beta gamma alpha ");
    EXPECT_EQ(counter(SuggestionInserter::acceptedCountKey), 3);
}

}  // namespace
}  // namespace qm::test
