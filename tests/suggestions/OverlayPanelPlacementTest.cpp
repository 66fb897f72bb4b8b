#include "suggestions/OverlayPanelPlacement.h"

#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace qm {
namespace {

// A laptop screen with a 25-point menu bar, and a taller display to its right.
const Screen kLaptop{Rect(0, 0, 1440, 900), Rect(0, 0, 1440, 875)};
const Screen kExternal{Rect(1440, 0, 1920, 1080), Rect(1440, 0, 1920, 1080)};
const std::vector<Screen> kBoth{kLaptop, kExternal};
constexpr Size kPanel{320, 48};

struct ShowCase {
    std::string name;
    Rect caret;  // screen coordinates
    std::optional<Point> savedOffset;
    std::vector<Screen> screens;
    std::optional<Screen> mainScreen;
    OverlayPanelPlacement::Placement expected;
};

class OverlayPanelShowOrigin : public ::testing::TestWithParam<ShowCase> {};

TEST_P(OverlayPanelShowOrigin, PlacesTheCaretPanel)
{
    const ShowCase& c = GetParam();
    const auto placement =
        OverlayPanelPlacement::showOrigin(c.caret, kPanel, c.savedOffset, c.screens, c.mainScreen);
    EXPECT_DOUBLE_EQ(placement.origin.x, c.expected.origin.x);
    EXPECT_DOUBLE_EQ(placement.origin.y, c.expected.origin.y);
    EXPECT_EQ(placement.hasCustomOffset, c.expected.hasCustomOffset);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OverlayPanelShowOrigin,
    ::testing::Values(
        // Centred on the caret, its bottom edge 8 above the caret's top.
        ShowCase{"Centred", Rect(700, 400, 2, 18), std::nullopt, kBoth, std::nullopt, {{541, 426}, false}},
        // No room above: 8 below the caret's bottom.
        ShowCase{"FlipsBelowNearTheTop",
                 Rect(700, 860, 2, 14),
                 std::nullopt,
                 kBoth,
                 std::nullopt,
                 {{541, 804}, false}},
        // The flip has no lower bound, even off the bottom of a short screen.
        ShowCase{"FlipHasNoFloor",
                 Rect(700, 20, 2, 14),
                 std::nullopt,
                 {Screen{Rect(0, 0, 1440, 60), Rect(0, 0, 1440, 60)}},
                 std::nullopt,
                 {{541, -36}, false}},
        ShowCase{"LeftEdge", Rect(20, 400, 2, 18), std::nullopt, kBoth, std::nullopt, {{10, 426}, false}},
        ShowCase{
            "RightEdge", Rect(1430, 400, 2, 18), std::nullopt, kBoth, std::nullopt, {{1110, 426}, false}},
        // The caret's display clamps, not the first one.
        ShowCase{"SecondDisplayRightEdge",
                 Rect(3350, 500, 2, 18),
                 std::nullopt,
                 kBoth,
                 std::nullopt,
                 {{3030, 526}, false}},
        ShowCase{"SecondDisplayIsTaller",
                 Rect(2000, 1040, 2, 18),
                 std::nullopt,
                 kBoth,
                 std::nullopt,
                 {{1841, 984}, false}},
        // A caret off every display: the first display clamps.
        ShowCase{
            "OffEveryDisplay", Rect(-500, 400, 2, 18), std::nullopt, kBoth, std::nullopt, {{10, 426}, false}},
        ShowCase{
            "SavedOffset", Rect(700, 400, 2, 18), Point{-40, -90}, kBoth, std::nullopt, {{660, 310}, true}},
        // A saved place below the visible frame comes up to 10 inside it.
        ShowCase{"SavedOffsetBelowTheFrame",
                 Rect(700, 20, 2, 18),
                 Point{-100, -80},
                 kBoth,
                 std::nullopt,
                 {{600, 10}, true}},
        // And one above it comes down, instead of flipping under the caret.
        ShowCase{"SavedOffsetAboveTheFrame",
                 Rect(700, 850, 2, 18),
                 Point{0, 40},
                 kBoth,
                 std::nullopt,
                 {{700, 817}, true}},
        ShowCase{"SavedOffsetIsClampedSideways",
                 Rect(1400, 400, 2, 18),
                 Point{100, 30},
                 kBoth,
                 std::nullopt,
                 {{1110, 430}, true}},
        // No screens: the main screen decides; with none at all nothing is clamped.
        ShowCase{"OnlyTheMainScreen", Rect(20, 860, 2, 14), std::nullopt, {}, kLaptop, {{10, 804}, false}},
        ShowCase{
            "NoScreenAtAll", Rect(20, 5000, 2, 14), std::nullopt, {}, std::nullopt, {{-139, 5022}, false}}),
    [](const auto& info) { return info.param.name; });

TEST(OverlayPanelPlacement, TheCaretIsFlippedWithTheFirstScreensHeight)
{
    // On the external display, yet flipped with the laptop's 900.
    EXPECT_EQ(OverlayPanelPlacement::caretOnScreen(Rect(2000, 100, 2, 18), kBoth), Rect(2000, 782, 2, 18));
    EXPECT_EQ(OverlayPanelPlacement::caretOnScreen(Rect(2000, 100, 2, 18), {kExternal, kLaptop}),
              Rect(2000, 962, 2, 18));
    EXPECT_EQ(OverlayPanelPlacement::caretOnScreen(Rect(5, 6, 2, 18), {}), Rect(5, 6, 2, 18));
}

struct ResetCase {
    std::string name;
    Rect caret;
    std::vector<Screen> screens;
    std::optional<Screen> mainScreen;
    Point expected;
};

class OverlayPanelResetOrigin : public ::testing::TestWithParam<ResetCase> {};

TEST_P(OverlayPanelResetOrigin, GoesBackToTheDefaultPlace)
{
    const ResetCase& c = GetParam();
    const Point origin = OverlayPanelPlacement::resetOrigin(c.caret, kPanel, c.screens, c.mainScreen);
    EXPECT_DOUBLE_EQ(origin.x, c.expected.x);
    EXPECT_DOUBLE_EQ(origin.y, c.expected.y);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OverlayPanelResetOrigin,
    ::testing::Values(
        ResetCase{"Centred", Rect(700, 400, 2, 18), kBoth, kLaptop, {541, 426}},
        ResetCase{"FlipsBelowNearTheTop", Rect(700, 860, 2, 14), kBoth, kLaptop, {541, 804}},
        // The default origin is off every screen: the main screen clamps,
        // before the first one.
        ResetCase{"MainScreenBeforeTheFirst", Rect(3350, 1060, 2, 18), kBoth, kExternal, {3030, 1004}},
        ResetCase{"FirstScreenWithoutAMainOne", Rect(-400, 400, 2, 18), kBoth, std::nullopt, {10, 426}},
        ResetCase{"NoScreenAtAll", Rect(-400, 4000, 2, 18), {}, std::nullopt, {-559, 4026}}),
    [](const auto& info) { return info.param.name; });

struct SizeCase {
    std::string name;
    Size fitting;
    bool horizontal;
    Size expected;
};

class OverlayPanelFittedSize : public ::testing::TestWithParam<SizeCase> {};

TEST_P(OverlayPanelFittedSize, FitsTheContentWithinItsMinimums)
{
    const SizeCase& c = GetParam();
    EXPECT_EQ(OverlayPanelPlacement::fittedSize(c.fitting, c.horizontal), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, OverlayPanelFittedSize,
                         ::testing::Values(SizeCase{"RowTooLow", {100, 20}, true, {280, 48}},
                                           SizeCase{"ColumnTooLow", {150, 20}, false, {200, 120}},
                                           SizeCase{"RowWithoutHeight", {500, 0}, true, {500, 48}},
                                           SizeCase{"ColumnNegative", {260, -4}, false, {260, 120}},
                                           SizeCase{"RowJustBelowTrusted", {400, 29.5}, true, {400, 48}},
                                           SizeCase{"RowTrusted", {400, 30}, true, {400, 30}},
                                           SizeCase{"ColumnFits", {240, 212}, false, {240, 212}},
                                           SizeCase{"RowIsWiderThanAColumn", {220, 48}, true, {280, 48}},
                                           SizeCase{"ColumnKeepsItsWidth", {220, 48}, false, {220, 48}}),
                         [](const auto& info) { return info.param.name; });

TEST(OverlayPanelPlacement, ResizingKeepsTheTopEdge)
{
    const Rect frame(100, 400, 320, 48);
    const Rect taller = OverlayPanelPlacement::keepingTopEdge(frame, {380, 200});
    EXPECT_EQ(taller, Rect(100, 248, 380, 200));
    EXPECT_DOUBLE_EQ(taller.maxY(), frame.maxY());
}

TEST(OverlayPanelPlacement, TheSavedOffsetIsThePanelsOriginFromTheCaretsOrigin)
{
    const Rect caret(700, 400, 2, 18);
    const Point offset = OverlayPanelPlacement::offsetFromCaret({640, 300}, caret);
    EXPECT_EQ(offset, (Point{-60, -100}));
    // Showing again with it puts the panel back where it was moved to.
    EXPECT_EQ(OverlayPanelPlacement::showOrigin(caret, kPanel, offset, kBoth, std::nullopt).origin,
              (Point{640, 300}));
}

}  // namespace
}  // namespace qm
