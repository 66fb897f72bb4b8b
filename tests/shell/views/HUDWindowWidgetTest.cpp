#include "shell/views/HUDWindowWidget.h"

#include <memory>

#include <QApplication>
#include <QWidget>
#include <gtest/gtest.h>

#include "platform/linux/display/QtPanelStyle.h"
#include "platform/linux/display/QtScreens.h"
#include "platform/sim/runtime/SimClock.h"
#include "platform/sim/runtime/SimMainLoop.h"
#include "shell/HUDPanel.h"
#include "support/QtTestApplication.h"

namespace qm {
namespace {

// The HUD's real window on the offscreen platform, its timing on the manual loop.
class HUDWindowWidgetTest : public ::testing::Test {
protected:
    HUDWindowWidgetTest()
    {
        auto made = std::make_unique<HUDWindowWidget>(loop);
        window = made.get();
        panel = std::make_unique<HUDPanel>(loop, screens, std::move(made));
    }

    static void settle() { QApplication::processEvents(); }

    QApplication& application = test::qtApplication();
    SimClock clock{0};
    SimMainLoop loop{clock};
    QtScreens screens;
    HUDWindowWidget* window = nullptr;
    std::unique_ptr<HUDPanel> panel;
};

TEST_F(HUDWindowWidgetTest, ShowsAboveTheBottomCentreWithoutTakingTheFocusOrClicks)
{
    QWidget editor;
    editor.setGeometry(50, 50, 300, 200);
    editor.show();
    editor.activateWindow();
    ASSERT_TRUE(test::pumpQtUntil([&] { return editor.isActiveWindow(); }));
    EXPECT_FALSE(window->isVisible());
    EXPECT_DOUBLE_EQ(window->alpha(), 0);

    panel->show("Copied to clipboard", std::nullopt);
    settle();
    EXPECT_TRUE(window->isVisible());
    EXPECT_DOUBLE_EQ(window->alpha(), 1);
    ASSERT_TRUE(screens.mainScreen());
    const Rect visible = screens.mainScreen()->visibleFrame;
    EXPECT_EQ(window->frame(), Rect(visible.x() + visible.width() / 2 - 120, visible.y() + 80, 240, 50));
    EXPECT_EQ(window->content().resolvedImageName(), "doc.on.doc.fill");

    test::pumpQtFor(std::chrono::milliseconds(30));
    EXPECT_TRUE(editor.isActiveWindow());
    EXPECT_EQ(QApplication::activeWindow(), &editor);
    EXPECT_TRUE(QtPanelStyle::ignoresMouseEvents(*window));
    EXPECT_TRUE(window->windowFlags().testFlag(Qt::WindowTransparentForInput));
    EXPECT_TRUE(window->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
}

TEST_F(HUDWindowWidgetTest, FadesOutAfterItsTimeAndANewMessageDuringTheFadeStays)
{
    panel->show("first", std::nullopt);
    loop.advance(1.5 + 0.2);
    panel->show("second message", std::nullopt);
    EXPECT_DOUBLE_EQ(window->alpha(), 1);
    loop.advance(0.2);  // the first fade's end
    settle();
    EXPECT_TRUE(window->isVisible());
    EXPECT_DOUBLE_EQ(window->alpha(), 1);

    loop.advance(1.3);
    settle();
    EXPECT_TRUE(window->isVisible());
    loop.advance(0.4);
    settle();
    EXPECT_FALSE(window->isVisible());
    EXPECT_DOUBLE_EQ(window->alpha(), 0);
}

}  // namespace
}  // namespace qm
