#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/keyboard/KeyEvent.h"
#include "platform/sim/accessibility/SimTreeAvailability.h"
#include "platform/workspace/RunningApplication.h"

namespace qm {

// One application of the stand-in desktop. Owned by SimDesktopState, read and
// changed only under its lock.
struct SimAppRecord {
    std::int32_t pid = 0;
    std::optional<std::string> bundleId;
    std::optional<std::string> name;
    bool running = true;

    std::vector<std::uint64_t> topLevel;  // windows and open menus, oldest first
    std::uint64_t focusedWindow = 0;
    std::uint64_t focusedElement = 0;
    std::uint64_t openMenu = 0;
    std::uint64_t focusBeforeMenu = 0;

    SimTreeAvailability tree = SimTreeAvailability::ready;
    bool acceptsManualAccessibility = false;
    bool acceptsEnhancedUserInterface = true;
    bool manualAccessibility = false;
    bool enhancedUserInterface = false;

    // How long the application takes to answer an Accessibility call. A call
    // whose messaging timeout is shorter fails with cannotComplete at once.
    double responseDelay = 0;

    // Keys for an application that draws its own windows (this program's own
    // panels): it gets every event that reaches it instead of the fields.
    std::function<void(const KeyEvent&)> keyHandler;

    RunningApplication runningApplication() const { return {pid, bundleId, name}; }

    bool treeAnswers() const
    {
        return tree == SimTreeAvailability::ready || (tree == SimTreeAvailability::afterEnablement &&
                                                      (manualAccessibility || enhancedUserInterface));
    }
};

}  // namespace qm
