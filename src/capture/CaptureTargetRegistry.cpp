#include "capture/CaptureTargetRegistry.h"

#include <algorithm>

namespace qm {

CaptureTargetRegistry::CaptureTargetRegistry(Targets targets) : targets_(std::move(targets))
{
    std::erase(targets_, nullptr);
}

std::shared_ptr<CaptureTarget> CaptureTargetRegistry::target(std::string_view commandName) const
{
    const auto found = std::find_if(targets_.begin(), targets_.end(),
                                    [&](const auto& target) { return target->commandName() == commandName; });
    return found == targets_.end() ? nullptr : *found;
}

}  // namespace qm
