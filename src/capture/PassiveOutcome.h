#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "capture/CaptureFailureNotice.h"
#include "targets/CaptureTarget.h"

namespace qm {

// What one key did to the passive buffer, and what the router must do about it.
struct PassiveOutcome {
    enum class Kind {
        passThrough,  // the key reaches the host
        trigger,      // the key completed an accepted trigger: swallow it and remove the trigger
    };

    Kind kind = Kind::passThrough;
    // For a trigger: the matched target, the trigger as typed (two slashes and
    // the command word in the user's letter case, no terminator) and how many
    // Delete keys remove it from the host field.
    std::shared_ptr<CaptureTarget> target;
    // The target's command word, kept by the detector (which must outlive the outcome).
    std::string_view commandName;
    std::string triggerBody;
    int documentTriggerLength = 0;

    // A command word was typed at a valid boundary: the suggestion overlay must
    // go, even when the folder pre-check then stops the trigger.
    bool hidesSuggestions = false;
    // The router's folder pre-check stopped the trigger (the kind is then
    // passThrough): the notice to post.
    std::optional<CaptureFailureNotice> folderFailure;

    bool isTrigger() const { return kind == Kind::trigger; }
};

}  // namespace qm
