// Inline suggestions as the application runs them on the stand-in desktop:
// the delegate launched over the composition, the tap, focus observation, the
// provider and the suggestions local tools push, with the stand-in panel.

#include <algorithm>
#include <memory>
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "app/AppDelegate.h"
#include "app/AssistantServices.h"
#include "app/FocusObserver.h"
#include "app/SuggestionServices.h"
#include "capture/EventTapManager.h"
#include "knowledge/MCPSuggestionQueue.h"
#include "suggestions/sim/SimOverlayPanel.h"
#include "support/StandInApp.h"

namespace qm::test {
namespace {

SimTextFieldSpec emailField(double width)
{
    SimTextFieldSpec spec;
    spec.placeholder = "Email";
    spec.frame = Rect(100, 100, width, 22);
    return spec;
}

std::size_t occurrences(const std::string& text, const std::string& part)
{
    std::size_t count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

class SuggestionEndToEndTest : public ::testing::Test {
protected:
    SuggestionEndToEndTest()
    {
        AppComposition::Options options = StandInApp::quietOptions();
        options.withAssistant = true;
        options.makeSuggestionPanel = [this](AppComposition&) { return panel; };
        rig.compose(rig.bundle(), std::move(options));
        rig.platform.defaults.set("hasCompletedOnboarding", true);
        rig.platform.defaults.set("hasSelectedShortcut", true);
        mail.activate();
        first.focus();
        loop().runUntilIdle();

        AppDelegate::Hooks hooks;
        rig.app->focusObserver().attach(hooks);
        hooks.tapDelegate = &rig.app->suggestions()->display();
        delegate = rig.makeDelegate(std::move(hooks));
        delegate->applicationDidFinishLaunching();
    }

    ~SuggestionEndToEndTest() override
    {
        if (delegate) {
            delegate->applicationWillTerminate();
        }
        delegate.reset();
        loop().runUntilIdle();
    }

    SimMainLoop& loop() { return rig.platform.loop; }
    KeyboardDriver& keyboard() { return rig.platform.desktop.keyboard(); }

    // The user clicks a field some time after the last key.
    void click(const SimTextField& field)
    {
        loop().advance(1.0);
        field.focus();
        loop().advance(1.0);
    }

    // Keys typed at a person's pace: the tap's typing context has taken them
    // before the next key comes.
    void type(std::string_view text)
    {
        keyboard().type(text);
        rig.app->eventTapManager().processingQueue().sync([] {});
        loop().runUntilIdle();
    }

    // What a local tool pushes over the tool server, for a minute.
    void push(const std::string& title, const std::string& actionText)
    {
        rig.app->assistant()->suggestionQueue().push(
            nlohmann::json::array({{{"title", title}, {"actionText", actionText}, {"ttlSeconds", 60}}}));
    }

    // The word being typed gives way to the picked text.
    static constexpr const char* kPicked = "jonas@example.com ";

    // The title of each suggestion the panel shows.
    std::vector<std::string> shownTitles() const
    {
        std::vector<std::string> titles;
        for (const auto& suggestion : panel->suggestions()) {
            titles.push_back(suggestion.title);
        }
        return titles;
    }

    std::shared_ptr<SimOverlayPanel> panel = std::make_shared<SimOverlayPanel>();
    StandInApp rig;
    SimApplication mail = rig.platform.desktop.addApplication("com.example.mail", "Mail");
    SimElement window = mail.addWindow("New Message");
    SimTextField first = window.addTextField(emailField(400));
    SimTextField second = window.addTextField(emailField(300));
    std::unique_ptr<AppDelegate> delegate;
};

TEST_F(SuggestionEndToEndTest, APushedSuggestionIsSummonedAndPickedOnce)
{
    ASSERT_TRUE(rig.waitForTap());
    click(first);
    type("jonas@example.com");
    click(second);
    push("Write to Jonas", "jonas@example.com");
    type("jo");
    // The pause after typing shows mistakes only: the rest waits for a summon.
    loop().advance(2.0);
    EXPECT_FALSE(panel->isShown());

    keyboard().press("ctrl+space");
    ASSERT_TRUE(loop().runUntil([&] { return panel->isShown(); }));
    EXPECT_THAT(shownTitles(), ::testing::ElementsAre("Write to Jonas")) << "nothing field memory learned";
    EXPECT_TRUE(rig.app->eventTapManager().isSuggestionsOverlayVisible());

    ASSERT_TRUE(panel->pick(0));
    loop().runUntilIdle();
    EXPECT_EQ(second.value(), kPicked);
    EXPECT_EQ(occurrences(second.value(), "jonas"), 1u);
    EXPECT_FALSE(panel->isShown());
    EXPECT_EQ(rig.platform.defaults.integerForKey(SuggestionInserter::acceptedCountKey), 1);

    // A click elsewhere (no typing) hides a panel shown again.
    keyboard().press("ctrl+space");
    loop().runUntilIdle();
    click(first);
    EXPECT_FALSE(panel->isShown());
}

TEST_F(SuggestionEndToEndTest, ReturnAcceptsTheHighlightedSuggestionThroughTheTap)
{
    ASSERT_TRUE(rig.waitForTap());
    click(second);
    push("Write to Ada", "ada@example.com");
    type("ad");
    keyboard().press("ctrl+space");
    ASSERT_TRUE(loop().runUntil([&] { return panel->isShown(); }));
    ASSERT_EQ(shownTitles().front(), "Write to Ada");

    keyboard().press("return");
    ASSERT_TRUE(loop().runUntil([&] { return !panel->isShown(); }));
    EXPECT_EQ(second.value(), "ada@example.com ");
}

}  // namespace
}  // namespace qm::test
