#pragma once

#include <functional>
#include <memory>
#include <optional>

#include "settings/SettingsSection.h"
#include "settings/SettingsServices.h"

namespace qm {

class OwnWindowKeyboardGuard;
class QtWindow;
class SettingsWindowModel;
class SettingsWindowWidget;

// Opens the one settings window: made on first use and kept, so a window shown
// again keeps its pages' state. Other components open it here (the status
// menu's "Settings…", the failure alert) and pick its page and card with
// "SelectSettingsSection". Main thread only.
class SettingsWindowController {
public:
    // `windowClosed` runs after the window closed (the shell's close handling).
    SettingsWindowController(SettingsServices services, OwnWindowKeyboardGuard* guard,
                             std::function<void()> windowClosed);
    ~SettingsWindowController();
    SettingsWindowController(const SettingsWindowController&) = delete;
    SettingsWindowController& operator=(const SettingsWindowController&) = delete;

    // Brings the window in front, on `section` when given.
    void show(std::optional<SettingsSection> section = std::nullopt);

    // Present once shown.
    SettingsWindowModel* model() const { return model_.get(); }
    SettingsWindowWidget* window() const { return window_.get(); }

private:
    SettingsServices services_;
    OwnWindowKeyboardGuard* guard_;
    std::function<void()> windowClosed_;
    std::unique_ptr<SettingsWindowModel> model_;
    std::unique_ptr<SettingsWindowWidget> window_;
    std::unique_ptr<QtWindow> platformWindow_;
};

}  // namespace qm
