#include "app/SuggestionServices.h"

namespace qm {

SuggestionServices::SuggestionServices(const PlatformBundle& platform, Services services,
                                       SuggestionDisplay::Provider provider,
                                       std::function<void()> countersChanged)
    : placeholders_(
          {platform.mainLoop, platform.notificationCenter, platform.accessibility, services.eventTapManager}),
      inserter_({platform.accessibility, platform.workspace, platform.defaults, platform.alerts,
                 platform.syntheticEvents, services.eventTapManager, services.panel, placeholders_},
                std::move(countersChanged)),
      display_({platform.mainLoop, platform.notificationCenter, platform.accessibility, services.permissions,
                platform.workspace, platform.screens, services.eventTapManager, services.captureRouter,
                services.panel},
               std::move(provider),
               [this](const SuggestionModel& suggestion) { inserter_.accept(suggestion); }),
      aiText_({platform.notificationCenter, platform.accessibility, platform.syntheticEvents,
               services.eventTapManager, services.panel})
{
}

}  // namespace qm
