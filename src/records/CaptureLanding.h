#pragma once

#include <functional>
#include <optional>
#include <string>

#include "platform/runtime/AliveToken.h"
#include "records/CaptureAnnouncer.h"
#include "records/HostCaptureContext.h"

namespace qm {

class CaptureQuietWindow;
class MainLoop;
class OpenLoopStore;

// The one confirmation of a landed capture. Every target calls announce() once
// after its send succeeded: the capture is parked as an open loop when its text
// is a when-line or the target asks for it (otherwise only its receipt is
// remembered), the quiet window opens, and the receipt is shown on the HUD.
class CaptureLanding final : public CaptureAnnouncer {
public:
    // The capture controller's host context, taken when the capture overlay opened.
    using HostContextSource = std::function<HostCaptureContext()>;
    // Shows a message on the HUD at once; the quiet window does not apply to it.
    using ShowHUD =
        std::function<void(const std::string& message, const std::optional<std::string>& systemImage)>;

    // The references must outlive the landing; announcements handed to the main
    // loop after the landing is gone are dropped.
    CaptureLanding(MainLoop& mainLoop, OpenLoopStore& store, CaptureQuietWindow& quietWindow,
                   HostContextSource hostContext, ShowHUD showHUD);
    CaptureLanding(const CaptureLanding&) = delete;
    CaptureLanding& operator=(const CaptureLanding&) = delete;

    // Any thread; never fails. On the main thread the work is done at once;
    // elsewhere it is handed to the main loop, in call order, and this returns
    // at once. `revealPath` is an absolute path or a URL string that shows the
    // result; `systemImage` the HUD's symbol (absent: its default icon).
    void announce(const std::string& target, const std::string& text, const std::string& receipt,
                  const std::optional<std::string>& revealPath, const std::optional<std::string>& systemImage,
                  bool parksLoop) override;

private:
    void land(const std::string& target, const std::string& text, const std::string& receipt,
              const std::optional<std::string>& revealPath, const std::optional<std::string>& systemImage,
              bool parksLoop);

    MainLoop& mainLoop_;
    OpenLoopStore& store_;
    CaptureQuietWindow& quietWindow_;
    HostContextSource hostContext_;
    ShowHUD showHUD_;
    AliveToken alive_;
};

}  // namespace qm
