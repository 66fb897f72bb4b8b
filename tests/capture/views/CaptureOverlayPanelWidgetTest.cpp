#include "capture/views/CaptureOverlayPanelWidget.h"

#include <memory>

#include <QTest>
#include <gtest/gtest.h>

#include "capture/CaptureOverlayGeometry.h"
#include "capture/views/CaptureOverlayView.h"
#include "capture/views/CaptureTextEdit.h"
#include "capture/views/OverlayRig.h"
#include "platform/linux/display/QtApplicationWindows.h"
#include "platform/linux/display/QtMouseDownMonitor.h"
#include "platform/linux/display/QtScreens.h"
#include "shell/OwnWindowKeyboardGuard.h"

namespace qm::test {
namespace {

// The overlay's window on the offscreen Qt platform, on the router of a real
// capture, with the manual loop's clock for its fades and grace period.
class CaptureOverlayPanelWidgetTest : public OverlayRig {
protected:
    CaptureOverlayPanelWidgetTest()
        : guard(loop, center, windows), panel(std::make_unique<CaptureOverlayPanelWidget>(
                                            loop, clock, *router, center, screens, defaults, guard))
    {
    }

    ~CaptureOverlayPanelWidgetTest() override { panel.reset(); }

    void showFor(const std::shared_ptr<CaptureTarget>& target, const Rect& caret)
    {
        openDirectly(target);
        panel->update(target->commandName());
        panel->show(caret);
        settle();
    }

    // A click at a point of `widget`, delivered through Qt.
    static void click(QWidget& widget, QPoint at) { QTest::mouseClick(&widget, Qt::LeftButton, {}, at); }

