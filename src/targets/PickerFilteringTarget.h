#pragma once

#include <string>
#include <vector>

#include "targets/CaptureTarget.h"

namespace qm {

// A target whose picker is filtered as the user types (the Slack target): the
// message field is the picker's filter until a row is confirmed. Capture mode
// resets its cache when it opens and asks for the filtered rows at every edit.
class PickerFilteringTarget : public CaptureTarget {
public:
    // Main thread, when capture mode opens: drops cached rows that are too old
    // to offer again.
    virtual void resetCache() = 0;

    // Main thread, at every edit while no row is confirmed: the rows that match
    // `text`, best first. Works on what pickerOptions() cached: no network call,
    // no blocking.
    virtual std::vector<PickerOption> filteredOptions(const std::string& text) = 0;

protected:
    using CaptureTarget::CaptureTarget;
};

}  // namespace qm
