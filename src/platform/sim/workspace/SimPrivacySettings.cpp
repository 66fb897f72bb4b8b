#include "platform/sim/workspace/SimPrivacySettings.h"

#include <string>

#include "platform/runtime/MainLoop.h"
#include "platform/sim/accessibility/SimAccessibilityTrust.h"
#include "platform/sim/workspace/SimWorkspace.h"
#include "platform/workspace/Alert.h"
#include "platform/workspace/SystemSettingsLink.h"

namespace qm {

namespace {

using Status = EventStoreAuthorizationStatus;

}  // namespace

SimPrivacySettings::SimPrivacySettings(MainLoop& mainLoop, AlertPresenter& alerts, SimWorkspace& workspace,
                                       SimAccessibilityTrust& trust, SimEventStoreBackend& eventStores)
    : SimPrivacySettings(
          mainLoop, alerts, workspace, trust,
          EventStoreAccess{
              .setPromptPresenter =
                  [&eventStores](auto presenter) { eventStores.setPromptPresenter(presenter); },
              .setAuthorizationStatus =
                  [&eventStores](EventStoreEntityType type, Status status) {
                      eventStores.setAuthorizationStatus(type, status);
                  },
          })
{
}

SimPrivacySettings::SimPrivacySettings(MainLoop& mainLoop, AlertPresenter& alerts, SimWorkspace& workspace,
                                       SimAccessibilityTrust& trust, EventStoreAccess eventStores)
    : mainLoop_(mainLoop), alerts_(alerts), workspace_(workspace), trust_(trust),
      eventStores_(std::move(eventStores))
{
    if (eventStores_.setPromptPresenter) {
        eventStores_.setPromptPresenter(
            [this](EventStoreEntityType type) { return presentAccessPrompt(type); });
    }
    workspace_.setURLHandler([this, watch = alive_.watch()](std::string_view url) {
        // The pane opens after the call that asked for it, as a system window would.
        mainLoop_.post([this, watch, url = std::string(url)] {
            if (watch) {
                openPane(url);
            }
        });
    });
}

SimPrivacySettings::~SimPrivacySettings()
{
    if (eventStores_.setPromptPresenter) {
        eventStores_.setPromptPresenter(nullptr);
    }
    workspace_.setURLHandler(nullptr);
}

bool SimPrivacySettings::presentAccessPrompt(EventStoreEntityType type)
{
    const bool reminders = type == EventStoreEntityType::reminder;
    Alert alert;
    alert.alertStyle = Alert::Style::informational;
    alert.messageText = reminders ? "“Quillmarker” Would Like to Access Your Reminders"
                                  : "“Quillmarker” Would Like to Access Your Calendar";
    alert.informativeText = reminders ? "Quillmarker saves //reminders tasks to your reminder lists."
                                      : "Quillmarker creates //calendar events on your default calendar.";
    alert.addButton("Allow Full Access");
    alert.addButton("Don’t Allow");
    return alert.runModal(alerts_) == Alert::alertFirstButtonReturn;
}

bool SimPrivacySettings::askPane(const char* title, const char* question)
{
    Alert alert;
    alert.alertStyle = Alert::Style::informational;
    alert.messageText = title;
    alert.informativeText = question;
    alert.addButton("Allow");
    alert.addButton("Don’t Allow");
    return alert.runModal(alerts_) == Alert::alertFirstButtonReturn;
}

void SimPrivacySettings::openPane(std::string_view url)
{
    const auto link = SystemSettingsLink::parse(url);
    if (!link) {
        return;
    }
    const std::string anchor = link->anchor.value_or("");
    if (anchor == "Privacy_Accessibility") {
        trust_.setTrusted(
            askPane("Privacy & Security › Accessibility",
                    "Allow Quillmarker to control this computer using accessibility features?"));
    } else if (anchor == "Privacy_Reminders") {
        const bool allow =
            askPane("Privacy & Security › Reminders", "Allow Quillmarker to access your reminders?");
        eventStores_.setAuthorizationStatus(EventStoreEntityType::reminder,
                                            allow ? Status::fullAccess : Status::denied);
    } else if (anchor == "Privacy_Calendars") {
        const bool allow =
            askPane("Privacy & Security › Calendars", "Allow Quillmarker to access your calendars?");
        eventStores_.setAuthorizationStatus(EventStoreEntityType::event,
                                            allow ? Status::fullAccess : Status::denied);
    } else if (link->paneIdentifier.find("Notifications") != std::string::npos) {
        Alert alert;
        alert.alertStyle = Alert::Style::informational;
        alert.messageText = "Notifications";
        alert.informativeText =
            "Quillmarker's notifications are shown by the desktop's notification service. When none answers, "
            "start it; Quillmarker notices by itself.";
        alert.addButton("OK");
        alert.runModal(alerts_);
    }
}

}  // namespace qm
