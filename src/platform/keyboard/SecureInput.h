#pragma once

namespace qm {

// Secure event input: on while a password field has the keyboard focus, or
// while some application asked for it (a terminal's secure keyboard entry).
// While it is on, nothing may look at what the user types.
class SecureInput {
public:
    virtual ~SecureInput() = default;

    // Any thread; cheap enough for every key.
    virtual bool isSecureEventInputEnabled() const = 0;
};

}  // namespace qm
