#include "platform/linux/display/QtWindowFade.h"

#include <memory>
#include <vector>

#include <QApplication>
#include <QWidget>
#include <gtest/gtest.h>

#include "platform/sim/runtime/SimClock.h"
#include "platform/sim/runtime/SimMainLoop.h"
#include "support/QtTestApplication.h"

namespace qm {
namespace {

// A plain window faded on the manual loop: the fade's end is the loop's time.
class QtWindowFadeTest : public ::testing::Test {
protected:
    QApplication& application = test::qtApplication();
    SimClock clock{0};
    SimMainLoop loop{clock};
    QWidget window;
    std::vector<int> ended;
};

TEST_F(QtWindowFadeTest, ReachesItsTargetAtTheLoopsTimeAndThenRunsItsCompletion)
{
    QtWindowFade fade(window, loop);
    EXPECT_DOUBLE_EQ(window.windowOpacity(), 0);

    fade.animate(1.0, 0.15, [&] { ended.push_back(1); });
    EXPECT_DOUBLE_EQ(fade.alpha(), 1.0);
    loop.advance(0.1);
    EXPECT_TRUE(ended.empty());
    loop.advance(0.05);
    EXPECT_EQ(ended, std::vector<int>{1});
    EXPECT_DOUBLE_EQ(window.windowOpacity(), 1.0);
}

// A newer fade owns the opacity; the older one only reports its end.
TEST_F(QtWindowFadeTest, ANewerFadeKeepsTheOpacityWhenTheOlderOneEnds)
{
    QtWindowFade fade(window, loop);
    fade.animate(1.0, 0.1, nullptr);
    loop.advance(0.1);
    fade.animate(0.0, 0.2, [&] { ended.push_back(1); });
    loop.advance(0.1);
    fade.animate(1.0, 0.3, [&] { ended.push_back(2); });
    loop.advance(0.1);  // the fade-out's end
    EXPECT_EQ(ended, std::vector<int>{1});
    EXPECT_DOUBLE_EQ(fade.alpha(), 1.0);
    EXPECT_DOUBLE_EQ(window.windowOpacity(), 1.0);
    loop.advance(0.2);
    EXPECT_EQ(ended, (std::vector<int>{1, 2}));
    EXPECT_DOUBLE_EQ(window.windowOpacity(), 1.0);
}

TEST_F(QtWindowFadeTest, SettingTheAlphaStopsARunningFadeButStillRunsItsCompletion)
{
    QtWindowFade fade(window, loop);
    fade.animate(1.0, 0.2, [&] { ended.push_back(1); });
    fade.set(0.4);
    EXPECT_DOUBLE_EQ(fade.alpha(), 0.4);
    EXPECT_NEAR(window.windowOpacity(), 0.4, 0.01);
    loop.advance(0.2);
    EXPECT_EQ(ended, std::vector<int>{1});
    EXPECT_NEAR(window.windowOpacity(), 0.4, 0.01);
}

TEST_F(QtWindowFadeTest, AFadeOutHidesTheWindowAtItsEndUnlessAFadeInCameBetween)
{
    QtWindowFade fade(window, loop);
    window.show();
    fade.fadeIn(0.15);
    loop.advance(0.15);

    fade.fadeOutAndHide(0.1);
    loop.advance(0.05);
    fade.fadeIn(0.15);
    loop.advance(0.1);  // the fade-out's end
    EXPECT_TRUE(window.isVisible());
    EXPECT_DOUBLE_EQ(fade.alpha(), 1.0);

    fade.fadeOutAndHide(0.1);
    loop.advance(0.05);
    EXPECT_TRUE(window.isVisible());
    loop.advance(0.05);
    EXPECT_FALSE(window.isVisible());
    EXPECT_DOUBLE_EQ(window.windowOpacity(), 0.0);
}

TEST_F(QtWindowFadeTest, AWindowThatIsOutAlreadyIsHiddenAtOnceAndAFullOneIsNotFadedInAgain)
{
    QtWindowFade fade(window, loop);
    window.show();
    fade.fadeOutAndHide(0.1);
    EXPECT_FALSE(window.isVisible());

    window.show();
    fade.set(1.0);
    fade.fadeIn(0.15);
    EXPECT_EQ(loop.pendingCount(), 0u);
}

TEST_F(QtWindowFadeTest, AFadeGoneBeforeItsEndRunsNothing)
{
    auto fade = std::make_unique<QtWindowFade>(window, loop);
    fade->animate(1.0, 0.1, [&] { ended.push_back(1); });
    fade.reset();
    loop.advance(0.2);
    EXPECT_TRUE(ended.empty());
}

}  // namespace
}  // namespace qm
