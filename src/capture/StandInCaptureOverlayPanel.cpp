#include "capture/StandInCaptureOverlayPanel.h"

#include "base/Text.h"
#include "capture/CaptureRouterController.h"
#include "platform/KeyCode.h"
#include "platform/KeyEventFlags.h"
#include "platform/MainLoop.h"
#include "platform/NotificationCenter.h"

namespace qm {

StandInCaptureOverlayPanel::StandInCaptureOverlayPanel(MainLoop& mainLoop, CaptureRouterController& router,
                                                       NotificationCenter& notificationCenter)
    : mainLoop_(mainLoop), router_(router), notificationCenter_(notificationCenter)
{
}

void StandInCaptureOverlayPanel::update(const std::string& targetName)
{
    std::lock_guard lock(mutex_);
    calls_.push_back({Call::Kind::update, targetName, {}});
}

void StandInCaptureOverlayPanel::show(const Rect& caret)
{
    std::lock_guard lock(mutex_);
    calls_.push_back({Call::Kind::show, {}, caret});
    shown_ = true;
}

void StandInCaptureOverlayPanel::hide()
{
    std::lock_guard lock(mutex_);
    calls_.push_back({Call::Kind::hide, {}, {}});
    shown_ = false;
}

void StandInCaptureOverlayPanel::keyDown(const KeyEvent& event)
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

std::vector<StandInCaptureOverlayPanel::Call> StandInCaptureOverlayPanel::calls() const
{
    std::lock_guard lock(mutex_);
    return calls_;
}

bool StandInCaptureOverlayPanel::isShown() const
{
    std::lock_guard lock(mutex_);
    return shown_;
}

void StandInCaptureOverlayPanel::handleKey(const KeyEvent& event)
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
            notificationCenter_.post("UpdateCapturePanelSize");
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

void StandInCaptureOverlayPanel::edit(std::string text)
{
    router_.setMessageInput(text);
    router_.handleMessageInputChange(text);
}

}  // namespace qm
