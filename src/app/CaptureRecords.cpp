#include "app/CaptureRecords.h"

#include <stdexcept>

namespace qm {

namespace {

CaptureRecords::Hooks checked(CaptureRecords::Hooks hooks)
{
    if (!hooks.showHUD || !hooks.isCaptureModeActive || !hooks.hostCaptureContext) {
        throw std::invalid_argument("CaptureRecords: the HUD, the capture-mode probe and the host context "
                                    "are all required");
    }
    return hooks;
}

}  // namespace

CaptureRecords::CaptureRecords(const PlatformBundle& platform, Hooks hooks)
    : hooks_(checked(std::move(hooks))), quietWindow_(platform.clock),
      hostFocus_(platform.workspace, platform.accessibility, hooks_.hostCaptureContext),
      openLoops_(makeOpenLoopStore(platform, hostFocus_, quietWindow_, hooks_, platform.applicationSupport)),
      landing_(platform.mainLoop, *openLoops_, quietWindow_, hooks_.hostCaptureContext, hooks_.showHUD)
{
}

std::unique_ptr<OpenLoopStore>
CaptureRecords::makeOpenLoopStore(const PlatformBundle& platform, const HostFocus& hostFocus,
                                  const CaptureQuietWindow& quietWindow, const Hooks& hooks,
                                  std::optional<std::filesystem::path> applicationSupport)
{
    return std::make_unique<OpenLoopStore>(
        platform.clock, platform.mainLoop, platform.workspace,
        ReturnWhisper(hostFocus, quietWindow, hooks.isCaptureModeActive, hooks.showHUD),
        std::move(applicationSupport));
}

}  // namespace qm
