#include "targets/AlarmTarget.h"

#include "targets/TargetUnavailableError.h"

namespace qm {

AlarmTarget::AlarmTarget() : CaptureTarget(kCommandName, /*needsPicker=*/false) {}

std::vector<PickerOption> AlarmTarget::pickerOptions(const CancellationToken&)
{
    return {};
}

void AlarmTarget::send(const std::string&, const std::optional<PickerOption>&)
{
    throw TargetUnavailableError("AlarmTarget", commandName());
}

}  // namespace qm
