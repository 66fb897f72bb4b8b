#include "targets/ClipboardTarget.h"

#include "targets/TargetUnavailableError.h"

namespace qm {

ClipboardTarget::ClipboardTarget() : CaptureTarget(kCommandName, /*needsPicker=*/false) {}

std::vector<PickerOption> ClipboardTarget::pickerOptions(const CancellationToken&)
{
    return {};
}

void ClipboardTarget::send(const std::string&, const std::optional<PickerOption>&)
{
    throw TargetUnavailableError("ClipboardTarget", commandName());
}

}  // namespace qm