    QtScreens screens;
    QtApplicationWindows windows;
    OwnWindowKeyboardGuard guard;
    std::unique_ptr<CaptureOverlayPanelWidget> panel;
};

TEST_F(CaptureOverlayPanelWidgetTest, ShowsAtTheCaretFadesInAndTakesTheKeyboard)
{
    EXPECT_EQ(guard.registeredCount(), 1u);
    EXPECT_FALSE(panel->isVisible());
    const Rect caret(200, 150, 2, 18);
    showFor(note, caret);

    const auto shown = screens.screens();
    ASSERT_FALSE(shown.empty());
    const Rect caretOnScreen = CaptureOverlayGeometry::caretOnScreen(caret, shown);
    EXPECT_EQ(panel->currentCaretRect(), caretOnScreen);
    const Rect frame = panel->screenFrame();
    EXPECT_EQ(frame.width(), 340);
    EXPECT_GE(frame.height(), 100);
    EXPECT_DOUBLE_EQ(frame.x(), caretOnScreen.x() + 1 - 170);
    // The top edge 8 points below the caret's bottom edge.
    EXPECT_DOUBLE_EQ(frame.maxY(), caretOnScreen.y() - 8);
    EXPECT_TRUE(panel->isVisible());

    // Fading in: on its way to 1, there once the fade's time is up.
    EXPECT_DOUBLE_EQ(panel->alpha(), 1.0);
    EXPECT_LT(panel->windowOpacity(), 1.0);
    loop.advance(CaptureOverlayPanelWidget::fadeInDuration);
    settle();
    EXPECT_DOUBLE_EQ(panel->windowOpacity(), 1.0);

    ASSERT_TRUE(pumpQtUntil([&] {
        loop.runUntilIdle();
        return panel->isActiveWindow();
    }));
    EXPECT_TRUE(guard.isOwnEditableWindowKey());
    ASSERT_TRUE(pumpQtUntil([&] {
        loop.runUntilIdle();
        return panel->view().messageField().hasFocus();
    }));
}

TEST_F(CaptureOverlayPanelWidgetTest, AShowRightAfterAHideKeepsThePanelUp)
{
    showFor(note, Rect(200, 150, 2, 18));
    loop.advance(CaptureOverlayPanelWidget::fadeInDuration);

    panel->hide();
    loop.advance(0.05);
    panel->show(Rect(220, 160, 2, 18));
    loop.advance(CaptureOverlayPanelWidget::fadeOutDuration + 0.2);
    settle();
    EXPECT_TRUE(panel->isVisible());
    EXPECT_DOUBLE_EQ(panel->windowOpacity(), 1.0);

    panel->hide();
    settle();
    EXPECT_TRUE(panel->isVisible());  // fading
    loop.advance(CaptureOverlayPanelWidget::fadeOutDuration);
    settle();
    EXPECT_FALSE(panel->isVisible());
    EXPECT_DOUBLE_EQ(panel->windowOpacity(), 0.0);
    // Once invisible, the next hide orders out at once.
    panel->hide();
    EXPECT_FALSE(panel->isVisible());
}

TEST_F(CaptureOverlayPanelWidgetTest, RefitsToItsContentKeepingItsPlaceUnderTheCaret)
{
    showFor(calc, Rect(200, 150, 2, 18));
    const Rect before = panel->screenFrame();
    QTest::keyClicks(&panel->view().messageField(), "6*7");
    settle();
    ASSERT_TRUE(router->calcLivePreviewText());
    const Rect after = panel->screenFrame();
    EXPECT_GT(after.height(), before.height());
    EXPECT_DOUBLE_EQ(after.maxY(), before.maxY());
    EXPECT_DOUBLE_EQ(after.x(), before.x());
}

TEST_F(CaptureOverlayPanelWidgetTest, EscInThePanelCancelsTheCapture)
{
    // No message field: the configuration error alone.
    showFor(obsidian, Rect(200, 150, 2, 18));
    ASSERT_TRUE(panel->view().model().configErrorMessage);
    ASSERT_TRUE(router->isCaptureModeActive());
    QTest::keyClick(panel.get(), Qt::Key_Escape);
    settle();
    EXPECT_FALSE(router->isCaptureModeActive());
}

TEST_F(CaptureOverlayPanelWidgetTest, OutsideClicksCancelOnlyAfterTheGraceAndOnlyOutside)
{
    QWidget otherApplication;
    QtMouseDownMonitor::markForeignWindow(otherApplication);
    otherApplication.setGeometry(600, 400, 100, 100);
    otherApplication.show();
    QWidget ownWindow;
    ownWindow.setGeometry(650, 450, 100, 100);
    ownWindow.show();

    showFor(note, Rect(200, 150, 2, 18));
    loop.advance(CaptureOverlayPanelWidget::fadeInDuration);

    // Within the first 0.35 s (0.15 of them gone): nothing cancels.
    click(otherApplication, QPoint(10, 10));
    settle();
    EXPECT_TRUE(router->isCaptureModeActive());

    loop.advance(0.25);
    click(*panel, QPoint(20, 20));
    click(panel->view().messageField(), QPoint(5, 5));
    settle();
    EXPECT_TRUE(router->isCaptureModeActive());

    click(ownWindow, QPoint(10, 10));
    settle();
    EXPECT_FALSE(router->isCaptureModeActive());

    // Another application's click, after the grace, cancels too.
    showFor(note, Rect(200, 150, 2, 18));
    loop.advance(0.4);
    click(otherApplication, QPoint(10, 10));
    EXPECT_TRUE(router->isCaptureModeActive());  // cancelled on the next turn
    settle();
    EXPECT_FALSE(router->isCaptureModeActive());
}

TEST_F(CaptureOverlayPanelWidgetTest, APanelThatIsGoneLeavesNothingBehind)
{
    showFor(note, Rect(200, 150, 2, 18));
    panel->hide();
    panel.reset();
    EXPECT_EQ(guard.registeredCount(), 0u);
    EXPECT_FALSE(guard.isOwnEditableWindowKey());
    // Its fade end, re-focus and size observer find it gone.
    loop.advance(1.0);
    center.post("UpdateCapturePanelSize");
    settle();
    EXPECT_EQ(center.observerCount("UpdateCapturePanelSize"), 0u);
}

}  // namespace
}  // namespace qm::test
