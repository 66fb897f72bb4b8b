#pragma once

#include <functional>

namespace qm {

class AlertPresenter;
class CaptureRouterController;
class Clock;
class EventTapFactory;
class MainLoop;
class NotificationCenter;
class PermissionsManager;
class PrivacyFirewall;
class SecureInput;
class SyntheticEventPoster;
class UserDefaults;
class Workspace;

// What the event tap manager and its parts work with. Every reference must
// outlive the manager.
struct EventTapServices {
    EventTapFactory& tapFactory;
    SyntheticEventPoster& eventPoster;
    SecureInput& secureInput;
    Workspace& workspace;
    MainLoop& mainLoop;
    const Clock& clock;
    const UserDefaults& defaults;
    // Where the tap's notifications are posted and its own observers listen.
    NotificationCenter& notificationCenter;
    CaptureRouterController& captureRouter;
    PrivacyFirewall& privacyFirewall;
    // The Accessibility trust checked at start, and the settings the failure prompt opens.
    PermissionsManager& permissions;
    // Shows the failure prompt.
    AlertPresenter& alerts;
    // True while one of the program's own editable windows is key; keys
    // then reach that window untouched. Called for every key-down on the
    // tap's thread. Empty: never.
    std::function<bool()> isOwnEditableWindowKey;
};

}  // namespace qm
