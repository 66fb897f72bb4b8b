#include "app/StandardCaptureTargets.h"

#include <memory>

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

CaptureTargetRegistry StandardCaptureTargets::make(const Services& services)
{
    return CaptureTargetRegistry({
        std::make_shared<LocalNoteTarget>(services.clock, services.landing),
        std::make_shared<RemindersTarget>(services.eventStores, services.mainLoop, services.clock,
                                          services.landing, services.shutdown),
        std::make_shared<ClipboardTarget>(services.pasteboard, services.landing),
        std::make_shared<TimerTarget>(services.scheduler, services.mainLoop, services.landing,
                                      services.shutdown),
        std::make_shared<CalcTarget>(services.pasteboard, services.landing),
        std::make_shared<AlarmTarget>(services.scheduler, services.mainLoop, services.clock, services.landing,
                                      services.shutdown),
        std::make_shared<CalendarTarget>(services.eventStores, services.requestCalendarAccess,
                                         services.mainLoop, services.clock, services.landing,
                                         services.shutdown),
        std::make_shared<ObsidianTarget>(services.defaults, services.clock, services.landing),
        std::make_shared<SlackTarget>(services.http, kSlackAPIHost, services.loadSecret, services.clock,
                                      services.landing),
        std::make_shared<LogseqTarget>(services.defaults, services.clock, services.landing),
    });
}

}  // namespace qm
