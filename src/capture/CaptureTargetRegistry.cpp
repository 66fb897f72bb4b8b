#include "capture/CaptureTargetRegistry.h"

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>

#include "platform/linux/network/CurlHttpClient.h"
#include "platform/runtime/Clock.h"
#include "platform/storage/UserDefaults.h"
#include "records/CaptureLanding.h"
#include "store/KeychainHelper.h"

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

namespace {

// The Slack Web API's host.
constexpr const char* kSlackAPIHost = "https://slack.com";

// Confirms through the landing the composition root installed, looked up at
// each capture: the standard table is built before anything is installed.
class InstalledLanding final : public CaptureAnnouncer {
public:
    void announce(const std::string& target, const std::string& text, const std::string& receipt,
                  const std::optional<std::string>& revealPath, const std::optional<std::string>& systemImage,
                  bool parksLoop) override
    {
        CaptureLanding::shared().announce(target, text, receipt, revealPath, systemImage, parksLoop);
    }
};

// The process-wide services the standard targets are built with; they live
// as long as the process, as the targets of a standard table may.
struct StandardServices {
    InstalledLanding landing;
    CurlHttpClient http;
};

StandardServices& standardServices()
{
    static StandardServices services;
    return services;
}

std::optional<std::string> loadSecret(std::string_view service, std::string_view key)
{
    return KeychainHelper::load(service, key, /*skipAuthUI=*/true);
}

}  // namespace

CaptureTargetRegistry CaptureTargetRegistry::standard()
{
    StandardServices& services = standardServices();
    UserDefaults& defaults = UserDefaults::standard();
    const Clock& clock = Clock::system();
    return CaptureTargetRegistry({
        std::make_shared<LocalNoteTarget>(),
        std::make_shared<RemindersTarget>(),
        std::make_shared<ClipboardTarget>(),
        std::make_shared<TimerTarget>(),
        std::make_shared<CalcTarget>(),
        std::make_shared<AlarmTarget>(),
        std::make_shared<CalendarTarget>(),
        std::make_shared<ObsidianTarget>(defaults, clock, services.landing),
        std::make_shared<SlackTarget>(services.http, kSlackAPIHost, loadSecret, clock, services.landing),
        std::make_shared<LogseqTarget>(defaults, clock, services.landing),
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
