#include "targets/LogseqTarget.h"

#include "targets/TargetUnavailableError.h"

namespace qm {

LogseqTarget::LogseqTarget() : CaptureTarget(kCommandName, /*needsPicker=*/false) {}

std::vector<PickerOption> LogseqTarget::pickerOptions(const CancellationToken&)
{
    return {};
}

void LogseqTarget::send(const std::string&, const std::optional<PickerOption>&)
{
    throw TargetUnavailableError("LogseqTarget", commandName());
}

}  // namespace qm
