#include "targets/NotificationScheduler.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>

#include <fmt/format.h>

#include "base/Calendar.h"
#include "base/Log.h"
#include "base/UtcTimestamp.h"
#include "base/Uuid.h"
#include "platform/notifications/NotificationCenter.h"
#include "platform/notifications/UserNotificationCenter.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/MainLoop.h"
#include "shell/UpdateNotification.h"
#include "targets/TargetsNotifications.h"
#include "targets/TimerCompletionFallback.h"

namespace qm {

namespace {

constexpr const char* kTimerTitle = "Timer finished";
constexpr const char* kAlarmTitle = "Alarm";
constexpr const char* kUnlabelledTimerBody = "Your timer is done";
constexpr const char* kNotPendingMessage =
    "macOS did not register the notification. Check Quillmarker → Notifications in System Settings and "
    "enable Banners/Alerts.";

using Settings = UserNotificationSettings;

bool isAllowed(Settings::AuthorizationStatus status)
{
    return status == Settings::AuthorizationStatus::authorized ||
           status == Settings::AuthorizationStatus::provisional ||
           status == Settings::AuthorizationStatus::ephemeral;
}

std::exception_ptr failure(NotificationSchedulerError::Code code, std::string message = {})
{
    return std::make_exception_ptr(NotificationSchedulerError(code, std::move(message)));
}

UserInfo captureUserInfo(double scheduledAt, double fireDate)
{
    UserInfo info;
    info.set(TargetsNotifications::scheduledAtKey, scheduledAt);
    info.set(TargetsNotifications::fireAtKey, fireDate);
    return info;
}

// A Double, or a whole number as the platform's number objects also hold.
std::optional<double> number(const UserInfo& info, const std::string& key)
{
    if (const auto value = info.get<double>(key)) {
        return value;
    }
    if (const auto value = info.get<std::int64_t>(key)) {
        return static_cast<double>(*value);
    }
    return std::nullopt;
}

NotificationContent content(std::string title, std::string body, std::string category, UserInfo userInfo)
{
    NotificationContent result;
    result.title = std::move(title);
    result.body = std::move(body);
    result.sound = std::string(NotificationContent::defaultSound);
    result.categoryIdentifier = std::move(category);
    result.userInfo = std::move(userInfo);
    return result;
}

// Year to minute in the current calendar and its zone; seconds are not matched.
NotificationTrigger calendarTrigger(double date)
{
    const Calendar calendar = Calendar::current();
    const DateComponents parts = calendar.components(date);
    return NotificationTrigger::calendar(
        NotificationTrigger::DateMatch{
            .year = parts.year,
            .month = parts.month,
            .day = parts.day,
            .hour = parts.hour,
            .minute = parts.minute,
            .timeZoneId = calendar.timeZoneId(),
        },
        false);
}

std::optional<double> scheduledAtOf(const UserInfo& info, const std::optional<NotificationTrigger>& trigger,
                                    double now)
{
    if (const auto value = number(info, TargetsNotifications::scheduledAtKey)) {
        return value;
    }
    if (trigger && trigger->kind() == NotificationTrigger::Kind::timeInterval) {
        if (const auto next = trigger->nextTriggerDate(now)) {
            return *next - trigger->timeInterval();
        }
    }
    return std::nullopt;
}

}  // namespace

NotificationScheduler::NotificationScheduler(UserNotificationCenter& center, MainLoop& mainLoop,
                                             const Clock& clock, NotificationCenter& notificationCenter,
                                             TimerCompletionFallback& fallback,
                                             std::function<void()> activateApplication)
    : center_(center), mainLoop_(mainLoop), clock_(clock), notificationCenter_(notificationCenter),
      fallback_(fallback), activateApplication_(std::move(activateApplication))
{
}

std::string NotificationScheduler::newIdentifier()
{
    return Uuid::random().string();
}

void NotificationScheduler::configureCategories()
{
    center_.setNotificationCategories({
        NotificationCategory{TargetsNotifications::timerCategory, {}, {}, 0},
        NotificationCategory{TargetsNotifications::alarmCategory, {}, {}, 0},
        NotificationCategory{
            UpdateNotification::categoryId,
            {NotificationCategoryAction{UpdateNotification::restartActionId, "Restart to Update",
                                        NotificationCategoryAction::foreground}},
            {},
            0},
    });
}

void NotificationScheduler::ensureAuthorization(Completion completion)
{
    center_.getNotificationSettings(alive_.guard([this, completion](Settings settings) {
        if (isAllowed(settings.authorizationStatus)) {
            completion(settings.alertSetting == Settings::Setting::disabled
                           ? failure(NotificationSchedulerError::alertsDisabled)
                           : nullptr);
            return;
        }
        if (settings.authorizationStatus != Settings::AuthorizationStatus::notDetermined) {
            completion(failure(NotificationSchedulerError::permissionDenied));
            return;
        }
        if (activateApplication_) {
            activateApplication_();
        }
        center_.requestAuthorization(
            UserNotificationCenter::alert | UserNotificationCenter::sound | UserNotificationCenter::badge,
            [this, watch = alive_.watch(), completion](bool granted, std::optional<PlatformError> error) {
                // The centre may answer on any thread; the rest runs on the main thread.
                mainLoop_.post([this, watch, completion, granted, error] {
                    if (!watch) {
                        return;
                    }
                    if (error) {
                        completion(std::make_exception_ptr(*error));
                    } else if (!granted) {
                        completion(failure(NotificationSchedulerError::permissionDenied));
                    } else {
                        checkAlertSetting(completion);
                    }
                });
            });
    }));
}

void NotificationScheduler::checkAlertSetting(Completion completion)
{
    center_.getNotificationSettings(alive_.guard([completion](Settings settings) {
        completion(settings.alertSetting == Settings::Setting::disabled
                       ? failure(NotificationSchedulerError::alertsDisabled)
                       : nullptr);
    }));
}

void NotificationScheduler::scheduleTimer(double interval, std::optional<std::string> label,
                                          std::string identifier, ScheduleCompletion completion)
{
    ensureAuthorization(alive_.guard([this, interval, label = std::move(label),
                                      identifier = std::move(identifier),
                                      completion](std::exception_ptr error) {
        if (error) {
            completion(std::nullopt, error);
            return;
        }
        // Shorter timers, zero, negative and NaN all become a minute.
        const double used = interval >= kMinimumLeadTime ? interval : kMinimumLeadTime;
        const double now = clock_.now();
        const double fireDate = now + used;
        NotificationRequest request;
        request.identifier = identifier;
        request.content = content(kTimerTitle, label.value_or(kUnlabelledTimerBody),
                                  TargetsNotifications::timerCategory, captureUserInfo(now, fireDate));
        try {
            request.trigger = NotificationTrigger::timeInterval(used, false);
        } catch (const std::invalid_argument& invalid) {
            completion(std::nullopt, failure(NotificationSchedulerError::schedulingFailed, invalid.what()));
            return;
        }
        addAndVerify(request, alive_.guard([this, request, used, fireDate,
                                            completion](std::exception_ptr error) {
            if (error) {
                completion(std::nullopt, error);
                return;
            }
            Log::log(fmt::format("⏱️ NotificationScheduler: Timer registered — fires in {:.0f}s at {}",
                                 used, UtcTimestamp::description(fireDate)));
            finishScheduling(request, fireDate, completion);
        }));
    }));
}

void NotificationScheduler::scheduleAlarm(double at, std::string title, std::string identifier,
                                          ScheduleCompletion completion)
{
    ensureAuthorization(alive_.guard([this, at, title = std::move(title), identifier = std::move(identifier),
                                      completion](std::exception_ptr error) {
        if (error) {
            completion(std::nullopt, error);
            return;
        }
        double fireDate = at;
        if (!(fireDate - clock_.now() >= kMinimumLeadTime)) {
            fireDate = clock_.now() + kMinimumLeadTime;
        }
        // Up to the start of the next minute; the fraction of a second stays.
        const int second = Calendar::current().components(fireDate).second;
        if (second > 0) {
            fireDate += 60 - second;
        }
        const double now = clock_.now();
        NotificationRequest request;
        request.identifier = identifier;
        request.content =
            content(kAlarmTitle, title, TargetsNotifications::alarmCategory, captureUserInfo(now, fireDate));
        try {
            request.trigger = calendarTrigger(fireDate);
        } catch (const std::invalid_argument& invalid) {
            completion(std::nullopt, failure(NotificationSchedulerError::schedulingFailed, invalid.what()));
            return;
        }
        addAndVerify(request, alive_.guard([this, request, fireDate, completion](std::exception_ptr error) {
            if (error) {
                completion(std::nullopt, error);
                return;
            }
            Log::log(fmt::format("⏰ NotificationScheduler: Alarm registered — fires at {}",
                                 UtcTimestamp::description(fireDate)));
            finishScheduling(request, fireDate, completion);
        }));
    }));
}

void NotificationScheduler::finishScheduling(const NotificationRequest& request, double fireDate,
                                             ScheduleCompletion completion)
{
    fallback_.schedule(request.identifier, fireDate, request.content.title, request.content.body);
    notificationCenter_.post(TargetsNotifications::scheduledCapturesChanged);
    completion(ScheduledNotificationResult{request.identifier, fireDate}, nullptr);
}

void NotificationScheduler::addAndVerify(NotificationRequest request, Completion completion)
{
    const std::string identifier = request.identifier;
    center_.add(std::move(request), [this, watch = alive_.watch(), identifier,
                                     completion](std::optional<PlatformError> error) {
        mainLoop_.post([this, watch, identifier, completion, error] {
            if (!watch) {
                return;
            }
            if (error) {
                Log::log(fmt::format("❌ NotificationScheduler: Failed to add notification: {}",
                                     error->localizedDescription()));
                completion(
                    failure(NotificationSchedulerError::schedulingFailed, error->localizedDescription()));
                return;
            }
            center_.getPendingNotificationRequests(
                alive_.guard([identifier, completion](std::vector<NotificationRequest> pending) {
                    const bool held = std::any_of(pending.begin(), pending.end(), [&](const auto& request) {
                        return request.identifier == identifier;
                    });
                    if (held) {
                        completion(nullptr);
                        return;
                    }
                    Log::log(
                        fmt::format("❌ NotificationScheduler: add() succeeded but request {} is not pending",
                                    identifier));
                    completion(failure(NotificationSchedulerError::schedulingFailed, kNotPendingMessage));
                }));
        });
    });
}

void NotificationScheduler::listPendingCaptures(
    std::function<void(std::vector<PendingScheduledCapture>)> completion)
{
    center_.getPendingNotificationRequests(
        alive_.guard([this, completion](std::vector<NotificationRequest> requests) {
            const double now = clock_.now();
            std::vector<PendingScheduledCapture> captures;
            for (const auto& request : requests) {
                const auto& category = request.content.categoryIdentifier;
                PendingScheduledCapture capture;
                if (category == TargetsNotifications::timerCategory) {
                    capture.kind = PendingScheduledCapture::Kind::timer;
                } else if (category == TargetsNotifications::alarmCategory) {
                    capture.kind = PendingScheduledCapture::Kind::alarm;
                } else {
                    continue;
                }
                capture.id = request.identifier;
                capture.title = request.content.title;
                capture.subtitle = request.content.body;
                capture.fireDate = number(request.content.userInfo, TargetsNotifications::fireAtKey);
                if (!capture.fireDate && request.trigger) {
                    capture.fireDate = request.trigger->nextTriggerDate(now);
                }
                capture.scheduledAt = scheduledAtOf(request.content.userInfo, request.trigger, now);
                captures.push_back(std::move(capture));
            }
            // Without a fire date: the distant future, so last, in the centre's order.
            std::stable_sort(captures.begin(), captures.end(), [](const auto& a, const auto& b) {
                constexpr double distantFuture = std::numeric_limits<double>::infinity();
                return a.fireDate.value_or(distantFuture) < b.fireDate.value_or(distantFuture);
            });
            completion(std::move(captures));
        }));
}

void NotificationScheduler::cancelPendingCapture(const std::string& identifier)
{
    center_.removePendingNotificationRequests({identifier});
    fallback_.cancel(identifier);
    notificationCenter_.post(TargetsNotifications::scheduledCapturesChanged);
}

}  // namespace qm
