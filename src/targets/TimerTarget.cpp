#include "targets/TimerTarget.h"

#include "targets/TargetUnavailableError.h"

namespace qm {

TimerTarget::TimerTarget() : CaptureTarget(kCommandName, /*needsPicker=*/false) {}

std::vector<PickerOption> TimerTarget::pickerOptions(const CancellationToken&)
{
    return {};
}

void TimerTarget::send(const std::string&, const std::optional<PickerOption>&)
{
    throw TargetUnavailableError("TimerTarget", commandName());
}

}  // namespace qm
