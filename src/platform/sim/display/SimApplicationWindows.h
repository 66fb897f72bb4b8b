#pragma once

#include "platform/display/ApplicationWindows.h"

namespace qm {

class NotificationCenter;

// Which window of this program is key on the stand-in desktop. Making a
// window key posts the old key window's did-resign-key and then the new one's
// did-become-key; a test can leave the notifications out, as a missed
// notification would. Main thread.
class SimApplicationWindows final : public ApplicationWindows {
public:
    // `center` must outlive this object.
    explicit SimApplicationWindows(NotificationCenter& center) : center_(center) {}

    const void* keyWindow() const override { return key_; }

    // `window` is any window identity, nullptr for none.
    void makeKey(const void* window, bool postNotifications = true);
    // Forgets a window that is going away.
    void forget(const void* window);

private:
    NotificationCenter& center_;
    const void* key_ = nullptr;
};

}  // namespace qm
