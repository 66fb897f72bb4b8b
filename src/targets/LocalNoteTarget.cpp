#include "targets/LocalNoteTarget.h"

#include "targets/TargetUnavailableError.h"

namespace qm {

LocalNoteTarget::LocalNoteTarget() : CaptureTarget(kCommandName, /*needsPicker=*/false) {}

std::vector<PickerOption> LocalNoteTarget::pickerOptions(const CancellationToken&)
{
    return {};
}

void LocalNoteTarget::send(const std::string&, const std::optional<PickerOption>&)
{
    throw TargetUnavailableError("LocalNoteTarget", commandName());
}

}  // namespace qm
