#pragma once

#include <filesystem>
#include <memory>
#include <optional>

#include "app/PlatformBundle.h"
#include "records/CaptureLanding.h"
#include "records/CaptureQuietWindow.h"
#include "records/HostFocus.h"
#include "records/OpenLoopStore.h"
#include "records/ReturnWhisper.h"

namespace qm {

// What confirms a landed capture and brings the user back to it: the quiet
// window, the host focus, the open loops with their return whisper, and the
// landing. Part of the composition root; AppComposition builds one over its
// capture router, and the records' own tests build one over their stand-ins.
class CaptureRecords {
public:
    // What the records ask of the capture controller and the HUD. All three
    // are required; they are called on the main thread only after the
    // constructor returned.
    struct Hooks {
        // Shows a message on the HUD at once (receipts and whispers).
        CaptureLanding::ShowHUD showHUD;
        // Whether the capture overlay is open.
        ReturnWhisper::CaptureModeProbe isCaptureModeActive;
        // The capture controller's host context: the host a landing is
        // recorded against, and the one kept while this program is frontmost.
        CaptureLanding::HostContextSource hostCaptureContext;
    };

    // The open loops are kept in the bundle's Application Support folder.
    // `platform` and what it names must outlive the records.
    CaptureRecords(const PlatformBundle& platform, Hooks hooks);
    CaptureRecords(const CaptureRecords&) = delete;
    CaptureRecords& operator=(const CaptureRecords&) = delete;

    // An open-loop store with the whisper wired as the app wires it, over
    // `hostFocus` and `quietWindow`, loading from `applicationSupport`.
    static std::unique_ptr<OpenLoopStore>
    makeOpenLoopStore(const PlatformBundle& platform, const HostFocus& hostFocus,
                      const CaptureQuietWindow& quietWindow, const Hooks& hooks,
                      std::optional<std::filesystem::path> applicationSupport);

    CaptureQuietWindow& quietWindow() { return quietWindow_; }
    HostFocus& hostFocus() { return hostFocus_; }
    OpenLoopStore& openLoops() { return *openLoops_; }
    CaptureLanding& landing() { return landing_; }

private:
    const Hooks hooks_;
    CaptureQuietWindow quietWindow_;
    HostFocus hostFocus_;
    std::unique_ptr<OpenLoopStore> openLoops_;
    CaptureLanding landing_;
};

}  // namespace qm
