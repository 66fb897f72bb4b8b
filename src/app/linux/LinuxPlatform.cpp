#include "app/linux/LinuxPlatform.h"

#include <QDBusConnection>

#include "platform/workspace/Alert.h"

namespace qm {

namespace {

// The question the system asks before a program may touch the user's calendars or lists.
VdirEventStoreBackend::AccessPrompt alertPrompt(AlertPresenter& alerts)
{
    return [&alerts](EventStoreEntityType type, std::function<void(bool)> answer) {
        Alert alert;
        alert.messageText = type == EventStoreEntityType::event
                                ? "“Quillmarker” would like to access your calendar."
                                : "“Quillmarker” would like to access your reminders.";
        alert.informativeText = type == EventStoreEntityType::event
                                    ? "Events you capture with //calendar are added to your default calendar."
                                    : "Lines you capture with //reminders are added to your default list.";
        alert.addButton("Allow Full Access");
        alert.addButton("Don’t Allow");
        answer(alert.runModal(alerts) == Alert::alertFirstButtonReturn);
    };
}

}  // namespace

LinuxPlatform::LinuxPlatform(const Clock& clock, std::filesystem::path defaultsFile,
                             std::filesystem::path scheduleFile,
                             VdirEventStoreBackend::AccessPrompt askForEventStoreAccess)
    : clock(clock), defaults(std::move(defaultsFile), &notificationCenter),
      distributedNotifications(loop, QDBusConnection::sessionBus()),
      userNotifications(loop, clock, QDBusConnection::sessionBus(),
                        DBusUserNotificationCenter::Configuration{
                            .applicationName = "Quillmarker",
                            .scheduleFile = scheduleFile,
                            .isApplicationActive = [this] { return desktop.ownApplication().isFrontmost(); },
                        })
{
    // Nobody reads the stand-in keyboard's log of delivered keys in the
    // program: it would hold the user's last few thousand keystrokes.
    desktop.eventTaps().setDeliveryLogLimit(0);
    const std::filesystem::path dataFolder = scheduleFile.parent_path();
    eventStores = std::make_shared<VdirEventStoreBackend>(
        loop, clock,
        VdirEventStoreBackend::Configuration{
            .folder = dataFolder,
            .accessFile = dataFolder / "eventstore-access.json",
            .askForAccess = askForEventStoreAccess ? std::move(askForEventStoreAccess) : alertPrompt(alerts),
        });
    privacySettings = std::make_unique<SimPrivacySettings>(
        loop, alerts, desktop.workspace(), desktop.trust(),
        SimPrivacySettings::EventStoreAccess{
            .setPromptPresenter = nullptr,
            .setAuthorizationStatus =
                [stores = eventStores](EventStoreEntityType type, EventStoreAuthorizationStatus status) {
                    stores->setAuthorizationStatus(type, status);
                },
        });
}

PlatformBundle LinuxPlatform::bundle(std::optional<std::filesystem::path> applicationSupport)
{
    return PlatformBundle{
        .clock = clock,
        .mainLoop = loop,
        .applicationSupport = std::move(applicationSupport),
        .defaults = defaults,
        .legacyKeychain = nullptr,
        .notificationCenter = notificationCenter,
        .distributedNotificationCenter = distributedNotifications,
        .userNotificationCenter = userNotifications,
        .workspace = desktop.workspace(),
        .pasteboard = pasteboard,
        .alerts = alerts,
        .colorPanel = colorPanel,
        .accessibility = desktop.accessibility(),
        .accessibilityTrust = desktop.trust(),
        .eventTaps = desktop.eventTaps(),
        .syntheticEvents = desktop.syntheticEvents(),
        .secureInput = desktop.secureInput(),
        .screens = screens,
        .mouse = desktop.mouse(),
        .eventStores = eventStores->factory(),
        .http = http,
        .httpStreams = httpStreams,
    };
}

}  // namespace qm
