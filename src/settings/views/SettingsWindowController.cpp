#include "settings/views/SettingsWindowController.h"

#include "platform/linux/display/QtWindow.h"
#include "settings/SettingsWindowModel.h"
#include "settings/views/SettingsWindowWidget.h"
#include "shell/OwnWindowKeyboardGuard.h"

namespace qm {

SettingsWindowController::SettingsWindowController(SettingsServices services, OwnWindowKeyboardGuard* guard,
                                                   std::function<void()> windowClosed)
    : services_(std::move(services)), guard_(guard), windowClosed_(std::move(windowClosed))
{
}

SettingsWindowController::~SettingsWindowController()
{
    if (guard_ && platformWindow_) {
        guard_->unregisterEditableWindow(*platformWindow_);
    }
    platformWindow_.reset();
    window_.reset();
    model_.reset();
}

void SettingsWindowController::show(std::optional<SettingsSection> section)
{
    if (!window_) {
        model_ = std::make_unique<SettingsWindowModel>(services_);
        window_ = std::make_unique<SettingsWindowWidget>(*model_);
        window_->onClosed = [this] {
            if (windowClosed_) {
                windowClosed_();
            }
        };
        platformWindow_ = std::make_unique<QtWindow>(*window_, services_.notificationCenter);
    }
    if (!window_->isVisible()) {
        model_->appear();
        window_->rebuildPage();
    }
    if (section) {
        model_->selectSection(*section);
    }
    if (guard_) {
        guard_->registerEditableWindow(*platformWindow_);
    }
    window_->show();
    window_->raise();
    window_->activateWindow();
}

}  // namespace qm
