#include "targets/ObsidianTarget.h"

#include "targets/TargetUnavailableError.h"

namespace qm {

ObsidianTarget::ObsidianTarget() : CaptureTarget(kCommandName, /*needsPicker=*/false) {}

std::vector<PickerOption> ObsidianTarget::pickerOptions(const CancellationToken&)
{
    return {};
}

void ObsidianTarget::send(const std::string&, const std::optional<PickerOption>&)
{
    throw TargetUnavailableError("ObsidianTarget", commandName());
}

}  // namespace qm
