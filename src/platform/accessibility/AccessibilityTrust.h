#pragma once

namespace qm {

// Whether this process may read and edit other applications through
// Accessibility and listen to the keyboard. The user grants it in the system's
// privacy settings; nothing is cached, every call asks afresh.
class AccessibilityTrust {
public:
    virtual ~AccessibilityTrust() = default;

    // The trusted check without options: never prompts.
    virtual bool isProcessTrusted() const = 0;

    // The trusted check with the prompt option. With `prompt` true and the process
    // not yet trusted, the system shows its own prompt and does not wait for the
    // answer: the result is the trust at the moment of the call, so a grant given
    // in the prompt shows only on a later check. With `prompt` false it is
    // isProcessTrusted().
    virtual bool isProcessTrustedWithOptions(bool prompt) = 0;
};

}  // namespace qm
