#include <functional>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "base/Log.h"
#include "capture/CaptureModeRig.h"
#include "platform/accessibility/AXAttribute.h"
#include "platform/accessibility/AXValue.h"
#include "platform/display/Screen.h"
#include "records/ScriptedAccessibility.h"

namespace qm::test {
namespace {

using Call = SimCaptureOverlayPanel::Call;

constexpr const char* kCaretLine = "🎯 CaptureRouter: Resolved caret bounds via AXUIElement in ";
constexpr const char* kElementLine = "🏢 CaptureRouter: Resolved bounds via element position fallback in ";
constexpr const char* kMouseLine =
    "🖱️ CaptureRouter: AX caret failed or Electron matched. Falling back to mouse position in ";
constexpr const char* kSuspectedTag = " [Electron-Failure-Pattern-Suspected]";

// The host field lies at (100, 100, 400, 22): its fallback box is 10 in from
// the left edge with its bottom on the field's bottom.
constexpr Rect kFieldBox{110, 102, 10, 20};

// What a case may change before the capture opens.
struct Host {
    StandInDesktop& desktop;
    SimApplication editor;
    SimElement window;
    SimTextField field;
};

struct CaretCase {
    const char* name;
    std::function<void(Host&)> setUp;
    std::optional<Rect> expected;  // nothing: where the field lays out its caret
    const char* logLine;
    bool suspected;
};

void PrintTo(const CaretCase& c, std::ostream* os)
{
    *os << c.name;
}

class CaptureModeCaretTest : public CaptureModeRig, public ::testing::WithParamInterface<CaretCase> {
protected:
    // The overlay's place for a capture opened now.
    Rect openedAt()
    {
        router->enterCaptureModeUI(note);
        const auto calls = overlay()->calls();
        EXPECT_EQ(calls.back().kind, Call::Kind::show);
        return calls.back().caret;
    }
};

TEST_P(CaptureModeCaretTest, OverlayOpensAtTheCaretOrTheBestFallback)
{
    const CaretCase& c = GetParam();
    desktop.mouse().moveTo({300, 200});
    Host host{desktop, editor, window, field};
    c.setUp(host);
    Rect expected = c.expected.value_or(Rect());
    if (!c.expected) {
        AXValue selection;
        AXValue bounds;
        ASSERT_EQ(field.axElement().copyAttributeValue(AXAttribute::selectedTextRange, selection),
                  AXError::success);
        ASSERT_EQ(
            field.axElement().copyParameterizedAttributeValue(AXAttribute::boundsForRange, selection, bounds),
            AXError::success);
        expected = *bounds.asRect();
    }

    Log::Capture log;
    EXPECT_EQ(openedAt(), expected);
    EXPECT_EQ(log.count(c.logLine), 1u) << testing::PrintToString(log.lines());
    EXPECT_EQ(log.contains(kSuspectedTag), c.suspected);
}

void overrideCaret(Host& host, Rect bounds)
{
    host.field.setBoundsOverride(bounds);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CaptureModeCaretTest,
    ::testing::Values(CaretCase{"CaretOfTheField", [](Host&) {}, std::nullopt, kCaretLine, false},
                      CaretCase{"ZeroSizeCaretGivesTheFieldBox",
                                [](Host& rig) {
                                    overrideCaret(rig, {150, 105, 0, 0});
                                },
                                kFieldBox, kElementLine, false},
                      CaretCase{"CaretOffEveryScreenGivesTheFieldBox",
                                [](Host& rig) {
                                    overrideCaret(rig, {5000, 5000, 2, 18});
                                },
                                kFieldBox, kElementLine, false},
                      CaretCase{"ZeroWidthCaretIsACaret",
                                [](Host& rig) {
                                    overrideCaret(rig, {150, 105, 0, 18});
                                },
                                Rect{150, 105, 0, 18}, kCaretLine, false},
                      CaretCase{"CaretAtTheOriginIsUsedButSuspected",
                                [](Host& rig) {
                                    overrideCaret(rig, {0, 0, 2, 18});
                                },
                                Rect{0, 0, 2, 18}, kCaretLine, true},
                      CaretCase{"CaretAsTallAsTheScreenIsUsedButSuspected",
                                [](Host& rig) {
                                    overrideCaret(rig, {300, 0, 2, 900});
                                },
                                Rect{300, 0, 2, 900}, kCaretLine, true},
                      CaretCase{"CaretOnASecondScreen",
                                [](Host& rig) {
                                    rig.desktop.screens().setScreens(
                                        {Screen{{0, 0, 1440, 900}, {0, 0, 1440, 875}},
                                         Screen{{1440, 0, 1920, 1080}, {1440, 0, 1920, 1080}}});
                                    overrideCaret(rig, {2000, 100, 2, 18});
                                },
                                Rect{2000, 100, 2, 18}, kCaretLine, false},
                      CaretCase{"ElementWithoutTextGivesItsBox",
                                [](Host& rig) {
                                    SimElementSpec group;
                                    group.role = "AXGroup";
                                    group.frame = Rect(200, 300, 100, 50);
                                    rig.window.addChild(group).focus();
                                },
                                Rect{210, 330, 10, 20}, kElementLine, false},
                      CaretCase{"NoFocusedElementGivesThePointer",
                                [](Host& rig) { rig.editor.setTreeAvailability(SimTreeAvailability::never); },
                                Rect{300, 700, 10, 20}, kMouseLine, false},
                      CaretCase{"NoScreenPutsEveryCaretOffScreen",
                                [](Host& rig) { rig.desktop.screens().setScreens({}); }, kFieldBox,
                                kElementLine, false},
                      CaretCase{"NoScreenFlipsThePointerAt1080",
                                [](Host& rig) {
                                    rig.desktop.screens().setScreens({});
                                    rig.editor.setTreeAvailability(SimTreeAvailability::never);
                                },
                                Rect{300, 880, 10, 20}, kMouseLine, false}),
    [](const auto& info) { return std::string(info.param.name); });

// Answers no stand-in field gives: a focused element with no text range, no
// position and no size, and a focused "element" that is not one.
TEST_F(CaptureModeRig, FocusedElementWithoutGeometryGivesThePointer)
{
    auto scripted = std::make_shared<ScriptedAccessibility>();
    CaptureRouterModeServices services = app().captureModeServices();
    CaptureRouterController* made = nullptr;
    services.makeOverlayPanel = [&] { return std::make_shared<SimCaptureOverlayPanel>(loop, *made, center); };
    CaptureRouterController scriptedRouter(loop, clock, desktop.workspace(), *scripted, poster, center,
                                           defaults, app().targets(), services);
    made = &scriptedRouter;
    desktop.mouse().moveTo({40, 60});

    for (const bool answerIsAnElement : {true, false}) {
        if (answerIsAnElement) {
            scripted->scriptElement(0, std::string(AXAttribute::focusedUIElement), editor.pid(), 7);
        } else {
            scripted->script(0, std::string(AXAttribute::focusedUIElement), AXError::success,
                             AXValue::string("not an element"));
        }
        Log::Capture log;
        scriptedRouter.enterCaptureModeUI(note);
        const auto panel = std::dynamic_pointer_cast<SimCaptureOverlayPanel>(scriptedRouter.overlayPanel());
        ASSERT_NE(panel, nullptr);
        EXPECT_EQ(panel->calls().back(), (Call{Call::Kind::show, {}, Rect{40, 840, 10, 20}}));
        EXPECT_TRUE(log.contains(kMouseLine));
        scriptedRouter.cancelCapture();
    }
}

}  // namespace
}  // namespace qm::test
