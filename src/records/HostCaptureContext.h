#pragma once

#include <optional>
#include <string>

namespace qm {

// The application and window in which a capture was typed, so that a parked
// capture can be offered again when the user comes back there.
struct HostCaptureContext {
    static constexpr const char* kUnknownAppName = "this Mac";

    // The application's localized name; "this Mac" when none is known.
    std::string appName = kUnknownAppName;
    // Absent when there was no frontmost application or it has no identifier.
    std::optional<std::string> bundleId;
    // The focused window's title; empty when it could not be read.
    std::string windowTitle;

    friend bool operator==(const HostCaptureContext&, const HostCaptureContext&) = default;
};

}  // namespace qm
