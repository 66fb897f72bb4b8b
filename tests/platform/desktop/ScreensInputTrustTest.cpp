#include <vector>

#include <gtest/gtest.h>

#include "platform/accessibility/AXAttribute.h"
#include "platform/desktop/DesktopFixture.h"
#include "platform/display/ScreenCoordinates.h"

namespace qm::test {
namespace {

using ScreensInputTrustTest = DesktopFixture;

TEST_F(ScreensInputTrustTest, DefaultScreenHasAMenuBarAndScreensCanChange)
{
    const auto screens = desktop.screens().screens();
    ASSERT_EQ(screens.size(), 1u);
    EXPECT_EQ(screens[0].frame, Rect(0, 0, 1440, 900));
    EXPECT_EQ(screens[0].visibleFrame, Rect(0, 0, 1440, 875));
    EXPECT_EQ(desktop.screens().mainScreen(), screens[0]);

    const Screen right{Rect(1440, 0, 1920, 1080), Rect(1440, 0, 1920, 1080)};
    desktop.screens().setScreens({screens[0], right});
    desktop.screens().setMainScreenIndex(1);
    EXPECT_EQ(desktop.screens().mainScreen(), right);
    desktop.screens().setScreens({});
    EXPECT_FALSE(desktop.screens().mainScreen());
    EXPECT_TRUE(desktop.screens().screens().empty());
}

struct FlipCase {
    Rect accessibility;
    double primaryHeight;
    Rect screen;
};

TEST_F(ScreensInputTrustTest, AccessibilityAndScreenCoordinatesConvertBothWays)
{
    const std::vector<FlipCase> cases{
        {Rect(100, 200, 10, 20), 900, Rect(100, 680, 10, 20)},
        {Rect(0, 0, 1440, 900), 900, Rect(0, 0, 1440, 900)},
        {Rect(5, 880, 10, 20), 900, Rect(5, 0, 10, 20)},             // at the bottom edge
        {Rect(1500, -100, 10, 20), 1080, Rect(1500, 1160, 10, 20)},  // on a screen above the primary
    };
    for (const FlipCase& c : cases) {
        EXPECT_EQ(ScreenCoordinates::accessibilityToScreen(c.accessibility, c.primaryHeight), c.screen);
        EXPECT_EQ(ScreenCoordinates::screenToAccessibility(c.screen, c.primaryHeight), c.accessibility);
    }
    EXPECT_EQ(ScreenCoordinates::accessibilityToScreen(Point{30, 100}, 900), (Point{30, 800}));
    EXPECT_EQ(ScreenCoordinates::screenToAccessibility(Point{30, 800}, 900), (Point{30, 100}));
}

TEST_F(ScreensInputTrustTest, CaretOfAFieldLiesOnTheScreenThatShowsIt)
{
    // Fields are placed in Accessibility coordinates; their caret, flipped, is on screen.
    AXValue bounds;
    ASSERT_EQ(line.axElement().copyParameterizedAttributeValue(AXAttribute::boundsForRange,
                                                               AXValue::range({0, 0}), bounds),
              AXError::success);
    const Rect flipped = ScreenCoordinates::accessibilityToScreen(*bounds.asRect(), 900);
    EXPECT_TRUE(flipped.intersects(desktop.screens().screens()[0].frame));
    EXPECT_GT(flipped.y(), 900 - 130);  // a field near the top is high on the screen
}

TEST_F(ScreensInputTrustTest, MouseReportsWhereItWasMoved)
{
    EXPECT_EQ(desktop.mouse().location(), (Point{720, 450}));
    desktop.mouse().moveTo({10, 20});
    EXPECT_EQ(desktop.mouse().location(), (Point{10, 20}));
}

TEST_F(ScreensInputTrustTest, SecureInputIsOnInAFocusedPasswordFieldOrWhenRequested)
{
    SimTextField password = addField(SimTextKind::secure, 300);
    EXPECT_FALSE(desktop.secureInput().isSecureEventInputEnabled());
    password.focus();
    EXPECT_TRUE(desktop.secureInput().isSecureEventInputEnabled());

    SimApplication other = desktop.addApplication("com.example.other", "Other");
    other.activate();  // the password field is no longer in front
    EXPECT_FALSE(desktop.secureInput().isSecureEventInputEnabled());

    desktop.secureInput().setRequested(true);  // a terminal's secure keyboard entry
    EXPECT_TRUE(desktop.secureInput().isSecureEventInputEnabled());
    desktop.secureInput().setRequested(false);
    editor.activate();
    line.focus();
    EXPECT_FALSE(desktop.secureInput().isSecureEventInputEnabled());
}

TEST_F(ScreensInputTrustTest, TrustPromptShowsOnlyWhenAskedAndAGrantCountsFromTheNextCheck)
{
    AccessibilityTrust& trust = desktop.trust();
    EXPECT_TRUE(trust.isProcessTrusted());
    EXPECT_TRUE(trust.isProcessTrustedWithOptions(true));
    EXPECT_EQ(desktop.trust().promptCount(), 0);  // trusted: no prompt

    desktop.trust().setTrusted(false);
    EXPECT_FALSE(trust.isProcessTrustedWithOptions(false));
    EXPECT_EQ(desktop.trust().promptCount(), 0);
    EXPECT_FALSE(trust.isProcessTrustedWithOptions(true));  // unanswered prompt
    EXPECT_EQ(desktop.trust().promptCount(), 1);
    EXPECT_FALSE(trust.isProcessTrusted());

    desktop.trust().setPromptAnswer(false);
    EXPECT_FALSE(trust.isProcessTrustedWithOptions(true));
    EXPECT_FALSE(trust.isProcessTrusted());

    desktop.trust().setPromptAnswer(true);
    EXPECT_FALSE(trust.isProcessTrustedWithOptions(true));  // the state when asked
    EXPECT_TRUE(trust.isProcessTrusted());
    EXPECT_EQ(desktop.trust().promptCount(), 3);
}

}  // namespace
}  // namespace qm::test
