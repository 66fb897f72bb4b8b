#pragma once

#include <optional>
#include <string>
#include <vector>

#include "records/CaptureStats.h"
#include "records/OpenLoop.h"

namespace qm {

// Everything the status menu shows, read at the moment it is built.
struct StatusMenuInputs {
    // The program's short version ("0.1.0"); nothing when unknown.
    std::optional<std::string> shortVersion;
    bool accessibilityTrusted = false;
    // The user defaults' "hasSelectedShortcut".
    bool hasSelectedShortcut = false;
    // The statistics of the successful captures, as of `now`.
    CaptureStats stats;
    // The open loops to offer, newest first (OpenLoopStore::menuLoops).
    std::vector<OpenLoop> openLoops;
    // "Reveal <name>" for the last landed capture (OpenLoopStore::revealMenuTitle).
    std::optional<std::string> revealTitle;
    // The version of an update ready to install.
    std::optional<std::string> pendingUpdateVersion;
    // Seconds since 1970.
    double now = 0;
};

}  // namespace qm
