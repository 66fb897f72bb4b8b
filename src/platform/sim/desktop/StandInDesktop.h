#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/runtime/MainLoop.h"
#include "platform/sim/accessibility/SimAccessibility.h"
#include "platform/sim/accessibility/SimAccessibilityTrust.h"
#include "platform/sim/display/SimMouse.h"
#include "platform/sim/display/SimScreens.h"
#include "platform/sim/keyboard/KeyboardDriver.h"
#include "platform/sim/keyboard/SimEventStream.h"
#include "platform/sim/keyboard/SimSecureInput.h"
#include "platform/sim/workspace/SimApplication.h"
#include "platform/sim/workspace/SimBrowser.h"
#include "platform/sim/workspace/SimWorkspace.h"

namespace qm {

class SimDesktopState;

// The stand-in desktop: running applications with windows and text fields,
// a keyboard that sends key events through the event taps, screens and a
// mouse, and the platform interfaces over them (Workspace, Accessibility and
// its trust, the tap factory, the synthetic-event poster, secure input,
// Screens, Mouse). Deterministic and in memory.
//
// Threads: everything may be called from any thread. Accessibility observer
// callbacks and the workspace's notifications run on `mainLoop`, posted when
// the change happens; tap callbacks and application key handlers run
// synchronously on the thread that sends the key.
//
// Coordinates: elements are placed in Accessibility coordinates (top-left
// origin of the primary screen, y down); screens and the mouse use screen
// coordinates (bottom-left origin, y up); ScreenCoordinates converts.
//
// This program is an application of the desktop too (bundle identifier
// "com.quillmarker.app", name "Quillmarker"), with no windows; it starts
// trusted, and no application is frontmost until one is activated.
class StandInDesktop {
public:
    static constexpr const char* ownBundleIdentifier = "com.quillmarker.app";
    static constexpr const char* ownName = "Quillmarker";

    // `mainLoop` must outlive the desktop.
    explicit StandInDesktop(MainLoop& mainLoop);
    ~StandInDesktop();
    StandInDesktop(const StandInDesktop&) = delete;
    StandInDesktop& operator=(const StandInDesktop&) = delete;

    SimWorkspace& workspace() { return workspace_; }
    SimAccessibility& accessibility() { return *accessibility_; }
    SimAccessibilityTrust& trust() { return trust_; }
    SimEventStream& eventTaps() { return events_; }
    SimEventStream& syntheticEvents() { return events_; }
    SimSecureInput& secureInput() { return secureInput_; }
    SimScreens& screens() { return screens_; }
    SimMouse& mouse() { return mouse_; }
    KeyboardDriver& keyboard() { return keyboard_; }

    SimApplication addApplication(std::optional<std::string> bundleIdentifier,
                                  std::optional<std::string> localizedName);
    // A browser application with one window showing `url` (SimBrowser).
    SimBrowser addBrowser(const std::string& bundleIdentifier, const std::string& localizedName,
                          const std::string& url, const std::string& pageTitle);
    SimApplication ownApplication();

private:
    // Declared first: the desktop state registers this program and fills it in.
    std::int32_t ownPid_ = 0;
    std::shared_ptr<SimDesktopState> state_;
    std::shared_ptr<SimAccessibility> accessibility_;
    SimAccessibilityTrust trust_;
    SimWorkspace workspace_;
    SimEventStream events_;
    SimSecureInput secureInput_;
    SimScreens screens_;
    SimMouse mouse_;
    KeyboardDriver keyboard_;
};

}  // namespace qm
