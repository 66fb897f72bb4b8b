#pragma once

#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "base/Uuid.h"

namespace qm {

// A landed capture the user still has to come back to. In the file each field
// is stored under its own name; the optional ones are left out when absent.
struct OpenLoop {
    Uuid id{Uuid::Bytes{}};
    // The captured line as the target received it.
    std::string text;
    // What to do: a when-line's action, otherwise the whole text.
    std::string action;
    // The command word of the target that received it ("note", "calendar" ...).
    std::string target;
    // The confirmation shown when it landed.
    std::string receipt;
    // A file path or URL that shows the result.
    std::optional<std::string> revealPath;
    // Where it was typed (HostCaptureContext).
    std::string appName;
    std::optional<std::string> bundleId;
    std::string windowTitle;
    // The when-line's cue words; empty for a loop parked without a cue.
    std::vector<std::string> cueTokens;
    // Seconds since 00:00:00 UTC on 1 January 2001, the platform's date origin,
    // which is what the file holds; kept so that a load and save never drift.
    double createdAt = 0;
    // Marked done: never shown or whispered again.
    bool closed = false;
    // The user switched away from its application since it was last whispered.
    bool departed = false;

    nlohmann::json toJson() const;
    // The loop, or nothing with `reason` set when a required key is missing or a
    // value has the wrong type (an optional one may be null or missing).
    static std::optional<OpenLoop> fromJson(const nlohmann::json& object, std::string& reason);

    friend bool operator==(const OpenLoop&, const OpenLoop&) = default;
};

}  // namespace qm
