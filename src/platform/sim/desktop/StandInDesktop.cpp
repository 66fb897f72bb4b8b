#include "platform/sim/desktop/StandInDesktop.h"

#include "platform/sim/desktop/SimDesktopState.h"

namespace qm {
namespace {

std::shared_ptr<SimDesktopState> makeState(MainLoop& mainLoop, std::int32_t& ownPid)
{
    auto state = std::make_shared<SimDesktopState>(mainLoop);
    const auto lock = state->lock();
    ownPid = state->addApplication(StandInDesktop::ownBundleIdentifier, StandInDesktop::ownName);
    return state;
}

std::shared_ptr<SimAccessibility> makeAccessibility(const std::shared_ptr<SimDesktopState>& state)
{
    auto accessibility = std::make_shared<SimAccessibility>(state);
    state->setElementBackend(accessibility);
    return accessibility;
}

}  // namespace

StandInDesktop::StandInDesktop(MainLoop& mainLoop)
    : ownPid_(0), state_(makeState(mainLoop, ownPid_)), accessibility_(makeAccessibility(state_)),
      trust_(state_), workspace_(state_, ownPid_), events_(state_, ownPid_), secureInput_(state_),
      keyboard_(events_)
{
}

StandInDesktop::~StandInDesktop()
{
    const auto lock = state_->lock();
    state_->shutdown();
}

SimApplication StandInDesktop::addApplication(std::optional<std::string> bundleIdentifier,
                                              std::optional<std::string> localizedName)
{
    const auto lock = state_->lock();
    return SimApplication(state_,
                          state_->addApplication(std::move(bundleIdentifier), std::move(localizedName)));
}

SimBrowser StandInDesktop::addBrowser(const std::string& bundleIdentifier, const std::string& localizedName,
                                      const std::string& url, const std::string& pageTitle)
{
    return SimBrowser::create(addApplication(bundleIdentifier, localizedName), url, pageTitle);
}

SimApplication StandInDesktop::ownApplication()
{
    return SimApplication(state_, ownPid_);
}

}  // namespace qm
