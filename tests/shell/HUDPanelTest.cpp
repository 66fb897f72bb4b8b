#include "shell/HUDPanel.h"

#include <memory>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "platform/sim/display/SimScreens.h"
#include "platform/sim/runtime/SimClock.h"
#include "platform/sim/runtime/SimMainLoop.h"
#include "shell/HUDView.h"
#include "shell/sim/SimHUDWindow.h"

namespace qm {
namespace {

struct SizeCase {
    std::string message;
    Size expected;
};

class HUDSize : public ::testing::TestWithParam<SizeCase> {};

TEST_P(HUDSize, FollowsTheCharacterCount)
{
    const Size size = HUDView::panelSize(GetParam().message);
    EXPECT_NEAR(size.width, GetParam().expected.width, 1e-9) << GetParam().message;
    EXPECT_EQ(size.height, GetParam().expected.height) << GetParam().message;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HUDSize,
    ::testing::Values(SizeCase{"", {240, 50}}, SizeCase{std::string(20, 'x'), {240, 50}},
                      // 7.4 × 30 + 56 = 278
                      SizeCase{std::string(30, 'x'), {278, 50}}, SizeCase{std::string(46, 'x'), {396.4, 50}},
                      SizeCase{std::string(47, 'x'), {403.8, 64}}, SizeCase{std::string(60, 'x'), {460, 64}},
                      // Characters are what a person sees: one emoji, one character.
                      SizeCase{std::string(45, 'x') + "\U0001F468\u200D\U0001F469\u200D\U0001F467",
                               {396.4, 50}},
                      SizeCase{std::string(46, 'x') + "\u00E9", {403.8, 64}}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

struct IconCase {
    std::string message;
    std::optional<std::string> given;
    std::string expected;
};

class HUDIcon : public ::testing::TestWithParam<IconCase> {};

TEST_P(HUDIcon, TheGivenSymbolElseTheFirstMatchingRow)
{
    EXPECT_EQ((HUDView{GetParam().message, GetParam().given}.resolvedImageName()), GetParam().expected)
        << GetParam().message;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HUDIcon,
    ::testing::Values(IconCase{"Copied to clipboard", std::nullopt, "doc.on.doc.fill"},
                      IconCase{"Saved to the CLIPBOARD", std::nullopt, "doc.on.doc.fill"},
                      IconCase{"Added to Obsidian daily note", std::nullopt, "pencil.and.outline"},
                      IconCase{"Logseq journal updated", std::nullopt, "doc.text.fill"},
                      IconCase{"Reminder set for 5pm", std::nullopt, "bell.fill"},
                      IconCase{"Sent to Slack", std::nullopt, "bubble.left.and.bubble.right.fill"},
                      IconCase{"Sounds off", std::nullopt, "speaker.slash.fill"},
                      IconCase{"Grab a coffee", std::nullopt, "speaker.slash.fill"},
                      IconCase{"Copied the Slack link", std::nullopt, "doc.on.doc.fill"},
                      IconCase{"Quick Capture.md", std::nullopt, "speaker.wave.2.fill"},
                      IconCase{"Copied", "checkmark.circle.fill", "checkmark.circle.fill"},
                      IconCase{"", std::string(), ""}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

TEST(HUDViewTest, SitsCentredEightyAboveTheVisibleBottom)
{
    EXPECT_EQ(HUDView::panelOrigin(Rect(0, 0, 1440, 875), {240, 50}), (Point{600, 80}));
    EXPECT_EQ(HUDView::panelOrigin(Rect(1440, 30, 1920, 1050), {460, 64}), (Point{2170, 110}));
}

// The panel's cycle on the manual loop: shown at once, 1.5 s later a 0.4 s
// fade, then ordered out; each show takes a new generation.
class HUDPanelTest : public ::testing::Test {
protected:
    HUDPanelTest()
    {
        auto made = std::make_unique<SimHUDWindow>(loop);
        window = made.get();
        panel = std::make_unique<HUDPanel>(loop, screens, std::move(made));
    }

    SimClock clock{0};
    SimMainLoop loop{clock};
    SimScreens screens;
    SimHUDWindow* window = nullptr;
    std::unique_ptr<HUDPanel> panel;
};

TEST_F(HUDPanelTest, StartsInvisibleThenShowsFadesAndOrdersOut)
{
    EXPECT_DOUBLE_EQ(window->alpha(), 0);
    EXPECT_FALSE(window->isShowing());

    panel->show("Copied", std::nullopt);
    EXPECT_EQ(panel->displayGeneration(), 1);
    ASSERT_TRUE(window->content());
    EXPECT_EQ(window->content()->resolvedImageName(), "doc.on.doc.fill");
    EXPECT_EQ(window->frame(), Rect(600, 80, 240, 50));
    EXPECT_TRUE(window->isShowing());
    EXPECT_DOUBLE_EQ(window->alpha(), 1);

    loop.advance(1.49);
    EXPECT_TRUE(window->animations().empty());
    loop.advance(0.01);
    ASSERT_EQ(window->animations().size(), 1u);
    EXPECT_DOUBLE_EQ(window->animations()[0].target, 0);
    EXPECT_DOUBLE_EQ(window->animations()[0].seconds, 0.4);
    EXPECT_TRUE(window->isVisible());
    loop.advance(0.4);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->orderOutCount(), 1);
}

TEST_F(HUDPanelTest, ANewerMessageReplacesTheOlderAndRestartsTheTimeOut)
{
    panel->show("first", std::nullopt);
    loop.advance(1.0);
    panel->show("Sent to Slack", "bubble.left.and.bubble.right.fill");
    EXPECT_EQ(window->content()->message, "Sent to Slack");

    // The first message's timer would have fired at 1.5 s: nothing happens.
    loop.advance(1.49);
    EXPECT_TRUE(window->animations().empty());
    EXPECT_TRUE(window->isShowing());
    loop.advance(0.01);
    EXPECT_EQ(window->animations().size(), 1u);
    loop.advance(0.4);
    EXPECT_FALSE(window->isVisible());
}

TEST_F(HUDPanelTest, AMessageShownDuringTheFadeStaysUp)
{
    panel->show("first", std::nullopt);
    loop.advance(1.5 + 0.2);  // half-way through the fade
    ASSERT_EQ(window->animations().size(), 1u);
    panel->show("second", std::nullopt);
    EXPECT_DOUBLE_EQ(window->alpha(), 1);
    loop.advance(0.2);  // the first fade's end: it finds a newer generation
    EXPECT_TRUE(window->isShowing());
    EXPECT_DOUBLE_EQ(window->alpha(), 1);
    EXPECT_EQ(window->orderOutCount(), 0);
    loop.advance(1.3 + 0.4);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->orderOutCount(), 1);
}

TEST_F(HUDPanelTest, PlacesOnTheMainScreenAndStaysPutWithoutOne)
{
    screens.setScreens({Screen{Rect(0, 0, 1440, 900), Rect(0, 0, 1440, 875)},
                        Screen{Rect(1440, 0, 1920, 1080), Rect(1440, 30, 1920, 1050)}});
    screens.setMainScreenIndex(1);
    const std::string longMessage(60, 'x');
    panel->show(longMessage, std::nullopt);
    EXPECT_EQ(window->frame(), Rect(2170, 110, 460, 64));

    screens.setScreens({});
    panel->show("short", std::nullopt);
    EXPECT_EQ(window->frame(), Rect(2170, 110, 240, 50));
}

TEST_F(HUDPanelTest, APanelThatIsGoneIsNeverTouched)
{
    // Its time-out goes with it.
    panel->show("first", std::nullopt);
    EXPECT_EQ(loop.pendingCount(), 1u);
    panel.reset();
    EXPECT_EQ(loop.pendingCount(), 0u);

    // A fade that ends after the panel and its window went does nothing
    // (the sanitizer builds would see a touch of either).
    auto made = std::make_unique<SimHUDWindow>(loop);
    panel = std::make_unique<HUDPanel>(loop, screens, std::move(made));
    panel->show("second", std::nullopt);
    loop.advance(1.6);
    panel.reset();
    loop.advance(1.0);
    EXPECT_EQ(loop.pendingCount(), 0u);
}

}  // namespace
}  // namespace qm
