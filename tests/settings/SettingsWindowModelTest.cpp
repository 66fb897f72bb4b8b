#include "settings/SettingsWindowModel.h"

#include <gtest/gtest.h>

#include "platform/notifications/NotificationRequest.h"
#include "platform/notifications/UserNotificationSettings.h"
#include "settings/SettingsSection.h"
#include "support/SettingsRig.h"

namespace qm {
namespace {

class SettingsWindowModelTest : public testing::Test {
protected:
    SettingsWindowModelTest()
    {
        model.onSectionChanged = [this](SettingsSection section) { announced.push_back(section); };
        model.onScrollToCard = [this](const std::string& id) { scrolled.push_back({id, rig.clock.now()}); };
        model.onFocusField = [this](const std::string& id) { focused.push_back({id, rig.clock.now()}); };
    }

    UserInfo request(std::optional<std::string> section, std::optional<std::string> field = std::nullopt)
    {
        UserInfo info;
        if (section) {
            info.set("section", *section);
        }
        if (field) {
            info.set("field", *field);
        }
        return info;
    }

    void addTimer(const std::string& id, double fireAt)
    {
        NotificationRequest req;
        req.identifier = id;
        req.content.title = "Timer finished";
        req.content.body = id;
        req.content.categoryIdentifier = "QUILLMRKER_TIMER";
        req.content.userInfo.set("qm_fireAt", fireAt);
        req.trigger = NotificationTrigger::timeInterval(fireAt - rig.clock.now(), false);
        rig.userNotifications.setAuthorizationStatus(
            UserNotificationSettings::AuthorizationStatus::authorized);
        rig.userNotifications.add(req);
        rig.loop.runUntilIdle();
    }

