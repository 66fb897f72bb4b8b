#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>

#include "app/AppComposition.h"
#include "app/linux/LinuxPlatform.h"
#include "base/FileUtil.h"
#include "capture/CaptureOverlayGeometry.h"
#include "capture/CaptureRouterController.h"
#include "capture/EventTapManager.h"
#include "capture/views/CaptureOverlayPanelWidget.h"
#include "capture/views/CaptureOverlayView.h"
#include "capture/views/CaptureTextEdit.h"
#include "platform/accessibility/AXAttribute.h"
#include "platform/accessibility/AXValue.h"
#include "platform/linux/display/QtApplicationWindows.h"
#include "platform/sim/desktop/StandInDesktop.h"
#include "platform/sim/runtime/SimClock.h"
#include "platform/sim/views/HostTextFieldWidget.h"
#include "platform/sim/views/HostWindow.h"
#include "records/CaptureHistoryStore.h"
#include "shell/HUDPanel.h"
#include "shell/OwnWindowKeyboardGuard.h"
#include "shell/views/HUDWindowWidget.h"
#include "support/QtTestApplication.h"
#include "support/ScopedEnvironment.h"
#include "support/TempDir.h"

namespace qm::test {
namespace {

// The whole program on the stand-in desktop with the Qt backend: Qt's main
// loop, a host window a person could type into, the real event tap, capture
// router, overlay, note target, history, landing and HUD. Keys go in through
// Qt's event system only.
class QtEndToEndCaptureTest : public ::testing::Test {
protected:
    QtEndToEndCaptureTest()
    {
        manager.setDelegate(nullptr);
        manager.start();
        EXPECT_TRUE(pumpQtUntil([&] { return manager.eventTap() != nullptr; }));

        host.setGeometry(150, 180, 460, 100);
        host.show();
        host.activateWindow();
        EXPECT_TRUE(pumpQtUntil([&] { return host.isActiveWindow() && host.application().isFrontmost(); }));
        host.fieldWidget().setFocus();
        EXPECT_TRUE(pumpQtUntil([&] { return host.fieldWidget().hasFocus(); }));
    }

    ~QtEndToEndCaptureTest() override
    {
        manager.stop();
        pumpQtFor(std::chrono::milliseconds(10));
    }

    AppComposition::Options options()
    {
        AppComposition::Options made;
        made.showHUD = [this](const std::string& message, const std::optional<std::string>& image) {
            hud.show(message, image);
        };
        made.makeOverlayPanel = [this](CaptureRouterController& router) {
            auto made = std::make_shared<CaptureOverlayPanelWidget>(
                platform.loop, platform.clock, router, platform.notificationCenter, platform.screens,
                platform.defaults, guard);
            panel = made.get();
            return made;
        };
        made.backgroundThreads = 2;
        made.isOwnEditableWindowKey = [this] { return guard.isOwnEditableWindowKey(); };
        return made;
    }

    std::filesystem::path noteFile() const
    {
        return folder / "Documents" / "Quillmarker" / "Quick Capture.md";
    }

