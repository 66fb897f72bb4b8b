// Writes PNG pictures of the capture overlay's states, the HUD and a host
// window into <build folder>/screenshots, to look at after a change:
//   cmake --build --preset ci --target test_screenshots && build/ci/tests/test_screenshots
#include <filesystem>
#include <memory>
#include <string>

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QPixmap>
#include <QTest>
#include <gtest/gtest.h>

#include "capture/views/CaptureOverlayPanelWidget.h"
#include "capture/views/CaptureOverlayView.h"
#include "capture/views/CaptureTextEdit.h"
#include "capture/views/OverlayRig.h"
#include "platform/linux/display/QtApplicationWindows.h"
#include "platform/linux/display/QtScreens.h"
#include "platform/sim/views/HostTextFieldWidget.h"
#include "platform/sim/views/HostWindow.h"
#include "screenshots/Screenshot.h"
#include "shell/HUDPanel.h"
#include "shell/OwnWindowKeyboardGuard.h"
#include "shell/views/HUDWindowWidget.h"

namespace qm::test {
namespace {

class OverlayScreenshots : public OverlayRig {
protected:
    OverlayScreenshots()
        : guard(loop, center, windows), panel(std::make_unique<CaptureOverlayPanelWidget>(
                                            loop, clock, *router, center, screens, defaults, guard))
    {
    }

    void open(const std::shared_ptr<CaptureTarget>& target)
    {
        openDirectly(target);
        panel->update(target->commandName());
        panel->show(Rect(240, 120, 2, 18));
        loop.advance(CaptureOverlayPanelWidget::fadeInDuration);
        settle();
    }

    void type(const std::string& text)
    {
        QTest::keyClicks(&panel->view().messageField(), QString::fromStdString(text));
        settle();
    }

    QtScreens screens;
    QtApplicationWindows windows;
    OwnWindowKeyboardGuard guard;
    std::unique_ptr<CaptureOverlayPanelWidget> panel;
};

TEST_F(OverlayScreenshots, NoteCapture)
{
    open(note);
    save(*panel, "overlay-note-empty");
    type("call mom about the weekend");
    save(*panel, "overlay-note-typed");
}

TEST_F(OverlayScreenshots, CalcCaptureWithItsLivePreview)
{
    open(calc);
    type("15% of 847");
    ASSERT_TRUE(router->calcLivePreviewText());
    save(*panel, "overlay-calc-preview");
}

TEST_F(OverlayScreenshots, SlackPickerBeforeAndAfterTheChoice)
{
    open(pick);
    QTest::keyClick(&panel->view().messageField(), Qt::Key_Down);
    settle();
    save(*panel, "overlay-slack-picker");
    QTest::keyClick(&panel->view().messageField(), Qt::Key_Return);
    settle();
    type("deployment is live!");
    save(*panel, "overlay-slack-confirmed");
}

TEST_F(OverlayScreenshots, ObsidianWithoutItsVault)
{
    open(obsidian);
    ASSERT_TRUE(panel->view().model().configErrorMessage);
    save(*panel, "overlay-obsidian-error");
}

TEST_F(OverlayScreenshots, HUDMessages)
{
    HUDPanel hud(loop, screens, std::make_unique<HUDWindowWidget>(loop));
    hud.show("Copied", std::nullopt);
    save(static_cast<HUDWindowWidget&>(hud.window()), "hud-copied");
    hud.show("Quick Capture.md", "checkmark.circle.fill");
    save(static_cast<HUDWindowWidget&>(hud.window()), "hud-note-landed");
    hud.show("Reminder set: pick up the dry cleaning tomorrow at 8am before work", std::nullopt);
    save(static_cast<HUDWindowWidget&>(hud.window()), "hud-two-lines");
}

TEST_F(OverlayScreenshots, HostWindowWithATrigger)
{
    HostWindow host(desktop, HostWindow::Spec{.value = "buy milk "});
    host.resize(460, 90);
    host.show();
    host.activateWindow();
    ASSERT_TRUE(pumpQtUntil([&] { return host.isActiveWindow(); }));
    host.fieldWidget().setFocus();
    settle();
    // The tap of this rig takes the trigger, as the event tap does.
    QTest::keyClicks(&host.fieldWidget(), "//not");
    settle();
    save(host, "host-window-typing");
}

}  // namespace
}  // namespace qm::test
