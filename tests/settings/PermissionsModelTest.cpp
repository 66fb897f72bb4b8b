#include "settings/PermissionsModel.h"

#include <gtest/gtest.h>

#include "platform/notifications/UserNotificationSettings.h"
#include "support/SettingsRig.h"

namespace qm {
namespace {

using Entity = EventStoreEntityType;
using StoreStatus = EventStoreAuthorizationStatus;

class PermissionsModelTest : public testing::Test {
protected:
    test::SettingsRig rig;
    PermissionsModel model{rig.permissions, rig.loop};
};

TEST_F(PermissionsModelTest, UpdateReadsAllFourFromTheSystem)
{
    rig.trust.setTrusted(true);
    rig.eventStores->setAuthorizationStatus(Entity::reminder, StoreStatus::fullAccess);
    rig.userNotifications.setAuthorizationStatus(UserNotificationSettings::AuthorizationStatus::authorized);
    model.updatePermissionStatuses();
    rig.loop.runUntilIdle();
    EXPECT_TRUE(model.isAccessibilityGranted());
    EXPECT_TRUE(model.isRemindersGranted());
    EXPECT_TRUE(model.isNotificationsGranted());
    EXPECT_FALSE(model.isCalendarGranted());
}

TEST_F(PermissionsModelTest, GrantAccessibilityPollsOnceAndStopsWhenTrusted)
{
    rig.trust.setTrusted(false);
    for (int press = 0; press < 3; ++press) {
        model.checkAccessibility();
    }
    EXPECT_TRUE(model.isPollingAccessibility());
    EXPECT_EQ(rig.trust.promptCount(), 3);
    EXPECT_EQ(rig.workspace.openedURLs().size(), 3u) << "each press opens the settings pane";
    rig.loop.advance(2.0);
    EXPECT_FALSE(model.isAccessibilityGranted());
    rig.trust.setTrusted(true);
    rig.loop.advance(1.0);
    EXPECT_TRUE(model.isAccessibilityGranted());
    EXPECT_FALSE(model.isPollingAccessibility());
}

TEST_F(PermissionsModelTest, AClosedWindowStopsItsPoll)
{
    rig.trust.setTrusted(false);
    {
        PermissionsModel closing{rig.permissions, rig.loop};
        closing.checkAccessibility();
        closing.onChange = [] { ADD_FAILURE() << "a closed window was touched"; };
    }
    rig.trust.setTrusted(true);
    rig.loop.advance(3.0);
}

TEST_F(PermissionsModelTest, RefusedRequestsOpenTheirPaneExceptReminders)
{
    rig.eventStores->answerNextAccessPrompt(Entity::reminder, false);
    model.checkReminders();
    rig.loop.runUntilIdle();
    EXPECT_FALSE(model.isRemindersGranted());
    EXPECT_TRUE(rig.workspace.openedURLs().empty());

    rig.eventStores->answerNextAccessPrompt(Entity::event, false);
    model.checkCalendar();
    rig.loop.runUntilIdle();
    EXPECT_FALSE(model.isCalendarGranted());
    ASSERT_EQ(rig.workspace.openedURLs().size(), 1u);
    EXPECT_NE(rig.workspace.openedURLs()[0].find("Privacy_Calendars"), std::string::npos);

    rig.userNotifications.answerNextAuthorizationPrompt(false);
    model.checkNotifications();
    rig.loop.runUntilIdle();
    EXPECT_FALSE(model.isNotificationsGranted());
    ASSERT_EQ(rig.workspace.openedURLs().size(), 2u);
    EXPECT_NE(rig.workspace.openedURLs()[1].find("Notifications"), std::string::npos);
}

TEST_F(PermissionsModelTest, GrantedRequestsTurnTheRowsGreen)
{
    rig.eventStores->answerNextAccessPrompt(Entity::event, true);
    rig.userNotifications.answerNextAuthorizationPrompt(true);
    model.checkCalendar();
    model.checkNotifications();
    rig.loop.runUntilIdle();
    EXPECT_TRUE(model.isCalendarGranted());
    EXPECT_TRUE(model.isNotificationsGranted());
    EXPECT_TRUE(rig.workspace.openedURLs().empty());
}

}  // namespace
}  // namespace qm
