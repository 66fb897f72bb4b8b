#include "capture/CaptureOverlayGeometry.h"

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace qm {

void PrintTo(const Rect& rect, std::ostream* os)
{
    *os << "(" << rect.x() << ", " << rect.y() << ", " << rect.width() << " x " << rect.height() << ")";
}

namespace {

// The primary screen: 1440 × 900 with a 25-point menu bar.
const Screen kPrimary{Rect(0, 0, 1440, 900), Rect(0, 0, 1440, 875)};
// Right of the primary, taller, a 30-point dock at its bottom.
const Screen kRight{Rect(1440, 0, 1920, 1080), Rect(1440, 30, 1920, 1050)};
// Left of the primary: negative x.
const Screen kLeft{Rect(-1920, 0, 1920, 1080), Rect(-1920, 40, 1920, 1040)};
// Above the primary: negative y for Accessibility.
const Screen kAbove{Rect(0, 900, 1440, 900), Rect(0, 900, 1440, 875)};

struct FrameCase {
    const char* title;
    std::vector<Screen> screens;
    std::optional<Screen> mainScreen;
    std::optional<Rect> accessibilityCaret;  // none: a size update without a caret
    double fittingHeight;
    Rect currentFrame;
    Rect expected;
};

class CaptureOverlayFrame : public ::testing::TestWithParam<FrameCase> {};

TEST_P(CaptureOverlayFrame, PlacesThePanelNextToTheCaret)
{
    const FrameCase& c = GetParam();
    std::optional<Rect> caret;
    if (c.accessibilityCaret) {
        caret = CaptureOverlayGeometry::caretOnScreen(*c.accessibilityCaret, c.screens);
    }
    EXPECT_EQ(CaptureOverlayGeometry::frame(caret, c.fittingHeight, c.currentFrame, c.screens, c.mainScreen),
              c.expected)
        << c.title;
}

const Rect kAnyFrame(100, 100, 340, 110);

INSTANTIATE_TEST_SUITE_P(Cases, CaptureOverlayFrame,
                         ::testing::Values(
                             // Caret (700, 400) is (700, 482) on screen: centred, 8 below its bottom edge.
                             FrameCase{"middle of the screen",
                                       {kPrimary},
                                       kPrimary,
                                       Rect(700, 400, 2, 18),
                                       60,
                                       kAnyFrame,
                                       Rect(531, 374, 340, 100)},
                             FrameCase{"taller content keeps its height",
                                       {kPrimary},
                                       kPrimary,
                                       Rect(700, 400, 2, 18),
                                       150,
                                       kAnyFrame,
                                       Rect(531, 324, 340, 150)},
                             FrameCase{"exactly 100 stays 100",
                                       {kPrimary},
                                       kPrimary,
                                       Rect(700, 400, 2, 18),
                                       100,
                                       kAnyFrame,
                                       Rect(531, 374, 340, 100)},
                             FrameCase{"bottom edge: above the caret, 8 over its top",
                                       {kPrimary},
                                       kPrimary,
                                       Rect(700, 850, 2, 18),
                                       60,
                                       kAnyFrame,
                                       Rect(531, 58, 340, 100)},
                             FrameCase{"top edge: still below, nothing clamps upward",
                                       {kPrimary},
                                       kPrimary,
                                       Rect(700, 30, 2, 18),
                                       60,
                                       kAnyFrame,
                                       Rect(531, 744, 340, 100)},
                             FrameCase{"left edge: 10 inside",
                                       {kPrimary},
                                       kPrimary,
                                       Rect(20, 400, 2, 18),
                                       60,
                                       kAnyFrame,
                                       Rect(10, 374, 340, 100)},
                             FrameCase{"right edge: 10 inside",
                                       {kPrimary},
                                       kPrimary,
                                       Rect(1430, 400, 2, 18),
                                       60,
                                       kAnyFrame,
                                       Rect(1090, 374, 340, 100)},
                             FrameCase{"second screen to the right, near its right edge",
                                       {kPrimary, kRight},
                                       kPrimary,
                                       Rect(3300, 500, 2, 18),
                                       60,
                                       kAnyFrame,
                                       Rect(3010, 274, 340, 100)},
                             FrameCase{"second screen: its dock counts as the bottom",
                                       {kPrimary, kRight},
                                       kPrimary,
                                       Rect(2000, 820, 2, 18),
                                       60,
                                       kAnyFrame,
                                       Rect(1831, 88, 340, 100)},
                             FrameCase{"screen on the left: negative x, left edge",
                                       {kPrimary, kLeft},
                                       kPrimary,
                                       Rect(-1900, 100, 2, 18),
                                       60,
                                       kAnyFrame,
                                       Rect(-1910, 674, 340, 100)},
                             FrameCase{"screen on the left: right edge next to the primary",
                                       {kPrimary, kLeft},
                                       kPrimary,
                                       Rect(-10, 100, 2, 18),
                                       60,
                                       kAnyFrame,
                                       Rect(-350, 674, 340, 100)},
                             FrameCase{"screen above: negative Accessibility y",
                                       {kPrimary, kAbove},
                                       kPrimary,
                                       Rect(700, -400, 2, 18),
                                       60,
                                       kAnyFrame,
                                       Rect(531, 1174, 340, 100)},
                             FrameCase{"screen above, near its bottom: goes above the caret",
                                       {kPrimary, kAbove},
                                       kPrimary,
                                       Rect(700, -30, 2, 18),
                                       60,
                                       kAnyFrame,
                                       Rect(531, 938, 340, 100)},
                             FrameCase{"caret on no screen: the first screen's edges",
                                       {kPrimary, kRight},
                                       kPrimary,
                                       Rect(-500, 400, 2, 18),
                                       60,
                                       kAnyFrame,
                                       Rect(10, 374, 340, 100)},
                             FrameCase{"no screens: unflipped, the main screen's edges",
                                       {},
                                       kPrimary,
                                       Rect(20, 400, 2, 18),
                                       60,
                                       kAnyFrame,
                                       Rect(10, 292, 340, 100)},
                             FrameCase{"no screen at all: the centred position as it is",
                                       {},
                                       std::nullopt,
                                       Rect(20, 400, 2, 18),
                                       60,
                                       kAnyFrame,
                                       Rect(-149, 292, 340, 100)},
                             FrameCase{"no caret: the top edge stays, the panel grows down",
                                       {kPrimary},
                                       kPrimary,
                                       std::nullopt,
                                       150,
                                       Rect(100, 500, 340, 100),
                                       Rect(100, 450, 340, 150)},
                             FrameCase{"no caret: shrinks upward to 100",
                                       {kPrimary},
                                       kPrimary,
                                       std::nullopt,
                                       40,
                                       Rect(100, 450, 340, 150),
                                       Rect(100, 500, 340, 100)},
                             FrameCase{"a zero-width caret is a caret",
                                       {kPrimary},
                                       kPrimary,
                                       Rect(700, 400, 0, 18),
                                       60,
                                       kAnyFrame,
                                       Rect(530, 374, 340, 100)}),
                         [](const auto& info) { return "case" + std::to_string(info.index); });

TEST(CaptureOverlayGeometryTest, CaretIsFlippedWithTheFirstScreensHeight)
{
    EXPECT_EQ(CaptureOverlayGeometry::caretOnScreen(Rect(10, 20, 2, 18), {kRight, kPrimary}),
              Rect(10, 1080 - 20 - 18, 2, 18));
    EXPECT_EQ(CaptureOverlayGeometry::caretOnScreen(Rect(10, 20, 2, 18), {}), Rect(10, 20, 2, 18));
}

struct ClickCase {
    const char* title;
    CaptureOverlayGeometry::Click click;
    bool dismisses;
};

CaptureOverlayGeometry::Click click(bool isGlobal, bool inPanel, Point location)
{
    return CaptureOverlayGeometry::Click{.captureModeActive = true,
                                         .panelVisible = true,
                                         .panelAlpha = 1,
                                         .now = 100,
                                         .ignoreOutsideClicksUntil = 99.65,
                                         .isGlobal = isGlobal,
                                         .inPanelWindow = inPanel,
                                         .location = location,
                                         .panelFrame = Rect(500, 300, 340, 100)};
}

template <class F> CaptureOverlayGeometry::Click changed(CaptureOverlayGeometry::Click base, F change)
{
    change(base);
    return base;
}

class CaptureOverlayClick : public ::testing::TestWithParam<ClickCase> {};

TEST_P(CaptureOverlayClick, DismissesOnlyOutsideAndAfterTheGrace)
{
    EXPECT_EQ(CaptureOverlayGeometry::shouldDismiss(GetParam().click), GetParam().dismisses)
        << GetParam().title;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CaptureOverlayClick,
    ::testing::Values(
        ClickCase{"another application's click", click(true, false, {0, 0}), true},
        ClickCase{"another application's click inside the panel's frame", click(true, false, {600, 350}),
                  true},
        ClickCase{"this program, outside the frame", click(false, false, {100, 100}), true},
        ClickCase{"this program, inside the frame of another window", click(false, false, {600, 350}), false},
        ClickCase{"in the panel itself", click(false, true, {100, 100}), false},
        ClickCase{"within the 0.35 s grace",
                  changed(click(true, false, {0, 0}), [](auto& c) { c.ignoreOutsideClicksUntil = 100.01; }),
                  false},
        ClickCase{"faded to 0.2", changed(click(true, false, {0, 0}), [](auto& c) { c.panelAlpha = 0.2; }),
                  false},
        ClickCase{"just above 0.2", changed(click(true, false, {0, 0}), [](auto& c) { c.panelAlpha = 0.21; }),
                  true},
        ClickCase{"panel not visible",
                  changed(click(true, false, {0, 0}), [](auto& c) { c.panelVisible = false; }), false},
        ClickCase{"capture mode closed",
                  changed(click(false, false, {0, 0}), [](auto& c) { c.captureModeActive = false; }), false}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

}  // namespace
}  // namespace qm
