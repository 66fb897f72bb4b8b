#include "app/views/QtStatusItem.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QApplication>
#include <QMenuBar>
#include <QSystemTrayIcon>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/StatusMenuController.h"
#include "app/StatusMenuRig.h"
#include "app/views/StatusMenuWidget.h"
#include "platform/linux/runtime/QtMainLoop.h"
#include "platform/sim/desktop/StandInDesktop.h"
#include "platform/sim/views/HostWindow.h"
#include "support/QtTestApplication.h"

namespace qm::test {
namespace {

using ::testing::ElementsAre;

// A row's title as the menu draws it: "&&" is one "&", a lone "&" marks a mnemonic.
std::string shown(const QAction& action)
{
    const std::string text = action.text().toStdString();
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size()) {
            ++i;
        }
        out += text[i];
    }
    return out;
}

// "title", "title (disabled)", "title\tshortcut", "---", "title >" for a submenu.
std::vector<std::string> rows(const QMenu& menu)
{
    std::vector<std::string> out;
    for (const QAction* action : menu.actions()) {
        if (action->isSeparator()) {
            out.push_back("---");
            continue;
        }
        std::string row = shown(*action);
        if (!action->shortcut().isEmpty()) {
            row += "\t" + action->shortcut().toString().toStdString();
        }
        if (action->menu()) {
            row += " >";
        }
        if (!action->isEnabled()) {
            row += " (disabled)";
        }
        out.push_back(row);
    }
    return out;
}

QAction* row(const QMenu& menu, const std::string& title)
{
    for (QAction* action : menu.actions()) {
        if (shown(*action) == title) {
            return action;
        }
    }
    return nullptr;
}

// The status item over the app composed on the stand-in platform, its menu in
// the host window of a stand-in desktop on Qt's loop (the offscreen platform
// has no tray).
class QtStatusItemTest : public ::testing::Test {
protected:
    QtStatusItemTest()
    {
        rig.platform.desktop.trust().setTrusted(true);
        rig.platform.defaults.set("hasSelectedShortcut", true);
        controller = std::make_unique<StatusMenuController>(
            menuRig.services("0.1.0"), StatusMenuController::Hooks{
                                           .openSettingsWindow = {},
                                           .checkForUpdatesManually = {},
                                           .restartToUpdate = {},
                                           .pendingUpdateVersion = [this] { return pendingUpdate; },
                                           .terminate = [this] { ++terminations; },
                                       });
        host = std::make_unique<HostWindow>(desktop, HostWindow::Spec{});
    }

    ~QtStatusItemTest() override
    {
        item.reset();
        host.reset();
        QApplication::processEvents();
    }

    QApplication& application = qtApplication();
    QtMainLoop loop;
    StandInDesktop desktop{loop};
    StatusMenuRig menuRig;
    StandInApp& rig = menuRig.app;
    std::unique_ptr<StatusMenuController> controller;
    std::unique_ptr<HostWindow> host;
    std::unique_ptr<QtStatusItem> item;
    std::optional<std::string> pendingUpdate;
    int terminations = 0;
};

TEST_F(QtStatusItemTest, WithoutATrayTheMenuSitsInTheHostWindowsMenuBar)
{
    ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable()) << "the tests run offscreen";
    item = std::make_unique<QtStatusItem>(*controller, *host);
    EXPECT_FALSE(item->isInSystemTray());
    EXPECT_EQ(item->toolTip().toStdString(), "Quillmarker");
    ASSERT_EQ(host->menuBar().actions().size(), 1);
    EXPECT_EQ(host->menuBar().actions()[0]->text().toStdString(), "Quillmarker");
    EXPECT_EQ(host->menuBar().actions()[0]->menu(), &item->menu());
    EXPECT_THAT(rows(item->menu()),
                ElementsAre("Quillmarker 0.1.0 (disabled)", "Capture ready · Type // in any app (disabled)",
                            "---", "No captures yet · Open History", "---", "Settings…\tCtrl+,",
                            "Capture History…", "Scheduled Timers & Alarms…", "Check for Updates…", "---",
                            "Quit Quillmarker\tCtrl+Q"));
    // The header and figures keep their look; the rest the menu's own font.
    EXPECT_EQ(row(item->menu(), "Quillmarker 0.1.0")->font().pixelSize(), 13);
    EXPECT_EQ(row(item->menu(), "No captures yet · Open History")->font().pixelSize(), 12);

    item.reset();
    EXPECT_TRUE(host->menuBar().actions().isEmpty()) << "a replaced item leaves no second menu behind";
}

