#pragma once

#include <memory>
#include <optional>

#include "platform/accessibility/AccessibilityTrust.h"

namespace qm {

class SimDesktopState;

// Accessibility trust of the stand-in desktop. Tests grant or refuse it and
// script what the user answers when the system's prompt is shown: with the
// answer true, trust is granted right after the prompting check returned (that
// check still answers false, as the platform's does).
class SimAccessibilityTrust final : public AccessibilityTrust {
public:
    explicit SimAccessibilityTrust(std::shared_ptr<SimDesktopState> state);

    bool isProcessTrusted() const override;
    bool isProcessTrustedWithOptions(bool prompt) override;

    void setTrusted(bool trusted);
    // Nothing (the default): the prompt is left unanswered.
    void setPromptAnswer(std::optional<bool> grant);
    // How many times the prompt was shown.
    int promptCount() const;

private:
    std::shared_ptr<SimDesktopState> state_;
};

}  // namespace qm
