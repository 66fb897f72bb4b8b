#include "capture/sim/SimCaptureOverlayPanel.h"

#include "base/Text.h"
#include "capture/CaptureNotifications.h"
#include "capture/CaptureRouterController.h"
#include "platform/keyboard/KeyCode.h"
#include "platform/keyboard/KeyEventFlags.h"
#include "platform/notifications/NotificationCenter.h"
#include "platform/runtime/MainLoop.h"

namespace qm {

SimCaptureOverlayPanel::SimCaptureOverlayPanel(MainLoop& mainLoop, CaptureRouterController& router,
                                               NotificationCenter& notificationCenter)
    : mainLoop_(mainLoop), router_(router), notificationCenter_(notificationCenter)
{
}

void SimCaptureOverlayPanel::update(const std::string& targetName)
{
    std::lock_guard lock(mutex_);
    calls_.push_back({Call::Kind::update, targetName, {}});
}

void SimCaptureOverlayPanel::show(const Rect& caret)
{
    std::lock_guard lock(mutex_);
    calls_.push_back({Call::Kind::show, {}, caret});
    shown_ = true;
}

void SimCaptureOverlayPanel::hide()
{
    std::lock_guard lock(mutex_);
    calls_.push_back({Call::Kind::hide, {}, {}});
    shown_ = false;
}

void SimCaptureOverlayPanel::keyDown(const KeyEvent& event)
{
    if (event.type() != KeyEventType::keyDown) {
        return;
    }
    mainLoop_.post(alive_.guard([this, event] {
        if (isShown()) {
            handleKey(event);
        }
    }));
}

std::vector<SimCaptureOverlayPanel::Call> SimCaptureOverlayPanel::calls() const
{
    std::lock_guard lock(mutex_);
    return calls_;
}

bool SimCaptureOverlayPanel::isShown() const
{
    std::lock_guard lock(mutex_);
    return shown_;
}

void SimCaptureOverlayPanel::handleKey(const KeyEvent& event)
{
    switch (event.keyCode()) {
    case KeyCode::escape:
        router_.cancelCapture();
        return;
    case KeyCode::returnKey:
    case KeyCode::keypadEnter:
        router_.commitCapture();
        return;
    case KeyCode::tab: {
        const auto& target = router_.currentTarget();
        if (target && target->needsPicker() && !router_.isTargetConfirmed() &&
            !router_.pickerOptions().empty()) {
            router_.confirmSelectedTarget();
            notificationCenter_.post(CaptureNotifications::updateCapturePanelSize);
        }
        return;
    }
    case KeyCode::deleteKey: {
        const std::string& current = router_.messageInput();
        std::u16string units = text::toUtf16(current);
        const std::size_t last = text::utf16LengthOfCharacterBefore(current, units.size());
        if (last > 0) {
            units.resize(units.size() - last);
            edit(text::toUtf8(units));
        }
        return;
    }
    default:
        break;
    }
    const std::u16string_view typed = event.unicodeString();
    if (typed.empty() || (event.flags() & (KeyEventFlags::command | KeyEventFlags::control)) != 0 ||
        typed.front() < u' ' || typed.front() == u'\x7F' ||
        (typed.front() >= 0xF700 && typed.front() <= 0xF8FF)) {
        return;
    }
    edit(router_.messageInput() + text::toUtf8(typed));
}

void SimCaptureOverlayPanel::edit(std::string text)
{
    router_.setMessageInput(text);
    router_.handleMessageInputChange(text);
}

}  // namespace qm
