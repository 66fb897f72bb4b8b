#include "records/HostFocus.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "platform/accessibility/AXAttribute.h"
#include "platform/sim/desktop/StandInDesktop.h"
#include "platform/sim/runtime/SimClock.h"
#include "platform/sim/runtime/SimMainLoop.h"
#include "records/ScriptedAccessibility.h"

namespace qm {
namespace {

using test::ScriptedAccessibility;

class HostFocusTest : public ::testing::Test {
protected:
    SimClock clock;
    SimMainLoop loop{clock};
    StandInDesktop desktop{loop};
    HostCaptureContext held{"TextEdit", "com.apple.TextEdit", "Notes.txt"};
    HostFocus focus{desktop.workspace(), desktop.accessibility(), [this] { return held; }};
};

struct SnapshotCase {
    const char* what;
    std::function<void(StandInDesktop&)> arrange;
    HostCaptureContext expected;
};

TEST_F(HostFocusTest, SnapshotOfTheFrontmostApplication)
{
    const SnapshotCase cases[] = {
        {"named app with a titled window",
         [](StandInDesktop& d) {
             auto app = d.addApplication("com.example.numbers", "Numbers");
             app.addWindow("Q3 Budget");
             app.activate();
         },
         {"Numbers", "com.example.numbers", "Q3 Budget"}},
        {"no name",
         [](StandInDesktop& d) {
             auto app = d.addApplication("com.example.helper", std::nullopt);
             app.addWindow("Main");
             app.activate();
         },
         {"this Mac", "com.example.helper", "Main"}},
        {"empty name",
         [](StandInDesktop& d) {
             auto app = d.addApplication("com.example.helper", "");
             app.addWindow("Main");
             app.activate();
         },
         {"this Mac", "com.example.helper", "Main"}},
        {"no bundle identifier",
         [](StandInDesktop& d) {
             auto app = d.addApplication(std::nullopt, "Script");
             app.addWindow("Run");
             app.activate();
         },
         {"Script", std::nullopt, "Run"}},
        {"title kept untrimmed",
         [](StandInDesktop& d) {
             auto app = d.addApplication("com.example.editor", "Editor");
             app.addWindow("  draft.md \u2014 Editor ");
             app.activate();
         },
         {"Editor", "com.example.editor", "  draft.md \u2014 Editor "}},
        {"untitled window",
         [](StandInDesktop& d) {
             auto app = d.addApplication("com.example.editor", "Editor");
             app.addWindow("");
             app.activate();
         },
         {"Editor", "com.example.editor", ""}},
        {"no window",
         [](StandInDesktop& d) { d.addApplication("com.example.menu", "Menu Tool").activate(); },
         {"Menu Tool", "com.example.menu", ""}},
        {"focused window closed",
         [](StandInDesktop& d) {
             auto app = d.addApplication("com.example.editor", "Editor");
             app.addWindow("Gone").remove();
             app.activate();
         },
         {"Editor", "com.example.editor", ""}},
        {"no Accessibility permission",
         [](StandInDesktop& d) {
             auto app = d.addApplication("com.example.numbers", "Numbers");
             app.addWindow("Q3 Budget");
             app.activate();
             d.trust().setTrusted(false);
         },
         {"Numbers", "com.example.numbers", ""}},
        {"application too slow to answer",
         [](StandInDesktop& d) {
             auto app = d.addApplication("com.example.numbers", "Numbers");
             app.addWindow("Q3 Budget");
             app.setResponseDelay(3600);
             app.activate();
         },
         {"Numbers", "com.example.numbers", ""}},
        {"no frontmost application", [](StandInDesktop&) {}, {"this Mac", std::nullopt, ""}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SimClock caseClock;
        SimMainLoop caseLoop{caseClock};
        StandInDesktop caseDesktop{caseLoop};
        c.arrange(caseDesktop);
        const HostFocus caseFocus(caseDesktop.workspace(), caseDesktop.accessibility());
        EXPECT_EQ(caseFocus.snapshot(), c.expected);
    }
}

TEST_F(HostFocusTest, WhileThisProgramIsFrontmostTheHeldContextStands)
{
    auto other = desktop.addApplication("com.example.numbers", "Numbers");
    other.addWindow("Q3 Budget");
    other.activate();
    desktop.ownApplication().addWindow("Settings");
    desktop.ownApplication().activate();

    EXPECT_EQ(focus.snapshot(), held);

    const HostFocus withoutController(desktop.workspace(), desktop.accessibility());
    EXPECT_EQ(withoutController.snapshot(), HostCaptureContext{});
}

TEST_F(HostFocusTest, NeverReadsThisProgramsOwnWindowsThroughAccessibility)
{
    auto scripted = std::make_shared<ScriptedAccessibility>();
    const HostFocus scriptedFocus(desktop.workspace(), *scripted);
    const RunningApplication own = desktop.workspace().currentApplication();
    const auto ownApp = ScriptedAccessibility::applicationToken(own.processIdentifier);
    scripted->scriptElement(ownApp, std::string(AXAttribute::focusedWindow), own.processIdentifier, 7);
    scripted->script(7, std::string(AXAttribute::title), AXError::success, AXValue::string("Settings"));

    EXPECT_EQ(scriptedFocus.windowTitle(own), "");
    EXPECT_EQ(scriptedFocus.windowTitle(std::nullopt), "");
    EXPECT_EQ(scripted->callCount(), 0);
}

struct TitleCase {
    const char* what;
    AXError windowError;
    std::optional<AXValue> window;  // nothing: the scripted window element
    AXError titleError;
    AXValue title;
    std::string expected;
};

TEST_F(HostFocusTest, WindowTitleIsEmptyUnlessBothReadsGiveTheExpectedTypes)
{
    constexpr std::int32_t pid = 4242;
    constexpr std::uint64_t windowToken = 99;
    const TitleCase cases[] = {
        {"a title", AXError::success, std::nullopt, AXError::success, AXValue::string("Budget"), "Budget"},
        {"an empty title", AXError::success, std::nullopt, AXError::success, AXValue::string(""), ""},
        {"a title that is a number", AXError::success, std::nullopt, AXError::success, AXValue::number(3),
         ""},
        {"a title that is a URL", AXError::success, std::nullopt, AXError::success,
         AXValue::url("https://example.com"), ""},
        {"no title", AXError::success, std::nullopt, AXError::noValue, AXValue(), ""},
        {"title unsupported", AXError::success, std::nullopt, AXError::attributeUnsupported, AXValue(), ""},
        {"a window that is a string", AXError::success, AXValue::string("window"), AXError::success,
         AXValue::string("Budget"), ""},
        {"a window that is nothing", AXError::success, AXValue(), AXError::success, AXValue::string("Budget"),
         ""},
        {"a null window element", AXError::success, AXValue::element(AXUIElement()), AXError::success,
         AXValue::string("Budget"), ""},
        {"no focused window", AXError::noValue, std::nullopt, AXError::success, AXValue::string("Budget"),
         ""},
        {"cannot complete", AXError::cannotComplete, std::nullopt, AXError::success,
         AXValue::string("Budget"), ""},
        {"API disabled", AXError::apiDisabled, std::nullopt, AXError::success, AXValue::string("Budget"), ""},
        {"invalid element", AXError::invalidUIElement, std::nullopt, AXError::success, AXValue::string("B"),
         ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto scripted = std::make_shared<ScriptedAccessibility>();
        const HostFocus scriptedFocus(desktop.workspace(), *scripted);
        const auto app = ScriptedAccessibility::applicationToken(pid);
        if (c.window || c.windowError != AXError::success) {
            scripted->script(app, std::string(AXAttribute::focusedWindow), c.windowError,
                             c.window.value_or(AXValue()));
        } else {
            scripted->scriptElement(app, std::string(AXAttribute::focusedWindow), pid, windowToken);
        }
        scripted->script(windowToken, std::string(AXAttribute::title), c.titleError, c.title);
        EXPECT_EQ(scriptedFocus.windowTitle(RunningApplication{pid, "com.example.app", "App"}), c.expected);
    }
}

TEST(HostCaptureContextTest, EqualityComparesEveryField)
{
    const HostCaptureContext base{"Safari", "com.apple.Safari", "Budget"};
    EXPECT_EQ(HostCaptureContext{}, (HostCaptureContext{"this Mac", std::nullopt, ""}));
    EXPECT_EQ(base, (HostCaptureContext{"Safari", "com.apple.Safari", "Budget"}));
    EXPECT_NE(base, (HostCaptureContext{"Safari", std::nullopt, "Budget"}));
    EXPECT_NE(base, (HostCaptureContext{"Safari", "", "Budget"}));
    EXPECT_NE(base, (HostCaptureContext{"safari", "com.apple.Safari", "Budget"}));
    EXPECT_NE(base, (HostCaptureContext{"Safari", "com.apple.Safari", "Budget "}));
}

}  // namespace
}  // namespace qm
