#include <exception>
#include <stdexcept>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <gtest/gtest.h>

#include "platform/keyboard/KeyEvent.h"
#include "platform/notifications/UserNotificationSettings.h"
#include "screenshots/Screenshot.h"
#include "settings/SettingsWindowModel.h"
#include "settings/views/HistoryPage.h"
#include "settings/views/LazyRowList.h"
#include "settings/views/SettingsWindowWidget.h"
#include "support/QtTestApplication.h"
#include "support/SettingsRig.h"

namespace qm {
namespace {

// Every page of the settings window, empty and with data.
class SettingsScreenshots : public testing::Test {
protected:
    void fill()
    {
        rig.history.record("note", "Buy oat milk and <b>coffee</b> beans", true);
        rig.history.record("slack", "Standup moved to 10:30", true);
        rig.history.record("obsidian", "Draft the quarterly review", false);
        rig.clock.advance(1.0);
        rig.history.record("note",
                           "A long pasted capture: the first line of it\nthe second line\nthe third line\n"
                           "a fourth line that the row does not show\nand a fifth",
                           true);
        ASSERT_TRUE(
            rig.fallback.saveFallback("Draft the quarterly review", "obsidian",
                                      std::runtime_error("Obsidian vault path does not exist or is not a "
                                                         "folder: /home/me/Vault.")));
        ASSERT_TRUE(
            rig.fallback.saveFallback("ship it", "slack", std::runtime_error("Slack is not connected.")));
        rig.userNotifications.setAuthorizationStatus(
            UserNotificationSettings::AuthorizationStatus::authorized);
        rig.userNotifications.setAlertSetting(UserNotificationSettings::Setting::enabled);
        for (auto [label, minutes] : {std::pair{"Tea is ready", 4}, std::pair{"Stand up and stretch", 45}}) {
            rig.scheduler.scheduleTimer(minutes * 60, label, label, [](auto, std::exception_ptr) {});
            rig.loop.runUntilIdle();
        }
        rig.scheduler.scheduleAlarm(rig.clock.now() + 3 * 3600, "Take meds", "meds",
                                    [](auto, std::exception_ptr) {});
        rig.defaults.set("obsidianVaultPath", "/home/me/Vault");
        rig.defaults.set("logseqGraphPath", "/home/me/logseq");
        rig.trust.setTrusted(true);
        rig.loop.runUntilIdle();
    }

    void shootAll(const std::string& suffix)
    {
        SettingsWindowModel model{rig.services()};
        SettingsWindowWidget widget{model};
        model.appear();
        rig.loop.runUntilIdle();
        widget.resize(780, 640);
        widget.show();
        for (SettingsSection section : SettingsSections::allCases) {
            model.selectSection(section);
            rig.loop.runUntilIdle();
            std::string name(SettingsSections::rawValue(section));
            for (auto& c : name) {
                c = (c == ' ' || c == '&') ? '-' : static_cast<char>(std::tolower(c));
            }
            // What each picture is for: its page, with the page's row selected in sight.
            QPushButton* selected = widget.sidebarButton(static_cast<int>(section));
            EXPECT_TRUE(selected->isChecked()) << name;
            EXPECT_TRUE(
                widget.rect().contains(QRect(selected->mapTo(&widget, QPoint(0, 0)), selected->size())))
                << name;
            auto* history = dynamic_cast<HistoryPage*>(widget.page());
            if (history && suffix.empty()) {
                // The newest capture is the long one: three lines, the last cut with an ellipsis.
                ASSERT_NE(history->rows()->builtRow(0), nullptr);
                auto* text = history->rows()->builtRow(0)->findChild<QLabel*>("entryText");
                ASSERT_NE(text, nullptr);
                EXPECT_EQ(text->text().count('\n'), 2) << text->text().toStdString();
                EXPECT_TRUE(text->text().endsWith(QChar(0x2026))) << text->text().toStdString();
            }
            test::save(widget, "settings-" + name + suffix);
        }
        model.close();
    }

    QApplication& application = test::qtApplication();
    test::SettingsRig rig;
};

TEST_F(SettingsScreenshots, EveryPageEmpty)
{
    shootAll("-empty");
}

TEST_F(SettingsScreenshots, EveryPageWithData)
{
    fill();
    shootAll("");
}

TEST_F(SettingsScreenshots, CardPointedAtByARequest)
{
    SettingsWindowModel model{rig.services()};
    SettingsWindowWidget widget{model};
    widget.resize(780, 640);
    widget.show();
    UserInfo info;
    info.set("section", "Capture Targets");
    info.set("field", "slack");
    rig.selectSettingsSection(info);
    rig.loop.advance(1.0);
    test::save(widget, "settings-capture-targets-slack-highlighted");
}

// Recording, with a set that is refused: the red button and border, the lit
// pill and the error box.
TEST_F(SettingsScreenshots, ShortcutRecorderWithARefusedSet)
{
    SettingsWindowModel model{rig.services()};
    SettingsWindowWidget widget{model};
    widget.resize(780, 520);
    widget.show();
    model.selectSection(SettingsSection::shortcuts);
    ShortcutRecorderModel& recorder = *model.shortcuts();
    recorder.toggleRecording();
    KeyEvent held;
    held.setType(KeyEventType::flagsChanged);
    held.setFlags(KeyEventFlags::command);
    recorder.handleEvent(held);
    test::save(widget, "settings-shortcuts-recording-refused");
}

}  // namespace
}  // namespace qm
