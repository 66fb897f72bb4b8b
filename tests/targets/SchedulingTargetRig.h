#pragma once

#include <exception>
#include <string>

#include "base/Calendar.h"
#include "platform/sim/notifications/SimUserNotificationCenter.h"
#include "targets/LandingRig.h"
#include "targets/OffMainSend.h"
#include "targets/TimeZoneScope.h"

namespace qm::test {

// The landing rig in New York (the clock reads 2023-11-14 17:13:20 there),
// with notifications allowed on the stand-in centre; sends run off the main
// thread as the background queue runs them.
class SchedulingTargetRig : public LandingRig {
protected:
    SchedulingTargetRig()
    {
        notifications.setAuthorizationStatus(UserNotificationSettings::AuthorizationStatus::authorized);
        notifications.setAlertSetting(UserNotificationSettings::Setting::enabled);
    }

    std::exception_ptr send(CaptureTarget& target, const std::string& text)
    {
        return sendOffMain(loop, target, text, stage.shutdown);
    }

    // Local wall-clock time in New York.
    static double newYork(int day, int hour, int minute)
    {
        return *Calendar::current().date(
            DateComponents{.year = 2023, .month = 11, .day = day, .hour = hour, .minute = minute});
    }

    TimeZoneScope zone{"America/New_York"};
    SimUserNotificationCenter& notifications = stage.platform.userNotifications;
};

}  // namespace qm::test
