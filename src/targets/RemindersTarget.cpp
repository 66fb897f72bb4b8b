#include "targets/RemindersTarget.h"

#include "targets/TargetUnavailableError.h"

namespace qm {

RemindersTarget::RemindersTarget() : CaptureTarget(kCommandName, /*needsPicker=*/false) {}

std::vector<PickerOption> RemindersTarget::pickerOptions(const CancellationToken&)
{
    return {};
}

void RemindersTarget::send(const std::string&, const std::optional<PickerOption>&)
{
    throw TargetUnavailableError("RemindersTarget", commandName());
}

}  // namespace qm
