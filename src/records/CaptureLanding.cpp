#include "records/CaptureLanding.h"

#include "platform/runtime/MainLoop.h"
#include "records/CaptureQuietWindow.h"
#include "records/IfThenLine.h"
#include "records/OpenLoopStore.h"

namespace qm {

CaptureLanding::CaptureLanding(MainLoop& mainLoop, OpenLoopStore& store, CaptureQuietWindow& quietWindow,
                               HostContextSource hostContext, ShowHUD showHUD)
    : mainLoop_(mainLoop), store_(store), quietWindow_(quietWindow), hostContext_(std::move(hostContext)),
      showHUD_(std::move(showHUD))
{
}

void CaptureLanding::announce(const std::string& target, const std::string& text, const std::string& receipt,
                              const std::optional<std::string>& revealPath,
                              const std::optional<std::string>& systemImage, bool parksLoop)
{
    if (mainLoop_.isMainThread()) {
        land(target, text, receipt, revealPath, systemImage, parksLoop);
        return;
    }
    mainLoop_.post(alive_.guard([this, target, text, receipt, revealPath, systemImage, parksLoop] {
        land(target, text, receipt, revealPath, systemImage, parksLoop);
    }));
}

void CaptureLanding::land(const std::string& target, const std::string& text, const std::string& receipt,
                          const std::optional<std::string>& revealPath,
                          const std::optional<std::string>& systemImage, bool parksLoop)
{
    const HostCaptureContext context = hostContext_ ? hostContext_() : HostCaptureContext{};
    const auto line = IfThenLine::parse(text);
    if (line || parksLoop) {
        store_.park(text, line ? line->action : text, target, receipt, revealPath, context,
                    line ? line->tokens : std::vector<std::string>{});
    } else {
        store_.noteReceipt(receipt, revealPath);
    }
    quietWindow_.begin();
    if (showHUD_) {
        showHUD_(receipt, systemImage);
    }
}

}  // namespace qm
