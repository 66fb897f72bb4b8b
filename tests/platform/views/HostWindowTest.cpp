#include "platform/sim/views/HostWindow.h"

#include <memory>
#include <string>

#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>

#include "platform/accessibility/AXAttribute.h"
#include "platform/accessibility/AXValue.h"
#include "platform/keyboard/KeyCode.h"
#include "platform/linux/display/QtMouseDownMonitor.h"
#include "platform/linux/display/QtScreenGeometry.h"
#include "platform/linux/runtime/QtMainLoop.h"
#include "platform/sim/accessibility/SimTextLayout.h"
#include "platform/sim/desktop/StandInDesktop.h"
#include "platform/sim/views/HostTextFieldWidget.h"
#include "support/QtTestApplication.h"

namespace qm {
namespace {

// A host window of the stand-in desktop on Qt's main loop: what a person types
// goes through the desktop's taps to the stand-in field the window shows.
class HostWindowTest : public ::testing::Test {
protected:
    HostWindowTest()
    {
        host = std::make_unique<HostWindow>(desktop, HostWindow::Spec{.value = "buy milk "});
        host->setGeometry(120, 140, 460, 120);
        host->show();
        host->activateWindow();
        EXPECT_TRUE(
            test::pumpQtUntil([&] { return host->isActiveWindow() && host->application().isFrontmost(); }));
        host->fieldWidget().setFocus();
        EXPECT_TRUE(test::pumpQtUntil([&] { return host->fieldWidget().hasFocus(); }));
    }

    ~HostWindowTest() override
    {
        tap.reset();
        host.reset();
    }

    QtMainLoop& loop() { return *loop_; }

    QApplication& application = test::qtApplication();
    std::unique_ptr<QtMainLoop> loop_ = std::make_unique<QtMainLoop>();
    StandInDesktop desktop{*loop_};
    std::unique_ptr<HostWindow> host;
    std::shared_ptr<EventTap> tap;
};

TEST_F(HostWindowTest, TypedKeysPassTheTapsBeforeTheFieldSeesThem)
{
    std::vector<std::string> seen;
    tap = desktop.eventTaps().createTap(EventTap::Location::session, EventTap::Placement::headInsert,
                                        EventTap::Options::defaultTap, eventMaskBit(KeyEventType::keyDown),
                                        [&](const KeyEvent& event) -> std::optional<KeyEvent> {
                                            seen.push_back(event.text());
                                            // The field must not see what the tap saw first and swallowed.
                                            if (event.text() == "x") {
                                                EXPECT_EQ(host->field().value(), "buy milk Ab");
                                                return std::nullopt;
                                            }
                                            return event;
                                        });
    QTest::keyClicks(&host->fieldWidget(), "Abx!");
    EXPECT_EQ(seen, (std::vector<std::string>{"A", "b", "x", "!"}));
    EXPECT_EQ(host->field().value(), "buy milk Ab!");
    QTest::keyClick(&host->fieldWidget(), Qt::Key_Backspace);
    QTest::keyClick(&host->fieldWidget(), Qt::Key_Left);
    EXPECT_EQ(host->field().value(), "buy milk Ab");
    EXPECT_EQ(host->field().selectedRange(), (AXTextRange{10, 0}));
    // Ctrl-A is the platform's Command-A: select all.
    QTest::keyClick(&host->fieldWidget(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(host->field().selectedRange(), (AXTextRange{0, 11}));
}

TEST_F(HostWindowTest, OurSyntheticKeysReachTheFieldInOrder)
{
    for (int i = 0; i < 3; ++i) {
        KeyEvent press =
            KeyEvent::keyboardEvent(KeyEventSourceState::hidSystemState, KeyCode::deleteKey, true);
        desktop.syntheticEvents().post(EventTap::Location::hid, press);
        KeyEvent release = press;
        release.setType(KeyEventType::keyUp);
        desktop.syntheticEvents().post(EventTap::Location::hid, release);
    }
    KeyEvent text = KeyEvent::keyboardEvent(KeyEventSourceState::hidSystemState, KeyCode::a, true);
    text.setUnicodeString(u"eggs \u00E9");
    desktop.syntheticEvents().post(EventTap::Location::hid, text);
    EXPECT_EQ(host->field().value(), "buy mieggs \u00E9");
    // The window draws the change on the next turn of the main loop.
    EXPECT_TRUE(test::pumpQtUntil([&] { return loop().pendingCount() == 0; }));
}

TEST_F(HostWindowTest, TheFieldsFrameAndCaretAreWhereTheWindowDrawsThem)
{
    QApplication::processEvents();
    const HostTextFieldWidget& widget = host->fieldWidget();
    const QPoint topLeft = widget.mapToGlobal(QPoint(0, 0));
    EXPECT_EQ(host->field().frame(),
              QtScreenGeometry::toAccessibility(QRectF(QPointF(topLeft), QSizeF(widget.size()))));

    // Accessibility's caret bounds: nine characters in, from the window's place on screen.
    AXValue range = AXValue::range(AXTextRange{9, 0});
    AXValue bounds;
    ASSERT_EQ(
        host->field().axElement().copyParameterizedAttributeValue(AXAttribute::boundsForRange, range, bounds),
        AXError::success);
    const auto caret = bounds.asRect();
    ASSERT_TRUE(caret);
    EXPECT_DOUBLE_EQ(caret->x(), topLeft.x() + SimTextLayout::insetX + 9 * SimTextLayout::advance);
    EXPECT_DOUBLE_EQ(caret->y(), topLeft.y() + SimTextLayout::insetY);

    host->move(200, 260);
    QApplication::processEvents();
    EXPECT_EQ(
        host->field().frame().origin,
        QtScreenGeometry::toAccessibility(QRectF(widget.mapToGlobal(QPoint(0, 0)), QSizeF(1, 1))).origin);

    // A click puts the caret under the pointer.
    QTest::mouseClick(&host->fieldWidget(), Qt::LeftButton, {},
                      QPoint(static_cast<int>(SimTextLayout::insetX + 3 * SimTextLayout::advance + 1), 10));
    EXPECT_EQ(host->field().selectedRange(), (AXTextRange{3, 0}));
    EXPECT_TRUE(QtMouseDownMonitor::isForeignWindow(*host));
}

TEST_F(HostWindowTest, ActivationFollowsTheDesktopBothWays)
{
    SimApplication other = desktop.addApplication("com.example.other", "Other");
    other.activate();
    EXPECT_TRUE(test::pumpQtUntil([&] { return !host->application().isFrontmost(); }));
    // The desktop gives the host application the keyboard back: Qt follows.
    QWidget elsewhere;
    elsewhere.show();
    elsewhere.activateWindow();
    ASSERT_TRUE(test::pumpQtUntil([&] { return elsewhere.isActiveWindow(); }));
    host->application().activate();
    EXPECT_TRUE(test::pumpQtUntil([&] { return host->isActiveWindow(); }));
    // And Qt activating the window activates the application.
    other.activate();
    ASSERT_TRUE(test::pumpQtUntil([&] { return other.isFrontmost(); }));
    elsewhere.activateWindow();
    ASSERT_TRUE(test::pumpQtUntil([&] { return elsewhere.isActiveWindow(); }));
    host->activateWindow();
    EXPECT_TRUE(test::pumpQtUntil([&] { return host->application().isFrontmost(); }));
}

}  // namespace
}  // namespace qm
