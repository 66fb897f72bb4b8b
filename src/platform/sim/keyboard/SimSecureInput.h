#pragma once

#include <memory>

#include "platform/keyboard/SecureInput.h"

namespace qm {

class SimDesktopState;

// Secure input of the stand-in desktop: on while the frontmost application's
// focused element is a password field, or while a test turns it on (as a
// terminal's secure keyboard entry does). Keys still pass the event taps, so
// the code that must ignore them can be tested.
class SimSecureInput final : public SecureInput {
public:
    explicit SimSecureInput(std::shared_ptr<SimDesktopState> state);

    bool isSecureEventInputEnabled() const override;
    void setRequested(bool requested);

private:
    std::shared_ptr<SimDesktopState> state_;
};

}  // namespace qm
