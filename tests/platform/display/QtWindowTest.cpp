#include "platform/linux/display/QtWindow.h"

#include <string>
#include <thread>
#include <vector>

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QWidget>
#include <gtest/gtest.h>

#include "platform/linux/display/QtApplicationWindows.h"
#include "platform/linux/display/QtMouse.h"
#include "platform/linux/display/QtMouseDownMonitor.h"
#include "platform/linux/display/QtScreenGeometry.h"
#include "platform/linux/display/QtScreens.h"
#include "platform/notifications/NotificationCenter.h"
#include "support/QtTestApplication.h"

#include <QTest>

namespace qm {
namespace {

class RefusesToClose final : public QWidget {
protected:
    void closeEvent(QCloseEvent* event) override { event->ignore(); }
};

class QtWindowTest : public ::testing::Test {
protected:
    QtWindowTest()
    {
        for (const auto name : {Window::didBecomeKeyNotification, Window::didResignKeyNotification,
                                Window::willCloseNotification}) {
            center.addObserver(std::string(name), nullptr, [this](const Notification& notification) {
                heard.push_back({notification.name, notification.object});
            });
        }
    }

    struct Heard {
        std::string name;
        const void* object;
        friend bool operator==(const Heard&, const Heard&) = default;
    };

    QApplication& application = test::qtApplication();
    NotificationCenter center;
    QtApplicationWindows windows;
    std::vector<Heard> heard;
};

TEST_F(QtWindowTest, PostsKeyAndCloseNotificationsWithTheWidgetAsObject)
{
    QWidget first;
    QWidget second;
    QtWindow firstWindow(first, center);
    QtWindow secondWindow(second, center);
    EXPECT_EQ(firstWindow.identity(), &first);

    first.show();
    first.activateWindow();
    ASSERT_TRUE(test::pumpQtUntil([&] { return firstWindow.isKeyWindow(); }));
    EXPECT_EQ(windows.keyWindow(), &first);
    second.show();
    second.activateWindow();
    ASSERT_TRUE(test::pumpQtUntil([&] { return secondWindow.isKeyWindow(); }));
    EXPECT_FALSE(firstWindow.isKeyWindow());
    EXPECT_EQ(windows.keyWindow(), &second);
    second.close();
    test::pumpQtFor(std::chrono::milliseconds(20));

    const std::string become(Window::didBecomeKeyNotification);
    const std::string resign(Window::didResignKeyNotification);
    const std::string close(Window::willCloseNotification);
    ASSERT_GE(heard.size(), 4u);
    EXPECT_EQ(heard[0], (Heard{become, &first}));
    EXPECT_NE(std::find(heard.begin(), heard.end(), Heard{resign, &first}), heard.end());
    EXPECT_NE(std::find(heard.begin(), heard.end(), Heard{become, &second}), heard.end());
    EXPECT_EQ(std::count(heard.begin(), heard.end(), Heard{close, &second}), 1);
    EXPECT_EQ(std::count(heard.begin(), heard.end(), Heard{close, &first}), 0);
}

TEST_F(QtWindowTest, ARefusedCloseIsNoCloseAndDestructionIsOne)
{
    auto* widget = new RefusesToClose;
    QtWindow window(*widget, center);
    widget->show();
    widget->close();
    EXPECT_TRUE(widget->isVisible());
    EXPECT_TRUE(std::none_of(heard.begin(), heard.end(),
                             [](const Heard& h) { return h.name == Window::willCloseNotification; }));
    delete widget;
    EXPECT_EQ(std::count_if(heard.begin(), heard.end(),
                            [&](const Heard& h) {
                                return h.name == Window::willCloseNotification && h.object == widget;
                            }),
              1);
    EXPECT_FALSE(window.isKeyWindow());
}

TEST_F(QtWindowTest, MouseMonitorsTellThisProgramsClicksFromOtherApplications)
{
    QWidget own;
    own.setGeometry(100, 100, 200, 100);
    QWidget foreign;
    foreign.setGeometry(400, 100, 200, 100);
    QtMouseDownMonitor::markForeignWindow(foreign);
    own.show();
    foreign.show();
    std::vector<QtMouseDownMonitor::Event> local;
    std::vector<QtMouseDownMonitor::Event> global;
    {
        QtMouseDownMonitor localMonitor(QtMouseDownMonitor::Scope::local,
                                        [&](const QtMouseDownMonitor::Event& e) { local.push_back(e); });
        QtMouseDownMonitor globalMonitor(QtMouseDownMonitor::Scope::global,
                                         [&](const QtMouseDownMonitor::Event& e) { global.push_back(e); });
        QTest::mouseClick(&own, Qt::LeftButton, {}, QPoint(10, 20));
        QTest::mouseClick(&foreign, Qt::RightButton, {}, QPoint(5, 5));
        QTest::mouseClick(&own, Qt::MiddleButton, {}, QPoint(10, 20));
    }
    QTest::mouseClick(&own, Qt::LeftButton, {}, QPoint(10, 20));  // monitors gone

    ASSERT_EQ(local.size(), 1u);
    EXPECT_EQ(local[0].window, &own);
    EXPECT_FALSE(local[0].rightButton);
    EXPECT_EQ(local[0].location, QtScreenGeometry::toScreen(QPointF(own.mapToGlobal(QPoint(10, 20)))));
    ASSERT_EQ(global.size(), 1u);
    EXPECT_EQ(global[0].window, &foreign);
    EXPECT_TRUE(global[0].rightButton);
}

TEST_F(QtWindowTest, ThePointerIsInScreenCoordinatesOnEveryThread)
{
    QtMouse mouse;
    QCursor::setPos(QPoint(30, 40));
    const Point expected = QtScreenGeometry::toScreen(QPointF(QCursor::pos()));
    EXPECT_EQ(mouse.location(), expected);
    Point fromThread;
    std::thread other([&] { fromThread = mouse.location(); });
    other.join();
    EXPECT_EQ(fromThread, expected);
}

TEST_F(QtWindowTest, ScreensArePlatformScreensWithThePrimaryAtTheOrigin)
{
    QtScreens screens;
    const auto all = screens.screens();
    ASSERT_FALSE(all.empty());
    EXPECT_EQ(all.front().frame.origin, (Point{0, 0}));
    ASSERT_TRUE(screens.mainScreen());
    const QRectF primary = QtScreenGeometry::primaryGeometry();
    EXPECT_EQ(all.front().frame.size, (Size{primary.width(), primary.height()}));
    // Qt's top-left coordinates and the platform's bottom-left ones, both ways.
    const Rect onScreen = QtScreenGeometry::toScreen(QRectF(10, 20, 30, 40));
    EXPECT_EQ(onScreen, Rect(10, primary.height() - 60, 30, 40));
    EXPECT_EQ(QtScreenGeometry::fromScreen(onScreen), QRectF(10, 20, 30, 40));
    EXPECT_EQ(QtScreenGeometry::toAccessibility(QRectF(-50, -20, 30, 40)), Rect(-50, -20, 30, 40));
    // Other threads get the last answer taken on the GUI thread.
    std::vector<Screen> fromThread;
    std::thread other([&] { fromThread = screens.screens(); });
    other.join();
    EXPECT_EQ(fromThread, all);
}

}  // namespace
}  // namespace qm
