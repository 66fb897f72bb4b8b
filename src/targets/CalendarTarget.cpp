#include "targets/CalendarTarget.h"

#include "targets/TargetUnavailableError.h"

namespace qm {

CalendarTarget::CalendarTarget() : CaptureTarget(kCommandName, /*needsPicker=*/false) {}

std::vector<PickerOption> CalendarTarget::pickerOptions(const CancellationToken&)
{
    return {};
}

void CalendarTarget::send(const std::string&, const std::optional<PickerOption>&)
{
    throw TargetUnavailableError("CalendarTarget", commandName());
}

}  // namespace qm
