#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/AppDelegate.h"
#include "app/FocusObserver.h"
#include "capture/EventTapManager.h"
#include "shell/PermissionsManager.h"
#include "suggestions/FieldMemoryEngine.h"
#include "suggestions/SuggestionProvider.h"
#include "support/StandInApp.h"

namespace qm::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// A field of `width` points: the capture router tells fields apart by width.
SimTextFieldSpec field(const std::string& placeholder, double width)
{
    SimTextFieldSpec spec;
    spec.placeholder = placeholder;
    spec.frame = Rect(100, 100, width, 22);
    return spec;
}

// The application as it runs, without windows: the delegate started over the
// composition with the focus observer in its hooks, on the stand-in desktop.
// What the user types into a field and leaves is learned by field memory.
class FieldLearningWiringTest : public ::testing::Test {
protected:
    FieldLearningWiringTest()
    {
        rig.compose(rig.bundle(), StandInApp::quietOptions());
        rig.platform.defaults.set("hasCompletedOnboarding", true);
        rig.platform.defaults.set("hasSelectedShortcut", true);
        editor.activate();
        first.focus();
        loop().runUntilIdle();

        AppDelegate::Hooks hooks;
        rig.app->focusObserver().attach(hooks);
        delegate = rig.makeDelegate(std::move(hooks));
        delegate->applicationDidFinishLaunching();
    }

    ~FieldLearningWiringTest() override
    {
        if (delegate) {
            delegate->applicationWillTerminate();
        }
        delegate.reset();
        loop().runUntilIdle();
    }

    SimMainLoop& loop() { return rig.platform.loop; }

    // A click some time after the last key.
    void click(const SimTextField& field)
    {
        loop().advance(1.0);
        field.focus();
        loop().advance(1.0);
    }

    // The titles the provider offers for `text`, with `appBundleId` in front.
    std::vector<std::string> offered(const std::string& text, const std::string& appBundleId)
    {
        std::optional<std::vector<SuggestionModel>> answer;
        rig.app->suggestionProvider().updateSuggestions(text, appBundleId,
                                                        [&](const auto& list) { answer = list; });
        EXPECT_TRUE(loop().runUntil([&] { return answer.has_value(); }));
        std::vector<std::string> titles;
        for (const auto& model : answer.value_or(std::vector<SuggestionModel>{})) {
            titles.push_back(model.title);
        }
        return titles;
    }

    StandInApp rig;
    SimApplication editor = rig.platform.desktop.addApplication("com.example.mail", "Mail");
    SimElement window = editor.addWindow("New Message");
    SimTextField first = window.addTextField(field("Email", 400));
    SimTextField second = window.addTextField(field("Email", 300));
    SimTextField subject = window.addTextField(field("Subject", 500));
    std::unique_ptr<AppDelegate> delegate;
};

// Field memory learns what was typed, but the suggestions never offer it: a
// whole earlier field ("Draft of my resignation letter") has no place as a
// chip in the next field.
TEST_F(FieldLearningWiringTest, AValueTypedAndLeftIsLearnedButNeverOfferedAsASuggestion)
{
    ASSERT_TRUE(rig.waitForTap());
    click(first);
    rig.platform.desktop.keyboard().type("jonas@example.com");
    click(second);
    rig.platform.desktop.keyboard().type("jo");

    EXPECT_THAT(
        rig.app->fieldMemory().getSuggestions(FieldContext::email, "com.example.mail", std::nullopt, "jo"),
        ElementsAre("jonas@example.com"));
    EXPECT_THAT(offered("jo", "com.example.mail"), IsEmpty());
    EXPECT_THAT(offered("", "com.example.mail"), IsEmpty());
}

TEST_F(FieldLearningWiringTest, SwitchingApplicationsAndQuittingLearnTheFieldInUse)
{
    ASSERT_TRUE(rig.waitForTap());
    click(first);
    rig.platform.desktop.keyboard().type("ada@example.com");
    loop().advance(1.0);
    const SimApplication notes = rig.platform.desktop.addApplication("com.example.notes", "Notes");
    notes.activate();
    loop().advance(1.0);
    EXPECT_EQ(rig.app->focusObserver().currentObservedPid(), notes.pid());

    editor.activate();
    loop().advance(1.0);
    click(second);
    rig.platform.desktop.keyboard().type("grace@example.com");
    delegate->applicationWillTerminate();
    delegate.reset();

    std::vector<std::string> learned =
        rig.app->fieldMemory().getSuggestions(FieldContext::email, "com.example.mail", std::nullopt, "");
    std::ranges::sort(learned);
    EXPECT_THAT(learned, ElementsAre("ada@example.com", "grace@example.com"));
}

}  // namespace
}  // namespace qm::test
