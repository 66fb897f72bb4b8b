#include "targets/SlackTarget.h"

#include "targets/TargetUnavailableError.h"

namespace qm {

SlackTarget::SlackTarget() : CaptureTarget(kCommandName, /*needsPicker=*/true) {}

std::vector<PickerOption> SlackTarget::pickerOptions(const CancellationToken&)
{
    // The failure row keeps the picker from looking empty for no reason.
    return {PickerOption{"error", TargetUnavailableError::describe(commandName())}};
}

void SlackTarget::send(const std::string&, const std::optional<PickerOption>&)
{
    throw TargetUnavailableError("SlackTarget", commandName());
}

}  // namespace qm
