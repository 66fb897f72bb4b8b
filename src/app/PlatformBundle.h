#pragma once

#include <filesystem>
#include <functional>
#include <optional>

#include "platform/eventstore/EventStore.h"

namespace qm {

class Accessibility;
class AccessibilityTrust;
class AlertPresenter;
class Clock;
class ColorPanel;
class DistributedNotificationCenter;
class EventTapFactory;
class HttpClient;
class LegacyKeychain;
class MainLoop;
class Mouse;
class NotificationCenter;
class Pasteboard;
class Screens;
class SecureInput;
class SyntheticEventPoster;
class UserDefaults;
class UserNotificationCenter;
class Workspace;

// The platform services the program runs on, by family: the stand-in desktop
// today (StandInPlatform), the Linux services as they land. AppComposition
// builds every service from one bundle; whoever made the bundle owns what it
// names and keeps it alive longer than the composition. A member may be
// replaced before composing (a test's gated poster, a benchmark's tap factory).
struct PlatformBundle {
    // Runtime.
    std::reference_wrapper<const Clock> clock;
    std::reference_wrapper<MainLoop> mainLoop;

    // Storage: the folder that holds "com.quillmarker.app" (none: every store
    // stays in memory or fails as it documents), the user defaults, and the
    // keychain where older versions left secrets (none on Linux).
    std::optional<std::filesystem::path> applicationSupport;
    std::reference_wrapper<UserDefaults> defaults;
    LegacyKeychain* legacyKeychain = nullptr;

    // Notifications: the in-process centre every component posts on, the
    // cross-process one, and the user's notification centre.
    std::reference_wrapper<NotificationCenter> notificationCenter;
    std::reference_wrapper<DistributedNotificationCenter> distributedNotificationCenter;
    std::reference_wrapper<UserNotificationCenter> userNotificationCenter;

    // Workspace: running applications, the general pasteboard, modal alerts,
    // the colour panel.
    std::reference_wrapper<Workspace> workspace;
    std::reference_wrapper<Pasteboard> pasteboard;
    std::reference_wrapper<AlertPresenter> alerts;
    std::reference_wrapper<ColorPanel> colorPanel;

    // Accessibility and its trust.
    std::reference_wrapper<Accessibility> accessibility;
    std::reference_wrapper<AccessibilityTrust> accessibilityTrust;

    // Keyboard: the session event tap, the poster of synthetic keys, secure input.
    std::reference_wrapper<EventTapFactory> eventTaps;
    std::reference_wrapper<SyntheticEventPoster> syntheticEvents;
    std::reference_wrapper<SecureInput> secureInput;

    // Display.
    std::reference_wrapper<const Screens> screens;
    std::reference_wrapper<const Mouse> mouse;

    // Event store: makes a store for one job.
    EventStore::Factory eventStores;

    // Network: HTTP requests.
    std::reference_wrapper<HttpClient> http;
};

}  // namespace qm
