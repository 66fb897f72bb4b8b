#pragma once

#include <functional>
#include <string_view>

#include "platform/runtime/AliveToken.h"
#include "platform/sim/eventstore/SimEventStoreBackend.h"

namespace qm {

class AlertPresenter;
class MainLoop;
class SimAccessibilityTrust;
class SimWorkspace;

// The person in front of the stand-in platform, deciding about the program's
// permissions: the access prompts of reminders and calendars, and the privacy
// panes of System Settings that the program opens (Accessibility, Reminders,
// Calendars, Notifications), each become an alert the person answers; the
// answer becomes the decision the stand-ins keep. So a permission refused at
// its prompt can still be granted in its pane, as on the real system.
// Notifications are the desktop's notification server's to allow: their pane
// only says so.
//
// Installs itself on the workspace and the event-store backend, and takes
// itself off again when destroyed. Panes open on the main loop, after the
// call that opened them returned. Main thread only.
class SimPrivacySettings {
public:
    // Where the decisions about reminders and calendars are kept. Without
    // `setPromptPresenter` the store shows its own access prompt.
    struct EventStoreAccess {
        std::function<void(std::function<bool(EventStoreEntityType)>)> setPromptPresenter;
        std::function<void(EventStoreEntityType, EventStoreAuthorizationStatus)> setAuthorizationStatus;
    };

    // Every reference must outlive this object.
    SimPrivacySettings(MainLoop& mainLoop, AlertPresenter& alerts, SimWorkspace& workspace,
                       SimAccessibilityTrust& trust, SimEventStoreBackend& eventStores);
    SimPrivacySettings(MainLoop& mainLoop, AlertPresenter& alerts, SimWorkspace& workspace,
                       SimAccessibilityTrust& trust, EventStoreAccess eventStores);
    ~SimPrivacySettings();
    SimPrivacySettings(const SimPrivacySettings&) = delete;
    SimPrivacySettings& operator=(const SimPrivacySettings&) = delete;

    // The access prompt of reminders or calendars; true when allowed.
    bool presentAccessPrompt(EventStoreEntityType type);
    // Shows the pane that `url` names, if it is a privacy pane.
    void openPane(std::string_view url);

private:
    bool askPane(const char* title, const char* question);

    MainLoop& mainLoop_;
    AlertPresenter& alerts_;
    SimWorkspace& workspace_;
    SimAccessibilityTrust& trust_;
    EventStoreAccess eventStores_;
    AliveToken alive_;
};

}  // namespace qm
