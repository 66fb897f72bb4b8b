#include "capture/CaptureTargetRegistry.h"

#include <algorithm>

#include "targets/AlarmTarget.h"
#include "targets/CalcTarget.h"
#include "targets/CalendarTarget.h"
#include "targets/ClipboardTarget.h"
#include "targets/LocalNoteTarget.h"
#include "targets/LogseqTarget.h"
#include "targets/ObsidianTarget.h"
#include "targets/RemindersTarget.h"
#include "targets/SlackTarget.h"
#include "targets/TimerTarget.h"

namespace qm {

CaptureTargetRegistry CaptureTargetRegistry::standard()
{
    return CaptureTargetRegistry({
        std::make_shared<LocalNoteTarget>(),
        std::make_shared<RemindersTarget>(),
        std::make_shared<ClipboardTarget>(),
        std::make_shared<TimerTarget>(),
        std::make_shared<CalcTarget>(),
        std::make_shared<AlarmTarget>(),
        std::make_shared<CalendarTarget>(),
        std::make_shared<ObsidianTarget>(),
        std::make_shared<SlackTarget>(),
        std::make_shared<LogseqTarget>(),
    });
}

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
