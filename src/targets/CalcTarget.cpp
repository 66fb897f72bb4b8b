#include "targets/CalcTarget.h"

#include "targets/TargetUnavailableError.h"

namespace qm {

CalcTarget::CalcTarget() : CaptureTarget(kCommandName, /*needsPicker=*/false) {}

std::vector<PickerOption> CalcTarget::pickerOptions(const CancellationToken&)
{
    return {};
}

void CalcTarget::send(const std::string&, const std::optional<PickerOption>&)
{
    throw TargetUnavailableError("CalcTarget", commandName());
}

}  // namespace qm