    QApplication& application = qtApplication();
    TempDir folder;
    ScopedEnvironment documents{"XDG_DOCUMENTS_DIR", (folder / "Documents").string()};
    SimClock clock;  // the capture's timestamp: 22:13 in the tests' time zone
    LinuxPlatform platform{clock, "", folder / "notification-schedule.json"};
    StandInDesktop& desktop = platform.desktop;
    QtApplicationWindows windows;
    OwnWindowKeyboardGuard guard{platform.loop, platform.notificationCenter, windows};
    HUDPanel hud{platform.loop, platform.screens, std::make_unique<HUDWindowWidget>(platform.loop)};
    CaptureOverlayPanelWidget* panel = nullptr;
    AppComposition app{platform.bundle(folder.path()), options()};
    CaptureRouterController& router = app.captureRouter();
    CaptureHistoryStore& history = app.history();
    EventTapManager& manager = app.eventTapManager();
    HostWindow host{desktop, HostWindow::Spec{.value = "buy milk "}};
};

TEST_F(QtEndToEndCaptureTest, NoteTypedInAHostWindowLandsInTheQuickCaptureFile)
{
    QTest::keyClicks(&host.fieldWidget(), "//note");
    EXPECT_EQ(host.field().value(), "buy milk //note");
    QTest::keyClick(&host.fieldWidget(), Qt::Key_Space);

    // In between: the trigger left the field and the overlay is at the caret, with the keyboard.
    ASSERT_TRUE(pumpQtUntil([&] {
        return router.isCaptureModeActive() && panel && panel->isVisible() && panel->isActiveWindow() &&
               panel->view().messageField().hasFocus();
    }));
    EXPECT_EQ(host.field().value(), "buy milk ");
    EXPECT_TRUE(guard.isOwnEditableWindowKey());
    EXPECT_TRUE(desktop.ownApplication().isFrontmost());

    AXValue range = AXValue::range(host.field().selectedRange());
    AXValue bounds;
    ASSERT_EQ(
        host.field().axElement().copyParameterizedAttributeValue(AXAttribute::boundsForRange, range, bounds),
        AXError::success);
    const Rect caret = CaptureOverlayGeometry::caretOnScreen(*bounds.asRect(), platform.screens.screens());
    const Rect frame = panel->screenFrame();
    EXPECT_EQ(panel->currentCaretRect(), caret);
    EXPECT_DOUBLE_EQ(frame.x(), caret.x() + caret.width() / 2 - 170);
    EXPECT_DOUBLE_EQ(frame.maxY(), caret.y() - 8);
    EXPECT_EQ(panel->view().targetName(), "note");

    // The rest is typed into the overlay, wherever Qt has the keyboard now.
    QWidget* focused = QApplication::focusWidget();
    ASSERT_EQ(focused, &panel->view().messageField());
    QTest::keyClicks(focused, "hello");
    EXPECT_EQ(router.messageInput(), "hello");
    QTest::keyClick(focused, Qt::Key_Return);

    std::error_code error;
    ASSERT_TRUE(pumpQtUntil(
        [&] { return file::readAll(noteFile(), error).value_or("").find("hello") != std::string::npos; }));
    EXPECT_EQ(file::readAll(noteFile(), error), "# Quick Capture\n\n- [22:13] hello\n");
    ASSERT_TRUE(pumpQtUntil([&] { return !history.recentEntries().empty(); }));
    EXPECT_TRUE(history.recentEntries().front().success);

    // The host is as it was before the trigger, and has the keyboard back.
    EXPECT_FALSE(router.isCaptureModeActive());
    EXPECT_EQ(host.field().value(), "buy milk ");
    EXPECT_TRUE(pumpQtUntil([&] { return !panel->isVisible(); }));
    EXPECT_TRUE(pumpQtUntil([&] { return host.application().isFrontmost() && host.isActiveWindow(); }));
    EXPECT_FALSE(guard.isOwnEditableWindowKey());
    EXPECT_EQ(static_cast<HUDWindowWidget&>(hud.window()).content().message, "Quick Capture.md");

    // And types on as before.
    host.fieldWidget().setFocus();
    QTest::keyClicks(&host.fieldWidget(), "x");
    EXPECT_EQ(host.field().value(), "buy milk x");
}

TEST_F(QtEndToEndCaptureTest, EscInTheOverlayCancelsAndLeavesTheHostAlone)
{
    QTest::keyClicks(&host.fieldWidget(), "//note ");
    ASSERT_TRUE(pumpQtUntil([&] { return panel && panel->view().messageField().hasFocus(); }));
    QTest::keyClicks(QApplication::focusWidget(), "never mind");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_FALSE(router.isCaptureModeActive());
    EXPECT_TRUE(pumpQtUntil([&] { return host.isActiveWindow(); }));
    EXPECT_EQ(host.field().value(), "buy milk ");
    EXPECT_FALSE(std::filesystem::exists(noteFile()));
}

}  // namespace
}  // namespace qm::test