TEST_F(QtStatusItemTest, TheMenuIsRebuiltAsItOpensAndWhenAsked)
{
    rig.platform.clock.set(1710928800);  // 2024-03-20 10:00 UTC
    item = std::make_unique<QtStatusItem>(*controller, *host);
    rig.app->history().record("note", "buy milk", true);
    rig.app->records().openLoops().park("call the plumber", "call the plumber", "note", "Saved", std::nullopt,
                                        HostCaptureContext{}, {});
    EXPECT_FALSE(row(item->menu(), "Open loops")) << "not before it opens";

    emit item->menu().aboutToShow();
    ASSERT_TRUE(row(item->menu(), "Open loops"));
    QAction* loopRow = row(item->menu(), "call the plumber");
    ASSERT_TRUE(loopRow && loopRow->menu());
    EXPECT_THAT(rows(*loopRow->menu()), ElementsAre("Mark done", "Leave parked"));
    EXPECT_TRUE(row(item->menu(), "🔥 1-day streak · 1 today"));

    pendingUpdate = "0.2.0";
    item->showUpdateAvailable();
    EXPECT_TRUE(row(item->menu(), "⬆ Install update 0.2.0…"));
    EXPECT_EQ(item->toolTip().toStdString(), "Quillmarker — update available");
    item->rebuildMenu();
    EXPECT_EQ(item->toolTip().toStdString(), "Quillmarker — update available")
        << "until the item is made again";
}

TEST_F(QtStatusItemTest, ChosenRowsReachTheController)
{
    item = std::make_unique<QtStatusItem>(*controller, *host);
    rig.app->records().openLoops().park("water the plants", "water the plants", "note", "Saved", std::nullopt,
                                        HostCaptureContext{}, {});
    item->rebuildMenu();
    QAction* loopRow = row(item->menu(), "water the plants");
    ASSERT_TRUE(loopRow && loopRow->menu());
    row(*loopRow->menu(), "Mark done")->trigger();
    EXPECT_TRUE(rig.app->records().openLoops().menuLoops().empty());

    row(item->menu(), "Quit Quillmarker")->trigger();
    EXPECT_EQ(terminations, 1);
    row(item->menu(), "Capture ready · Type // in any app")->trigger();
    EXPECT_EQ(terminations, 1) << "a disabled label does nothing";
}

TEST_F(QtStatusItemTest, TheCountdownShowsBesideTheMenuTitleUntilTheItemIsGone)
{
    item = std::make_unique<QtStatusItem>(*controller, *host);
    const std::weak_ptr<CountdownTitleSink> sink = item->countdownSink();
    sink.lock()->showCountdown("24:59", "Timer: tea — 24:59 remaining");
    EXPECT_EQ(host->menuBar().actions()[0]->text().toStdString(), "Quillmarker  24:59");
    EXPECT_EQ(item->toolTip().toStdString(), "Timer: tea — 24:59 remaining");

    pendingUpdate = "0.2.0";
    item->showUpdateAvailable();
    sink.lock()->showCountdown("", "Quillmarker");
    EXPECT_EQ(host->menuBar().actions()[0]->text().toStdString(), "Quillmarker");
    EXPECT_EQ(item->toolTip().toStdString(), "Quillmarker — update available")
        << "an announced update outlasts the countdown";

    item.reset();
    EXPECT_TRUE(sink.expired()) << "the countdown stops drawing into a removed item";
}

}  // namespace
}  // namespace qm::test