    test::SettingsRig rig;
    SettingsWindowModel model{rig.services()};
    std::vector<SettingsSection> announced;
    std::vector<std::pair<std::string, double>> scrolled;
    std::vector<std::pair<std::string, double>> focused;
};

TEST(SettingsSectionTest, RawValuesRoundTripExactlyAndNothingElseNamesAPage)
{
    for (SettingsSection section : SettingsSections::allCases) {
        EXPECT_EQ(SettingsSections::fromRawValue(SettingsSections::rawValue(section)), section);
        EXPECT_FALSE(SettingsSections::subtitle(section).empty());
    }
    EXPECT_EQ(SettingsSections::rawValue(SettingsSection::privacyPermissions), "Privacy & Permissions");
    for (const char* other : {"general", "Settings", " History", "Error logs", ""}) {
        EXPECT_FALSE(SettingsSections::fromRawValue(other)) << other;
    }
}

TEST_F(SettingsWindowModelTest, StartsOnGeneralAndTheSidebarAnnouncesOnlyRealChanges)
{
    EXPECT_EQ(model.currentSection(), SettingsSection::general);
    model.selectSection(SettingsSection::general);
    EXPECT_TRUE(announced.empty());
    model.selectSection(SettingsSection::help);
    model.selectSection(SettingsSection::help);
    EXPECT_EQ(announced, std::vector<SettingsSection>{SettingsSection::help});
}

TEST_F(SettingsWindowModelTest, RequestSwitchesPageHighlightsScrollsThenFocuses)
{
    rig.selectSettingsSection(request("Capture Targets", "slack"));
    EXPECT_EQ(model.currentSection(), SettingsSection::captureTargets);
    EXPECT_TRUE(model.isHighlighted("slack"));
    EXPECT_FALSE(model.isHighlighted("logseqGraph"));
    EXPECT_FALSE(model.settingsFocus());

    const double start = rig.clock.now();
    rig.loop.advance(1.0);
    ASSERT_EQ(scrolled.size(), 1u);
    EXPECT_EQ(scrolled[0].first, "slack");
    EXPECT_NEAR(scrolled[0].second - start, SettingsWindowModel::kScrollDelay, 1e-6);
    ASSERT_EQ(focused.size(), 1u);
    EXPECT_NEAR(focused[0].second - start, SettingsWindowModel::kFocusDelay, 1e-6);
    EXPECT_EQ(model.settingsFocus(), "slack");
}

TEST_F(SettingsWindowModelTest, MalformedRequestsKeepThePageButTheFieldStillCounts)
{
    model.selectSection(SettingsSection::help);
    for (const char* section : {"general", "Settings"}) {
        rig.selectSettingsSection(request(section, "logseqGraph"));
        EXPECT_EQ(model.currentSection(), SettingsSection::help);
        EXPECT_TRUE(model.isHighlighted("logseqGraph"));
    }
    UserInfo wrongType;
    wrongType.set("section", std::int64_t{3});
    wrongType.set("field", std::int64_t{4});
    rig.selectSettingsSection(wrongType);
    EXPECT_EQ(model.currentSection(), SettingsSection::help);
    EXPECT_FALSE(model.focusedField()) << "a field that is not a string clears the highlight";
}

TEST_F(SettingsWindowModelTest, SameFieldAgainDoesNotScrollAgainButFocusesAgain)
{
    rig.selectSettingsSection(request("Capture Targets", "obsidianVault"));
    rig.loop.advance(1.0);
    rig.selectSettingsSection(request("Capture Targets", "obsidianVault"));
    rig.loop.advance(1.0);
    EXPECT_EQ(scrolled.size(), 1u);
    EXPECT_EQ(focused.size(), 2u);
    EXPECT_EQ(announced.size(), 1u) << "the page did not change the second time";
}

TEST_F(SettingsWindowModelTest, ScheduledPageRefreshesEverySecondAndStopsOnLeavingOrClosing)
{
    model.appear();
    addTimer("tea", rig.clock.now() + 120);
    EXPECT_TRUE(model.scheduled().pendingCaptures().empty())
        << "the list is not watched while another page shows";

    rig.selectSettingsSection(request("Scheduled"));
    EXPECT_FALSE(model.focusedField());
    rig.loop.runUntilIdle();
    ASSERT_EQ(model.scheduled().pendingCaptures().size(), 1u);
    EXPECT_TRUE(model.scheduled().isRefreshTimerRunning());

    model.selectSection(SettingsSection::scheduled);
    addTimer("eggs", rig.clock.now() + 60);
    rig.loop.advance(1.0);
    ASSERT_EQ(model.scheduled().pendingCaptures().size(), 2u);
    EXPECT_EQ(model.scheduled().pendingCaptures()[0].id, "eggs") << "earliest fire date first";

    model.selectSection(SettingsSection::general);
    EXPECT_FALSE(model.scheduled().isRefreshTimerRunning());
    addTimer("nap", rig.clock.now() + 30);
    rig.loop.advance(3.0);
    EXPECT_EQ(model.scheduled().pendingCaptures().size(), 2u);

    model.selectSection(SettingsSection::scheduled);
    model.close();
    EXPECT_FALSE(model.scheduled().isRefreshTimerRunning());
    const auto shown = model.scheduled().pendingCaptures();
    addTimer("late", rig.clock.now() + 40);
    rig.loop.advance(3.0);
    EXPECT_EQ(model.scheduled().pendingCaptures(), shown) << "a closed window reloads nothing";
}

TEST_F(SettingsWindowModelTest, HistoryAndErrorLogPagesStartAfreshEachTime)
{
    EXPECT_EQ(model.history(), nullptr);
    model.selectSection(SettingsSection::history);
    ASSERT_NE(model.history(), nullptr);
    model.history()->setSearchQuery("milk");
    model.selectSection(SettingsSection::errorLogs);
    EXPECT_EQ(model.history(), nullptr);
    EXPECT_NE(model.errorLogs(), nullptr);
    model.selectSection(SettingsSection::history);
    EXPECT_EQ(model.history()->searchQuery(), "");
}

TEST_F(SettingsWindowModelTest, AppearLoadsTheSlackTokenAndPermissions)
{
    ASSERT_EQ(rig.keychain.save("QuillmarkerAI", "slackToken", "xoxb-1"), errSecSuccess);
    rig.trust.setTrusted(true);
    model.appear();
    rig.loop.runUntilIdle();
    EXPECT_EQ(model.captureTargets().slackToken(), "xoxb-1");
    EXPECT_TRUE(model.permissions().isAccessibilityGranted());
}

TEST_F(SettingsWindowModelTest, DelayedStepsOfAClosedWindowTouchNothing)
{
    bool closedWindowTouched = false;
    {
        SettingsWindowModel closing{rig.services()};
        closing.onScrollToCard = [&](const std::string&) { closedWindowTouched = true; };
        closing.onFocusField = [&](const std::string&) { closedWindowTouched = true; };
        rig.selectSettingsSection(request("Capture Targets", "slack"));
    }
    rig.loop.advance(1.0);
    EXPECT_FALSE(closedWindowTouched);
    EXPECT_EQ(focused.size(), 1u) << "the live window still focused";
}

}  // namespace
}  // namespace qm
