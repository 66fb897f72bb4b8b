#pragma once

#include "capture/CaptureTargetRegistry.h"

namespace qm {

class CaptureLanding;
class Clock;
class Pasteboard;

// The app's table of capture targets.
class StandardCaptureTargets {
public:
    // What the delivering targets work with; it must outlive the targets.
    struct Services {
        const Clock& clock;
        Pasteboard& pasteboard;
        CaptureLanding& landing;
    };

    // The ten targets in their fixed order: note, reminders, copy, timer,
    // calc, alarm, calendar, obsidian, slack, logseq. Each call makes new ones.
    static CaptureTargetRegistry make(const Services& services);

    StandardCaptureTargets() = delete;
};

}  // namespace qm
