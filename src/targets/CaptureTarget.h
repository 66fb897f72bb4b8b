#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/runtime/CancellationToken.h"
#include "targets/PickerOption.h"

namespace qm {

// A destination of captured lines (a note file, the clipboard, a timer ...).
//
// The command word and the picker flag are fixed when the target is built and
// read from any thread, the event-tap thread included. The two operations are
// called from background tasks that capture mode starts on the main thread;
// they may block, so they are never called on the main thread or the tap.
class CaptureTarget {
public:
    virtual ~CaptureTarget() = default;
    CaptureTarget(const CaptureTarget&) = delete;
    CaptureTarget& operator=(const CaptureTarget&) = delete;

    // The word typed after "//": lower case, no slashes, no spaces.
    const std::string& commandName() const { return commandName_; }
    // True when a PickerOption must be chosen before the line is sent.
    bool needsPicker() const { return needsPicker_; }

    // The rows of the overlay's picker; empty for a target without one. Called
    // only when needsPicker() is true; stops early once `cancellation` is
    // cancelled (capture mode closed). Never throws: a failure is a row whose
    // id is "error".
    virtual std::vector<PickerOption> pickerOptions(const CancellationToken& cancellation) = 0;

    // Delivers the captured line exactly as typed (the target trims it).
    // Returning means the capture landed. On failure it throws an exception
    // derived from std::exception whose what() is the whole sentence shown to
    // the user and kept in the recovery log.
    virtual void send(const std::string& text, const std::optional<PickerOption>& selectedOption) = 0;

protected:
    CaptureTarget(std::string commandName, bool needsPicker)
        : commandName_(std::move(commandName)), needsPicker_(needsPicker)
    {
    }

private:
    const std::string commandName_;
    const bool needsPicker_;
};

}  // namespace qm
